#include "skinner/controls/SelectionSingleColumn.h"
#include "skinner/Control.h"

#include <algorithm>

namespace skinner {

void GridSelectionStrategySingleColumn::set_selected_column(int32_t column) {
    if (column == column_)
        return;
    column_ = column;
    on_selection_changed();
}

bool GridSelectionStrategySingleColumn::is_cell_selected(int32_t column, int32_t) { return column == column_; }

void GridSelectionStrategySingleColumn::select_cell(const GridCellEvent& cell) {
    if (cell.column >= 0 && cell.column < get_column_count())
        set_selected_column(cell.column);
}

bool GridSelectionStrategySingleColumn::is_cell_highlighted(int32_t column, int32_t) {
    return column == get_highlight_column();
}

void GridSelectionStrategySingleColumn::get_selected_cell(int32_t& column, int32_t& row) {
    column = column_;
    row = -1;
}

bool GridSelectionStrategySingleColumn::on_key(int32_t code) {
    const int32_t columns = get_column_count();
    if (columns <= 0)
        return false;  // no column 0 to select
    int32_t column = column_;
    switch (code) {
    case key::left: column = column < 0 ? 0 : std::max(column - 1, 0); break;
    case key::right: column = column < 0 ? 0 : std::min(column + 1, columns - 1); break;
    case key::home: column = 0; break;
    case key::end: column = columns - 1; break;
    default: return false;
    }
    set_selected_column(column);
    set_highlight(0, -1);
    ensure_column_visible(column);
    return true;
}

} // namespace skinner
