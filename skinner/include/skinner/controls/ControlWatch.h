#pragma once
#include "skinner/Control.h"
#include "skinner/Image32.h"

#include <array>
#include <string_view>

namespace skinner {

// The analog clock: a face picture with hour, minute and second hands, each
// a picture drawn upright and turned about the centre of its inner
// rectangle onto the face's centre. It repaints every second and takes no
// input.
class ControlWatch : public Control {
public:
    ControlWatch(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);
    ~ControlWatch() override;

    void paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) override;
    bool hit_test(plat::POINT point) override;
    void on_timer_elapsed() override;
    void load_skin() override;

    // The hands' angles in radians, clockwise from twelve o'clock.
    struct Angles {
        double hour = 0.0;
        double minute = 0.0;
        double second = 0.0;
    };
    static Angles angles_at(int hour, int minute, int second);

    bool is_analog() const { return analog_; }

private:
    struct Hand {
        Picture picture;
        Image32 image;  // rendered once per skin load at power-of-two sides; none for an empty picture
        bool ready = false;
    };

    void read_skin();
    void draw_hand(const Pixels32& face, RasterPoint centre, const Hand& hand, double angle) const;
    bool blend_face_picture(const Pixels32& face, plat::POINT size);

    bool analog_ = true;
    Picture background_;
    std::array<Hand, 3> hands_;  // hour, minute, second: the drawing order
    int32_t centre_x_percent_ = 50;
    int32_t centre_y_percent_ = 50;
    Image32 face_;  // the face as drawn, under the hands; kept from one second's paint to the next
    // An alpha face picture rendered at the control's size, blended over the grabbed
    // canvas each second instead of rendered anew; none until the first such paint.
    Image32 face_picture_;
    plat::POINT face_picture_size_;
};

} // namespace skinner
