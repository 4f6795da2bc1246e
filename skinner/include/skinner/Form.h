#pragma once
#include "skinner/Container.h"
#include "skinner/FormImplHolder.h"
#include "skinner/Picture.h"
#include "plat/Gdi.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace skinner {

class Control;
class FormImpl;
class Properties;

// Placement codes of the skin keys "StartPosition", "StartPositionX" and "StartPositionY".
namespace start_position {
constexpr int32_t skin_point = 0;       // at the form's "Position"
constexpr int32_t centre_work_area = 1;
constexpr int32_t centre_reference = 2;  // on the parent form, else the work area
constexpr int32_t fill_work_area = 3;
constexpr int32_t work_area_start = 4;
constexpr int32_t work_area_end = 5;
constexpr int32_t keep = 6;             // the form is never moved
} // namespace start_position

// What the form's action and back buttons offer: the form holds them
// pressed while key 9 (action) or 8 (back) is down.
class HoldableButton {
public:
    virtual ~HoldableButton() = default;
    virtual void set_held(bool held) = 0;
};

// A top-level screen: a container with a native window (FormImpl) that
// paints it and feeds it input, run modally with do_modal. Forms nest on
// the one GUI thread; while a form opened from another is modal, the other
// forms are disabled.
class Form : public FormImplHolder, public FormServices, public Container {
public:
    // Opened from parent (the current modal form when null).
    Form(Form* parent, Properties* properties, std::wstring_view form_name, Listener* listener = nullptr);
    // Over a window object made by the caller.
    Form(std::unique_ptr<FormImpl> impl, Properties* properties, std::wstring_view form_name,
         Listener* listener = nullptr);
    ~Form() override;

    void reload_skin() override;
    // Code 8 and 9 press the back and action buttons when nothing else took them.
    int32_t on_key_down(int32_t code) override;
    int32_t on_key_up(int32_t code) override;

    // Places and sizes the window by the start-position codes.
    virtual void update_position();
    // 0 keeps the form open on WM_CLOSE.
    virtual int32_t can_close();
    // A later start of the program handed over its command line.
    virtual void on_other_instance_started(const std::wstring& command_line);
    virtual void on_picture_failed_to_load(const Picture& picture);

    // FormServices.
    Form* as_form() override { return this; }
    void invalidate(plat::POINT position, plat::POINT size) override;
    int32_t start_timer(int32_t seconds) override;
    void kill_timer(int32_t id) override;
    void message_box(std::wstring_view caption, std::wstring_view text) override;
    bool is_key_pressed(int32_t code) override;
    plat::HWND get_window() override;
    void set_cursor(plat::HCURSOR cursor) override;

    // Runs the form until it closes (or the program quits).
    void do_modal();
    // The message loop alone: until this form's close arrives, or the quit
    // request (then false, and the request stands for the loops outside).
    bool run_plain_loop();
    void show(bool visible);
    void close();
    void repaint_all();
    plat::POINT get_window_position();
    void set_window_rect(plat::POINT position, plat::POINT size);
    void bring_to_front();
    void register_menu_main(Control* control);
    void unregister_menu_main(Control* control);
    void set_input_panel(bool up);
    // The menu bar is built again at the next rebuild.
    void mark_menu_dirty();

    void set_action_button(Control* button) { action_button_ = button; }
    void set_back_button(Control* button) { back_button_ = button; }
    Control* get_action_button() const { return action_button_; }
    Control* get_back_button() const { return back_button_; }
    Control* get_menu_main() const { return menu_main_; }
    Form* get_parent_form() const { return parent_form_; }
    const Picture& get_background() const { return background_; }
    bool is_modal() const { return modal_; }
    bool is_full_screen() const { return full_screen_; }
    void set_full_screen(bool full_screen) { full_screen_ = full_screen; }

    // A close request reached a loop for this form's window.
    void mark_close_pending() { close_pending_ = true; }

    // The form running do_modal now (null when none), and every live form in creation order.
    static Form* modal_form();
    static const std::vector<Form*>& all_forms();
    static bool is_alive(const Form* form);
    // The framework's full-screen mode: the modal form's wish.
    static bool full_screen_mode();
    // The work area of the framework: the screen below the task-bar band,
    // less a second band for the menu bar; the whole screen in full-screen mode.
    static plat::RECT work_area();

protected:
    // Escape holds the back button and the action key the action button; false without one.
    bool hold_key_button(int32_t code, bool down);

private:
    void construct();
    // The skin gives the form a "Size" (its reference size is not 0 x 0).
    bool has_own_size() const;
    bool take_close_pending();
    static void set_full_screen_mode(bool full_screen);

    Control* action_button_ = nullptr;
    Control* back_button_ = nullptr;
    bool modal_ = false;
    Form* parent_form_ = nullptr;
    Control* menu_main_ = nullptr;
    Picture background_;
    int32_t start_position_ = 0;
    int32_t start_position_x_ = 0;
    int32_t start_position_y_ = 0;
    bool full_screen_ = false;
    bool first_position_ = true;
    bool close_pending_ = false;
};

} // namespace skinner
