#pragma once
#include "skinner/controls/ControlPanel.h"
#include "skinner/controls/ControlScrollBar.h"

namespace skinner {

// A panel that keeps room for a vertical and a horizontal scroll bar beside
// its content area and shows each bar only when the content needs it. The
// derived class calls fit during its layout, sets the bars' ranges and then
// place_bars.
class ControlPanelAutoScroll : public ControlPanel {
public:
    ControlPanelAutoScroll(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);
    ~ControlPanelAutoScroll() override;

    void load_skin() override;

    // Gives the content control the content area left for the needed size
    // and shows the bars that the size needs.
    void fit(Control& content, plat::POINT needed);
    void place_bars();

    plat::POINT get_content_position() const { return content_position_; }
    plat::POINT get_content_size() const { return content_size_; }
    ControlScrollBar& get_vertical_bar() { return vertical_bar_; }
    ControlScrollBar& get_horizontal_bar() { return horizontal_bar_; }

private:
    void read_skin();

    plat::POINT content_position_;
    plat::POINT content_size_;
    int32_t scroll_width_ = 0;
    int32_t scroll_height_ = 0;
    plat::POINT border_min_;
    plat::POINT border_max_;
    plat::POINT scroll_border_min_;
    plat::POINT scroll_border_max_;
    ControlScrollBar vertical_bar_;
    ControlScrollBar horizontal_bar_;
};

} // namespace skinner
