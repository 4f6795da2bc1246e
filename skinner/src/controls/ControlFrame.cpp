#include "skinner/controls/ControlFrame.h"

#include <algorithm>
#include <array>

namespace skinner {

namespace {

constexpr std::array<std::wstring_view, 3> horizontal_words{L"LEFT", L"CENTER", L"RIGHT"};
constexpr std::array<std::wstring_view, 3> vertical_words{L"TOP", L"VCENTER", L"BOTTOM"};
constexpr int alignment_centre = 1;
constexpr int alignment_top = 0;

int alignment_of(std::wstring_view word, const std::array<std::wstring_view, 3>& words) {
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i] == word)
            return int(i);
    return alignment_centre;
}

} // namespace

ControlFrame::ControlFrame(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : Control(parent, name_or_kind, creation_mode) {
    set_wants_focus(false);
    read_skin();
}

ControlFrame::~ControlFrame() = default;

void ControlFrame::load_skin() {
    Control::load_skin();
    read_skin();
}

void ControlFrame::read_skin() {
    h_alignment_ = alignment_centre;
    v_alignment_ = alignment_centre;
    border_min_ = get_point_property(L"BorderMin", {0, 0});
    border_max_ = get_point_property(L"BorderMax", border_min_);
    h_alignment_ = alignment_of(get_string_property(L"HAlignment", horizontal_words[1]), horizontal_words);
    v_alignment_ = alignment_of(get_string_property(L"VAlignment", vertical_words[1]), vertical_words);
    picture_ = get_picture_property(L"Normal", Picture());
    font_ = get_font_property(L"Normal", Font());
    color_ = get_color_property(L"Normal", SkinColour{});
    text_ = get_string_property(L"Text", L"");
    wrap_ = get_int_property(L"Wrap", 0) != 0;
    auto_size_ = get_int_property(L"AutoSize", 0) != 0;
    ellipsis_ = get_int_property(L"Ellipsis", 0) != 0;
    on_text_changed(text_);
}

void ControlFrame::set_text(std::wstring_view text) {
    if (text == text_)
        return;
    text_ = text;
    on_text_changed(text_);
    invalidate();
}

void ControlFrame::set_rect(plat::POINT position, plat::POINT size) {
    Control::set_rect(position, size);
    on_text_changed(text_);
}

plat::POINT ControlFrame::get_preferred_size() {
    const plat::POINT skin = Control::get_preferred_size();
    return {std::max(auto_width_, skin.x), std::max(auto_height_, skin.y)};
}

bool ControlFrame::hit_test(plat::POINT) {
    return false;
}

void ControlFrame::on_text_changed(const std::wstring& text) {
    lines_.clear();
    if (!wrap_) {
        lines_.push_back(text);
    } else {
        const int32_t available = get_size().x - border_min_.x - border_max_.x;
        size_t start = 0;
        size_t last_blank = 0;
        const auto width_test = [&](size_t i) {
            if (font_.get_text_extent(std::wstring_view(text).substr(start, i - start)).x > available &&
                last_blank != start) {
                lines_.push_back(text.substr(start, last_blank - start));
                start = last_blank = last_blank + 1;
            }
        };
        const auto forced_break = [&](size_t i) {
            lines_.push_back(text.substr(start, i - start));
            start = last_blank = i + 1;
        };
        for (size_t i = 0; i < text.size(); ++i) {
            const wchar_t c = text[i];
            if (c <= L' ') {
                width_test(i);
                last_blank = i;
            }
            if (c == L'\n') {
                forced_break(i);
            } else if (text.size() - i >= line_break_.size() && text.compare(i, line_break_.size(), line_break_) == 0) {
                forced_break(i);
                // The next line starts right after the marker, and the walk
                // goes on there, so a marker straight after a marker counts.
                start = last_blank = i + line_break_.size();
                i = start - 1;
            }
        }
        width_test(text.size());
        forced_break(text.size());
    }
    auto_width_ = 0;
    auto_height_ = 0;
    if (auto_size_)
        for (const std::wstring& line : lines_) {
            const plat::POINT extent = font_.get_text_extent(line);
            auto_width_ = std::max(auto_width_, extent.x);
            auto_height_ += extent.y;
        }
    auto_width_ += border_min_.x + border_max_.x;
    auto_height_ += border_min_.y + border_max_.y;
}

void ControlFrame::paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) {
    const plat::POINT position = get_position();
    const plat::POINT size = get_size();
    picture_.draw_shifted(canvas, position, size);
    const auto draw = [&](std::wstring_view line, plat::POINT at, plat::POINT extent, int horizontal, int vertical) {
        if (ellipsis_)
            font_.draw_text_ellipsis(canvas, color_, line, at, extent, horizontal, vertical);
        else
            font_.draw_text(canvas, color_, line, at, extent, horizontal, vertical);
    };
    const int32_t inner_width = size.x - border_min_.x - border_max_.x;
    if (lines_.size() == 1) {
        plat::POINT at{position.x + border_min_.x, position.y + border_min_.y};
        plat::POINT extent{inner_width, size.y - border_min_.y - border_max_.y};
        if (v_alignment_ == alignment_centre) {
            // A centred line may use the smaller border's room above and below.
            const int32_t grow = std::min(border_min_.y, border_max_.y);
            at.y -= grow;
            extent.y += 2 * grow;
        }
        draw(lines_.front(), at, extent, h_alignment_, v_alignment_);
    } else {
        canvas.push_clip(position, size);
        int32_t total = 0;
        for (const std::wstring& line : lines_)
            total += font_.get_text_extent(line).y;
        const int32_t bottom = position.y + size.y - border_max_.y;
        int32_t top = position.y + border_min_.y;
        if (v_alignment_ == alignment_centre)
            top += std::max(0, (size.y - total) / 2);
        else if (v_alignment_ == 2)
            top = bottom - total;
        for (const std::wstring& line : lines_) {
            const int32_t height = font_.get_text_extent(line).y;
            const int32_t remaining = bottom - top;
            if (height > remaining) {
                if (ellipsis_)
                    font_.draw_text(canvas, color_, std::wstring_view(&ellipsis_character, 1),
                                    {position.x + border_min_.x, bottom - height}, {inner_width, height},
                                    h_alignment_, alignment_top);
                break;
            }
            draw(line, {position.x + border_min_.x, top}, {inner_width, remaining}, h_alignment_, alignment_top);
            top += height;
        }
        canvas.pop_clip();
    }
    Control::paint(canvas, clip_position, clip_size);
}

} // namespace skinner
