#pragma once
#include "plat/Gdi.h"

#include <cstdint>

namespace skinner {

// Where a pointer met a grid cell: the cell, the point's offset inside it,
// the point itself and the pointer's flag word.
struct GridCellEvent {
    int32_t column = -1;
    int32_t row = -1;
    plat::POINT offset;
    plat::POINT point;
    uint32_t flags = 0;
};

// Which cells of a grid are selected and how keys move the selection. The
// grid derives from it virtually; the most-derived grid picks the concrete
// strategy and supplies the counts and the notifications.
class GridSelectionStrategy {
public:
    virtual ~GridSelectionStrategy() = default;
    virtual int32_t get_row_count() = 0;
    virtual int32_t get_column_count() = 0;
    virtual bool is_cell_selected(int32_t column, int32_t row) = 0;
    virtual void select_cell(const GridCellEvent& cell) = 0;
    // The pointer dragged over a cell while pressed.
    virtual void select_cell_at(const GridCellEvent& cell) = 0;
    virtual void on_pointer_released() {}
    // Tap-and-hold on a cell.
    virtual void on_cell_pointer(const GridCellEvent& cell) = 0;
    virtual void on_context_released() {}
    // Rows were inserted after row position (-1: before the first row).
    virtual void on_rows_inserted(int32_t position, int32_t count) = 0;
    // Rows position + 1 .. position + count were removed.
    virtual void on_rows_removed(int32_t position, int32_t count) = 0;
    virtual void set_highlight(int32_t column, int32_t row) = 0;
    virtual bool is_cell_highlighted(int32_t column, int32_t row) = 0;
    virtual int32_t get_highlight_column() = 0;
    virtual int32_t get_highlight_row() = 0;
    virtual void get_selected_cell(int32_t& column, int32_t& row) = 0;
    // True when the key moved (or was meant for) the selection.
    virtual bool on_key(int32_t code) = 0;
    virtual void on_selection_changed() = 0;
    virtual void on_highlight_changed() = 0;
    virtual void ensure_column_visible(int32_t column) = 0;
    virtual void ensure_row_visible(int32_t row) = 0;
};

// The highlighted cell (the one under the pointer); row -1 means none.
class GridSelectionStrategyWithHighlight : public virtual GridSelectionStrategy {
public:
    void set_highlight(int32_t column, int32_t row) override;
    int32_t get_highlight_column() override { return highlight_column_; }
    int32_t get_highlight_row() override { return highlight_row_; }

private:
    int32_t highlight_column_ = -1;
    int32_t highlight_row_ = -1;
};

} // namespace skinner
