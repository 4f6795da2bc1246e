#include "skinner/controls/SelectionSingleRow.h"
#include "skinner/Control.h"

namespace skinner {

void GridSelectionStrategySingleRow::set_selected_row(int32_t row) {
    if (row == selected_row_)
        return;
    selected_row_ = row;
    on_selection_changed();
    if (row >= 0 && row < get_row_count())
        ensure_row_visible(row);
}

void GridSelectionStrategySingleRow::select_in_range(int32_t row) {
    if (row >= 0 && row < get_row_count())
        set_selected_row(row);
}

bool GridSelectionStrategySingleRow::is_cell_selected(int32_t, int32_t row) { return row == selected_row_; }
void GridSelectionStrategySingleRow::select_cell(const GridCellEvent& cell) { select_in_range(cell.row); }
void GridSelectionStrategySingleRow::select_cell_at(const GridCellEvent& cell) { select_in_range(cell.row); }
void GridSelectionStrategySingleRow::on_cell_pointer(const GridCellEvent& cell) { select_in_range(cell.row); }

void GridSelectionStrategySingleRow::on_rows_inserted(int32_t position, int32_t count) {
    if (selected_row_ > position)
        selected_row_ += count;
}

void GridSelectionStrategySingleRow::on_rows_removed(int32_t position, int32_t count) {
    if (selected_row_ > position + count)
        selected_row_ -= count;
    else if (selected_row_ > position)
        selected_row_ = -1;
}

bool GridSelectionStrategySingleRow::is_cell_highlighted(int32_t, int32_t row) {
    return row == get_highlight_row();
}

void GridSelectionStrategySingleRow::get_selected_cell(int32_t& column, int32_t& row) {
    column = -1;
    row = selected_row_;
}

bool GridSelectionStrategySingleRow::on_key(int32_t code) {
    const int32_t rows = get_row_count();
    if (rows <= 0)
        return false;
    int32_t row = selected_row_;
    switch (code) {
    case key::up:
    case key::page_up:
        if (row == 0)
            return false;  // the form may act on it
        row = row < 0 ? 0 : row - 1;
        break;
    case key::down:
    case key::page_down:
        if (row == rows - 1)
            return false;
        row = row < 0 ? 0 : row + 1;
        break;
    case key::home: row = 0; break;
    case key::end: row = rows - 1; break;
    default: return false;
    }
    row = row >= rows ? rows - 1 : row;  // a selection left beyond the rows
    set_selected_row(row);
    set_highlight(0, -1);
    ensure_row_visible(row);
    return true;
}

} // namespace skinner
