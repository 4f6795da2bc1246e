#include "ui/controls/NativeEdit.h"

#include "plat/Input.h"
#include "plat/Paint.h"
#include "ui/controls/ControlWindow.h"

#include <algorithm>

namespace plat::ui::controls {
namespace {

using Window = ControlWindow<NativeEdit>;

// Sizes at 96 dots per inch.
constexpr int padding = 3;
constexpr int caret_width = 1;

constexpr COLORREF read_only_colour = rgb(0xEC, 0xEC, 0xEC);

// The Back key the shell hands over: its key in the high word, the release bit in the low one.
constexpr uint32_t back_key = 0x1B;
constexpr LPARAM hot_key_release = 0x1000;
constexpr wchar_t backspace_character = 8;
constexpr wchar_t delete_character = 127;

// The class is there before anything else runs, as the device's own edit is.
[[maybe_unused]] const bool registered = (NativeEdit::register_class(), true);

} // namespace

void NativeEdit::register_class() { Window::register_class_once(EDIT_CLASS); }

NativeEdit::NativeEdit(HWND window, const CreateStruct& create) : window_(window), text_(create.name) {
    scale_ = screen_scale();
    font_ = make_font(scale_, FW_NORMAL);
    measure_dc_ = create_compatible_dc(nullptr);
    select_font(measure_dc_, font_);
}

NativeEdit::~NativeEdit() {
    delete_dc(measure_dc_);
    delete_font(font_);
}

bool NativeEdit::read_only() const { return (get_window_long(window_, GWL_STYLE) & ES_READONLY) != 0; }

// set_window_text stores only the title; the edit takes it over as its text.
void NativeEdit::adopt_title() {
    std::wstring title = get_window_text(window_);
    if (title == text_)
        return;
    text_ = std::move(title);
    caret_ = anchor_ = 0;
    invalidate_rect(window_, nullptr, false);
}

void NativeEdit::changed() {
    set_window_text(window_, text_);
    invalidate_rect(window_, nullptr, false);
    if (HWND parent = get_parent(window_)) {
        const WPARAM id = WPARAM(get_window_long(window_, GWL_ID)) & 0xFFFF;
        send_message(parent, WM_COMMAND, WPARAM(EN_CHANGE) << 16 | id, LPARAM(window_));
    }
}

void NativeEdit::replace_selection(std::wstring_view with) {
    if (read_only())
        return;
    const size_t first = std::min(caret_, anchor_), last = std::max(caret_, anchor_);
    std::wstring text = text_.substr(0, first);
    text += with;
    text += text_.substr(last);
    caret_ = anchor_ = first + with.size();
    invalidate_rect(window_, nullptr, false);
    if (text == text_)
        return;
    text_ = std::move(text);
    changed();
}

void NativeEdit::set_text(std::wstring_view text) {
    caret_ = anchor_ = 0;
    scroll_ = 0;
    invalidate_rect(window_, nullptr, false);
    if (text == text_)
        return;
    text_ = text;
    changed();
}

void NativeEdit::move_caret(size_t to, bool extend) {
    caret_ = std::min(to, text_.size());
    if (!extend)
        anchor_ = caret_;
    invalidate_rect(window_, nullptr, false);
}

void NativeEdit::backspace() {
    if (read_only())
        return;
    if (caret_ == anchor_) {
        if (caret_ == 0)
            return;
        anchor_ = caret_ - 1;
    }
    replace_selection(L"");
}

void NativeEdit::delete_forward() {
    if (read_only())
        return;
    if (caret_ == anchor_) {
        if (caret_ == text_.size())
            return;
        anchor_ = caret_ + 1;
    }
    replace_selection(L"");
}

// Control characters never enter the line; in the numbers mode only digits do.
void NativeEdit::type(std::wstring_view typed) {
    std::wstring kept;
    for (wchar_t c : typed)
        if (c >= L' ' && c != delete_character && (!numbers_ || (c >= L'0' && c <= L'9')))
            kept += c;
    if (!kept.empty())
        replace_selection(kept);
}

void NativeEdit::key_down(uint32_t key) {
    const bool extend = shift_held();
    switch (key) {
    case VK_LEFT: move_caret(caret_ ? caret_ - 1 : 0, extend); break;
    case VK_RIGHT: move_caret(caret_ + 1, extend); break;
    case VK_HOME: move_caret(0, extend); break;
    case VK_END: move_caret(text_.size(), extend); break;
    case VK_DELETE: delete_forward(); break;
    default: break;  // Backspace comes as its character
    }
}

void NativeEdit::set_selection(std::intptr_t anchor, std::intptr_t caret) {
    const size_t length = text_.size();
    caret_ = caret < 0 ? length : std::min(size_t(caret), length);
    anchor_ = anchor < 0 ? caret_ : std::min(size_t(anchor), length);
    invalidate_rect(window_, nullptr, false);
}

int NativeEdit::x_of(size_t index) const {
    return text_width(measure_dc_, std::wstring_view(text_).substr(0, std::min(index, text_.size())));
}

// The boundary between characters nearest to x (text coordinates).
size_t NativeEdit::index_at(int x) const {
    size_t best = 0;
    int best_distance = std::abs(x);
    for (size_t i = 1; i <= text_.size(); ++i) {
        const int distance = std::abs(x_of(i) - x);
        if (distance < best_distance) {
            best = i;
            best_distance = distance;
        }
    }
    return best;
}

RECT NativeEdit::text_area() const {
    RECT client;
    get_client_rect(window_, client);
    const int b = (get_window_long(window_, GWL_STYLE) & WS_BORDER) ? scale_ : 0;
    const int inset = b + padding * scale_;
    return {inset, b, std::max(inset, int(client.right) - inset), client.bottom - b};
}

// Scrolls as little as keeps the caret in view, and no further than the text needs.
void NativeEdit::scroll_to_caret() {
    const RECT area = text_area();
    const int width = area.right - area.left, caret = x_of(caret_), room = caret_width * scale_;
    if (caret - scroll_ > width - room)
        scroll_ = caret - width + room;
    if (caret < scroll_)
        scroll_ = caret;
    scroll_ = std::max(0, std::min(scroll_, x_of(text_.size()) + room - width));
}

LRESULT NativeEdit::handle(uint32_t message, WPARAM wparam, LPARAM lparam) {
    adopt_title();
    switch (message) {
    case WM_PAINT: paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_KEYDOWN: key_down(uint32_t(wparam)); return 0;
    case WM_CHAR:
        if (wchar_t(wparam) == backspace_character)
            backspace();
        else
            type(std::wstring(1, wchar_t(wparam)));
        return 0;
    case WM_IME_COMPOSITION:
        if (lparam & GCS_RESULTSTR)
            type(get_composition_result(window_));
        return 0;
    case WM_HOTKEY:
        if (((uint32_t(lparam) >> 16) & 0xFFFF) == back_key && !(lparam & hot_key_release))
            backspace();
        return 0;
    case WM_LBUTTONDOWN:
        if (get_focus() != window_)
            set_focus(window_);
        move_caret(index_at(lparam_point(lparam).x - text_area().left + scroll_), shift_held());
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
        invalidate_rect(window_, nullptr, false);
        return 0;
    case WM_SETTEXT:
        set_text(lparam ? std::wstring_view(reinterpret_cast<const wchar_t*>(lparam)) : std::wstring_view());
        return 1;
    case WM_GETTEXT: {
        if (!lparam || wparam == 0)
            return 0;
        auto* buffer = reinterpret_cast<wchar_t*>(lparam);
        const size_t count = std::min(text_.size(), size_t(wparam) - 1);
        std::copy_n(text_.begin(), count, buffer);
        buffer[count] = L'\0';
        return LRESULT(count);
    }
    case WM_GETTEXTLENGTH: return LRESULT(text_.size());
    case EM_GETSEL: {
        const uint32_t first = uint32_t(std::min(caret_, anchor_)), last = uint32_t(std::max(caret_, anchor_));
        if (wparam)
            *reinterpret_cast<uint32_t*>(wparam) = first;
        if (lparam)
            *reinterpret_cast<uint32_t*>(lparam) = last;
        return LRESULT(first & 0xFFFF) | LRESULT(last & 0xFFFF) << 16;
    }
    case EM_SETSEL: set_selection(std::intptr_t(wparam), lparam); return 0;
    case EM_SETREADONLY: {
        const std::intptr_t style = get_window_long(window_, GWL_STYLE);
        set_window_long(window_, GWL_STYLE, wparam ? style | ES_READONLY : style & ~std::intptr_t(ES_READONLY));
        invalidate_rect(window_, nullptr, false);
        return 1;
    }
    case EM_SETINPUTMODE: numbers_ = lparam == EIM_NUMBERS; return 1;
    default: return def_window_proc(window_, message, wparam, lparam);
    }
}

void NativeEdit::paint() {
    PAINTSTRUCT ps;
    HDC dc = begin_paint(window_, ps);
    if (!dc) {
        validate_rect(window_, nullptr);
        return;
    }
    const int s = scale_;
    RECT client;
    get_client_rect(window_, client);
    const bool enabled = is_window_enabled(window_);
    fill_rect(dc, client, enabled && !read_only() ? field_colour : read_only_colour);
    if (get_window_long(window_, GWL_STYLE) & WS_BORDER)
        frame_rect(dc, client, s, frame_colour);

    scroll_to_caret();
    const RECT area = text_area();
    select_clip_rect(dc, &area);
    set_bk_mode(dc, TRANSPARENT);
    select_font(dc, font_);
    SIZE line;
    get_text_extent(dc, L"Ag", line);
    const int top = (client.bottom - line.cy) / 2;
    const int origin = area.left - scroll_;
    const bool focused = get_focus() == window_;
    const size_t first = std::min(caret_, anchor_), last = std::max(caret_, anchor_);
    const bool selection = focused && first != last;
    // Before, inside and after the selection, each at its own prefix's width.
    auto draw_piece = [&](size_t from, size_t to, COLORREF colour) {
        if (from >= to)
            return;
        set_text_color(dc, colour);
        RECT r{origin + x_of(from), top, origin + x_of(to) + 1, top + line.cy};
        draw_text(dc, std::wstring_view(text_).substr(from, to - from), r,
                  DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    };
    const COLORREF text = enabled ? text_colour : disabled_text_colour;
    if (selection) {
        fill_rect(dc, {origin + x_of(first), top, origin + x_of(last), top + line.cy}, highlight_colour);
        draw_piece(0, first, text);
        draw_piece(first, last, highlight_text_colour);
        draw_piece(last, text_.size(), text);
    } else {
        draw_piece(0, text_.size(), text);
    }
    if (focused) {
        const int x = origin + x_of(caret_);
        fill_rect(dc, {x, top, x + caret_width * s, top + line.cy}, text_colour);
    }
    select_clip_rect(dc, nullptr);
    end_paint(window_, ps);
}

} // namespace plat::ui::controls
