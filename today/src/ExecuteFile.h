#pragma once
#include <string_view>

namespace os {

// Starts a device program with its arguments (path macros expanded in both)
// and does not wait for it; the start is logged. False when the path is
// empty or nothing started.
bool execute_file(std::wstring_view path, std::wstring_view arguments);

} // namespace os
