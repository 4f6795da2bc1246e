#include "ui/PopupMenu.h"

#include "plat/Errors.h"
#include "ui/MenuTracker.h"
#include "ui/ShellInput.h"

#include <map>
#include <mutex>

namespace plat::ui {
namespace {

struct MenuTable {
    std::mutex mutex;
    std::map<HMENU, std::vector<MenuEntry>> menus;
    std::uintptr_t next_handle = 0x20000;
};

MenuTable& menus() {
    static auto* table = new MenuTable;  // never destroyed: handles may be freed during exit
    return *table;
}

// Locked. Null, with the last error set, for no menu.
std::vector<MenuEntry>* find_locked(HMENU menu) {
    auto it = menus().menus.find(menu);
    if (it != menus().menus.end())
        return &it->second;
    set_last_error(ERROR_INVALID_HANDLE);
    return nullptr;
}

// Locked. Whether `inner` is `menu` or lies anywhere below it.
bool contains_locked(HMENU menu, HMENU inner) {
    if (menu == inner)
        return true;
    auto it = menus().menus.find(menu);
    if (it == menus().menus.end())
        return false;
    for (const MenuEntry& e : it->second)
        if (e.submenu() && contains_locked(e.submenu(), inner))
            return true;
    return false;
}

// Locked. The menu and every sub-menu below it.
void destroy_locked(HMENU menu) {
    auto it = menus().menus.find(menu);
    if (it == menus().menus.end())
        return;
    std::vector<MenuEntry> entries = std::move(it->second);
    menus().menus.erase(it);
    for (const MenuEntry& e : entries)
        if (e.submenu())
            destroy_locked(e.submenu());
}

} // namespace

bool is_menu(HMENU menu) {
    std::lock_guard lock(menus().mutex);
    return menus().menus.count(menu) != 0;
}

bool menu_entries(HMENU menu, std::vector<MenuEntry>& entries) {
    std::lock_guard lock(menus().mutex);
    const std::vector<MenuEntry>* found = find_locked(menu);
    if (found)
        entries = *found;
    return found != nullptr;
}

} // namespace plat::ui

namespace plat {

using ui::MenuEntry;

HMENU create_popup_menu() {
    std::lock_guard lock(ui::menus().mutex);
    auto menu = reinterpret_cast<HMENU>(ui::menus().next_handle++);
    ui::menus().menus[menu];
    return menu;
}

bool append_menu(HMENU menu, uint32_t flags, std::uintptr_t id, std::wstring_view text) {
    std::lock_guard lock(ui::menus().mutex);
    std::vector<MenuEntry>* entries = ui::find_locked(menu);
    if (!entries)
        return false;
    MenuEntry entry{flags, id, {}, {}};
    if (entry.submenu()) {
        // A sub-menu is owned once, and never by itself or a menu inside it.
        if (!ui::menus().menus.count(entry.submenu()) || ui::contains_locked(entry.submenu(), menu)) {
            set_last_error(ERROR_INVALID_PARAMETER);
            return false;
        }
        for (const auto& [handle, others] : ui::menus().menus)
            for (const MenuEntry& e : others)
                if (e.submenu() == entry.submenu()) {
                    set_last_error(ERROR_INVALID_PARAMETER);
                    return false;
                }
    }
    if (!entry.separator()) {
        const size_t tab = text.find(L'\t');
        entry.text = std::wstring(text.substr(0, tab));
        if (tab != std::wstring_view::npos)
            entry.shortcut = std::wstring(text.substr(tab + 1));
    }
    entries->push_back(std::move(entry));
    return true;
}

bool delete_menu(HMENU menu, uint32_t position_or_id, uint32_t flags) {
    std::lock_guard lock(ui::menus().mutex);
    std::vector<MenuEntry>* entries = ui::find_locked(menu);
    if (!entries)
        return false;
    size_t at = entries->size();
    if (flags & MF_BYPOSITION) {
        at = position_or_id;
    } else {
        for (size_t i = 0; i < entries->size() && at == entries->size(); ++i)
            if (!(*entries)[i].submenu() && (*entries)[i].id == position_or_id)
                at = i;
    }
    if (at >= entries->size()) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    HMENU submenu = (*entries)[at].submenu();
    entries->erase(entries->begin() + ptrdiff_t(at));
    if (submenu)
        ui::destroy_locked(submenu);
    return true;
}

int get_menu_item_count(HMENU menu) {
    std::lock_guard lock(ui::menus().mutex);
    const std::vector<MenuEntry>* entries = ui::find_locked(menu);
    return entries ? int(entries->size()) : -1;
}

bool destroy_menu(HMENU menu) {
    std::lock_guard lock(ui::menus().mutex);
    if (!ui::find_locked(menu))
        return false;
    ui::destroy_locked(menu);
    return true;
}

int track_popup_menu(HMENU menu, uint32_t flags, int32_t x, int32_t y, HWND owner) {
    if (!ui::is_menu(menu) || !is_window(owner)) {
        set_last_error(ui::is_menu(menu) ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_HANDLE);
        return 0;
    }
    if (ui::MenuTracker::window())
        return 0;
    ui::install_shell_menus();
    ui::MenuTracker tracker(menu, flags, POINT{x, y}, owner);
    const std::uintptr_t chosen = tracker.run();
    if (flags & TPM_RETURNCMD)
        return int(chosen);
    if (chosen)
        post_message(owner, WM_COMMAND, chosen & 0xFFFF, 0);
    return chosen ? 1 : 0;
}

} // namespace plat
