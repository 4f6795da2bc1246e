#pragma once
#include "skinner/controls/ControlPanelAutoScroll.h"
#include "skinner/controls/SelectionStrategy.h"
#include "base/Timer.h"

#include <vector>

namespace skinner {

// The look of one kind of cell.
struct GridItemStyle {
    Picture picture;
    Font font;
    SkinColour colour{};
};

// The scrollable table of cells under every list-like screen. It owns no
// data: the most-derived class supplies the counts and draws the cells, and
// picks the selection strategy. A long press of the action key asks for the
// same context menu as tap-and-hold.
class ControlGrid : public ControlPanelAutoScroll, public virtual GridSelectionStrategy, public liba::Timer::Listener {
public:
    // Hit regions of the painter.
    static constexpr int region_header = 0;
    static constexpr int region_cells = 1;
    static constexpr int region_none = 2;

    // The child that covers the cell area: draws the cells and takes the pointer.
    class Painter : public Control {
    public:
        explicit Painter(ControlGrid& grid);
        void paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) override;
        void on_mouse_move(plat::POINT point) override;
        void on_mouse_leave() override;
        void on_mouse_down(plat::POINT point, bool double_click) override;
        void on_mouse_up(plat::POINT point, bool double_click) override;
        void on_context_down(plat::POINT point, bool flag) override;
        void on_context_up(plat::POINT point, bool flag) override;
        int32_t on_wheel(plat::POINT point, int32_t steps) override;
        using Control::set_gestures;

    private:
        ControlGrid& grid_;
        int press_region_ = region_none;
        bool context_armed_ = false;
    };

    ControlGrid(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);
    ~ControlGrid() override;

    using Control::on_scroll;
    int32_t on_scroll(Control* sender, int32_t position) override;
    void on_lost_focus() override;
    void on_enabled_changed(bool enabled) override;
    void paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) override;
    bool hit_test(plat::POINT point) override;
    void on_mouse_down(plat::POINT point, bool double_click) override;
    void on_context_down(plat::POINT point, bool flag) override;
    void on_button3_down(plat::POINT point, bool flag) override;
    int32_t on_key_down(int32_t code) override;
    int32_t on_key_up(int32_t code) override;
    void set_rect(plat::POINT position, plat::POINT size) override;
    void load_skin() override;

    virtual void paint_cell(int32_t column, int32_t row, Canvas& canvas, plat::POINT position, plat::POINT size,
                            bool selected, bool highlighted) = 0;
    virtual void paint_header_cell(int32_t column, Canvas& canvas, plat::POINT position, plat::POINT size);
    virtual int32_t raise_item_click(const GridCellEvent& cell);
    virtual int32_t raise_item_context_click(const GridCellEvent& cell);
    virtual int32_t raise_header_click(const GridCellEvent& cell);
    virtual int32_t raise_header_context_click(const GridCellEvent& cell);
    virtual int32_t raise_editor_closed(int32_t column, int32_t row, bool commit);
    // A tap in the lead area at the left of column 0.
    virtual void on_lead_area_press(const GridCellEvent& cell);
    virtual int32_t get_lead_area_width(int32_t row);
    // Every row has the height of row 0.
    virtual int32_t get_row_height(int32_t row);
    virtual int32_t get_header_height();
    // A width in pixels, or a negative weight for a share of the free width.
    virtual int32_t get_column_width(int32_t column);
    virtual const GridItemStyle& get_item_style(bool selected, bool highlighted);

    // The strategy's notifications.
    using Control::on_selection_changed;
    using Control::on_highlight_changed;
    void on_selection_changed() override;
    void on_highlight_changed() override;
    void ensure_column_visible(int32_t column) override;
    void ensure_row_visible(int32_t row) override;

    // The action key held long enough.
    using Control::on_timer;
    void on_timer(liba::Timer* timer) override;

    // Lays out and invalidates: whoever changes the number of columns calls it before the next paint.
    void refresh();
    void close_editor(bool commit);

    int32_t get_first_visible_row() { return get_vertical_bar().get_position(); }
    int32_t get_horizontal_offset() { return get_horizontal_bar().get_position(); }
    const std::vector<int32_t>& get_column_starts() const { return column_starts_; }
    Painter& get_painter() { return painter_; }
    plat::POINT get_border_min() const { return border_min_; }
    plat::POINT get_border_max() const { return border_max_; }
    Control* get_editor() const { return editor_; }

protected:
    // A derived grid's in-cell editor: placed over the cell and shown by the layout.
    void open_editor(Control* editor, int32_t column, int32_t row);

private:
    void read_skin();
    void layout();
    // The painter's region, column and row at a form point; the cell event for them.
    int region_at(plat::POINT point);
    GridCellEvent cell_at(plat::POINT point);
    // The cell's rectangle clipped to the painter.
    void cell_rect(int32_t column, int32_t row, plat::POINT& position, plat::POINT& size);
    bool in_lead_area(const GridCellEvent& cell);
    void context_request();
    void highlight_at(plat::POINT point);
    void close_editor_unless_hit(plat::POINT point);
    const Picture& background();

    Picture picture_normal_;
    Picture picture_highlighted_;
    Picture picture_disabled_;
    int32_t row_height_ = 40;
    Control* editor_ = nullptr;
    std::vector<int32_t> column_starts_;
    int32_t editor_row_ = -1;
    int32_t editor_column_ = -1;
    liba::Timer hold_timer_{this};
    // Between the action key's first key-down and its key-up: the device's repeats start nothing.
    bool action_down_ = false;
    GridItemStyle item_normal_;
    GridItemStyle item_selection_;
    GridItemStyle item_highlight_;
    GridItemStyle item_selection_highlight_;
    GridItemStyle header_normal_;
    Painter painter_;
    plat::POINT border_min_;
    plat::POINT border_max_;
};

} // namespace skinner
