#pragma once
#include "skinner/controls/SelectionStrategy.h"

namespace skinner {

// One column at a time: the tab header strip.
class GridSelectionStrategySingleColumn : public GridSelectionStrategyWithHighlight {
public:
    void set_selected_column(int32_t column);
    int32_t get_selected_column() const { return column_; }

    bool is_cell_selected(int32_t column, int32_t row) override;
    void select_cell(const GridCellEvent& cell) override;
    void select_cell_at(const GridCellEvent& cell) override { select_cell(cell); }
    void on_cell_pointer(const GridCellEvent& cell) override { select_cell(cell); }
    void on_rows_inserted(int32_t, int32_t) override {}
    void on_rows_removed(int32_t, int32_t) override {}
    bool is_cell_highlighted(int32_t column, int32_t row) override;
    void get_selected_cell(int32_t& column, int32_t& row) override;
    bool on_key(int32_t code) override;

private:
    int32_t column_ = -1;
};

} // namespace skinner
