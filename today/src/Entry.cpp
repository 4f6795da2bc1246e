// The library's two entries; everything else in it is hidden.
#include "TodayPlugin.h"

#include "today/TodayShell.h"

#include <memory>

namespace {

std::unique_ptr<TodayPlugin> g_plugin;

} // namespace

extern "C" __attribute__((visibility("default"))) int today_dll_main(void* instance, uint32_t reason, void*) {
    if (reason == today::reason_process_attach) {
        g_plugin.reset();
        g_plugin = std::make_unique<TodayPlugin>(instance);
    } else if (reason == today::reason_process_detach) {
        g_plugin.reset();
    }
    return 1;
}

extern "C" __attribute__((visibility("default"))) plat::HWND today_initialize_custom_item(today::TodayListItem*,
                                                                                           plat::HWND parent) {
    return g_plugin ? g_plugin->create_item_window(parent) : nullptr;
}
