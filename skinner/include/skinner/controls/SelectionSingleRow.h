#pragma once
#include "skinner/controls/SelectionStrategy.h"

namespace skinner {

// Whole rows, one at a time: lists, the day and week views, the file list.
class GridSelectionStrategySingleRow : public GridSelectionStrategyWithHighlight {
public:
    void set_selected_row(int32_t row);
    int32_t get_selected_row() const { return selected_row_; }

    bool is_cell_selected(int32_t column, int32_t row) override;
    void select_cell(const GridCellEvent& cell) override;
    void select_cell_at(const GridCellEvent& cell) override;
    void on_cell_pointer(const GridCellEvent& cell) override;
    void on_rows_inserted(int32_t position, int32_t count) override;
    void on_rows_removed(int32_t position, int32_t count) override;
    bool is_cell_highlighted(int32_t column, int32_t row) override;
    void get_selected_cell(int32_t& column, int32_t& row) override;
    bool on_key(int32_t code) override;

private:
    void select_in_range(int32_t row);
    int32_t selected_row_ = -1;
};

} // namespace skinner
