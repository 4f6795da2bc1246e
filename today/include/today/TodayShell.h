#pragma once
#include "plat/Gdi.h"
#include "plat/Messages.h"

#include <cstdint>

// What the home screen and its items agree on: the two entries an item
// library exports, the messages between the screen and an item window, and
// their records. The numbers are the device shell's.
namespace today {

// Library entry: reason 1 after loading, 0 before unloading; the load handle is the instance.
constexpr char dll_main_name[] = "today_dll_main";
constexpr uint32_t reason_process_attach = 1;
constexpr uint32_t reason_process_detach = 0;
using DllMain = int (*)(void* instance, uint32_t reason, void* reserved);

// Item entry, found by the shell by its ordinal; here by its name.
constexpr int initialize_item_ordinal = 240;
constexpr char initialize_item_name[] = "today_initialize_custom_item";

// The screen's record of one item; an item reads and writes only cyp.
struct TodayListItem {
    wchar_t name[32] = {};
    uint32_t flags = 0;
    uint32_t cyp = 0;  // the item's height in pixels; 0 until the item gives it
    bool enabled = true;
};
using InitializeCustomItem = plat::HWND (*)(TodayListItem* item, plat::HWND parent);

// Screen to item: wparam the item's record; TRUE when the item changed its
// height and the screen should lay the items out again.
constexpr uint32_t WM_TODAYCUSTOM_QUERYREFRESHCACHE = plat::WM_USER + 243;
// Item to screen: wparam a colour index; the answer is a COLORREF.
constexpr uint32_t TODAYM_GETCOLOR = plat::WM_USER + 100;
constexpr plat::WPARAM TODAYCOLOR_TEXT = 0x10000004;
// Item to screen: lparam a TodayDrawWatermarkInfo*; the screen draws its
// background under the item into the context.
constexpr uint32_t TODAYM_DRAWWATERMARK = plat::WM_USER + 101;

struct TodayDrawWatermarkInfo {
    plat::HDC dc = nullptr;
    plat::RECT rect;  // the item's client rectangle
    plat::HWND window = nullptr;
};

// The screen's action key reaches the selected item as a press and release at (1, 1).
constexpr plat::LPARAM action_point = 0x00010001;

// Set by the shell once its items exist.
constexpr wchar_t shell_ready_event[] = L"SYSTEM/ShellAPIReady";

} // namespace today
