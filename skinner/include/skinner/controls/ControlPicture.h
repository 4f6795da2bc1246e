#pragma once
#include "skinner/controls/ControlButton.h"

namespace skinner {

// One picture in the control's rectangle, shrunk to fit with its
// proportions kept and aligned; a button, so it can be tapped. It does not
// take focus.
class ControlPicture : public ControlButton {
public:
    ControlPicture(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);

    void load_skin() override;
    void paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) override;

    void set_picture(const Picture& picture);
    const Picture& get_picture() const { return picture_; }
    int get_picture_h_alignment() const { return h_alignment_; }
    int get_picture_v_alignment() const { return v_alignment_; }

private:
    void read_skin();

    Picture picture_;
    int h_alignment_ = 1;
    int v_alignment_ = 1;
};

} // namespace skinner
