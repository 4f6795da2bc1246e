#pragma once
#include "skinner/Canvas.h"
#include "skinner/Font.h"
#include "skinner/Listener.h"
#include "skinner/Picture.h"
#include "plat/Gdi.h"
#include "plat/Input.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace skinner {

class Container;
class Form;
class Properties;

// How a control or container finds its skin node.
constexpr int creation_named = 0;  // a control named in the form's skin
constexpr int creation_kind = 1;   // a control described by a skin kind
constexpr int creation_none = 2;   // no skin lookup at all

// Anchor codes (skin keys "AnchorX", "AnchorY"): how a child follows its
// container's extent along one axis.
constexpr int32_t anchor_min_side = 0;
constexpr int32_t anchor_both_side = 1;
constexpr int32_t anchor_max_side = 2;
constexpr int32_t anchor_ratio = 3;
constexpr int32_t anchor_center = 4;

// The code of an anchor text (exact case); 0 for any other text.
int32_t anchor_from_text(std::wstring_view text);

struct AnchorResult {
    int32_t position = 0;
    int32_t extent = 0;
};
// One axis of a child against its container: container origin and extent,
// the reference extent of the skin layout, the child's skin offset and
// extent. Against a reference extent of 0 the dividing codes ("RATIO",
// "CENTER") place the child as "MIN_SIDE".
AnchorResult anchor_axis(int32_t anchor, int32_t origin, int32_t extent, int32_t reference, int32_t skin_offset,
                         int32_t skin_extent);

// Framework key codes. The form window maps the device's virtual keys once
// (key_code_from_virtual); controls see only these.
namespace key {
constexpr int32_t none = 0;
constexpr int32_t shift = 1;
constexpr int32_t control = 2;
constexpr int32_t alt = 3;
constexpr int32_t left = 4;
constexpr int32_t right = 5;
constexpr int32_t up = 6;
constexpr int32_t down = 7;
constexpr int32_t escape = 8;  // also the form's back button
constexpr int32_t action = 9;  // Return: the centre key of the joystick; the form's action button
constexpr int32_t space = 10;
constexpr int32_t back_space = 11;
constexpr int32_t del = 12;
constexpr int32_t insert = 13;
constexpr int32_t home = 14;
constexpr int32_t end = 15;
constexpr int32_t page_down = 16;
constexpr int32_t page_up = 17;
constexpr int32_t tab = 18;
constexpr int32_t applications = 19;
constexpr int32_t letter_a = 20;  // 'A'..'Z' are 20..45
constexpr int32_t digit_0 = 46;   // '0'..'9' are 46..55
constexpr int32_t soft_left = 56;   // F3 of a smartphone
constexpr int32_t soft_right = 57;  // F4 of a smartphone
} // namespace key

int32_t key_code_from_virtual(uint32_t virtual_key);

// The base of every visible element of a form. A control belongs to one
// container (never null), reads its geometry and looks from the skin, draws
// through a canvas, takes input from its container and raises events, which
// it passes to its container. The order of the virtual operations is part of
// the interface: application controls override them.
class Control : public Listener {
public:
    // Mode creation_kind takes the text as the kind name, the others as the
    // control's name. Reads the base skin keys, then registers with the
    // parent, which places the control.
    Control(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // Events are handed to the parent container unchanged; the reserved ones
    // and on_focus_changed stop here.
    int32_t on_click(Control* sender) override;
    int32_t on_event_1(Control* sender, std::intptr_t data) override;
    int32_t on_item_click(Control* sender, int32_t column, int32_t row) override;
    int32_t on_event_3(Control* sender, std::intptr_t data) override;
    int32_t on_item_context_click(Control* sender, int32_t column, int32_t row) override;
    int32_t on_event_5(Control* sender, std::intptr_t data) override;
    int32_t on_event_6(Control* sender, std::intptr_t data) override;
    int32_t on_event_7(Control* sender, std::intptr_t data) override;
    int32_t on_event_8(Control* sender, std::intptr_t data) override;
    int32_t on_event_9(Control* sender, int32_t column, int32_t row, bool commit) override;
    int32_t on_event_10(Control* sender, std::intptr_t data) override;
    int32_t on_event_11(Control* sender, std::intptr_t data) override;
    int32_t on_scroll(Control* sender, int32_t position) override;
    int32_t on_menu_command(Control* sender, const std::wstring& command) override;
    int32_t on_slider_moved(Control* sender, double value) override;
    int32_t on_slider_released(Control* sender, double value) override;
    int32_t on_text_changed(Control* sender, const std::wstring& text) override;
    int32_t on_header_click(Control* sender, int32_t column, int32_t row) override;
    int32_t on_header_context_click(Control* sender, int32_t column, int32_t row) override;
    int32_t on_selection_changed(Control* sender) override;
    int32_t on_highlight_changed(Control* sender) override;
    int32_t on_focus_changed(Control* sender) override;
    int32_t on_create_menu(Control* sender, MenuRecord& menu) override;
    int32_t on_popup_closed(Control* sender) override;

    // Unregisters from the parent first.
    ~Control() override;

    virtual void set_z_order(int32_t z_order);
    virtual void set_wants_focus(bool wants);
    virtual bool wants_focus() const;
    // 1 when the control gave a native window the device's focus.
    virtual int32_t set_native_focus();
    virtual void on_got_focus();
    virtual void on_lost_focus();
    virtual void on_visible_changed(bool visible);
    virtual bool get_gestures(plat::POINT point);
    virtual void on_enabled_changed(bool enabled);
    // Draws the focus picture while the control has the focus of an active container.
    virtual void paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size);
    virtual plat::HCURSOR get_cursor();
    virtual bool hit_test(plat::POINT point);
    virtual void on_mouse_enter();
    virtual void on_mouse_move(plat::POINT point);
    virtual void on_mouse_leave();
    virtual void on_mouse_down(plat::POINT point, bool double_click);
    virtual void on_mouse_up(plat::POINT point, bool double_click);
    virtual void on_context_down(plat::POINT point, bool flag);
    virtual void on_context_up(plat::POINT point, bool flag);
    virtual void on_button3_down(plat::POINT point, bool flag);
    virtual void on_button3_up(plat::POINT point, bool flag);
    // The wheel turned over the control by steps notches (the device's delta
    // / 120, positive away from the user); non-zero when used.
    virtual int32_t on_wheel(plat::POINT point, int32_t steps);
    virtual int32_t on_char(const std::wstring& text);
    virtual int32_t on_key_down(int32_t code);
    virtual int32_t on_key_up(int32_t code);
    virtual void on_timer_elapsed();
    // Calls on_timer_elapsed for the control's own timer id only.
    virtual void on_timer(int32_t id);
    virtual void set_rect(plat::POINT position, plat::POINT size);
    virtual plat::POINT get_preferred_size();
    virtual void load_skin();
    // The inner container of a control that holds one (a panel); else null.
    virtual Container* get_container();

    Container* get_parent() const { return parent_; }
    Form* get_form() const;
    Properties* get_properties() const;
    std::wstring translate(std::wstring_view key) const;
    std::wstring translate(std::wstring_view key, std::wstring_view default_text) const;
    void take_focus();
    bool is_focused() const;
    // Effective states: the own flag and the parent's.
    bool is_visible() const;
    bool is_enabled() const;
    // Adds the control's rectangle to the form window's dirty region while it and its parent are visible.
    void invalidate();
    void set_visible(bool visible);
    void set_enabled(bool enabled);
    // Repeats the state notifications after the parent's visibility or enabled state changed.
    void refresh_visible();
    void refresh_enabled();
    // A form window timer of seconds x 1000 ms replacing the previous own timer.
    void start_timer(int32_t seconds);
    void stop_timer();
    // key::shift, key::control or key::alt held.
    bool is_modifier_pressed(int32_t code) const;

    // Typed skin getters for this control: the parent's form name and the
    // control's name, or an empty form name and the kind for creation_kind.
    SkinColour get_color_property(std::wstring_view key, const SkinColour& default_value) const;
    std::wstring get_string_property(std::wstring_view key, std::wstring_view default_value) const;
    int32_t get_int_property(std::wstring_view key, int32_t default_value) const;
    int32_t get_scaled_int_property(std::wstring_view key, int32_t default_value) const;
    plat::POINT get_point_property(std::wstring_view key, plat::POINT default_value) const;
    plat::HCURSOR get_cursor_property(std::wstring_view key, plat::HCURSOR default_value) const;
    Picture get_picture_property(std::wstring_view key, const Picture& default_value) const;
    Font get_font_property(std::wstring_view key, const Font& default_value) const;

    int get_creation_mode() const { return creation_mode_; }
    const std::wstring& get_name() const { return name_; }
    const std::wstring& get_kind() const { return kind_; }
    int32_t get_z_order() const { return z_order_; }
    int32_t get_tab_order() const { return tab_order_; }
    int32_t get_anchor_x() const { return anchor_x_; }
    int32_t get_anchor_y() const { return anchor_y_; }
    plat::POINT get_position() const { return position_; }
    plat::POINT get_size() const { return size_; }
    plat::POINT get_skin_position() const { return skin_position_; }
    plat::POINT get_skin_size() const { return skin_size_; }
    int32_t get_timer_id() const { return timer_id_; }
    bool is_own_visible() const { return visible_; }
    bool is_own_enabled() const { return enabled_; }
    const Picture& get_focus_picture() const { return focus_picture_; }

protected:
    void set_gestures(bool gestures) { gestures_ = gestures; }
    // A key the control does not support: reported when the skin sets it.
    void check_unsupported(std::wstring_view key, bool string_form) const;
    // Whether the skin gives the key a value of any type.
    bool has_property(std::wstring_view key) const;

private:
    std::wstring_view lookup_form() const;
    std::wstring_view lookup_name() const;
    // The rectangle to the form's dirty region, whatever the visibility.
    void add_dirty() const;

    Container* parent_ = nullptr;
    int creation_mode_ = creation_named;
    std::wstring name_;
    std::wstring kind_;
    plat::HCURSOR cursor_ = nullptr;
    int32_t z_order_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    bool wants_focus_ = true;
    int32_t anchor_x_ = anchor_min_side;
    int32_t anchor_y_ = anchor_min_side;
    plat::POINT position_;
    plat::POINT size_;
    plat::POINT skin_position_;
    plat::POINT skin_size_;
    Picture focus_picture_;
    int32_t timer_id_ = 0;
    int32_t tab_order_ = 0;
    bool gestures_ = false;
};

} // namespace skinner
