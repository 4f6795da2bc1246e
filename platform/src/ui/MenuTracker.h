#pragma once
#include "plat/Font.h"
#include "plat/Menu.h"
#include "plat/Window.h"
#include "ui/PopupMenu.h"

#include <array>
#include <cstdint>
#include <vector>

namespace plat::ui {

// Posted to the menu's window: pick entry wparam of the innermost level (from 1, separators not counted).
constexpr uint32_t menu_choose_message = WM_USER + 1;

// One popup menu on the screen and its loop. Each open level (the menu and
// the sub-menus opened from it) is a window above its owner that never takes
// activation; the shell's input hook sends it every key and pointer event,
// the pointer's in screen coordinates, while the loop runs.
class MenuTracker {
public:
    MenuTracker(HMENU menu, uint32_t flags, POINT at, HWND owner);
    ~MenuTracker();
    MenuTracker(const MenuTracker&) = delete;
    MenuTracker& operator=(const MenuTracker&) = delete;

    // Shows the menu and runs its loop; the chosen id, 0 for none. WM_QUIT
    // ends it without a choice and is posted again for the outer loop.
    std::uintptr_t run();

    // The tracker running on the calling thread, and the window of the first
    // level of the one running in the process (null when none): input and
    // the script's choices are queued there, since it lives as long as the menu.
    static MenuTracker* running();
    static HWND window();

    // Test seams: the open levels and their entries' rectangles on the screen.
    size_t level_count() const { return levels_.size(); }
    RECT entry_screen_rect(size_t level, size_t entry) const;
    int highlighted(size_t level) const { return level < levels_.size() ? levels_[level].hot : -1; }

private:
    struct Level {
        HMENU menu = nullptr;
        std::vector<MenuEntry> entries;
        std::vector<RECT> rows;  // client coordinates
        HWND window = nullptr;
        RECT frame;              // screen coordinates
        int hot = -1;
    };

    static LRESULT procedure(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam);
    bool open_level(HMENU menu, POINT at, uint32_t flags);
    void close_levels_after(size_t level);
    void close_all();
    void lay_out(Level& level, POINT at, uint32_t flags) const;
    void paint(size_t level);
    void set_hot(size_t level, int entry);
    void on_key_down(uint32_t key);
    void on_pointer(uint32_t message, POINT screen);
    void choose_nth(int n);
    // Opens the entry's sub-menu or chooses it; greyed entries do nothing.
    void activate_entry(size_t level, int entry);
    bool hit(POINT screen, size_t& level, int& entry) const;
    void finish(std::uintptr_t chosen);

    HWND owner_ = nullptr;
    HMENU menu_ = nullptr;
    uint32_t flags_ = 0;
    POINT at_;
    int scale_ = 1;
    HFONT font_ = nullptr;
    int row_height_ = 0;
    std::vector<Level> levels_;
    std::array<bool, 256> held_at_open_{};  // keys down when the menu opened, until released
    bool pressed_ = false;                  // a press went down while the menu was open
    bool done_ = false;
    std::uintptr_t chosen_ = 0;
    MenuTracker* outer_ = nullptr;
};

} // namespace plat::ui
