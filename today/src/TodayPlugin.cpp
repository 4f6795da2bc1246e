#include "TodayPlugin.h"

#include "FormMain.h"
#include "FormMainTodayImpl.h"

#include "base/Path.h"
#include "base/Scheduler.h"
#include "os/Application.h"
#include "skinner/Properties.h"
#include "plat/System.h"
#include "plat/Window.h"

TodayFormHolder::TodayFormHolder(plat::HWND window) : properties_(std::make_unique<skinner::Properties>()) {
    properties_->load_skin(liba::expand_path_macros(skin_path), skinner::get_screen_size());
    form_ = std::make_unique<FormMain>(std::make_unique<FormMainTodayImpl>(window), properties_.get(), form_name);
}

// The form goes before the skin it reads. A window the screen destroyed
// already has ended the form's subclassing: nothing is detached twice.
TodayFormHolder::~TodayFormHolder() { form_.reset(); }

std::wstring TodayPlugin::class_name() { return std::wstring(os::Application::class_prefix) + item_name; }

TodayPlugin::TodayPlugin(void* instance)
    : instance_(instance), application_(std::make_unique<os::Application>(instance)) {
    plat::unregister_class(class_name());  // one left from an earlier load
    register_window_class();
}

TodayPlugin::~TodayPlugin() {
    holder_.reset();
    plat::unregister_class(class_name());
    // The scheduler's window class names a procedure of this library: it
    // must not outlive the library, or the next load would reach freed code.
    std::wstring scheduler_class;
    if (CActiveScheduler* scheduler = os::Application::get_scheduler())
        scheduler_class = plat::get_class_name(scheduler->window());
    instance_ = nullptr;
    application_.reset();
    if (!scheduler_class.empty())
        plat::unregister_class(scheduler_class);
}

// The class's procedure is the device's own, never one of this library:
// an item window may outlive the library.
void TodayPlugin::register_window_class() {
    plat::WindowClass window_class;
    window_class.procedure = plat::def_window_proc;
    window_class.instance = instance_;
    window_class.name = class_name();
    plat::register_class(window_class);
}

plat::HWND TodayPlugin::create_item_window(plat::HWND parent) {
    holder_.reset();
    const std::wstring name = class_name();
    plat::HWND window = plat::create_window(0, name, name, plat::WS_CHILD | plat::WS_VISIBLE, plat::CW_USEDEFAULT,
                                            plat::CW_USEDEFAULT, plat::get_system_metrics(plat::SM_CXSCREEN), 0,
                                            parent, 0, instance_, nullptr);
    if (!window)
        return nullptr;
    plat::set_window_proc(window, plat::def_window_proc);
    holder_ = std::make_unique<TodayFormHolder>(window);
    return window;
}
