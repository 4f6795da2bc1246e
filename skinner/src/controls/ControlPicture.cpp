#include "skinner/controls/ControlPicture.h"

namespace skinner {

ControlPicture::ControlPicture(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : ControlButton(parent, name_or_kind, creation_mode) {
    set_wants_focus(false);
    read_skin();
}

void ControlPicture::load_skin() {
    ControlButton::load_skin();
    read_skin();
}

void ControlPicture::read_skin() {
    if (get_creation_mode() == creation_none)
        return;
    picture_ = get_picture_property(L"Picture", picture_);
    h_alignment_ = alignment_from_word(get_string_property(L"PictureHAlignment", L""), false);
    v_alignment_ = alignment_from_word(get_string_property(L"PictureVAlignment", L""), true);
}

void ControlPicture::set_picture(const Picture& picture) {
    picture_ = picture;
    invalidate();
}

void ControlPicture::paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) {
    const plat::POINT picture = picture_.get_size();
    if (picture.x > 0 && picture.y > 0) {
        const plat::POINT position = get_position();
        const plat::POINT size = get_size();
        const double fx = size.x < picture.x ? double(size.x) / picture.x : 1.0;
        const double fy = size.y < picture.y ? double(size.y) / picture.y : 1.0;
        const double f = fx < fy ? fx : fy;
        const plat::POINT drawn{int32_t(picture.x * f), int32_t(picture.y * f)};
        plat::POINT at = position;
        at.x += h_alignment_ == 1 ? (size.x - drawn.x) / 2 : h_alignment_ == 2 ? size.x - drawn.x : 0;
        at.y += v_alignment_ == 1 ? (size.y - drawn.y) / 2 : v_alignment_ == 2 ? size.y - drawn.y : 0;
        picture_.draw_shifted(canvas, at, drawn);
    }
    Control::paint(canvas, clip_position, clip_size);
}

} // namespace skinner
