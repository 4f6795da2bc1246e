#include "skinner/controls/SelectionSingleCell.h"
#include "skinner/Control.h"

#include <algorithm>

namespace skinner {

void GridSelectionStrategySingleCell::set_selected_cell(int32_t column, int32_t row) {
    if (column >= 0 && column < get_column_count() && row >= 0 && row < get_row_count())
        set_selected_cell_xy(column, row);
}

void GridSelectionStrategySingleCell::set_selected_cell_xy(int32_t column, int32_t row) {
    if (column == column_ && row == row_)
        return;
    column_ = column;
    row_ = row;
    on_selection_changed();
}

bool GridSelectionStrategySingleCell::is_cell_selected(int32_t column, int32_t row) {
    return column == column_ && row == row_;
}

void GridSelectionStrategySingleCell::select_cell(const GridCellEvent& cell) { set_selected_cell(cell.column, cell.row); }
void GridSelectionStrategySingleCell::select_cell_at(const GridCellEvent& cell) { select_cell(cell); }

void GridSelectionStrategySingleCell::on_cell_pointer(const GridCellEvent& cell) {
    GridCellEvent bare;
    bare.column = cell.column;
    bare.row = cell.row;
    select_cell(bare);
}

bool GridSelectionStrategySingleCell::is_cell_highlighted(int32_t column, int32_t row) {
    return column == get_highlight_column() && row == get_highlight_row();
}

void GridSelectionStrategySingleCell::get_selected_cell(int32_t& column, int32_t& row) {
    column = column_;
    row = row_;
}

bool GridSelectionStrategySingleCell::on_key(int32_t code) {
    const int32_t columns = get_column_count();
    const int32_t rows = get_row_count();
    if (columns <= 0 || rows <= 0)
        return false;
    int32_t column = column_;
    int32_t row = row_;
    switch (code) {
    case key::left: column = column < 0 ? 0 : std::max(column - 1, 0); break;
    case key::right: column = column < 0 ? 0 : std::min(column + 1, columns - 1); break;
    case key::up: row = row < 0 ? 0 : std::max(row - 1, 0); break;
    case key::down:
        if (column < 0)
            row = 0;
        else
            row = std::min(row + 1, rows - 1);
        break;
    case key::home: column = 0; break;
    case key::end: column = columns - 1; break;
    default: return false;
    }
    set_selected_cell_xy(column, row);
    set_highlight(column, row);
    ensure_column_visible(column);
    ensure_row_visible(row);
    return true;
}

} // namespace skinner
