#pragma once
#include "skinner/Control.h"
#include "skinner/MenuManager.h"

#include <string>
#include <string_view>

namespace skinner {

// A command of the form's menu bar. It draws nothing itself: the shell shows
// it. Its command is its name, its caption the language text for the name.
// placement is what the soft-key rules see as its caption.
class MenuMainButton : public Control, public MenuManager::Item {
public:
    MenuMainButton(Container* parent, std::wstring_view name, std::wstring_view caption, int32_t priority,
                   std::wstring_view placement);
    ~MenuMainButton() override;

    void fill_record(MenuRecord& record) override;
    int32_t has_submenu() override { return 0; }
    std::wstring get_caption() override { return placement_; }
    int32_t get_priority() override { return get_z_order(); }

    void on_visible_changed(bool visible) override;
    void on_enabled_changed(bool enabled) override;
    void load_skin() override;

    void set_caption(std::wstring_view caption);
    void set_image(int32_t image);
    void set_separator_after(bool separator);
    void set_checked(bool checked);
    const std::wstring& caption() const { return caption_; }

private:
    void mark_dirty();

    std::wstring default_caption_;
    std::wstring caption_;
    std::wstring placement_;
    int32_t image_ = -1;
    bool separator_after_ = false;
    bool checked_ = false;
};

} // namespace skinner
