#include "skinner/Control.h"
#include "skinner/controls/SelectionSingleCell.h"
#include "skinner/controls/SelectionSingleColumn.h"
#include "skinner/controls/SelectionSingleRow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace skinner;

// A strategy over a fixed table that writes down every notification.
template <class Strategy>
struct Table : Strategy {
    int32_t rows = 0, columns = 0;
    std::vector<std::string> told;
    int32_t get_row_count() override { return rows; }
    int32_t get_column_count() override { return columns; }
    void on_selection_changed() override { told.push_back("selection"); }
    void on_highlight_changed() override { told.push_back("highlight"); }
    void ensure_column_visible(int32_t column) override { told.push_back("column " + std::to_string(column)); }
    void ensure_row_visible(int32_t row) override { told.push_back("row " + std::to_string(row)); }
};

GridCellEvent cell(int32_t column, int32_t row) {
    GridCellEvent event;
    event.column = column;
    event.row = row;
    return event;
}

TEST(GridSelection, SingleRowKeysStopAtTheEndsAndStartFromNone) {
    Table<GridSelectionStrategySingleRow> t;
    EXPECT_FALSE(t.on_key(key::down));  // no rows: nothing used
    t.rows = 3;
    EXPECT_TRUE(t.on_key(key::down));
    EXPECT_EQ(t.get_selected_row(), 0);
    EXPECT_FALSE(t.on_key(key::up));  // at row 0 the form may act on it
    EXPECT_TRUE(t.on_key(key::end));
    EXPECT_FALSE(t.on_key(key::page_down));
    EXPECT_TRUE(t.on_key(key::page_up));
    EXPECT_EQ(t.get_selected_row(), 1);
    EXPECT_FALSE(t.on_key(key::left));
    t.set_selected_row(-1);
    EXPECT_TRUE(t.on_key(key::up));
    EXPECT_EQ(t.get_selected_row(), 0);
    t.select_cell(cell(7, 3));  // outside the rows: ignored
    EXPECT_EQ(t.get_selected_row(), 0);
    t.set_highlight(2, 1);
    t.told.clear();
    EXPECT_TRUE(t.on_key(key::home));  // no change: only the highlight and the view
    EXPECT_EQ(t.told, (std::vector<std::string>{"highlight", "row 0"}));
    EXPECT_TRUE(t.is_cell_selected(5, 0));
}

TEST(GridSelection, SingleRowFollowsInsertedAndRemovedRows) {
    Table<GridSelectionStrategySingleRow> t;
    t.rows = 10;
    const auto removed = [&](int32_t selected) {
        t.set_selected_row(selected);
        t.on_rows_removed(2, 2);
        return t.get_selected_row();
    };
    EXPECT_EQ(removed(5), 3);
    EXPECT_EQ(removed(4), -1);
    EXPECT_EQ(removed(3), -1);
    EXPECT_EQ(removed(2), 2);
    t.set_selected_row(0);
    t.on_rows_inserted(-1, 2);
    EXPECT_EQ(t.get_selected_row(), 2);
    t.on_rows_inserted(2, 1);
    EXPECT_EQ(t.get_selected_row(), 2);
}

TEST(GridSelection, SingleCellKeysClampAndHighlightTheCell) {
    Table<GridSelectionStrategySingleCell> t;
    EXPECT_FALSE(t.on_key(key::right));
    t.rows = 2;
    t.columns = 3;
    t.told.clear();
    EXPECT_TRUE(t.on_key(key::left));  // (0, 0) stays; highlight and view still follow
    EXPECT_EQ(t.told, (std::vector<std::string>{"highlight", "column 0", "row 0"}));
    EXPECT_TRUE(t.on_key(key::end));
    EXPECT_TRUE(t.on_key(key::right));
    EXPECT_TRUE(t.on_key(key::down));
    EXPECT_TRUE(t.on_key(key::down));
    int32_t column = 0, row = 0;
    t.get_selected_cell(column, row);
    EXPECT_EQ(column, 2);
    EXPECT_EQ(row, 1);
    EXPECT_TRUE(t.is_cell_highlighted(2, 1));
    EXPECT_FALSE(t.on_key(key::page_down));
    t.set_selected_cell_xy(-1, 1);
    EXPECT_TRUE(t.on_key(key::down));  // no column: row 0 of no column
    t.get_selected_cell(column, row);
    EXPECT_EQ(column, -1);
    EXPECT_EQ(row, 0);
    t.select_cell(cell(3, 0));  // outside: ignored
    t.get_selected_cell(column, row);
    EXPECT_EQ(column, -1);
}

TEST(GridSelection, SingleColumnKeysAndNoColumns) {
    Table<GridSelectionStrategySingleColumn> t;
    EXPECT_FALSE(t.on_key(key::right));  // no columns: no column 0 to select
    EXPECT_EQ(t.get_selected_column(), -1);
    t.columns = 3;
    EXPECT_TRUE(t.on_key(key::right));
    EXPECT_EQ(t.get_selected_column(), 0);
    EXPECT_TRUE(t.on_key(key::end));
    t.told.clear();
    EXPECT_TRUE(t.on_key(key::right));
    EXPECT_EQ(t.told, (std::vector<std::string>{"column 2"}));  // no change, no selection event
    EXPECT_FALSE(t.on_key(key::down));
    int32_t column = 0, row = 0;
    t.get_selected_cell(column, row);
    EXPECT_EQ(column, 2);
    EXPECT_EQ(row, -1);
}

} // namespace
