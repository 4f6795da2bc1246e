#include "skinner/controls/ControlWatch.h"

#include "base/TimeStamp.h"

#include <cstring>
#include <numbers>

namespace skinner {
namespace {

constexpr int hand_hour = 0;
constexpr int hand_minute = 1;
constexpr int hand_second = 2;
constexpr int32_t timer_seconds = 1;

// The skin's flag words; any other text leaves the flag.
void read_flag(std::wstring_view text, bool& flag) {
    if (text == L"true" || text == L"True" || text == L"TRUE" || text == L"1")
        flag = true;
    else if (text == L"false" || text == L"False" || text == L"FALSE" || text == L"0")
        flag = false;
}

// The centre of the picture's inner rectangle, from its outer top-left.
RasterPoint pivot_of(const Picture& picture) {
    const plat::POINT p0 = picture.p0();
    const plat::POINT p1 = picture.p1();
    const plat::POINT p2 = picture.p2();
    return {int(double(p1.x + p2.x) / 2.0) - p0.x, int(double(p1.y + p2.y) / 2.0) - p0.y};
}

} // namespace

ControlWatch::ControlWatch(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : Control(parent, name_or_kind, creation_mode) {
    start_timer(timer_seconds);
    read_skin();
}

ControlWatch::~ControlWatch() = default;

void ControlWatch::load_skin() {
    Control::load_skin();
    read_skin();
}

void ControlWatch::read_skin() {
    analog_ = true;
    read_flag(get_string_property(L"analog", L""), analog_);
    background_ = get_picture_property(L"Background", Picture());
    hands_[hand_hour].picture = get_picture_property(L"HourArrow", Picture());
    hands_[hand_minute].picture = get_picture_property(L"MinuteArrow", Picture());
    hands_[hand_second].picture = get_picture_property(L"SecondArrow", Picture());
    centre_x_percent_ = get_int_property(L"center_x_percent", 50);
    centre_y_percent_ = get_int_property(L"center_y_percent", 50);
    face_picture_size_ = {};
    // An empty picture makes no image (the power-of-two rounding would give
    // it one pixel): its hand is left out.
    for (Hand& hand : hands_) {
        const plat::POINT size = hand.picture.get_size();
        hand.ready = hand.picture.loaded() && size.x > 0 && size.y > 0 &&
                     hand.image.create_from_picture(hand.picture, true);
    }
}

ControlWatch::Angles ControlWatch::angles_at(int hour, int minute, int second) {
    constexpr double pi = std::numbers::pi;
    Angles a;
    a.second = second * pi / 30.0;
    a.minute = minute * pi / 30.0;
    a.hour = (hour % 12) * pi / 6.0 + a.minute / 12.0;
    return a;
}

bool ControlWatch::hit_test(plat::POINT) {
    return false;
}

void ControlWatch::on_timer_elapsed() {
    invalidate();
}

void ControlWatch::draw_hand(const Pixels32& face, RasterPoint centre, const Hand& hand, double angle) const {
    if (!hand.ready)
        return;
    const plat::POINT size = hand.picture.get_size();
    draw_transformed_bitmap(face, hand.image.pixels(), centre, {0, 0}, {size.x, size.y}, pivot_of(hand.picture),
                            angle, true, true);
}

// The alpha face picture over the grabbed canvas pixels, as drawing the picture and
// grabbing again gives them: blended, alpha 255. The picture is rendered once per size.
bool ControlWatch::blend_face_picture(const Pixels32& face, plat::POINT size) {
    if (face_picture_size_.x != size.x || face_picture_size_.y != size.y) {
        face_picture_size_ = {};
        if (!face_picture_.create_from_picture(background_, size, false))
            return false;
        face_picture_size_ = size;
    }
    const Pixels32 picture = face_picture_.pixels();
    for (int y = 0; y < face.height; ++y) {
        uint8_t* row = face.pixels + int64_t(y) * face.stride;
        const uint8_t* over = picture.pixels + int64_t(y) * picture.stride;
        for (int x = 0; x < face.width; ++x) {
            uint32_t under = 0, above = 0;
            std::memcpy(&above, over + int64_t(x) * 4, 4);
            // A transparent pixel leaves the grabbed one, whose alpha is already 255.
            if ((above >> 24) == 0)
                continue;
            std::memcpy(&under, row + int64_t(x) * 4, 4);
            const uint32_t value = blend_pixel(under, above) | 0xFF000000u;
            std::memcpy(row + int64_t(x) * 4, &value, 4);
        }
    }
    return true;
}

void ControlWatch::paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) {
    const plat::POINT at = get_position();
    const plat::POINT size = get_size();
    canvas.push_clip(at, size);
    const plat::POINT face_size = background_.get_size();
    const bool has_face = face_size.x != 0 || face_size.y != 0;
    const bool has_area = size.x > 0 && size.y > 0;
    // Under the hands an alpha face is blended into the grabbed image itself: the
    // canvas gets the same pixels from the image's put, within the same clip.
    const PictureRep* rep = background_.get_rep();
    const bool blend_into_face =
        analog_ && has_area && has_face && background_.loaded() && rep && rep->alpha && rep->mask;
    if (has_face && !blend_into_face)
        background_.draw_shifted(canvas, at, size);
    // A control without area has nowhere to put hands (and no image to grab).
    if (analog_ && has_area && face_.grab(canvas, at, size)) {
        if (blend_into_face)
            blend_face_picture(face_.pixels(), size);
        const liba::TimeStamp now = liba::TimeStamp::now();
        const Angles angles = angles_at(now.hour(), now.minute(), now.second());
        const Pixels32 pixels = face_.pixels();
        const RasterPoint centre{size.x * centre_x_percent_ / 100, size.y * centre_y_percent_ / 100};
        draw_hand(pixels, centre, hands_[hand_hour], angles.hour);
        draw_hand(pixels, centre, hands_[hand_minute], angles.minute);
        draw_hand(pixels, centre, hands_[hand_second], angles.second);
        face_.put(canvas, at);
    }
    Control::paint(canvas, clip_position, clip_size);
    canvas.pop_clip();
}

} // namespace skinner
