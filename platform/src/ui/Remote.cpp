#include "ui/WindowManager.h"

// Placeholder until the hand-over between processes lands: no other process is seen.
namespace plat::ui {
void publish_window(HWND) {}
void withdraw_window(HWND) {}
std::vector<HWND> remote_windows() { return {}; }
std::wstring remote_class_name(HWND) { return {}; }
std::wstring remote_window_text(HWND) { return {}; }
LRESULT remote_send_copy_data(HWND, HWND, const void*) { return 0; }
void set_copy_data_timeout_ms(uint32_t) {}
} // namespace plat::ui
