#include "ui/MessageBoxWindow.h"

#include "plat/Input.h"
#include "plat/Paint.h"
#include "plat/Screen.h"
#include "plat/System.h"
#include "ui/WindowManager.h"

#include <algorithm>

namespace plat::ui {
namespace {

constexpr wchar_t class_name[] = L"ChimelyMessageBox";

// Sizes at 96 dots per inch; high-resolution screens double them.
constexpr int font_pixels = 12;
constexpr int margin = 6;
constexpr int screen_margin = 8;  // kept free around the box inside the work area
constexpr int caption_padding = 3;
constexpr int button_padding = 4;
constexpr int button_label_padding = 12;
constexpr int button_min_width = 56;
constexpr int button_gap = 6;

constexpr COLORREF background_colour = rgb(255, 255, 255);
constexpr COLORREF frame_colour = rgb(0, 0, 0);
constexpr COLORREF caption_colour = rgb(0x1F, 0x4E, 0x8C);
constexpr COLORREF caption_text_colour = rgb(255, 255, 255);
constexpr COLORREF text_colour = rgb(0, 0, 0);
constexpr COLORREF button_colour = rgb(0xE4, 0xE4, 0xE4);
constexpr COLORREF pressed_colour = rgb(0x9C, 0x9C, 0x9C);

thread_local MessageBoxWindow* g_running = nullptr;

const wchar_t* label_of(int answer) {
    switch (answer) {
    case IDOK: return L"OK";
    case IDCANCEL: return L"Cancel";
    case IDABORT: return L"Abort";
    case IDRETRY: return L"Retry";
    case IDIGNORE: return L"Ignore";
    case IDYES: return L"Yes";
    case IDNO: return L"No";
    default: return L"";
    }
}

int text_width(HDC dc, std::wstring_view text) {
    SIZE size;
    return get_text_extent(dc, text, size) ? size.cx : 0;
}

// Lines no wider than `width`: paragraphs at line breaks, then words; a word
// wider than the line is cut between characters.
std::vector<std::wstring> wrap(HDC dc, std::wstring_view text, int width) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = std::min(text.find(L'\n', start), text.size());
        std::wstring_view paragraph = text.substr(start, end - start);
        if (!paragraph.empty() && paragraph.back() == L'\r')
            paragraph.remove_suffix(1);
        std::wstring line;
        size_t at = 0;
        bool any = false;
        while (at < paragraph.size()) {
            size_t space = std::min(paragraph.find(L' ', at), paragraph.size());
            std::wstring word(paragraph.substr(at, space - at));
            at = space + 1;
            while (!word.empty()) {
                std::wstring candidate = line.empty() ? word : line + L' ' + word;
                if (text_width(dc, candidate) <= width) {
                    line = std::move(candidate);
                    break;
                }
                if (!line.empty()) {
                    lines.push_back(std::move(line));
                    line.clear();
                    any = true;
                    continue;
                }
                size_t cut = 1;
                while (cut < word.size() && text_width(dc, std::wstring_view(word).substr(0, cut + 1)) <= width)
                    ++cut;
                lines.push_back(word.substr(0, cut));
                word.erase(0, cut);
                any = true;
            }
        }
        if (!line.empty() || !any)
            lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

void frame_rect(HDC dc, const RECT& r, int thickness, COLORREF colour) {
    fill_rect(dc, {r.left, r.top, r.right, r.top + thickness}, colour);
    fill_rect(dc, {r.left, r.bottom - thickness, r.right, r.bottom}, colour);
    fill_rect(dc, {r.left, r.top, r.left + thickness, r.bottom}, colour);
    fill_rect(dc, {r.right - thickness, r.top, r.right, r.bottom}, colour);
}

HFONT make_font(int scale, int weight) {
    LogFont font;
    font.height = -font_pixels * scale;
    font.weight = weight;
    font.face_name = L"Tahoma";
    return create_font(font);
}

} // namespace

MessageBoxHandler drawn_message_box_handler() {
    return [](HWND owner, std::wstring_view text, std::wstring_view caption, uint32_t type) {
        MessageBoxWindow box(owner, text, caption, type);
        return box.run();
    };
}

MessageBoxWindow::MessageBoxWindow(HWND owner, std::wstring_view text, std::wstring_view caption, uint32_t type)
    : owner_(owner ? top_level_of(owner) : nullptr), text_(text), caption_(caption), type_(type) {
    scale_ = std::max(1, screen_profile().dpi_y / 96);
    caption_font_ = make_font(scale_, FW_BOLD);
    text_font_ = make_font(scale_, FW_NORMAL);
    for (int answer : message_box_buttons(type))
        buttons_.push_back(Button{answer, {}});
    focus_ = default_message_box_button(type);
    answer_ = default_message_box_answer(type);
}

MessageBoxWindow::~MessageBoxWindow() {
    if (window_ && is_window(window_))
        destroy_window(window_);
    delete_font(caption_font_);
    delete_font(text_font_);
}

MessageBoxWindow* MessageBoxWindow::running() { return g_running; }

RECT MessageBoxWindow::button_screen_rect(size_t index) const {
    if (index >= buttons_.size())
        return {};
    const RECT& r = buttons_[index].rect;
    return {frame_.left + r.left, frame_.top + r.top, frame_.left + r.right, frame_.top + r.bottom};
}

void MessageBoxWindow::lay_out() {
    const int s = scale_;
    const RECT work = work_area();
    HDC dc = create_compatible_dc(nullptr);
    select_font(dc, caption_font_);
    SIZE line;
    get_text_extent(dc, L"Ag", line);
    caption_height_ = line.cy + 2 * caption_padding * s;
    const int caption_width = text_width(dc, caption_);
    select_font(dc, text_font_);
    get_text_extent(dc, L"Ag", line);
    line_height_ = line.cy;

    const int most_inner = std::max(1, int(work.right - work.left) - 2 * (screen_margin + margin) * s);
    const int count = int(buttons_.size());
    const int button_height = line_height_ + 2 * button_padding * s;
    // Buttons share one width; on a narrow screen the least width gives way.
    int button_width = std::min(button_min_width * s, (most_inner - (count - 1) * button_gap * s) / count);
    for (const Button& b : buttons_)
        button_width = std::max(button_width, text_width(dc, label_of(b.answer)) + button_label_padding * s);
    // The buttons may take the screen margin too; failing that, they share the width.
    const int widest_row = std::max(1, int(work.right - work.left) - 2 * margin * s);
    if (count * button_width + (count - 1) * button_gap * s > widest_row)
        button_width = std::max(1, (widest_row - (count - 1) * button_gap * s) / count);
    const int row_width = count * button_width + (count - 1) * button_gap * s;

    lines_ = wrap(dc, text_, most_inner);
    int inner = std::max(row_width, caption_width);
    for (const std::wstring& l : lines_)
        inner = std::max(inner, text_width(dc, l));
    inner = std::min(inner, std::max(most_inner, row_width));
    delete_dc(dc);

    // Lines that do not fit the work area are dropped, so the buttons stay on screen.
    const int most_height = int(work.bottom - work.top) - 2 * screen_margin * s;
    const int fixed = caption_height_ + 3 * margin * s + button_height;
    const size_t fitting = size_t(std::max(0, (most_height - fixed) / std::max(1, line_height_)));
    if (lines_.size() > fitting)
        lines_.resize(std::max<size_t>(fitting, 1));

    const int width = inner + 2 * margin * s;
    const int height = fixed + int(lines_.size()) * line_height_;
    const int left = work.left + (int(work.right - work.left) - width) / 2;
    const int top = work.top + (int(work.bottom - work.top) - height) / 2;
    frame_ = {left, top, left + width, top + height};

    int x = (width - row_width) / 2;
    const int y = height - margin * s - button_height;
    for (Button& b : buttons_) {
        b.rect = {x, y, x + button_width, y + button_height};
        x += button_width + button_gap * s;
    }
}

int MessageBoxWindow::run() {
    register_class(WindowClass{0, &MessageBoxWindow::procedure, nullptr, 0, 0, 0, class_name});
    lay_out();
    for (uint32_t key = 1; key < held_at_open_.size(); ++key)
        held_at_open_[key] = get_async_key_state(key) < 0;

    const HWND previous_focus = get_focus();
    const HWND previous_foreground = get_foreground_window();
    create_window(0, class_name, caption_, WS_POPUP, frame_.left, frame_.top, frame_.right - frame_.left,
                  frame_.bottom - frame_.top, owner_, 0, nullptr, this);
    if (!window_)
        return answer_;
    const bool disable_owner = owner_ && is_window_enabled(owner_);
    if (disable_owner)
        enable_window(owner_, false);
    show_window(window_, SW_SHOW);
    set_foreground_window(window_);
    set_focus(window_);

    outer_ = g_running;
    g_running = this;
    bool quit = false;
    WPARAM exit_code = 0;
    MSG msg;
    while (!done_) {
        const int got = get_message(msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            exit_code = msg.wparam;
            answer_ = default_message_box_answer(type_);
            break;
        }
        if (got < 0)
            break;
        translate_message(msg);
        dispatch_message(msg);
    }
    g_running = outer_;

    // The owner comes back before the box goes, so activation returns to it.
    if (disable_owner && is_window(owner_))
        enable_window(owner_, true);
    if (previous_foreground && is_window(previous_foreground))
        set_foreground_window(previous_foreground);
    if (previous_focus && is_window(previous_focus))
        set_focus(previous_focus);
    if (window_ && is_window(window_))
        destroy_window(window_);
    window_ = nullptr;
    if (quit)
        post_quit_message(int(exit_code));
    return answer_;
}

LRESULT MessageBoxWindow::procedure(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* box = static_cast<MessageBoxWindow*>(reinterpret_cast<const CreateStruct*>(lparam)->create_params);
        set_window_long(window, GWL_USERDATA, reinterpret_cast<std::intptr_t>(box));
        box->window_ = window;
    }
    auto* box = reinterpret_cast<MessageBoxWindow*>(get_window_long(window, GWL_USERDATA));
    return box ? box->handle(message, wparam, lparam) : def_window_proc(window, message, wparam, lparam);
}

LRESULT MessageBoxWindow::handle(uint32_t message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT:
        paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        on_key_down(uint32_t(wparam & 0xFF));
        return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        held_at_open_[wparam & 0xFF] = false;
        return 0;
    case WM_LBUTTONDOWN:
        pressed_ = button_at(lparam_point(lparam));
        if (pressed_ >= 0) {
            set_capture(window_);
            invalidate_rect(window_, nullptr, false);
        }
        return 0;
    case WM_LBUTTONUP: {
        const int down = pressed_;
        if (down < 0)
            return 0;
        pressed_ = -1;
        release_capture();
        invalidate_rect(window_, nullptr, false);
        if (button_at(lparam_point(lparam)) == down)
            finish(buttons_[size_t(down)].answer);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (pressed_ >= 0) {
            pressed_ = -1;
            invalidate_rect(window_, nullptr, false);
        }
        return 0;
    case WM_CLOSE:
        if (escape_answer())
            finish(escape_answer());
        return 0;
    case WM_DESTROY:
        // Destroyed from outside (its owner went): the loop ends with the default.
        done_ = true;
        return 0;
    case WM_NCDESTROY:
        set_window_long(window_, GWL_USERDATA, 0);
        window_ = nullptr;
        return 0;
    default:
        return def_window_proc(window_, message, wparam, lparam);
    }
}

void MessageBoxWindow::on_key_down(uint32_t key) {
    if (held_at_open_[key])
        return;
    const size_t count = buttons_.size();
    switch (key) {
    case VK_RETURN: finish(buttons_[focus_].answer); break;
    case VK_ESCAPE:
        if (escape_answer())
            finish(escape_answer());
        break;
    case VK_LEFT: move_focus((focus_ + count - 1) % count); break;
    case VK_RIGHT:
    case VK_TAB: move_focus((focus_ + 1) % count); break;
    default: break;
    }
}

void MessageBoxWindow::move_focus(size_t to) {
    if (to == focus_)
        return;
    focus_ = to;
    invalidate_rect(window_, nullptr, false);
}

int MessageBoxWindow::button_at(POINT point) const {
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i].rect.contains(point.x, point.y))
            return int(i);
    return -1;
}

int MessageBoxWindow::escape_answer() const {
    const std::vector<int>& buttons = message_box_buttons(type_);
    if (std::find(buttons.begin(), buttons.end(), IDCANCEL) != buttons.end())
        return IDCANCEL;
    switch (type_ & MB_TYPEMASK) {
    case MB_YESNO: return IDNO;
    case MB_OK: return IDOK;
    default: return 0;  // abort, retry or ignore must be chosen
    }
}

void MessageBoxWindow::finish(int answer) {
    answer_ = answer;
    done_ = true;
}

void MessageBoxWindow::paint() {
    PAINTSTRUCT ps;
    HDC dc = begin_paint(window_, ps);
    if (!dc) {
        validate_rect(window_, nullptr);  // else the paint would come back at once
        return;
    }
    const int s = scale_;
    const RECT client{0, 0, frame_.right - frame_.left, frame_.bottom - frame_.top};
    fill_rect(dc, client, background_colour);
    fill_rect(dc, {0, 0, client.right, caption_height_}, caption_colour);
    frame_rect(dc, client, s, frame_colour);

    set_bk_mode(dc, TRANSPARENT);
    select_font(dc, caption_font_);
    set_text_color(dc, caption_text_colour);
    RECT caption{margin * s, 0, client.right - margin * s, caption_height_};
    draw_text(dc, caption_, caption, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);

    select_font(dc, text_font_);
    set_text_color(dc, text_colour);
    int y = caption_height_ + margin * s;
    for (const std::wstring& line : lines_) {
        RECT r{margin * s, y, client.right - margin * s, y + line_height_};
        draw_text(dc, line, r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        y += line_height_;
    }

    for (size_t i = 0; i < buttons_.size(); ++i) {
        RECT r = buttons_[i].rect;
        fill_rect(dc, r, int(i) == pressed_ ? pressed_colour : button_colour);
        // The focused button, which Enter answers, has the heavier frame.
        frame_rect(dc, r, i == focus_ ? 2 * s : s, frame_colour);
        draw_text(dc, label_of(buttons_[i].answer), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    end_paint(window_, ps);
}

} // namespace plat::ui
