#pragma once
#include "plat/Menu.h"

#include <cstdint>
#include <string>
#include <vector>

// The process's popup menus: handles and their entries, read by the tracker
// and the menu bar. Handles are ids, never dereferenced.
namespace plat::ui {

struct MenuEntry {
    uint32_t flags = MF_STRING;
    std::uintptr_t id = 0;  // the command, or the sub-menu's handle with MF_POPUP
    std::wstring text;      // before the tab
    std::wstring shortcut;  // after it

    bool separator() const { return (flags & MF_SEPARATOR) != 0; }
    bool greyed() const { return (flags & (MF_GRAYED | MF_DISABLED)) != 0; }
    bool checked() const { return (flags & MF_CHECKED) != 0; }
    HMENU submenu() const { return (flags & MF_POPUP) ? reinterpret_cast<HMENU>(id) : nullptr; }
};

bool is_menu(HMENU menu);
// A copy of the menu's entries; false for no menu.
bool menu_entries(HMENU menu, std::vector<MenuEntry>& entries);

} // namespace plat::ui
