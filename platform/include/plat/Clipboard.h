#pragma once
#include "plat/Messages.h"

#include <string>
#include <string_view>

// The clipboard of Unicode text, used the device's way: open, empty, set or
// get, close. With the SDL screen it is the desktop's clipboard; headless it
// lives in the process. It hands over text, not memory: a text ends at its
// first zero character, and an empty clipboard answers an empty text.
namespace plat {

// One opener at a time: false (ERROR_ACCESS_DENIED) while it is open.
bool open_clipboard(HWND owner);
bool close_clipboard();
// These three need the clipboard open (else false, ERROR_ACCESS_DENIED).
bool empty_clipboard();
bool set_clipboard_text(std::wstring_view text);
// False when it is not open or holds no text (the text is then empty).
bool get_clipboard_text(std::wstring& text);

} // namespace plat
