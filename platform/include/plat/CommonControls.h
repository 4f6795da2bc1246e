#pragma once
#include "plat/Clock.h"
#include "plat/Gdi.h"
#include "plat/Messages.h"

#include <cstdint>

// The device's common controls: the month calendar and the date/time picker
// (registered by the initialisation call), and the one-line native edit box
// of the smartphone shell (there from the start, as "STATIC" is; it deletes
// the character before its caret when the shell hands it the Back key). They
// are drawn by the device layer in its own plain look, scaled with the
// screen's dots per inch.
namespace plat {

// ---- initialisation ----

struct InitCommonControlsEx {
    uint32_t size = sizeof(InitCommonControlsEx);
    uint32_t flags = 0;
};
constexpr uint32_t ICC_DATE_CLASSES = 0x100;  // "SysMonthCal32" and "SysDateTimePick32"
// Registers the classes the flags ask for; calling it again is harmless.
// False for a record whose size is not the record's.
bool init_common_controls_ex(const InitCommonControlsEx& init);

// ---- month calendar ----
//
// One month: a title with the previous and next month arrows, the weekday
// header (weeks start on Sunday) and 6 x 7 days. Arrows move the selection by
// a day and a week, PgUp/PgDn by a month (the day clamped to the month's
// length); a tap on a day selects it, on a title arrow moves by a month. The
// shown month is always the selection's. It takes keys from WM_KEYDOWN only,
// ignores WM_CHAR and WM_USER+2, and sends no notifications.
constexpr wchar_t MONTHCAL_CLASS[] = L"SysMonthCal32";

// lparam: SystemTime*; the selected date with the time fields 0 (day of
// week filled). Answers non-zero on success.
constexpr uint32_t MCM_GETCURSEL = 0x1001;
// lparam: const SystemTime*; only the date fields count. An invalid date
// answers 0 and changes nothing.
constexpr uint32_t MCM_SETCURSEL = 0x1002;
// lparam: RECT*; (0, 0) and the size one month needs, borders included.
constexpr uint32_t MCM_GETMINREQRECT = 0x1009;
// wparam: an MCSC_ index; lparam: the colour. Answers the previous colour,
// CLR_INVALID for an unknown index.
constexpr uint32_t MCM_SETCOLOR = 0x100A;

constexpr WPARAM MCSC_BACKGROUND = 0;    // around the month
constexpr WPARAM MCSC_TEXT = 1;          // days and weekday names
constexpr WPARAM MCSC_TITLEBK = 2;       // title band and the selected day
constexpr WPARAM MCSC_TITLETEXT = 3;     // title text, arrows and the selected day's number
constexpr WPARAM MCSC_MONTHBK = 4;       // behind the days
constexpr WPARAM MCSC_TRAILINGTEXT = 5;  // days of the months before and after

// ---- date/time picker ----
//
// A date field: a tap or Enter drops down the picker's own month calendar
// under it (arrows, PgUp/PgDn move there; Enter or a tap on a day takes the
// date, Escape or a tap elsewhere closes it unchanged). With DTS_TIMEFORMAT a
// time field "HH:MM:SS": Left/Right pick the field, Up/Down change it
// (wrapping within the field, never carrying), and so do the tapped arrows at
// its right. Keys come from WM_KEYDOWN only; WM_CHAR and WM_USER+2 are
// ignored; no notifications are sent.
constexpr wchar_t DATETIMEPICK_CLASS[] = L"SysDateTimePick32";

constexpr uint32_t DTS_SHORTDATEFORMAT = 0x0000;
constexpr uint32_t DTS_TIMEFORMAT = 0x0009;

constexpr WPARAM GDT_VALID = 0;
constexpr WPARAM GDT_NONE = 1;
constexpr LRESULT GDT_ERROR = -1;

// lparam: SystemTime*; answers GDT_VALID (GDT_ERROR for no record).
constexpr uint32_t DTM_GETSYSTEMTIME = 0x1001;
// wparam: GDT_VALID; lparam: const SystemTime*. Answers non-zero when the
// date and time are valid and taken, 0 (nothing changed) otherwise; GDT_NONE
// is refused, as the picker always holds a time.
constexpr uint32_t DTM_SETSYSTEMTIME = 0x1002;
// The picker's own month calendar (a hidden sibling until dropped down),
// there for the picker's whole life, so colours set on it apply.
constexpr uint32_t DTM_GETMONTHCAL = 0x1008;

// ---- native edit box ----
//
// One line with caret, selection (Shift with the keys below) and horizontal
// scrolling; Left/Right/Home/End move, Backspace (its WM_CHAR) and Delete
// delete, typed characters (WM_CHAR from 32 on, compositions) replace the
// selection; a tap places the caret and takes the focus. With WS_BORDER it
// draws its own 1-pixel border (2 on a 192 dpi screen).
// The Back key handed over by the shell (WM_HOTKEY whose lparam has 0x1B in
// the high word; its release, bit 0x1000, does nothing) deletes the
// character before the caret, as Backspace does.
// After every change of its text the parent gets WM_COMMAND with EN_CHANGE
// in wparam's high word (the control id in the low word) and the edit in
// lparam; an equal text is no change.
// Its text is its window text: WM_SETTEXT (lparam: a zero-terminated text,
// caret to the start), WM_GETTEXT (wparam: buffer size in characters with
// the terminator, lparam: wchar_t*; answers the characters copied) and
// WM_GETTEXTLENGTH; get_window_text reads it too. set_window_text only
// stores the title, which the edit takes over at its next message, silently.
constexpr wchar_t EDIT_CLASS[] = L"EDIT";

constexpr uint32_t ES_AUTOHSCROLL = 0x0080;  // always on: the one line scrolls
constexpr uint32_t ES_READONLY = 0x0800;

// wparam, lparam: uint32_t* or null for the selection's start and end
// (start <= end); answers start | end << 16.
constexpr uint32_t EM_GETSEL = 0x00B0;
// wparam: the anchor, lparam: the caret; -1 as the anchor clears the
// selection at the caret, a negative caret means the end.
constexpr uint32_t EM_SETSEL = 0x00B1;
// wparam: non-zero for read-only (the caret still moves). Answers 1.
constexpr uint32_t EM_SETREADONLY = 0x00CF;
// lparam: the input mode. Answers 1.
constexpr uint32_t EM_SETINPUTMODE = 0x00DE;
constexpr LPARAM EIM_NUMBERS = 2;  // only digits are typed
constexpr LPARAM EIM_TEXT = 3;     // any text (the start, and any other mode)

constexpr uint32_t EN_CHANGE = 0x0300;

} // namespace plat
