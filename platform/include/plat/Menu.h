#pragma once
#include "plat/Gdi.h"
#include "plat/Messages.h"

#include <cstdint>
#include <string>
#include <string_view>

// The shell's menus: the menu bar under the screen (tool-bar buttons on a
// Pocket PC, two soft keys on a smartphone), popup menus, the smartphone's
// Back key and the title-bar OK. The bottom band shows the bar of the active
// window, or of its owner when it has none; taps on the band go to that bar.
// F1 and F2 are the soft keys, except on the older shell, whose bar takes
// taps only. Everything runs on the GUI thread.
namespace plat {

// ---- popup menus ----

struct MenuHandle;  // opaque
using HMENU = MenuHandle*;

// append_menu and delete_menu flags.
constexpr uint32_t MF_STRING = 0x0000;
constexpr uint32_t MF_ENABLED = 0x0000;
constexpr uint32_t MF_UNCHECKED = 0x0000;
constexpr uint32_t MF_BYCOMMAND = 0x0000;
constexpr uint32_t MF_GRAYED = 0x0001;
constexpr uint32_t MF_DISABLED = 0x0002;
constexpr uint32_t MF_CHECKED = 0x0008;
constexpr uint32_t MF_POPUP = 0x0010;  // id is the sub-menu's handle
constexpr uint32_t MF_BYPOSITION = 0x0400;
constexpr uint32_t MF_SEPARATOR = 0x0800;

// track_popup_menu flags: where the point lies on the menu, and how the choice comes back.
constexpr uint32_t TPM_LEFTALIGN = 0x0000;
constexpr uint32_t TPM_TOPALIGN = 0x0000;
constexpr uint32_t TPM_RIGHTALIGN = 0x0008;
constexpr uint32_t TPM_BOTTOMALIGN = 0x0020;
constexpr uint32_t TPM_RETURNCMD = 0x0100;

HMENU create_popup_menu();
// A text may hold a tab: what follows it is the shortcut, shown at the right.
// With MF_POPUP, id is an HMENU that this menu then owns.
bool append_menu(HMENU menu, uint32_t flags, std::uintptr_t id, std::wstring_view text);
// By position or by command; a deleted sub-menu entry destroys its sub-menu.
bool delete_menu(HMENU menu, uint32_t position_or_id, uint32_t flags);
int get_menu_item_count(HMENU menu);  // -1 for no menu
// Destroys the menu and its sub-menus.
bool destroy_menu(HMENU menu);

// Shows the menu at the screen point and runs its loop: arrows, Enter,
// Escape and taps; keys already held when it opens count from their release.
// Escape or a tap outside ends it without a choice. While it runs, timers,
// paints and posted messages are dispatched as usual; input goes to the menu.
// TPM_RETURNCMD answers the chosen id (0 for none); otherwise the choice is
// posted to owner as WM_COMMAND and the answer is whether there was one.
// Menus do not nest: a call while one runs answers 0.
int track_popup_menu(HMENU menu, uint32_t flags, int32_t x, int32_t y, HWND owner);

// ---- menu bars ----

// Creation flags.
constexpr uint32_t SHCMBF_EMPTYBAR = 0x0001;  // no template: a bar without buttons
constexpr uint32_t SHCMBF_HIDDEN = 0x0002;    // created hidden

// The creation record, as the system fills it; create_menu_bar sets bar.
constexpr uint32_t MENU_BAR_INFO_SIZE = 36;
struct MenuBarInfo {
    uint32_t size = MENU_BAR_INFO_SIZE;
    HWND owner = nullptr;
    uint32_t flags = 0;
    uint32_t template_id = 0;
    void* instance = nullptr;
    uint32_t bitmap_id = 0;
    uint32_t bitmap_images = 0;
    HWND bar = nullptr;
    COLORREF background = 0;
};

// Built-in templates. The older shell's five: one button, 40000, over the
// menu "Empty"; the newer shell's five: button 40000 and the drop-down
// 40001 whose popup holds "New" (40002); the smartphone's soft keys: the
// left key 18201 and the right key 18200.
constexpr uint32_t MENU_BAR_OLD_SHELL_FIRST = 117, MENU_BAR_OLD_SHELL_LAST = 121;
constexpr uint32_t MENU_BAR_NEW_SHELL_FIRST = 1117, MENU_BAR_NEW_SHELL_LAST = 1121;
constexpr uint32_t MENU_BAR_SOFT_KEYS = 18100;
constexpr uint32_t MENU_BAR_TEMPLATE_BUTTON = 40000;
constexpr uint32_t MENU_BAR_TEMPLATE_DROP_DOWN = 40001;
constexpr uint32_t MENU_BAR_TEMPLATE_NEW = 40002;
constexpr uint32_t SOFT_KEY_LEFT = 18201;
constexpr uint32_t SOFT_KEY_RIGHT = 18200;

constexpr uint32_t ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

// The bar is a window that never takes activation; show it, hide it and
// destroy it as any window (it goes with its owner). False, with last error
// set, for a wrong size, no owner or an unknown template.
bool create_menu_bar(MenuBarInfo& info);

// Button states and styles.
constexpr uint8_t TBSTATE_ENABLED = 0x04;
constexpr uint8_t TBSTYLE_BUTTON = 0x00;
constexpr uint8_t TBSTYLE_SEP = 0x01;
constexpr uint8_t TBSTYLE_DROPDOWN = 0x08;
constexpr uint8_t TBSTYLE_AUTOSIZE = 0x10;
constexpr int32_t I_IMAGENONE = -2;

struct MenuBarButton {
    int32_t image = I_IMAGENONE;  // index into the bar's images
    uint32_t command = 0;
    uint8_t state = TBSTATE_ENABLED;
    uint8_t style = TBSTYLE_BUTTON | TBSTYLE_AUTOSIZE;
    std::wstring text;
    HMENU popup = nullptr;  // a drop-down's menu; the bar owns it from here on
};

// A plain button sends its owner WM_COMMAND (low word the id); a drop-down
// sends WM_INITMENUPOPUP (wparam the popup, low word of lparam the button's
// id), tracks the popup and sends the chosen entry's WM_COMMAND.
int menu_bar_button_count(HWND bar);  // -1 for no bar
bool menu_bar_get_button(HWND bar, int index, MenuBarButton& button);
bool menu_bar_add_button(HWND bar, const MenuBarButton& button);
bool menu_bar_delete_button(HWND bar, int index);
bool menu_bar_set_button_text(HWND bar, uint32_t command, std::wstring_view text);
bool menu_bar_enable_button(HWND bar, uint32_t command, bool enabled);

// A tool-bar bitmap of the program: the picture file "<id>.bmp" in the
// running program's folder (a surface the caller deletes with delete_bitmap);
// null with ERROR_RESOURCE_NAME_NOT_FOUND when there is none or it does not decode.
void* load_bitmap(void* instance, uint32_t id);
// Cuts the bitmap into images image_width wide, left to right, and appends
// them to the bar's image list (the bitmap stays the caller's). Returns the
// list index of the first, which a button's image counts from; -1 for no bar
// or a bitmap narrower than one image.
int32_t menu_bar_add_bitmap(HWND bar, void* bitmap, int32_t image_width);

// The shell's resource library loads as a data file (and holds nothing the
// device needs); any other library fails with ERROR_MOD_NOT_FOUND.
constexpr uint32_t LOAD_LIBRARY_AS_DATAFILE = 0x00000002;
constexpr uint32_t ERROR_MOD_NOT_FOUND = 126;
constexpr wchar_t SHELL_RESOURCE_LIBRARY[] = L"tapres.dll";
void* load_library_ex(std::wstring_view name, uint32_t flags);
bool free_library(void* library);

// ---- the Back key ----

// Overriding a key on a bar: SHMBOF_NODEFAULT keeps the shell from handling
// it, SHMBOF_NOTIFY tells the owner. mask says which flags are being set;
// the press flags are in the low word, the release flags in the high word.
constexpr uint32_t VK_TBACK = 0x1B;
constexpr uint32_t SHMBOF_NODEFAULT = 0x00000001;
constexpr uint32_t SHMBOF_NOTIFY = 0x00000002;
bool override_menu_bar_key(HWND bar, uint32_t virtual_key, uint32_t mask, uint32_t flags);
// An overridden Back key reaches the bar's owner, instead of any key
// message, as WM_HOTKEY with this wparam, the key in the high word of lparam
// and MOD_KEYUP in the low word on release.
constexpr WPARAM HOTKEY_ID_BACK = 0;
constexpr uint32_t MOD_KEYUP = 0x1000;
constexpr LPARAM back_key_lparam(bool release) { return LPARAM(VK_TBACK << 16 | (release ? MOD_KEYUP : 0)); }

// Sends the focus window the message as given (an edit box deletes the
// character before its caret on the Back key's press); false with no focus.
bool send_back_to_focus_window(uint32_t message, WPARAM wparam, LPARAM lparam);

// ---- the title-bar OK ----

// Shown at the right end of the top band while its window is in front; a tap
// sends that window WM_COMMAND IDOK ("plat/MessageBox.h").
constexpr uint32_t SHDB_SHOW = 1;
constexpr uint32_t SHDB_HIDE = 2;
bool sh_done_button(HWND window, uint32_t state);

} // namespace plat
