#pragma once
#include "skinner/Control.h"
#include "skinner/controls/ControlEditImpl.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace skinner {

// The framework's one-line text entry over its own skinned frame. On a
// smartphone the typing goes to the device's edit window laid over it;
// elsewhere the control edits the text itself, with caret, selection, keys,
// the clipboard and a context menu.
class ControlEdit : public Control {
public:
    // Context-menu commands, as the popup answers them.
    enum MenuCommand : uint32_t { menu_cut = 1, menu_copy, menu_paste, menu_delete, menu_select_all };
    static constexpr int32_t blink_period_ticks = 10;
    static constexpr uint32_t blink_tick_ms = 50;

    ControlEdit(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);
    ~ControlEdit() override;

    using Control::on_text_changed;
    int32_t set_native_focus() override;
    void on_got_focus() override;
    void on_lost_focus() override;
    void on_visible_changed(bool visible) override;
    void paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) override;
    bool hit_test(plat::POINT point) override;
    void on_mouse_move(plat::POINT point) override;
    void on_mouse_down(plat::POINT point, bool double_click) override;
    void on_mouse_up(plat::POINT point, bool double_click) override;
    void on_context_up(plat::POINT point, bool flag) override;
    int32_t on_char(const std::wstring& text) override;
    int32_t on_key_down(int32_t code) override;
    void on_timer_elapsed() override;
    void on_timer(int32_t id) override;
    void set_rect(plat::POINT position, plat::POINT size) override;
    void load_skin() override;
    virtual void raise_text_changed();
    virtual void raise_click();

    // Same text: nothing; else the whole text is replaced (caret at the end).
    void set_text(std::wstring_view text);
    const std::wstring& get_text() const { return text_; }
    // Anchor and caret, each kept within the text.
    void set_selection(int32_t anchor, int32_t caret);
    int32_t get_caret() const { return caret_; }
    int32_t get_anchor() const { return anchor_; }
    std::wstring get_selected_text() const;
    void set_read_only(bool read_only);
    bool is_read_only() const { return read_only_; }
    void set_input_mode(std::wstring_view name);
    // Zero shows the text itself; otherwise every character shows as it and
    // nothing can be copied out.
    void set_password_char(wchar_t character);
    int32_t get_scroll_x() const { return scroll_x_; }
    ControlEditImpl* get_impl() const { return impl_.get(); }

    void cut();
    void copy();
    void paste();
    void delete_selection();
    void select_all();

    // The device edit's text arrived: stored and raised when it differs.
    bool take_native_text(const std::wstring& text);

private:
    struct State {
        const Picture* picture = nullptr;
        const Font* font = nullptr;
        const SkinColour* colour = nullptr;
    };
    void read_skin();
    State state() const;
    std::wstring shown_text() const;
    // Prefix widths of the shown text in the state font, as it is now.
    void rebuild_char_ends();
    int32_t prefix_width(int32_t count) const;
    int32_t char_at(plat::POINT point);
    void fix_scroll();
    void move_caret(int32_t caret, bool keep_anchor);
    void replace_selection(std::wstring_view text);
    bool has_selection() const { return caret_ != anchor_; }
    bool caret_shown() const;
    bool self_drawn() const { return impl_ && impl_->draws_itself(); }
    int32_t word_start_before(int32_t index) const;
    int32_t word_start_after(int32_t index) const;
    void open_context_menu(plat::POINT point);
    void clamp_selection();

    std::unique_ptr<ControlEditImpl> impl_;
    Picture normal_picture_, highlighted_picture_, disabled_picture_, readonly_picture_, selection_picture_,
        highlighted_focused_picture_, normal_focused_picture_;
    Font normal_font_, disabled_font_, readonly_font_;
    SkinColour normal_colour_{}, disabled_colour_{}, readonly_colour_{}, selection_colour_{},
        selection_focused_colour_{};
    plat::POINT down_point_;
    std::wstring input_mode_;
    std::wstring text_;
    int32_t caret_ = 0;
    int32_t anchor_ = 0;
    int32_t blink_count_ = 0;
    int32_t blink_period_ = blink_period_ticks;
    int32_t caret_width_ = 1;
    plat::POINT border_min_;
    plat::POINT border_max_;
    bool dragging_ = false;
    bool read_only_ = false;
    int32_t scroll_x_ = 0;
    std::vector<int32_t> char_ends_;
    wchar_t password_char_ = 0;
    uint32_t blink_timer_ = 0;  // the device timer of the caret blink on the form window
};

} // namespace skinner
