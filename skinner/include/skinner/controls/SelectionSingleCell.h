#pragma once
#include "skinner/controls/SelectionStrategy.h"

namespace skinner {

// One cell at a time: the month view.
class GridSelectionStrategySingleCell : public GridSelectionStrategyWithHighlight {
public:
    // Only a cell inside the grid.
    void set_selected_cell(int32_t column, int32_t row);
    // Without a range check: the month view places the selection itself.
    void set_selected_cell_xy(int32_t column, int32_t row);

    bool is_cell_selected(int32_t column, int32_t row) override;
    void select_cell(const GridCellEvent& cell) override;
    void select_cell_at(const GridCellEvent& cell) override;
    void on_cell_pointer(const GridCellEvent& cell) override;
    void on_rows_inserted(int32_t, int32_t) override {}
    void on_rows_removed(int32_t, int32_t) override {}
    bool is_cell_highlighted(int32_t column, int32_t row) override;
    void get_selected_cell(int32_t& column, int32_t& row) override;
    bool on_key(int32_t code) override;

private:
    int32_t column_ = 0;
    int32_t row_ = 0;
};

} // namespace skinner
