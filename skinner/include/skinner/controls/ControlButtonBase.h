#pragma once
#include "skinner/Control.h"
#include "skinner/Font.h"
#include "skinner/Form.h"
#include "skinner/Picture.h"
#include "skinner/controls/ControlButtonImpl.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace skinner {

// Skin "Action" words, by value: what a button is on the device.
namespace button_action {
constexpr int32_t nothing = 0;
constexpr int32_t caption = 1;
constexpr int32_t border_first = 2;  // borders and corners: 2..9
constexpr int32_t border_last = 9;
constexpr int32_t close = 10;
constexpr int32_t minimize = 11;
constexpr int32_t maximize = 12;
constexpr int32_t sysmenu = 13;
constexpr int32_t ok = 14;
constexpr int32_t cancel = 15;
constexpr int32_t yes = 16;
constexpr int32_t no_menu = 17;
constexpr std::array<std::wstring_view, 18> words{
    L"NOTHING",           L"CAPTION",           L"BORDER_LEFT",        L"BORDER_RIGHT",    L"BORDER_BOTTOM",
    L"BORDER_TOP",        L"CORNER_BOTTOM_LEFT", L"CORNER_BOTTOM_RIGHT", L"CORNER_TOP_LEFT", L"CORNER_TOP_RIGHT",
    L"BUTTON_CLOSE",      L"BUTTON_MINIMIZE",   L"BUTTON_MAXIMIZE",    L"BUTTON_SYSMENU",  L"BUTTON_OK",
    L"BUTTON_CANCEL",     L"BUTTON_YES",        L"BUTTON_NO_MENU"};
} // namespace button_action

// The look of a button in one state.
struct ButtonStyle {
    Picture picture;
    Font font;
    SkinColour colour{};
};

// The six states, in the order of the styles.
namespace button_state {
constexpr size_t normal = 0;
constexpr size_t normal_focus = 1;
constexpr size_t pressed = 2;
constexpr size_t highlighted = 3;
constexpr size_t highlighted_focus = 4;
constexpr size_t disabled = 5;
constexpr std::array<std::wstring_view, 6> names{L"Normal",      L"NormalFocus",      L"Pressed",
                                                 L"Highlighted", L"HighlightedFocus", L"Disabled"};
} // namespace button_state

using ButtonStyles = std::array<ButtonStyle, 6>;

// The index of a skin alignment word ("LEFT", "CENTER", "RIGHT", or with
// vertical "TOP", "VCENTER", "BOTTOM"); any other text is the centre, 1.
int alignment_from_word(std::wstring_view word, bool vertical);

// The drawing and input of a skinned button: six state styles, a caption,
// and a click when a tap, the action key or the form's soft key lets go of
// it. What the button is on the device lives in its implementation, which
// derived classes make (the base holds none until then).
class ControlButtonBase : public Control, public HoldableButton {
public:
    ControlButtonBase(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);
    ~ControlButtonBase() override;

    using Control::on_menu_command;
    // The button's own name clicks it.
    int32_t on_menu_command(Control* sender, const std::wstring& command) override;
    bool wants_focus() const override;
    void on_lost_focus() override;
    void on_visible_changed(bool visible) override;
    void on_enabled_changed(bool enabled) override;
    void paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) override;
    bool hit_test(plat::POINT point) override;
    void on_mouse_move(plat::POINT point) override;
    void on_mouse_down(plat::POINT point, bool double_click) override;
    void on_mouse_up(plat::POINT point, bool double_click) override;
    int32_t on_key_down(int32_t code) override;
    int32_t on_key_up(int32_t code) override;
    void load_skin() override;

    virtual void set_text(const std::wstring& text);
    // The implementation's press, then on_click.
    virtual void press(plat::POINT point);
    virtual const ButtonStyles& get_styles() const;

    // Presses the enabled button at its centre.
    void click();
    // The form holds the button for its soft key; letting go clicks it.
    void set_held(bool held) override;

    bool is_pressed() const { return pressed_by_pointer_ || pressed_by_key_ || held_; }
    // The style of the current state.
    const ButtonStyle& current_style() const;
    int32_t get_action() const { return action_; }
    const std::wstring& get_text() const { return text_; }
    plat::POINT get_border_min() const { return border_min_; }
    plat::POINT get_border_max() const { return border_max_; }
    int get_h_alignment() const { return h_alignment_; }
    int get_v_alignment() const { return v_alignment_; }
    ControlButtonImpl* get_impl() const { return impl_.get(); }
    // The control's own focus flag, which the implementation table reads.
    bool own_wants_focus() const { return Control::wants_focus(); }

protected:
    // Replaces the implementation (the old one goes first).
    void set_impl(std::unique_ptr<ControlButtonImpl> impl);
    // The six styles under the key prefix ("" or "Checked"), with their fall-backs.
    ButtonStyles read_styles(std::wstring_view prefix) const;
    // Shows the text without telling derived classes.
    void show_text(const std::wstring& text);

private:
    void read_skin();

    plat::POINT border_min_;
    plat::POINT border_max_;
    std::unique_ptr<ControlButtonImpl> impl_;
    int32_t action_ = button_action::nothing;
    ButtonStyles styles_;
    int h_alignment_ = 1;  // 0 left, 1 centre, 2 right
    int v_alignment_ = 1;  // 0 top, 1 centre, 2 bottom
    bool pressed_by_pointer_ = false;
    bool pressed_by_key_ = false;
    bool held_ = false;
    std::wstring text_;
};

} // namespace skinner
