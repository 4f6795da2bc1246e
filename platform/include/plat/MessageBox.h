#pragma once
#include "plat/Messages.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The device's message box. Without a screen it records the box and answers
// at once with its default button; a screen installs a handler that shows it.
namespace plat {

// Buttons (the low four bits of the type).
constexpr uint32_t MB_OK = 0x0000;
constexpr uint32_t MB_OKCANCEL = 0x0001;
constexpr uint32_t MB_ABORTRETRYIGNORE = 0x0002;
constexpr uint32_t MB_YESNOCANCEL = 0x0003;
constexpr uint32_t MB_YESNO = 0x0004;
constexpr uint32_t MB_RETRYCANCEL = 0x0005;
constexpr uint32_t MB_TYPEMASK = 0x000F;
// Icons.
constexpr uint32_t MB_ICONHAND = 0x0010;
constexpr uint32_t MB_ICONQUESTION = 0x0020;
constexpr uint32_t MB_ICONEXCLAMATION = 0x0030;
constexpr uint32_t MB_ICONASTERISK = 0x0040;
// Default button.
constexpr uint32_t MB_DEFBUTTON1 = 0x0000;
constexpr uint32_t MB_DEFBUTTON2 = 0x0100;
constexpr uint32_t MB_DEFBUTTON3 = 0x0200;
constexpr uint32_t MB_DEFMASK = 0x0F00;
constexpr uint32_t MB_APPLMODAL = 0x0000;
constexpr uint32_t MB_SETFOREGROUND = 0x00010000;
constexpr uint32_t MB_TOPMOST = 0x00040000;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

struct MessageBoxRecord {
    HWND owner = nullptr;
    std::wstring text;
    std::wstring caption;
    uint32_t type = 0;
    int answer = 0;
};

using MessageBoxHandler =
    std::function<int(HWND owner, std::wstring_view text, std::wstring_view caption, uint32_t type)>;

// Shows (or, without a handler, answers) the box; every box is recorded.
int message_box(HWND owner, std::wstring_view text, std::wstring_view caption, uint32_t type);
// Installs the handler that shows boxes; an empty one goes back to answering
// at once. Returns the previous handler.
MessageBoxHandler set_message_box_handler(MessageBoxHandler handler);
// The answers of a box type's buttons, left to right (an unknown type has OK only).
const std::vector<int>& message_box_buttons(uint32_t type);
// The index of the default button in message_box_buttons (the first when the type names none it has).
size_t default_message_box_button(uint32_t type);
// The default button of a box type: the answer given without a screen.
int default_message_box_answer(uint32_t type);
// The boxes shown so far in this process, oldest first.
std::vector<MessageBoxRecord> shown_message_boxes();

} // namespace plat
