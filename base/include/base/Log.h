#pragma once
#include "base/TextStream.h"
#include "plat/Messages.h"

#include <string_view>

namespace liba {

// The process-wide trace log. The registry value "Log" (DWORD) of
// "HKEY_CURRENT_USER\Software\QEVA" is read on every call: non-zero writes to
// "%app_full_name%.txt" (switching it on again starts a new, empty file), 0 or
// missing discards. Write to the result at once; never keep it.
TextOStream<wchar_t>& get_log();

// The system's one fatal path, for broken invariants: logs "Gluck: MESSAGE @
// PLACE", writes the same line to standard error, shows a message box (text
// MESSAGE, caption PLACE) and ends the process with exit code 70 without
// running destructors.
[[noreturn]] void report_error(std::wstring_view place, std::wstring_view message);

// The owner window of the fatal report's message box; the application object
// sets it (base does not know the GUI framework). Null means no owner.
using MainWindowQuery = plat::HWND (*)();
void set_main_window_query(MainWindowQuery query);

constexpr int fatal_exit_code = 70;

} // namespace liba
