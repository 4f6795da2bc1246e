#pragma once
#include "plat/Font.h"
#include "plat/MessageBox.h"
#include "plat/Window.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace plat::ui {

// The handler that shows each message box as a drawn, modal window; the
// screen installs it with set_message_box_handler.
MessageBoxHandler drawn_message_box_handler();

// A message box drawn as a top-level window of ours: caption, wrapped text
// and the type's buttons, centred in the work area and owned by the caller's
// top-level window, which stays disabled while the box runs its own loop.
// Enter answers the focused button (the default one at first), Escape the
// type's cancel answer, Left/Right/Tab move between buttons and a tap on a
// button answers it. Keys held when the box opens count only from their next
// press. WM_QUIT answers the default and is posted again for the outer loop.
class MessageBoxWindow {
public:
    MessageBoxWindow(HWND owner, std::wstring_view text, std::wstring_view caption, uint32_t type);
    ~MessageBoxWindow();
    MessageBoxWindow(const MessageBoxWindow&) = delete;
    MessageBoxWindow& operator=(const MessageBoxWindow&) = delete;

    // Shows the box and runs its loop until it is answered.
    int run();

    // Test seams: the innermost box running on the calling thread (or null),
    // its window, and its buttons in screen coordinates.
    static MessageBoxWindow* running();
    HWND window() const { return window_; }
    size_t button_count() const { return buttons_.size(); }
    RECT button_screen_rect(size_t index) const;
    size_t focused_button() const { return focus_; }

private:
    struct Button {
        int answer = 0;
        RECT rect;  // client coordinates
    };

    static LRESULT procedure(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(uint32_t message, WPARAM wparam, LPARAM lparam);
    void lay_out();
    void paint();
    void on_key_down(uint32_t key);
    void move_focus(size_t to);
    int button_at(POINT point) const;
    // The answer Escape gives, 0 when the type has none.
    int escape_answer() const;
    void finish(int answer);

    HWND owner_ = nullptr;
    std::wstring text_;
    std::wstring caption_;
    uint32_t type_ = 0;
    int scale_ = 1;
    HFONT caption_font_ = nullptr;
    HFONT text_font_ = nullptr;
    HWND window_ = nullptr;
    RECT frame_;  // the box in screen coordinates
    int caption_height_ = 0;
    int line_height_ = 0;
    std::vector<std::wstring> lines_;
    std::vector<Button> buttons_;
    size_t focus_ = 0;
    int pressed_ = -1;                    // the button a tap went down on
    std::array<bool, 256> held_at_open_{};  // keys down when the box opened, until released
    bool done_ = false;
    int answer_ = 0;
    MessageBoxWindow* outer_ = nullptr;
};

} // namespace plat::ui
