#include "skinner/controls/ControlGrid.h"

#include "base/Log.h"

#include <algorithm>

namespace skinner {

namespace {

// Seconds the action key must be held for the context request.
constexpr double action_hold_seconds = 0.5;
// Rows one wheel notch scrolls.
constexpr int32_t wheel_rows = 3;
// Without a selected column or row the context point lies a fifth into the painter.
constexpr int32_t context_fraction = 5;

bool inside(plat::POINT point, plat::POINT position, plat::POINT size) {
    return point.x >= position.x && point.y >= position.y && point.x < position.x + size.x &&
           point.y < position.y + size.y;
}

} // namespace

ControlGrid::Painter::Painter(ControlGrid& grid) : Control(grid.get_container(), L"", creation_none), grid_(grid) {}

void ControlGrid::Painter::paint(Canvas& canvas, plat::POINT, plat::POINT) {
    const plat::POINT position = get_position();
    const plat::POINT size = get_size();
    canvas.push_clip(position, size);
    const int32_t columns = grid_.get_column_count();
    const std::vector<int32_t>& starts = grid_.column_starts_;
    if (starts.size() != size_t(columns) + 1)
        liba::report_error(L"ControlGrid::Painter::paint", L"Number of items in grid " + grid_.get_name() +
                                                              L" had changed, but no refresh was called");
    const int32_t left = position.x - grid_.get_horizontal_offset();
    const int32_t header_height = grid_.get_header_height();
    for (int32_t column = 0; column < columns; ++column)
        grid_.paint_header_cell(column, canvas, {left + starts[column], position.y},
                                {starts[column + 1] - starts[column], header_height});
    const int32_t row_height = grid_.get_row_height(0);
    const int32_t rows = grid_.get_row_count();
    int32_t y = position.y + header_height;
    for (int32_t row = grid_.get_first_visible_row(); row_height > 0 && row < rows && y < position.y + size.y;
         ++row, y += row_height)
        for (int32_t column = 0; column < columns; ++column)
            grid_.paint_cell(column, row, canvas, {left + starts[column], y},
                             {starts[column + 1] - starts[column], row_height}, grid_.is_cell_selected(column, row),
                             grid_.is_cell_highlighted(column, row));
    canvas.pop_clip();
}

void ControlGrid::Painter::on_mouse_move(plat::POINT point) {
    grid_.highlight_at(point);
    if (press_region_ == region_cells && grid_.region_at(point) == region_cells)
        grid_.select_cell_at(grid_.cell_at(point));
}

void ControlGrid::Painter::on_mouse_leave() { grid_.set_highlight(-1, -1); }

void ControlGrid::Painter::on_mouse_down(plat::POINT point, bool) {
    const GridCellEvent cell = grid_.cell_at(point);
    if (grid_.in_lead_area(cell)) {
        grid_.on_lead_area_press(cell);
        return;
    }
    press_region_ = grid_.region_at(point);
    if (press_region_ == region_cells)
        grid_.select_cell(cell);
}

void ControlGrid::Painter::on_mouse_up(plat::POINT point, bool) {
    const int began = press_region_;
    press_region_ = region_none;
    const int ended = grid_.region_at(point);
    if (began == region_header && ended == region_header)
        grid_.raise_header_click(grid_.cell_at(point));
    if (began == region_cells) {
        grid_.on_pointer_released();
        if (ended == region_cells)
            grid_.raise_item_click(grid_.cell_at(point));
    }
}

void ControlGrid::Painter::on_context_down(plat::POINT point, bool) {
    const GridCellEvent cell = grid_.cell_at(point);
    if (grid_.in_lead_area(cell) || grid_.region_at(point) != region_cells)
        return;
    context_armed_ = true;
    grid_.on_cell_pointer(cell);
}

void ControlGrid::Painter::on_context_up(plat::POINT point, bool) {
    if (!context_armed_)
        return;
    context_armed_ = false;
    grid_.on_context_released();
    const int region = grid_.region_at(point);
    if (region == region_header)
        grid_.raise_header_context_click(grid_.cell_at(point));
    else if (region == region_cells)
        grid_.raise_item_context_click(grid_.cell_at(point));
}

int32_t ControlGrid::Painter::on_wheel(plat::POINT point, int32_t steps) {
    ControlScrollBar& bar = grid_.get_vertical_bar();
    bar.set_position(bar.get_position() - wheel_rows * steps);
    grid_.highlight_at(point);
    return 1;
}

ControlGrid::ControlGrid(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : ControlPanelAutoScroll(parent, name_or_kind, creation_mode), painter_(*this) {
    read_skin();
}

ControlGrid::~ControlGrid() = default;

void ControlGrid::read_skin() {
    row_height_ = get_scaled_int_property(L"ItemHeight", 40);
    border_min_ = get_point_property(L"BorderMin", {0, 0});
    border_max_ = get_point_property(L"BorderMax", border_min_);
    const auto style = [&](std::wstring_view key, const GridItemStyle& fallback) {
        return GridItemStyle{get_picture_property(key, fallback.picture), get_font_property(key, fallback.font),
                             get_color_property(key, fallback.colour)};
    };
    item_normal_ = style(L"ItemNormal", GridItemStyle{});
    item_selection_ = style(L"ItemSelection", item_normal_);
    item_highlight_ = style(L"ItemHighlight", item_normal_);
    item_selection_highlight_ = style(L"ItemSelectionHighlight", item_selection_);
    header_normal_ = style(L"HeaderNormal", item_normal_);
    picture_normal_ = get_picture_property(L"Normal", Picture());
    picture_highlighted_ = get_picture_property(L"Highlighted", picture_normal_);
    picture_disabled_ = get_picture_property(L"Disabled", picture_normal_);
    painter_.set_gestures(Control::get_gestures({}));
}

void ControlGrid::load_skin() {
    ControlPanelAutoScroll::load_skin();
    read_skin();
}

int32_t ControlGrid::on_scroll(Control* sender, int32_t position) {
    if (sender == &get_vertical_bar() || sender == &get_horizontal_bar())
        invalidate();
    return ControlPanelAutoScroll::on_scroll(sender, position);
}

void ControlGrid::on_lost_focus() {
    // The action key's release now goes elsewhere: the next key-down starts a new press.
    action_down_ = false;
    hold_timer_.stop();
    ControlPanelAutoScroll::on_lost_focus();
    if (editor_)
        close_editor(true);
}

void ControlGrid::on_enabled_changed(bool enabled) {
    ControlPanelAutoScroll::on_enabled_changed(enabled);
    if (!enabled && editor_)
        close_editor(false);
}

const Picture& ControlGrid::background() {
    if (!is_enabled())
        return picture_disabled_;
    if (get_parent()->get_hovered_child() == this)
        return picture_highlighted_;
    return picture_normal_;
}

void ControlGrid::paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) {
    background().draw_shifted(canvas, get_position(), get_size());
    ControlPanelAutoScroll::paint(canvas, clip_position, clip_size);
}

bool ControlGrid::hit_test(plat::POINT point) {
    if (ControlPanelAutoScroll::hit_test(point))
        return true;
    if (!inside(point, get_position(), get_size()))
        return false;
    const Picture& picture = background();
    return !picture.loaded() || !picture.is_transparent(point, get_position(), get_size());
}

void ControlGrid::close_editor_unless_hit(plat::POINT point) {
    if (editor_ && !inside(point, editor_->get_position(), editor_->get_size()))
        close_editor(true);
}

void ControlGrid::on_mouse_down(plat::POINT point, bool double_click) {
    ControlPanelAutoScroll::on_mouse_down(point, double_click);
    close_editor_unless_hit(point);
}

void ControlGrid::on_context_down(plat::POINT point, bool flag) {
    ControlPanelAutoScroll::on_context_down(point, flag);
    close_editor_unless_hit(point);
}

void ControlGrid::on_button3_down(plat::POINT point, bool flag) {
    ControlPanelAutoScroll::on_button3_down(point, flag);
    close_editor_unless_hit(point);
}

int32_t ControlGrid::on_key_down(int32_t code) {
    if (editor_) {
        if (code == key::escape || code == key::action) {
            close_editor(code == key::action);
            return 1;
        }
        return ControlPanelAutoScroll::on_key_down(code);
    }
    if (code == key::action) {
        if (!action_down_) {
            action_down_ = true;
            hold_timer_.start(action_hold_seconds);
        }
        return 0;  // the form's own handling of the action key follows
    }
    if (code == key::applications) {
        context_request();
        return 1;
    }
    if (!on_key(code))
        return 0;
    layout();
    invalidate();
    return 1;
}

int32_t ControlGrid::on_key_up(int32_t code) {
    if (code == key::action) {
        action_down_ = false;
        hold_timer_.stop();
    }
    return editor_ ? ControlPanelAutoScroll::on_key_up(code) : 0;
}

void ControlGrid::on_timer(liba::Timer*) { context_request(); }

void ControlGrid::set_rect(plat::POINT position, plat::POINT size) {
    ControlPanelAutoScroll::set_rect(position, size);
    layout();
}

void ControlGrid::refresh() {
    layout();
    invalidate();
}

void ControlGrid::layout() {
    const int32_t rows = get_row_count();
    const int32_t columns = std::max(0, get_column_count());
    const int32_t row_height = get_row_height(0);
    const int32_t header_height = get_header_height();
    int32_t fixed = 0;
    int32_t weights = 0;
    int32_t last_weighted = -1;
    std::vector<int32_t> widths(size_t(columns), 0);
    for (int32_t column = 0; column < columns; ++column) {
        widths[size_t(column)] = get_column_width(column);
        if (widths[size_t(column)] > 0) {
            fixed += widths[size_t(column)];
        } else if (widths[size_t(column)] < 0) {
            weights -= widths[size_t(column)];
            last_weighted = column;
        }
    }
    fit(painter_, {fixed, int32_t(std::clamp<int64_t>(header_height + int64_t(row_height) * rows, 0, INT32_MAX))});

    const plat::POINT painter_size = painter_.get_size();
    const int32_t free = std::max(0, painter_size.x - fixed);
    column_starts_.assign(size_t(columns) + 1, 0);
    int32_t given = 0;  // of the free width, to the weighted columns so far
    for (int32_t column = 0; column < columns; ++column) {
        const int32_t width = widths[size_t(column)];
        int32_t step = 0;
        if (width > 0) {
            step = width;
        } else if (width < 0) {
            step = column == last_weighted ? free - given : int32_t(int64_t(free) * -width / weights);
            given += step;
        }
        column_starts_[size_t(column) + 1] = column_starts_[size_t(column)] + step;
    }

    if (row_height > 0) {
        get_vertical_bar().set_range(0, rows);
        get_vertical_bar().set_page((painter_size.y - header_height) / row_height);
        get_horizontal_bar().set_range(0, column_starts_.back());
        get_horizontal_bar().set_page(painter_size.x);
    }
    place_bars();

    if (editor_) {
        ensure_column_visible(editor_column_);
        ensure_row_visible(editor_row_);
        plat::POINT position, size;
        cell_rect(editor_column_, editor_row_, position, size);
        editor_->set_rect(position, size);
        editor_->set_visible(true);
    }
}

void ControlGrid::cell_rect(int32_t column, int32_t row, plat::POINT& position, plat::POINT& size) {
    const plat::POINT painter_position = painter_.get_position();
    const plat::POINT painter_size = painter_.get_size();
    const int32_t row_height = get_row_height(0);
    const bool known = column >= 0 && size_t(column) + 1 < column_starts_.size();
    const int32_t start = known ? column_starts_[size_t(column)] : 0;
    const int32_t width = known ? column_starts_[size_t(column) + 1] - start : 0;
    position = {painter_position.x + start - get_horizontal_offset(),
                painter_position.y + get_header_height() + row_height * (row - get_first_visible_row())};
    const int32_t right = std::min(position.x + width, painter_position.x + painter_size.x);
    const int32_t bottom = std::min(position.y + row_height, painter_position.y + painter_size.y);
    size = {std::max(0, right - position.x), std::max(0, bottom - position.y)};
}

int ControlGrid::region_at(plat::POINT point) {
    const int32_t y = point.y - painter_.get_position().y;
    if (y < 0)
        return region_none;
    if (y < get_header_height())
        return region_header;
    // Without a row height there are no rows to hit.
    if (y < painter_.get_size().y && get_row_height(0) > 0)
        return region_cells;
    return region_none;
}

GridCellEvent ControlGrid::cell_at(plat::POINT point) {
    GridCellEvent cell;
    cell.point = point;
    const int32_t x = point.x - painter_.get_position().x + get_horizontal_offset();
    for (size_t column = 0; x >= 0 && column + 1 < column_starts_.size(); ++column)
        if (x >= column_starts_[column] && x < column_starts_[column + 1])
            cell.column = int32_t(column);
    const int32_t first = get_first_visible_row();
    const int32_t row_height = get_row_height(0);
    const int32_t header_height = get_header_height();
    const int32_t y = point.y - painter_.get_position().y - header_height;
    cell.row = y < 0 || row_height <= 0 ? first : first + y / row_height;
    cell.row = std::min(cell.row, get_row_count());
    const int32_t cell_x = painter_.get_position().x - get_horizontal_offset() +
                           (cell.column >= 0 ? column_starts_[size_t(cell.column)] : 0);
    const int32_t cell_y = painter_.get_position().y + header_height + row_height * (cell.row - first);
    cell.offset = {point.x - cell_x, point.y - cell_y};
    return cell;
}

bool ControlGrid::in_lead_area(const GridCellEvent& cell) {
    return cell.column == 0 && region_at(cell.point) == region_cells && cell.offset.x < get_lead_area_width(cell.row);
}

void ControlGrid::highlight_at(plat::POINT point) {
    if (region_at(point) == region_cells) {
        const GridCellEvent cell = cell_at(point);
        set_highlight(cell.column, cell.row);
    } else {
        set_highlight(-1, -1);
    }
}

void ControlGrid::context_request() {
    GridCellEvent cell;
    get_selected_cell(cell.column, cell.row);
    plat::POINT position, size;
    cell_rect(cell.column, cell.row, position, size);
    cell.point = {position.x + size.x / 2, position.y + size.y / 2};
    const plat::POINT painter_position = painter_.get_position();
    const plat::POINT painter_size = painter_.get_size();
    if (cell.column < 0)
        cell.point.x = painter_position.x + painter_size.x / context_fraction;
    if (cell.row < 0)
        cell.point.y = painter_position.y + painter_size.y / context_fraction;
    raise_item_context_click(cell);
}

void ControlGrid::ensure_row_visible(int32_t row) {
    const int32_t row_height = get_row_height(0);
    if (row_height <= 0)
        return;
    ControlScrollBar& bar = get_vertical_bar();
    const int32_t first = bar.get_position();
    const int32_t visible = std::max(1, (painter_.get_size().y - get_header_height()) / row_height);
    if (row < first)
        bar.set_position(row);
    else if (row >= first + visible)
        bar.set_position(row - visible + 1);
}

void ControlGrid::ensure_column_visible(int32_t column) {
    if (column < 0 || column >= get_column_count() || size_t(column) + 1 >= column_starts_.size())
        return;
    ControlScrollBar& bar = get_horizontal_bar();
    int32_t offset = bar.get_position();
    const int32_t view = painter_.get_size().x;
    if (column_starts_[size_t(column) + 1] > offset + view)
        offset = column_starts_[size_t(column) + 1] - view;
    if (column_starts_[size_t(column)] < offset)
        offset = column_starts_[size_t(column)];
    bar.set_position(offset);
}

void ControlGrid::on_selection_changed() {
    on_selection_changed(this);
    invalidate();
}

void ControlGrid::on_highlight_changed() {
    on_highlight_changed(this);
    invalidate();
}

void ControlGrid::open_editor(Control* editor, int32_t column, int32_t row) {
    editor_ = editor;
    editor_column_ = column;
    editor_row_ = row;
    layout();
}

void ControlGrid::close_editor(bool commit) {
    if (!editor_)
        return;
    editor_->set_visible(false);
    get_container()->set_focused_child(nullptr);
    const int32_t column = editor_column_;
    const int32_t row = editor_row_;
    editor_column_ = -1;
    editor_row_ = -1;
    editor_ = nullptr;
    raise_editor_closed(column, row, commit);
    invalidate();
}

void ControlGrid::paint_header_cell(int32_t, Canvas&, plat::POINT, plat::POINT) {}

int32_t ControlGrid::raise_item_click(const GridCellEvent& cell) { return on_item_click(this, cell.column, cell.row); }

int32_t ControlGrid::raise_item_context_click(const GridCellEvent& cell) {
    return on_item_context_click(this, cell.column, cell.row);
}

int32_t ControlGrid::raise_header_click(const GridCellEvent& cell) {
    return on_header_click(this, cell.column, cell.row);
}

int32_t ControlGrid::raise_header_context_click(const GridCellEvent& cell) {
    return on_header_context_click(this, cell.column, cell.row);
}

int32_t ControlGrid::raise_editor_closed(int32_t column, int32_t row, bool commit) {
    return on_event_9(this, column, row, commit);
}

void ControlGrid::on_lead_area_press(const GridCellEvent&) {}
int32_t ControlGrid::get_lead_area_width(int32_t) { return 0; }
int32_t ControlGrid::get_row_height(int32_t) { return row_height_; }
int32_t ControlGrid::get_header_height() { return 0; }
int32_t ControlGrid::get_column_width(int32_t) { return -1; }

const GridItemStyle& ControlGrid::get_item_style(bool selected, bool highlighted) {
    if (selected && highlighted)
        return item_selection_highlight_;
    if (selected)
        return item_selection_;
    if (highlighted)
        return item_highlight_;
    return item_normal_;
}

} // namespace skinner
