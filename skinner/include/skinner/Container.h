#pragma once
#include "skinner/Canvas.h"
#include "skinner/Listener.h"
#include "skinner/Picture.h"
#include "plat/Gdi.h"
#include "plat/Input.h"
#include "plat/Messages.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skinner {

class Control;
class Form;
class Properties;

// What a container and its controls ask of the form whose window shows
// them. skinner::Form provides it (derive from it first, before Container,
// so that the pointer handed to the Container constructor is ready); tests
// use a stand-in.
class FormServices {
public:
    virtual ~FormServices() = default;
    // The form itself; null for a stand-in.
    virtual Form* as_form() = 0;
    // Adds (position, size), in form coordinates, to the window's dirty region.
    virtual void invalidate(plat::POINT position, plat::POINT size) = 0;
    // A window timer of seconds x 1000 ms with a fresh id (ids start at 1).
    virtual int32_t start_timer(int32_t seconds) = 0;
    // kill_timer(0) does nothing.
    virtual void kill_timer(int32_t id) = 0;
    // A message box owned by the form window, OK button only.
    virtual void message_box(std::wstring_view caption, std::wstring_view text) = 0;
    // key::shift, key::control or key::alt held (the device's key state).
    virtual bool is_key_pressed(int32_t code) = 0;
    virtual plat::HWND get_window() = 0;
    // The window's cursor; the container passes the arrow for a control without one.
    virtual void set_cursor(plat::HCURSOR cursor) = 0;
};

// Pointer kinds of the container's pointer operations.
constexpr int pointer_tap = 0;
constexpr int pointer_third = 1;  // never produced by the form window
constexpr int pointer_hold = 2;   // tap-and-hold
constexpr int pointer_kinds = 3;

// The controls of one skin form: creates those the skin lists, keeps all
// children in z-order (first bottom-most, last top-most; equal z-orders in
// registration order), lays them out by their anchors, routes pointer input
// to the child under the pointer and keys to its one focused child, moves
// focus, and passes its children's events to its listener. A form is a
// container with a window; a panel embeds one. A container is not a control.
class Container : public Listener {
public:
    // Mode creation_kind takes the text as the kind name, the others as the
    // form name; reads the reference size ("Size", on a smartphone
    // "SizeNoButtons" when present). The owner then calls create_controls.
    Container(FormServices* form, Properties* properties, std::wstring_view name_or_kind, int creation_mode,
              Listener* listener);
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;

    // Events go to the listener unchanged (0 without one); the reserved ones stop here.
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

    virtual void set_focused_child(Control* child, bool flag = false);
    virtual bool is_focused_child(const Control* child) const;
    virtual void activate(bool active, bool flag = false);
    // Deletes the last registered child until none is left (children
    // unregister themselves and may delete others).
    ~Container() override;
    // Stores the rectangle, then lays out every child in order.
    virtual void set_rect(plat::POINT position, plat::POINT size);
    // Re-creates the skin's controls and reloads every child's skin keys.
    virtual void reload_skin();
    virtual int32_t on_char(const std::wstring& text);
    // The focused child first; then down / up / Tab move focus (wrapping).
    virtual int32_t on_key_down(int32_t code);
    virtual int32_t on_key_up(int32_t code);
    virtual void on_timer(int32_t id);

    // Builds the controls of the skin form's control list through the
    // control factory; unknown kinds and unreadable entries are skipped.
    void create_controls();
    // The skin form whose controls reload_skin creates from then on.
    void set_name(std::wstring_view name) { name_ = name; }
    // Fatal for a second child of the same non-empty name.
    void register_control(Control* control);
    void unregister_control(Control* control);
    // True when some child has focus afterwards.
    bool focus_next(bool forward);
    void sort_children();
    int32_t set_native_focus();
    bool is_active() const { return active_; }
    plat::POINT get_needed_size();
    bool hit_any(plat::POINT point);
    bool has_gestures_at(plat::POINT point);
    // Pointer input in form coordinates, kinds pointer_tap, pointer_third, pointer_hold.
    void pointer_down(int kind, plat::POINT point, bool double_click);
    void pointer_up(int kind, plat::POINT point, bool flag);
    void pointer_move(plat::POINT point);
    void pointer_left();
    // The wheel (steps = the device's delta / 120) to the captured child, else
    // to the top-most visible child under the point; non-zero when used.
    int32_t pointer_wheel(plat::POINT point, int32_t steps);
    void paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size);

    // Own visibility and enabled state; children's effective states include them.
    void set_visible(bool visible);
    void set_enabled(bool enabled);
    bool is_visible() const { return visible_; }
    bool is_enabled() const { return enabled_; }

    // Getters on the container's own skin node (the chosen form, or the kind).
    int32_t get_int_property(std::wstring_view key, int32_t default_value) const;
    plat::POINT get_point_property(std::wstring_view key, plat::POINT default_value) const;
    Picture get_picture_property(std::wstring_view key, const Picture& default_value) const;

    Properties* get_properties() const { return properties_; }
    Form* get_form() const;
    FormServices* get_form_services() const { return form_; }
    Listener* get_listener() const { return listener_; }
    void set_listener(Listener* listener) { listener_ = listener; }
    int get_creation_mode() const { return creation_mode_; }
    const std::wstring& get_name() const { return name_; }
    const std::wstring& get_kind() const { return kind_; }
    plat::POINT get_reference_size() const { return reference_size_; }
    plat::POINT get_position() const { return position_; }
    plat::POINT get_size() const { return size_; }
    plat::POINT get_last_pointer() const { return last_pointer_; }
    Control* get_focused_child() const { return focused_; }
    Control* get_hovered_child() const { return hovered_; }
    Control* get_captured_child() const { return captured_; }
    const std::vector<Control*>& get_children() const { return children_; }

private:
    void read_reference_size();
    void layout(Control& control);
    Control* child_at(plat::POINT point) const;  // top-most effectively visible child under the point
    void set_hovered(Control* child);
    void release_capture();

    int creation_mode_ = 0;
    Properties* properties_ = nullptr;
    std::wstring name_;
    std::wstring kind_;
    plat::POINT reference_size_;
    plat::POINT position_;
    plat::POINT size_;
    plat::POINT last_pointer_;
    bool visible_ = true;
    bool enabled_ = true;
    Listener* listener_ = nullptr;
    FormServices* form_ = nullptr;
    std::vector<Control*> children_;
    std::vector<Control*> auto_children_;
    Control* focused_ = nullptr;
    bool active_ = false;
    Control* hovered_ = nullptr;
    Control* captured_ = nullptr;
    std::array<bool, pointer_kinds> pressed_{};
};

} // namespace skinner
