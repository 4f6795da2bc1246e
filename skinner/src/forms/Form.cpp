#include "skinner/Form.h"

#include "skinner/Capabilities.h"
#include "skinner/Control.h"
#include "skinner/FormImpl.h"
#include "skinner/Properties.h"
#include "base/Log.h"
#include "base/Stopwatch.h"
#include "plat/Input.h"
#include "plat/MessageBox.h"
#include "plat/Screen.h"
#include "plat/System.h"
#include "plat/Window.h"

#include <algorithm>

namespace skinner {
namespace {

// Window style bits that the first two placement values of a form set; with
// those values at zero they are always cleared.
constexpr std::intptr_t placement_style_bits = 0x00010000 | 0x00020000;

std::vector<Form*> g_forms;
Form* g_modal = nullptr;
bool g_full_screen = false;
int32_t g_last_timer_id = 0;

std::vector<Container*> form_containers() { return {g_forms.begin(), g_forms.end()}; }

plat::HWND owner_window(Form* parent) {
    Form* owner = parent ? parent : g_modal;
    return owner ? owner->get_window() : nullptr;
}

void log_elapsed(const wchar_t* text) { liba::get_log() << liba::seconds_since_start() << text; }

struct Axis {
    int32_t position = 0;
    int32_t extent = 0;
};

// One axis of update_position; any other code leaves the axis as it is.
Axis place(int32_t code, Axis current, int32_t needed, int32_t skin, Axis work, Axis reference) {
    switch (code) {
    case start_position::skin_point: return {skin, needed};
    case start_position::centre_work_area: return {work.position + (work.extent - needed) / 2, needed};
    case start_position::centre_reference: return {reference.position + (reference.extent - needed) / 2, needed};
    case start_position::fill_work_area: return {work.position, std::max(needed, work.extent)};
    case start_position::work_area_start: return {work.position, needed};
    case start_position::work_area_end: return {work.position + work.extent - needed, needed};
    default: return current;
    }
}

// A disabled window hands the call to the first enabled window it owns.
bool bring_window_to_front(plat::HWND window) {
    if (plat::is_window_enabled(window))
        return plat::set_foreground_window(window);
    std::vector<plat::HWND> owned;
    plat::enum_windows([&](plat::HWND other) {
        if (plat::get_owner(other) == window)
            owned.push_back(other);
        return true;
    });
    for (plat::HWND other : owned)
        if (bring_window_to_front(other))
            return true;
    return false;
}

} // namespace

Form::Form(Form* parent, Properties* properties, std::wstring_view form_name, Listener* listener)
    : FormImplHolder(std::make_unique<FormImpl>(owner_window(parent), false, true)),
      Container(this, properties, form_name, creation_named, listener) {
    parent_form_ = parent ? parent : g_modal;
    construct();
}

Form::Form(std::unique_ptr<FormImpl> impl, Properties* properties, std::wstring_view form_name, Listener* listener)
    : FormImplHolder(std::move(impl)), Container(this, properties, form_name, creation_named, listener) {
    parent_form_ = g_modal;
    construct();
}

void Form::construct() {
    impl_->set_form(this);
    g_forms.push_back(this);
    Properties::set_form_list(form_containers);
    background_ = get_picture_property(L"Background", Picture());
    start_position_ = get_int_property(L"StartPosition", 0);
    start_position_x_ = get_int_property(L"StartPositionX", start_position_);
    start_position_y_ = get_int_property(L"StartPositionY", start_position_);
    // The window's first WM_SIZE came before the form was attached to it; a
    // form without a size of its own takes the window's.
    if (!has_own_size()) {
        plat::RECT client;
        plat::get_client_rect(get_window(), client);
        set_rect({0, 0}, {client.right - client.left, client.bottom - client.top});
    }
    update_position();
    repaint_all();
    mark_menu_dirty();
    create_controls();
}

Form::~Form() {
    // The children go while the form is whole: their destructors still reach
    // it (menu items leave the menu list, the main menu unregisters).
    while (!get_children().empty())
        delete get_children().back();
    g_forms.erase(std::remove(g_forms.begin(), g_forms.end(), this), g_forms.end());
    if (g_modal == this)
        g_modal = nullptr;
    background_ = Picture();
    // Messages of the window's last moments no longer reach this form.
    impl_->set_form(nullptr);
}

void Form::reload_skin() {
    Container::reload_skin();
    background_ = get_picture_property(L"Background", Picture());
    start_position_ = get_int_property(L"StartPosition", 0);
    start_position_x_ = get_int_property(L"StartPositionX", start_position_);
    start_position_y_ = get_int_property(L"StartPositionY", start_position_);
    update_position();
    repaint_all();
    mark_menu_dirty();
    set_rect(get_position(), get_size());
}

int32_t Form::on_key_down(int32_t code) {
    if (int32_t handled = Container::on_key_down(code))
        return handled;
    return hold_key_button(code, true) ? 1 : 0;
}

int32_t Form::on_key_up(int32_t code) {
    if (int32_t handled = Container::on_key_up(code))
        return handled;
    return hold_key_button(code, false) ? 1 : 0;
}

bool Form::hold_key_button(int32_t code, bool down) {
    Control* button = code == key::escape ? back_button_ : code == key::action ? action_button_ : nullptr;
    if (!button)
        return false;
    if (auto* holdable = dynamic_cast<HoldableButton*>(button))
        holdable->set_held(down);
    return true;
}

void Form::update_position() {
    const plat::POINT needed = get_needed_size();
    const plat::POINT current = get_size();
    const plat::POINT size{std::max(current.x, needed.x), std::max(current.y, needed.y)};
    const plat::POINT position = get_window_position();
    const plat::POINT skin = get_point_property(L"Position", {0, 0});
    // A form without a size of its own is as large as its window: it is never placed.
    if (start_position_x_ == start_position::keep || start_position_y_ == start_position::keep ||
        !has_own_size() || (current.x == 0 && current.y == 0))
        return;
    const plat::RECT work = work_area();
    plat::RECT reference = work;
    if (parent_form_ && is_alive(parent_form_))
        plat::get_window_rect(parent_form_->get_window(), reference);
    const Axis x = place(start_position_x_, {position.x, size.x}, needed.x, skin.x,
                         {work.left, work.right - work.left}, {reference.left, reference.right - reference.left});
    const Axis y = place(start_position_y_, {position.y, size.y}, needed.y, skin.y,
                         {work.top, work.bottom - work.top}, {reference.top, reference.bottom - reference.top});
    set_window_rect({x.position, y.position}, {x.extent, y.extent});
    first_position_ = false;
}

int32_t Form::can_close() { return 1; }

void Form::on_other_instance_started(const std::wstring&) { bring_to_front(); }

void Form::on_picture_failed_to_load(const Picture& picture) {
    if (!parent_form_) {
        const PictureRep* rep = picture.get_rep();
        const std::wstring text = L"name=" + picture.get_name() + L"\nscale=" + std::to_wstring(rep ? rep->scale : 1) +
                                  L"\nbase_path=" + picture.get_source_path();
        message_box(get_properties()->translate_or(L"on_picture_failed_to_load", L"Out of memory"), text);
    }
    if (modal_)
        close();
    if (parent_form_ && is_alive(parent_form_))
        parent_form_->on_picture_failed_to_load(picture);
}

void Form::invalidate(plat::POINT position, plat::POINT size) { impl_->invalidate(position, size); }

int32_t Form::start_timer(int32_t seconds) {
    const int32_t id = ++g_last_timer_id;
    plat::set_timer(get_window(), std::uintptr_t(id), uint32_t(std::max(seconds, 0)) * 1000u);
    return id;
}

void Form::kill_timer(int32_t id) {
    if (id)
        plat::kill_timer(get_window(), std::uintptr_t(id));
}

void Form::message_box(std::wstring_view caption, std::wstring_view text) {
    plat::message_box(get_window(), text, caption, plat::MB_OK);
}

bool Form::is_key_pressed(int32_t code) {
    const uint32_t virtual_key = code == key::shift     ? plat::VK_SHIFT
                                 : code == key::control ? plat::VK_CONTROL
                                 : code == key::alt     ? plat::VK_MENU
                                                        : 0;
    return virtual_key && plat::get_key_state(virtual_key) < 0;
}

plat::HWND Form::get_window() { return impl_->window(); }

void Form::set_cursor(plat::HCURSOR cursor) { plat::set_cursor(cursor); }

void Form::do_modal() {
    Form* previous = g_modal;
    g_modal = this;
    modal_ = true;
    close_pending_ = false;
    log_elapsed(L" Form::do_modal: 1\n");
    log_elapsed(L" Form::do_modal: 2\n");
    set_full_screen_mode(full_screen_);
    activate(true);
    log_elapsed(L" Form::do_modal: 3\n");

    std::vector<Form*> disabled;
    if (parent_form_) {
        for (Form* other : std::vector<Form*>(g_forms)) {
            if (other == this || other->impl_->is_popup() || !plat::is_window_enabled(other->get_window()))
                continue;
            disabled.push_back(other);
            plat::enable_window(other->get_window(), false);
        }
    }
    // A press that opened this form leaves the pointer captured by the form
    // below; the modal form must get the taps.
    plat::HWND capture = plat::get_capture();
    if (capture && capture != get_window())
        plat::release_capture();
    if (menu_main_)
        impl_->menu_manager().rebuild(*this);

    run_plain_loop();

    for (Form* other : disabled)
        if (is_alive(other))
            plat::enable_window(other->get_window(), true);
    if (parent_form_ && is_alive(parent_form_) && plat::is_window_visible(parent_form_->get_window()))
        parent_form_->bring_to_front();
    activate(false);
    modal_ = false;
    g_modal = previous && is_alive(previous) ? previous : nullptr;
    if (!g_modal) {
        set_full_screen_mode(false);
    } else {
        if (g_modal->menu_main_)
            g_modal->mark_menu_dirty();
        set_full_screen_mode(g_modal->full_screen_);
    }
}

bool Form::run_plain_loop() {
    const bool smartphone = is_smartphone();
    plat::MSG msg;
    for (;;) {
        const int got = plat::get_message(msg, nullptr, 0, 0);
        if (got == 0) {
            // The request stands for the loops outside this one.
            plat::post_quit_message(int(msg.wparam));
            return false;
        }
        if (got < 0)
            return false;
        plat::translate_message(msg);
        plat::dispatch_message(msg);
        if (!smartphone && (msg.message == plat::WM_KEYDOWN || msg.message == plat::WM_SYSKEYDOWN)) {
            // One key message with its character, which the translation put next in the queue.
            plat::MSG next;
            plat::LPARAM character = 0;
            if (plat::peek_message(next, nullptr, 0, 0, plat::PM_NOREMOVE) && next.message == plat::WM_CHAR &&
                next.hwnd == msg.hwnd &&
                plat::peek_message(next, msg.hwnd, plat::WM_CHAR, plat::WM_CHAR, plat::PM_REMOVE))
                character = next.wparam >= 32 ? plat::LPARAM(next.wparam) : 0;
            plat::send_message(msg.hwnd, form_message::key_char, msg.wparam, character);
        } else if (!smartphone && msg.message == plat::WM_CHAR) {
            plat::send_message(msg.hwnd, form_message::key_char, msg.wparam,
                               msg.wparam >= 32 ? plat::LPARAM(msg.wparam) : 0);
        }
        if (take_close_pending())
            return true;
    }
}

bool Form::has_own_size() const {
    const plat::POINT own = get_reference_size();
    return own.x != 0 || own.y != 0;
}

bool Form::take_close_pending() { return std::exchange(close_pending_, false); }

void Form::show(bool visible) {
    if (plat::is_window_visible(get_window()) == visible)
        return;
    plat::show_window(get_window(), visible ? plat::SW_SHOW : plat::SW_HIDE);
    invalidate({0, 0}, get_size());
    impl_->menu_manager().set_visible(*this, visible && !full_screen_);
}

void Form::close() {
    if (impl_->is_popup()) {
        // Losing the capture closes a popup; one that lost it already closes at once.
        if (plat::get_capture() == get_window())
            plat::release_capture();
        else
            plat::send_message(get_window(), plat::WM_CLOSE, 0, 0);
        return;
    }
    liba::get_log() << L"Form WM_CLOSE sent\n";
    plat::send_message(get_window(), plat::WM_CLOSE, 0, 0);
}

void Form::repaint_all() { impl_->repaint_all(); }

plat::POINT Form::get_window_position() {
    plat::RECT rect;
    plat::get_window_rect(get_window(), rect);
    return {rect.left, rect.top};
}

void Form::set_window_rect(plat::POINT position, plat::POINT size) {
    plat::HWND window = get_window();
    const std::intptr_t style = plat::get_window_long(window, plat::GWL_STYLE);
    const std::intptr_t wanted = style & ~placement_style_bits;
    if (wanted != style) {
        plat::set_window_long(window, plat::GWL_STYLE, wanted);
        plat::set_window_pos(window, plat::HWND_TOP, 0, 0, 0, 0,
                             plat::SWP_NOMOVE | plat::SWP_NOSIZE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE |
                                 plat::SWP_FRAMECHANGED);
    }
    if (g_full_screen && g_modal == this)
        plat::sh_full_screen(window, plat::SHFS_HIDETASKBAR | plat::SHFS_HIDESIPBUTTON);
    plat::move_window(window, position.x, position.y, size.x, size.y, true);
}

void Form::bring_to_front() { bring_window_to_front(get_window()); }

void Form::register_menu_main(Control* control) {
    if (menu_main_)
        liba::report_error(L"Form::register_menu_main", L"Menu main is already exists");
    menu_main_ = control;
    mark_menu_dirty();
}

void Form::unregister_menu_main(Control* control) {
    if (control != menu_main_)
        liba::report_error(L"Form::unregister_menu_main", L"Menus do not match");
    menu_main_ = nullptr;
    mark_menu_dirty();
}

void Form::set_input_panel(bool up) {
    if (!is_smartphone())
        plat::sh_sip_preference(get_window(), up ? plat::SIP_UP : plat::SIP_DOWN);
}

void Form::mark_menu_dirty() {
    impl_->menu_manager().set_dirty();
    if (menu_main_)
        menu_main_->invalidate();
}

Form* Form::modal_form() { return g_modal; }

const std::vector<Form*>& Form::all_forms() { return g_forms; }

bool Form::is_alive(const Form* form) { return std::find(g_forms.begin(), g_forms.end(), form) != g_forms.end(); }

bool Form::full_screen_mode() { return g_full_screen; }

void Form::set_full_screen_mode(bool full_screen) {
    if (g_full_screen == full_screen)
        return;
    g_full_screen = full_screen;
    for (Form* form : std::vector<Form*>(g_forms))
        if (is_alive(form))
            plat::send_message(form->get_window(), plat::WM_SETTINGCHANGE, setting_full_screen, 0);
}

plat::RECT Form::work_area() {
    const plat::ScreenProfile& profile = plat::screen_profile();
    const int band = g_full_screen ? 0 : plat::band_height(profile);
    // The band counts twice: the bottom one is the menu bar's.
    return {0, band, profile.width, band + profile.height - 2 * band};
}

} // namespace skinner
