#include "skinner/FormImpl.h"

#include "skinner/Capabilities.h"
#include "skinner/Control.h"
#include "skinner/Form.h"
#include "skinner/HDCSelector.h"
#include "os/Application.h"
#include "base/Log.h"
#include "base/Registry.h"
#include "plat/Clock.h"
#include "plat/Input.h"
#include "plat/Paint.h"
#include "plat/Text.h"
#include "plat/Window.h"

#include <algorithm>

namespace skinner {
namespace {

constexpr wchar_t settings_key[] = L"HKEY_CURRENT_USER\\Software\\QEVA";

bool any(const std::array<bool, 3>& flags) { return std::find(flags.begin(), flags.end(), true) != flags.end(); }

std::wstring class_name() {
    os::Application* application = os::Application::get_instance();
    return application ? application->get_class_name() : std::wstring(os::Application::class_prefix);
}

void* module_instance() {
    os::Application* application = os::Application::get_instance();
    return application ? application->get_module_instance() : nullptr;
}

std::uintptr_t handle_number(plat::HWND window) { return reinterpret_cast<std::uintptr_t>(window); }

// Whether a window that took or gave the focus is one of this program's.
bool ours(plat::HWND window) {
    return window && plat::is_window(window);
}

} // namespace

FormImpl::FormImpl(plat::HWND owner, bool popup, bool visible) : popup_(popup) {
    uint32_t flicker = 0;
    direct_paint_ = liba::read_registry_dword(settings_key, L"Flicker", flicker) && flicker != 0;
    create_menu_manager();
    plat::WindowClass window_class;
    window_class.style = plat::CS_HREDRAW | plat::CS_VREDRAW | plat::CS_DBLCLKS;
    window_class.procedure = plat::def_window_proc;
    window_class.instance = module_instance();
    window_class.icon = icon_resource;
    window_class.name = class_name();
    plat::register_class(window_class);  // made by the first form already: fine
    uint32_t style = owner ? plat::WS_POPUP : is_smartphone() ? 0 : plat::WS_SYSMENU;
    if (visible)
        style |= plat::WS_VISIBLE;
    style |= plat::WS_CLIPCHILDREN;
    window_ = plat::create_window(0, window_class.name, loading_caption, style, plat::CW_USEDEFAULT,
                                  plat::CW_USEDEFAULT, plat::CW_USEDEFAULT, plat::CW_USEDEFAULT, owner, 0,
                                  window_class.instance, nullptr);
    attach(window_);
}

FormImpl::FormImpl(Existing, plat::HWND window, bool popup, bool owns_window)
    : window_(window), popup_(popup), owns_window_(owns_window) {
    create_menu_manager();
    attach(window_);
}

FormImpl::~FormImpl() {
    detach();
    if (owns_window_ && plat::is_window(window_))
        plat::destroy_window(window_);
    drop_back_buffer();
}

void FormImpl::create_menu_manager() { menu_manager_ = skinner::create_menu_manager(is_smartphone(), is_pocket_pc_new_os()); }

plat::LRESULT FormImpl::handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam, bool& pass_on) {
    if (!form_)
        return 0;
    Form& form = *form_;
    const bool smartphone = is_smartphone();
    plat::LRESULT result = 0;
    switch (message) {
    case plat::WM_SIZE:
        if (wparam != plat::SIZE_MINIMIZED) {
            form.set_rect({0, 0}, {int32_t(uint16_t(lparam)), int32_t(uint16_t(uint32_t(lparam) >> 16))});
            form.repaint_all();
        }
        break;
    case plat::WM_ACTIVATE: {
        const bool active = uint16_t(wparam) != plat::WA_INACTIVE;
        if (smartphone) {
            if (active && form.set_native_focus())
                pass_on = false;
        } else if (active) {
            form.activate(true);
            form.update_position();
            menu_manager_->set_visible(form, plat::is_window_visible(window_) && !form.is_full_screen());
        } else {
            form.activate(false);
        }
        break;
    }
    case plat::WM_SETFOCUS: {
        if (smartphone) {
            plat::HWND old = reinterpret_cast<plat::HWND>(wparam);
            liba::get_log() << L"WM_SETFOCUS hwnd=" << handle_number(window_) << L" old_hwnd=" << handle_number(old)
                            << L" par=" << handle_number(old ? plat::get_parent(old) : nullptr) << L"\n";
            liba::get_log() << (ours(old) ? L"WM_SETFOCUS from us\n" : L"WM_SETFOCUS from another app\n");
        }
        pass_on = false;
        return 0;
    }
    case plat::WM_KILLFOCUS:
        if (smartphone) {
            plat::HWND next = reinterpret_cast<plat::HWND>(wparam);
            liba::get_log() << L"WM_KILLFOCUS hwnd=" << handle_number(window_) << L" new_hwnd=" << handle_number(next)
                            << L" par=" << handle_number(next ? plat::get_parent(next) : nullptr) << L"\n";
            liba::get_log() << (ours(next) ? L"WM_KILLFOCUS to us\n" : L"WM_KILLFOCUS to another app\n");
        }
        break;
    case plat::WM_SHOWWINDOW:
        // A hidden form (the program mostly stays resident hidden) keeps no back buffer; the
        // next paint makes a fresh one and draws it whole.
        if (!wparam)
            drop_back_buffer();
        break;
    case plat::WM_PAINT:
        paint();
        pass_on = false;
        break;
    case plat::WM_CLOSE:
        on_close();
        pass_on = false;
        return 0;
    case plat::WM_ERASEBKGND:
        pass_on = false;
        return 1;
    case plat::WM_SETTINGCHANGE:
    case form_message::setting_change:
        on_settings(wparam);
        break;
    case plat::WM_COPYDATA:
        if (on_copy_data(lparam)) {
            pass_on = false;
            result = 1;
        }
        break;
    case plat::WM_KEYDOWN:
    case plat::WM_SYSKEYDOWN:
        if (smartphone)
            form.on_key_down(key_code_from_virtual(uint32_t(wparam)));
        break;
    case plat::WM_KEYUP:
    case plat::WM_SYSKEYUP:
        form.on_key_up(key_code_from_virtual(uint32_t(wparam)));
        break;
    case plat::WM_CHAR:
        if (smartphone && (wparam & 0xFFFF) >= 32)
            form.on_char(std::wstring(1, wchar_t(wparam & 0xFFFF)));
        break;
    case plat::WM_IME_COMPOSITION:
        if (lparam & plat::GCS_RESULTSTR)
            form.on_char(plat::get_composition_result(window_));
        return 0;
    case plat::WM_COMMAND:
        menu_manager_->on_command(form, wparam, lparam);
        break;
    case plat::WM_TIMER:
        form.on_timer(int32_t(wparam));
        break;
    case plat::WM_INITMENUPOPUP:
        menu_manager_->on_init_menu_popup(form, wparam, lparam);
        break;
    case plat::WM_MOUSEMOVE:
        form.pointer_move(plat::lparam_point(lparam));
        break;
    case plat::WM_LBUTTONDOWN:
        on_button_down(plat::lparam_point(lparam));
        break;
    case plat::WM_LBUTTONUP:
        release(pointer_tap, plat::lparam_point(lparam));
        break;
    case plat::WM_LBUTTONDBLCLK:
        press(pointer_tap, plat::lparam_point(lparam), true);
        break;
    case plat::WM_MOUSEWHEEL:
        on_wheel(wparam, lparam);
        break;
    case plat::WM_CAPTURECHANGED:
        // The capture this window gave up after a release: no press is left to cancel.
        if (releasing_capture_)
            break;
        liba::get_log() << L"WM_CAPTURECHANGED\n";
        release_all();
        if (popup_ && reinterpret_cast<plat::HWND>(lparam) != window_) {
            liba::get_log() << L"ComboForm WM_CLOSE sent\n";
            plat::send_message(window_, plat::WM_CLOSE, 0, 0);
        }
        break;
    case plat::WM_HOTKEY:
        menu_manager_->on_hotkey(form, wparam, lparam);
        break;
    case form_message::key_char:
        if (!smartphone) {
            int32_t taken = 0;
            if (lparam)
                taken = form.on_char(std::wstring(1, wchar_t(lparam)));
            if (!taken)
                form.on_key_down(key_code_from_virtual(uint32_t(wparam)));
        }
        break;
    case form_message::command_line:
        if (!command_lines_.empty()) {
            // The newest text that still waits.
            const std::wstring text = std::move(command_lines_.back());
            command_lines_.pop_back();
            form.on_other_instance_started(text);
        }
        break;
    case form_message::close:
        form.mark_close_pending();
        break;
    default: break;
    }
    if (form_ && form_->get_menu_main())
        menu_manager_->rebuild(*form_);
    return result;
}

void FormImpl::press(int kind, plat::POINT point, bool double_click) {
    if (!any(pressed_) && !popup_)
        plat::set_capture(window_);
    last_point_ = {-1, -1};
    pressed_[size_t(kind)] = true;
    double_click_[size_t(kind)] = double_click;
    if (popup_) {
        plat::RECT client;
        plat::get_client_rect(window_, client);
        if (!client.contains(point.x, point.y)) {
            form_->close();
            return;
        }
    }
    form_->pointer_down(kind, point, double_click);
}

void FormImpl::release(int kind, plat::POINT point) {
    // The release reaches the control before the capture ends, so the tap
    // is a click; the capture change that follows cancels nothing.
    last_point_ = point;
    if (pressed_[size_t(kind)]) {
        pressed_[size_t(kind)] = false;
        form_->pointer_up(kind, point, double_click_[size_t(kind)]);
    }
    if (!popup_ && !any(pressed_) && plat::get_capture() == window_)
        release_own_capture();
}

void FormImpl::release_own_capture() {
    releasing_capture_ = true;
    plat::release_capture();
    releasing_capture_ = false;
}

void FormImpl::release_all() {
    for (size_t kind = 0; kind < pressed_.size(); ++kind) {
        if (!pressed_[kind])
            continue;
        pressed_[kind] = false;
        if (form_)
            form_->pointer_up(int(kind), last_point_, double_click_[kind]);
    }
}

void FormImpl::on_button_down(plat::POINT point) {
    if (form_->has_gestures_at(point)) {
        plat::SHRGINFO info;
        info.hwndClient = window_;
        info.ptDown = point;
        info.dwFlags = plat::SHRG_RETURNCMD;
        if (plat::recognize_gesture(info) == plat::GN_CONTEXTMENU) {
            form_->pointer_down(pointer_hold, point, false);
            form_->pointer_up(pointer_hold, point, false);
            return;
        }
    }
    press(pointer_tap, point, false);
}

void FormImpl::on_wheel(plat::WPARAM wparam, plat::LPARAM lparam) {
    const int32_t steps = int16_t(uint16_t(wparam >> 16)) / plat::WHEEL_DELTA;
    plat::POINT point = plat::lparam_point(lparam);
    plat::screen_to_client(window_, point);
    if (steps)
        form_->pointer_wheel(point, steps);
}

void FormImpl::on_close() {
    liba::get_log() << plat::tick_count() << L" WM_CLOSE received\n";
    if (popup_) {
        Form* parent = form_->get_parent_form();
        if (parent && Form::is_alive(parent))
            plat::set_focus(parent->get_window());
        plat::post_message(window_, form_message::close, 0, 0);
        return;
    }
    if (!form_->can_close())
        return;
    plat::post_message(window_, form_message::close, 0, 0);
    if (plat::HWND owner = plat::get_owner(window_))
        plat::set_foreground_window(owner);
    plat::show_window(window_, plat::SW_HIDE);
}

bool FormImpl::on_copy_data(plat::LPARAM lparam) {
    const auto* data = reinterpret_cast<const plat::COPYDATASTRUCT*>(lparam);
    if (!data || data->dwData != 0 || (!data->lpData && data->cbData != 0))
        return false;
    // UTF-16LE as the sender encoded it; an odd last byte is no character.
    std::wstring text = data->cbData ? plat::from_utf16le(data->lpData, data->cbData & ~uint32_t(1)) : L"";
    if (text.size() > max_command_line)
        text.resize(max_command_line);
    command_lines_.push_back(std::move(text));
    plat::post_message(window_, form_message::command_line, 0, 0);
    return true;
}

void FormImpl::on_settings(plat::WPARAM wparam) {
    if (wparam == setting_screen_reset || wparam == setting_work_area) {
        form_->on_menu_command(nullptr, screen_resolution_command);
        if (form_)
            form_->update_position();
    } else if (wparam == setting_full_screen) {
        form_->update_position();
    }
}

void FormImpl::invalidate(plat::POINT position, plat::POINT size) {
    if (size.x <= 0 || size.y <= 0)
        return;
    if (dirty_size_.x <= 0 || dirty_size_.y <= 0) {
        set_dirty(position, size);
    } else {
        const int32_t left = std::min(position.x, dirty_position_.x);
        const int32_t top = std::min(position.y, dirty_position_.y);
        const int32_t right = std::max(position.x + size.x, dirty_position_.x + dirty_size_.x);
        const int32_t bottom = std::max(position.y + size.y, dirty_position_.y + dirty_size_.y);
        set_dirty({left, top}, {right - left, bottom - top});
    }
    const plat::RECT box{dirty_position_.x, dirty_position_.y, dirty_position_.x + dirty_size_.x,
                         dirty_position_.y + dirty_size_.y};
    plat::invalidate_rect(window_, &box, false);
}

void FormImpl::repaint_all() {
    plat::RECT client;
    plat::get_client_rect(window_, client);
    set_dirty({0, 0}, {client.right, client.bottom});
    drop_back_buffer();
    plat::invalidate_rect(window_, nullptr, false);
}

void FormImpl::drop_back_buffer() {
    plat::delete_bitmap(back_buffer_);
    back_buffer_ = nullptr;
}

void FormImpl::paint() {
    plat::PAINTSTRUCT paint_struct;
    plat::HDC dc = plat::begin_paint(window_, paint_struct);
    plat::RECT client;
    plat::get_client_rect(window_, client);
    // A window of no size has nothing to show and needs no buffer.
    if (dc && !client.empty()) {
        if (direct_paint_) {
            draw(dc, client);
        } else {
            const bool fresh = !back_buffer_;
            if (fresh) {
                back_buffer_ = plat::create_bitmap(client.right, client.bottom);
                set_dirty({0, 0}, {client.right, client.bottom});
            }
            if (back_buffer_) {
                HDCSelector selector(dc, back_buffer_);
                if (fresh)
                    plat::fill_rect(selector.dc(), client, back_buffer_fill);
                draw(selector.dc(), client);
                plat::bit_blt(dc, 0, 0, client.right, client.bottom, selector.dc(), 0, 0, plat::SRCCOPY);
            }
        }
    }
    plat::end_paint(window_, paint_struct);
}

// Draws the dirty region (clipped to the client area) and forgets it.
void FormImpl::draw(plat::HDC dc, const plat::RECT& client) {
    if (dirty_size_.x <= 0 || dirty_size_.y <= 0)
        return;
    const plat::RECT dirty = plat::intersect(
        client, {dirty_position_.x, dirty_position_.y, dirty_position_.x + dirty_size_.x,
                 dirty_position_.y + dirty_size_.y});
    dirty_size_ = {0, 0};
    if (dirty.empty() || !form_)
        return;
    const plat::POINT position{dirty.left, dirty.top};
    const plat::POINT size{dirty.right - dirty.left, dirty.bottom - dirty.top};
    CanvasImpl canvas_impl(dc, position, size);
    Canvas canvas(&canvas_impl);
    form_->get_background().draw_shifted(canvas, {0, 0}, form_->get_size());
    form_->paint(canvas, position, size);
}

} // namespace skinner
