#include "skinner/PowerManager.h"

#include "skinner/Capabilities.h"
#include "skinner/Form.h"
#include "base/Log.h"
#include "plat/Messages.h"
#include "plat/Paint.h"
#include "plat/System.h"
#include "plat/Window.h"

namespace skinner {
namespace {

PowerManager::DisplayEscape g_escape = plat::ext_escape;

// One escape on the screen's context.
int screen_escape(int escape, int input_size, const void* input, int output_size, void* output) {
    plat::HDC dc = plat::get_dc(nullptr);
    const int result = g_escape(dc, escape, input_size, input, output_size, output);
    plat::release_dc(nullptr, dc);
    return result;
}

} // namespace

PowerManager::DisplayEscape PowerManager::set_display_escape(DisplayEscape escape) {
    const DisplayEscape previous = g_escape;
    g_escape = escape ? escape : plat::ext_escape;
    return previous;
}

void PowerManagerImpl::set_display_on(bool) {}
bool PowerManagerImpl::is_display_on() { return true; }

PowerManagerImplPocket::PowerManagerImplPocket(Form* form) : PowerManagerImpl(form) {
    attach(form->get_window());
    timer_id_ = form->start_timer(1);
}

PowerManagerImplPocket::~PowerManagerImplPocket() {
    form_->kill_timer(timer_id_);
    detach();
}

bool PowerManagerImplPocket::escape_supported() const {
    const int escape = plat::SETPOWERMANAGEMENT;
    return screen_escape(plat::QUERYESCSUPPORT, sizeof(escape), &escape, 0, nullptr) > 0;
}

void PowerManagerImplPocket::set_display_on(bool on) {
    if (!escape_supported())
        return;
    VideoPowerManagement record;
    record.power_state = on ? video_power_on : video_power_off;
    screen_escape(plat::SETPOWERMANAGEMENT, sizeof(record), &record, 0, nullptr);
    if (on)
        activity_.restart();
}

bool PowerManagerImplPocket::is_display_on() {
    if (!escape_supported())
        return true;
    VideoPowerManagement record;
    // A state that cannot be read says nothing about the display: count it as on,
    // so a wake-up is never lost.
    if (screen_escape(plat::GETPOWERMANAGEMENT, 0, nullptr, sizeof(record), &record) <= 0)
        return true;
    return record.power_state == video_power_on;
}

plat::LRESULT PowerManagerImplPocket::handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM,
                                                     bool&) {
    if (message == plat::WM_LBUTTONDOWN || message == plat::WM_KEYDOWN) {
        liba::get_log() << L"PowerManagerImpl interesting message\n";
        set_display_on(true);
        activity_.restart();
    } else if (message == plat::WM_TIMER && timer_id_ != 0 && wparam == plat::WPARAM(timer_id_)) {
        if (plat::get_foreground_window() != get_window() || !is_display_on())
            activity_.restart();
    }
    return 0;
}

PowerManager::PowerManager(Form* form) {
    if (is_smartphone())
        impl_ = std::make_unique<PowerManagerImpl>(form);
    else
        impl_ = std::make_unique<PowerManagerImplPocket>(form);
}

PowerManager::~PowerManager() = default;

bool PowerManager::is_display_on() { return impl_->is_display_on(); }

} // namespace skinner
