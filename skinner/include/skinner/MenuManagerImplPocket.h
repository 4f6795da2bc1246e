#pragma once
#include "skinner/MenuCommands.h"
#include "skinner/MenuManagerImpl.h"
#include "plat/Menu.h"

#include <cstdint>
#include <vector>

namespace skinner {

// The Pocket PC menu bar. The newer shell shows two soft buttons made from
// the soft-key collections; the older one a tool-bar button per item. Every
// bar needs a tool-bar id from a process-wide pool of five per shell kind.
class MenuManagerImplPocket : public MenuManagerImpl {
public:
    static constexpr size_t first_command = 100;
    static constexpr wchar_t placeholder[] = L"#FakeId#";
    static constexpr uint32_t bitmap_low_dpi = 115;
    static constexpr uint32_t bitmap_high_dpi = 125;
    static constexpr int32_t image_low_dpi = 16;
    static constexpr int32_t image_high_dpi = 32;

    explicit MenuManagerImplPocket(bool new_shell);
    ~MenuManagerImplPocket() override;

    void on_command(Form& form, plat::WPARAM wparam, plat::LPARAM lparam) override;
    void on_init_menu_popup(Form& form, plat::WPARAM menu, plat::LPARAM lparam) override;
    void on_hotkey(Form&, plat::WPARAM, plat::LPARAM) override {}
    void set_dirty() override { dirty_ = true; }
    void rebuild(Form& form) override;
    void set_visible(Form& form, bool visible) override;

    plat::HWND bar() const { return info_.bar; }
    // The ids still free in the pool of the shell kind, last taken first.
    static const std::vector<uint32_t>& free_ids(bool new_shell);
    // Test seam: both pools full again, in their first order, once no bar holds an id.
    static void refill_free_ids();

private:
    bool create_bar(Form& form);
    void load_bitmaps();
    void reset_commands();
    void add_button(const MenuRecord& record, bool drop_down, bool more_follow);
    void give_back_id();

    plat::MenuBarInfo info_;
    bool new_shell_ = false;
    bool dirty_ = false;
    uint32_t held_id_ = 0;  // 0: none held
    MenuCommands commands_;
    size_t command_count_ = 0;
    int32_t image_base_ = 0;
    int32_t image_count_ = 0;
};

} // namespace skinner
