#include "skinner/controls/ControlPanelAutoScroll.h"

#include <algorithm>

namespace skinner {

ControlPanelAutoScroll::ControlPanelAutoScroll(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : ControlPanel(parent, name_or_kind, creation_mode),
      vertical_bar_(get_container(), get_string_property(L"KindScroll", L""), creation_kind),
      horizontal_bar_(get_container(), get_string_property(L"KindHScroll", L""), creation_kind) {
    vertical_bar_.set_wants_focus(false);
    horizontal_bar_.set_wants_focus(false);
    read_skin();
}

ControlPanelAutoScroll::~ControlPanelAutoScroll() = default;

void ControlPanelAutoScroll::read_skin() {
    scroll_width_ = get_scaled_int_property(L"ScrollWidth", 0);
    scroll_height_ = get_scaled_int_property(L"ScrollHeight", scroll_width_);
    border_min_ = get_point_property(L"BorderMin", {0, 0});
    border_max_ = get_point_property(L"BorderMax", border_min_);
    scroll_border_min_ = get_point_property(L"ScrollBorderMin", {0, 0});
    scroll_border_max_ = get_point_property(L"ScrollBorderMax", scroll_border_min_);
}

void ControlPanelAutoScroll::load_skin() {
    ControlPanel::load_skin();
    read_skin();
}

void ControlPanelAutoScroll::fit(Control& content, plat::POINT needed) {
    const plat::POINT position = get_position();
    const plat::POINT size = get_size();
    content_position_ = {position.x + border_min_.x, position.y + border_min_.y};
    content_size_ = {size.x - border_min_.x - border_max_.x, size.y - border_min_.y - border_max_.y};
    const int32_t bar_room_x = scroll_border_min_.x + scroll_border_max_.x + scroll_width_;
    const int32_t bar_room_y = scroll_border_min_.y + scroll_border_max_.y + scroll_height_;
    bool vertical = false;
    if (content_size_.y < needed.y) {
        vertical = true;
        content_size_.x -= bar_room_x;
    }
    bool horizontal = false;
    if (content_size_.x < needed.x) {
        horizontal = true;
        content_size_.y -= bar_room_y;
    }
    // The horizontal bar's room can make the content too low after all.
    if (!vertical && content_size_.y < needed.y) {
        vertical = true;
        content_size_.x -= bar_room_x;
    }
    content.set_rect(content_position_, content_size_);
    vertical_bar_.set_visible(vertical);
    horizontal_bar_.set_visible(horizontal);
}

void ControlPanelAutoScroll::place_bars() {
    vertical_bar_.set_rect({content_position_.x + content_size_.x + scroll_border_min_.x,
                            content_position_.y + scroll_border_min_.y},
                           {scroll_width_, content_size_.y - scroll_border_min_.y - scroll_border_max_.y});
    horizontal_bar_.set_rect({content_position_.x + scroll_border_min_.x,
                              content_position_.y + content_size_.y + scroll_border_min_.y},
                             {content_size_.x - scroll_border_min_.x - scroll_border_max_.x, scroll_height_});
}

} // namespace skinner
