#include "skinner/controls/ControlEdit.h"

#include "skinner/Capabilities.h"
#include "skinner/Container.h"
#include "skinner/Form.h"
#include "skinner/controls/ControlEditNativeImpl.h"
#include "base/Log.h"
#include "plat/Clipboard.h"
#include "plat/Menu.h"
#include "plat/Text.h"
#include "plat/Window.h"

#include <algorithm>
#include <array>

namespace skinner {

namespace {

// Blink timers sit on the form window beside the form's own, far above its ids.
constexpr uint32_t first_blink_timer = 0x7E000000;
uint32_t g_last_blink_timer = first_blink_timer;

bool is_word_char(wchar_t c) { return plat::is_alpha(c) || plat::is_digit(c); }

} // namespace

ControlEdit::ControlEdit(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : Control(parent, name_or_kind, creation_mode) {
    text_ = get_string_property(L"Text", L"");
    read_skin();
    FormServices* form = get_parent()->get_form_services();
    if (self_drawn() && form && form->get_window()) {
        blink_timer_ = ++g_last_blink_timer;
        plat::set_timer(form->get_window(), blink_timer_, blink_tick_ms);
    }
}

ControlEdit::~ControlEdit() {
    FormServices* form = get_parent()->get_form_services();
    if (blink_timer_ && form && form->get_window())
        plat::kill_timer(form->get_window(), blink_timer_);
}

void ControlEdit::load_skin() {
    Control::load_skin();
    read_skin();
}

void ControlEdit::read_skin() {
    border_min_ = get_point_property(L"BorderMin", {0, 0});
    border_max_ = get_point_property(L"BorderMax", border_min_);
    normal_picture_ = get_picture_property(L"Normal", Picture());
    normal_font_ = get_font_property(L"Normal", Font());
    normal_colour_ = get_color_property(L"Normal", SkinColour{});
    highlighted_picture_ = get_picture_property(L"Highlighted", normal_picture_);
    disabled_picture_ = get_picture_property(L"Disabled", normal_picture_);
    disabled_font_ = get_font_property(L"Disabled", normal_font_);
    disabled_colour_ = get_color_property(L"Disabled", SkinColour{});
    readonly_picture_ = get_picture_property(L"Readonly", disabled_picture_);
    readonly_font_ = get_font_property(L"Readonly", disabled_font_);
    readonly_colour_ = get_color_property(L"Readonly", disabled_colour_);
    selection_picture_ = get_picture_property(L"Selection", normal_picture_);
    selection_colour_ = get_color_property(L"Selection", SkinColour{});
    highlighted_focused_picture_ = get_picture_property(L"HighlightedFocused", highlighted_picture_);
    normal_focused_picture_ = get_picture_property(L"NormalFocused", normal_picture_);
    selection_focused_colour_ = get_color_property(L"SelectionFocused", SkinColour{});
    read_only_ = get_int_property(L"Readonly", read_only_ ? 1 : 0) != 0;
    caret_width_ = 1;
    check_unsupported(L"InputMode", true);
    if (has_property(L"PasswordChar"))
        if (FormServices* form = get_parent()->get_form_services())
            form->message_box(L"PasswordChar", L"Unsupported");

    impl_.reset();
    if (is_smartphone())
        impl_ = std::make_unique<ControlEditNativeImpl>(this);
    else
        impl_ = std::make_unique<ControlEditImpl>();
    impl_->set_rect(get_position(), get_size());
    impl_->set_input_mode(input_mode_);
    impl_->set_read_only(read_only_);
    impl_->set_text(text_);
    impl_->set_visible(is_visible());
    clamp_selection();
}

ControlEdit::State ControlEdit::state() const {
    if (read_only_)
        return {&readonly_picture_, &readonly_font_, &readonly_colour_};
    if (!is_enabled())
        return {&disabled_picture_, &disabled_font_, &disabled_colour_};
    const bool focused = is_focused();
    if (get_parent()->get_hovered_child() == this)
        return {focused ? &highlighted_focused_picture_ : &highlighted_picture_, &normal_font_, &normal_colour_};
    return {focused ? &normal_focused_picture_ : &normal_picture_, &normal_font_, &normal_colour_};
}

std::wstring ControlEdit::shown_text() const {
    return password_char_ ? std::wstring(text_.size(), password_char_) : text_;
}

void ControlEdit::rebuild_char_ends() {
    const std::wstring shown = shown_text();
    const Font& font = *state().font;
    char_ends_.resize(shown.size());
    for (size_t i = 0; i < shown.size(); ++i)
        char_ends_[i] = font.get_text_extent(std::wstring_view(shown).substr(0, i + 1)).x;
}

int32_t ControlEdit::prefix_width(int32_t count) const {
    if (count <= 0 || char_ends_.empty())
        return 0;
    return char_ends_[size_t(std::min<int32_t>(count, int32_t(char_ends_.size())) - 1)];
}

int32_t ControlEdit::char_at(plat::POINT point) {
    // Built from the text and font as they are now, not as last painted.
    rebuild_char_ends();
    const int32_t x = point.x - (get_position().x + border_min_.x + scroll_x_);
    if (x < 0)
        return 0;
    for (size_t i = 0; i < char_ends_.size(); ++i) {
        const int32_t before = i == 0 ? 0 : char_ends_[i - 1];
        if ((before + char_ends_[i]) / 2 > x)
            return int32_t(i);
    }
    return int32_t(text_.size());
}

void ControlEdit::fix_scroll() {
    rebuild_char_ends();
    const int32_t inner = get_size().x - border_min_.x - border_max_.x;
    const int32_t room = inner - caret_width_;
    const int32_t total = prefix_width(int32_t(text_.size()));
    scroll_x_ = std::max(scroll_x_, room - total);
    const int32_t caret_x = prefix_width(caret_);
    if (caret_x + scroll_x_ > room)
        scroll_x_ = room - caret_x;
    if (caret_x + scroll_x_ < 0)
        scroll_x_ = -caret_x;
    scroll_x_ = std::min(scroll_x_, 0);
}

void ControlEdit::clamp_selection() {
    const int32_t length = int32_t(text_.size());
    caret_ = std::clamp(caret_, 0, length);
    anchor_ = std::clamp(anchor_, 0, length);
}

bool ControlEdit::caret_shown() const {
    return is_focused() && !dragging_ && blink_count_ < blink_period_ / 2;
}

void ControlEdit::paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) {
    const State look = state();
    const plat::POINT position = get_position();
    const plat::POINT size = get_size();
    look.picture->draw_shifted(canvas, position, size);
    if (self_drawn()) {
        fix_scroll();
        const std::wstring shown = shown_text();
        const plat::POINT inner_at{position.x + border_min_.x, position.y + border_min_.y};
        const plat::POINT inner_size{size.x - border_min_.x - border_max_.x, size.y - border_min_.y - border_max_.y};
        const int32_t start = inner_at.x + scroll_x_;
        const int32_t low = std::min(caret_, anchor_);
        const int32_t high = std::max(caret_, anchor_);
        int32_t x0 = prefix_width(low);
        int32_t x1 = prefix_width(high);
        if (caret_shown()) {
            if (caret_ == high)
                x1 += caret_width_;
            else
                x0 -= caret_width_;
        }
        canvas.push_clip(inner_at, inner_size);
        if (x1 > x0)
            selection_picture_.draw_shifted(canvas, {start + x0, inner_at.y}, {x1 - x0, inner_size.y});
        const SkinColour& selected = is_focused() ? selection_focused_colour_ : selection_colour_;
        const auto part = [&](int32_t from, int32_t to, const SkinColour& colour) {
            if (to <= from)
                return;
            const int32_t at = start + prefix_width(from);
            look.font->draw_text(canvas, colour, std::wstring_view(shown).substr(size_t(from), size_t(to - from)),
                                 {at, inner_at.y}, {inner_size.x + prefix_width(int32_t(shown.size())), inner_size.y},
                                 0, 1);
        };
        part(0, low, *look.colour);
        part(low, high, selected);
        part(high, int32_t(shown.size()), *look.colour);
        canvas.pop_clip();
    }
    Control::paint(canvas, clip_position, clip_size);
}

bool ControlEdit::hit_test(plat::POINT point) { return Control::hit_test(point); }

int32_t ControlEdit::set_native_focus() {
    if (!impl_ || impl_->draws_itself())
        return 0;
    impl_->focus();
    return 1;
}

void ControlEdit::on_got_focus() {
    Form* form = get_form();
    if (form && is_enabled() && !read_only_ && !is_smartphone())
        form->set_input_panel(true);
    blink_count_ = 0;
    Control::on_got_focus();
    if (impl_)
        impl_->on_got_focus();
}

void ControlEdit::on_lost_focus() {
    dragging_ = false;
    if (Form* form = get_form(); form && !is_smartphone())
        form->set_input_panel(false);
    Control::on_lost_focus();
    if (impl_)
        impl_->on_lost_focus();
}

void ControlEdit::on_visible_changed(bool visible) {
    if (impl_)
        impl_->set_visible(visible);
}

void ControlEdit::set_rect(plat::POINT position, plat::POINT size) {
    if (impl_)
        impl_->set_rect(position, size);
    Control::set_rect(position, size);
}

void ControlEdit::on_mouse_down(plat::POINT point, bool double_click) {
    if (!self_drawn())
        return;
    down_point_ = point;
    dragging_ = true;
    caret_ = anchor_ = char_at(point);
    if (double_click) {
        int32_t low = caret_;
        int32_t high = caret_;
        while (low > 0 && is_word_char(text_[size_t(low - 1)]))
            --low;
        while (high < int32_t(text_.size()) && is_word_char(text_[size_t(high)]))
            ++high;
        anchor_ = low;
        caret_ = high;
    }
    blink_count_ = 0;
    impl_->set_selection(anchor_, caret_);
    invalidate();
}

void ControlEdit::on_mouse_move(plat::POINT point) {
    if (!dragging_)
        return;
    move_caret(char_at(point), true);
}

void ControlEdit::on_mouse_up(plat::POINT point, bool) {
    if (dragging_) {
        dragging_ = false;
        if (point.x != down_point_.x || point.y != down_point_.y)
            move_caret(char_at(point), true);
        invalidate();
    }
    raise_click();
}

void ControlEdit::on_context_up(plat::POINT point, bool) { open_context_menu(point); }

int32_t ControlEdit::on_char(const std::wstring& text) {
    // A password stays out of the log: only its length goes there.
    if (password_char_)
        liba::get_log() << L"on_text (" << text.size() << L" characters)\n";
    else
        liba::get_log() << L"on_text" << text << L"\n";
    if (read_only_ || !self_drawn() || dragging_ || text.empty())
        return 0;
    replace_selection(text);
    return 1;
}

int32_t ControlEdit::on_key_down(int32_t code) {
    if (!self_drawn() || dragging_)
        return 0;
    const bool shift = is_modifier_pressed(key::shift);
    const bool ctrl = is_modifier_pressed(key::control);
    const int32_t length = int32_t(text_.size());
    switch (code) {
    case key::left: move_caret(ctrl ? word_start_before(caret_) : std::max(caret_ - 1, 0), shift); return 1;
    case key::right: move_caret(ctrl ? word_start_after(caret_) : std::min(caret_ + 1, length), shift); return 1;
    case key::home: move_caret(0, shift); return 1;
    case key::end: move_caret(length, shift); return 1;
    case key::back_space:
        if (!read_only_) {
            if (!has_selection() && caret_ > 0)
                anchor_ = caret_ - 1;
            delete_selection();
        }
        return 1;
    case key::del:
        if (shift) {
            cut();
        } else if (!read_only_) {
            if (!has_selection() && caret_ < length)
                anchor_ = caret_ + 1;
            delete_selection();
        }
        return 1;
    case key::insert:
        if (ctrl)
            copy();
        else if (shift)
            paste();
        return ctrl || shift ? 1 : 0;
    case key::applications: {
        rebuild_char_ends();
        const int32_t x = get_position().x + border_min_.x + scroll_x_ + prefix_width(caret_);
        const int32_t y = get_position().y + border_min_.y + (get_size().y - border_min_.y - border_max_.y) / 2;
        open_context_menu({x, y});
        return 1;
    }
    default: break;
    }
    if (!ctrl)
        return 0;
    switch (code) {
    case key::letter_a + ('C' - 'A'): copy(); return 1;
    case key::letter_a + ('V' - 'A'): paste(); return 1;
    case key::letter_a + ('X' - 'A'): cut(); return 1;
    default: return 0;
    }
}

void ControlEdit::on_timer(int32_t id) {
    if (blink_timer_ && uint32_t(id) == blink_timer_)
        on_timer_elapsed();
    else
        Control::on_timer(id);
}

void ControlEdit::on_timer_elapsed() {
    if (!self_drawn() || !is_focused())
        return;
    const bool was_shown = caret_shown();
    blink_count_ = (blink_count_ + 1) % blink_period_;
    if (caret_shown() != was_shown)
        invalidate();
}

void ControlEdit::raise_text_changed() { Control::on_text_changed(this, text_); }
void ControlEdit::raise_click() { on_click(this); }

int32_t ControlEdit::word_start_before(int32_t index) const {
    while (index > 0 && !is_word_char(text_[size_t(index - 1)]))
        --index;
    while (index > 0 && is_word_char(text_[size_t(index - 1)]))
        --index;
    return index;
}

int32_t ControlEdit::word_start_after(int32_t index) const {
    const int32_t length = int32_t(text_.size());
    while (index < length && is_word_char(text_[size_t(index)]))
        ++index;
    while (index < length && !is_word_char(text_[size_t(index)]))
        ++index;
    return index;
}

void ControlEdit::move_caret(int32_t caret, bool keep_anchor) {
    caret_ = caret;
    if (!keep_anchor)
        anchor_ = caret;
    clamp_selection();
    blink_count_ = 0;
    fix_scroll();
    if (impl_)
        impl_->set_selection(anchor_, caret_);
    invalidate();
}

void ControlEdit::replace_selection(std::wstring_view text) {
    clamp_selection();
    const size_t low = size_t(std::min(caret_, anchor_));
    const size_t high = size_t(std::max(caret_, anchor_));
    std::wstring changed = text_.substr(0, low);
    changed.append(text);
    changed.append(text_, high);
    caret_ = anchor_ = int32_t(low + text.size());
    blink_count_ = 0;
    if (changed != text_) {
        text_ = std::move(changed);
        fix_scroll();
        raise_text_changed();
    } else {
        fix_scroll();
    }
    invalidate();
}

std::wstring ControlEdit::get_selected_text() const {
    const size_t low = size_t(std::min(caret_, anchor_));
    const size_t high = size_t(std::max(caret_, anchor_));
    return text_.substr(low, high - low);
}

void ControlEdit::copy() {
    // Copying nothing would only wipe what the clipboard holds.
    if (password_char_ || !has_selection())
        return;
    FormServices* form = get_parent()->get_form_services();
    if (!plat::open_clipboard(form ? form->get_window() : nullptr))
        return;
    plat::empty_clipboard();
    plat::set_clipboard_text(get_selected_text());
    plat::close_clipboard();
}

void ControlEdit::cut() {
    if (read_only_ || password_char_ || !has_selection())
        return;
    copy();
    delete_selection();
}

void ControlEdit::paste() {
    if (read_only_)
        return;
    FormServices* form = get_parent()->get_form_services();
    if (!plat::open_clipboard(form ? form->get_window() : nullptr))
        return;
    std::wstring text;
    const bool got = plat::get_clipboard_text(text);
    plat::close_clipboard();
    if (!got || text.empty())
        return;
    const auto control = std::find_if(text.begin(), text.end(), [](wchar_t c) { return c < L' '; });
    text.erase(control, text.end());
    replace_selection(text);
}

void ControlEdit::delete_selection() {
    if (read_only_)
        return;
    replace_selection(L"");
}

void ControlEdit::select_all() {
    anchor_ = 0;
    caret_ = int32_t(text_.size());
    blink_count_ = 0;
    fix_scroll();
    if (impl_)
        impl_->set_selection(anchor_, caret_);
    invalidate();
}

void ControlEdit::open_context_menu(plat::POINT point) {
    const bool selection = has_selection();
    const bool all_selected = std::min(caret_, anchor_) == 0 && std::max(caret_, anchor_) == int32_t(text_.size());
    struct Entry {
        MenuCommand command;
        std::wstring_view key;
        std::wstring_view text;
        bool enabled;
    };
    const std::array<Entry, 5> entries{{
        {menu_cut, L"menuCut", L"Cut", selection && !read_only_ && !password_char_},
        {menu_copy, L"menuCopy", L"Copy", selection && !password_char_},
        {menu_paste, L"menuPaste", L"Paste", !read_only_},
        {menu_delete, L"menuDelete", L"Delete", selection && !read_only_},
        {menu_select_all, L"menuSelectAll", L"Select All", !text_.empty() && !all_selected},
    }};
    const plat::HMENU menu = plat::create_popup_menu();
    for (const Entry& entry : entries)
        plat::append_menu(menu, plat::MF_STRING | (entry.enabled ? plat::MF_ENABLED : plat::MF_GRAYED),
                          entry.command, translate(entry.key, entry.text));
    FormServices* form = get_parent()->get_form_services();
    const plat::HWND window = form ? form->get_window() : nullptr;
    plat::POINT at = point;
    if (window)
        plat::client_to_screen(window, at);
    const int chosen = plat::track_popup_menu(menu, plat::TPM_RETURNCMD, at.x, at.y, window);
    plat::destroy_menu(menu);
    switch (chosen) {
    case menu_cut: cut(); break;
    case menu_copy: copy(); break;
    case menu_paste: paste(); break;
    case menu_delete: delete_selection(); break;
    case menu_select_all: select_all(); break;
    default: break;
    }
}

void ControlEdit::set_text(std::wstring_view text) {
    if (text == text_)
        return;
    anchor_ = 0;
    caret_ = int32_t(text_.size());
    replace_selection(text);
    if (impl_)
        impl_->set_text(text_);
}

bool ControlEdit::take_native_text(const std::wstring& text) {
    if (text == text_)
        return false;
    text_ = text;
    clamp_selection();
    raise_text_changed();
    invalidate();
    return true;
}

void ControlEdit::set_selection(int32_t anchor, int32_t caret) {
    anchor_ = anchor;
    move_caret(caret, true);
}

void ControlEdit::set_read_only(bool read_only) {
    read_only_ = read_only;
    if (impl_)
        impl_->set_read_only(read_only);
    invalidate();
}

void ControlEdit::set_input_mode(std::wstring_view name) {
    input_mode_ = name;
    if (impl_)
        impl_->set_input_mode(input_mode_);
}

void ControlEdit::set_password_char(wchar_t character) {
    password_char_ = character;
    fix_scroll();
    invalidate();
}

} // namespace skinner
