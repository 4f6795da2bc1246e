#include "FormFixture.h"

#include "skinner/Control.h"
#include "skinner/controls/ControlGrid.h"
#include "skinner/controls/ControlList.h"
#include "skinner/controls/SelectionSingleCell.h"
#include "skinner/controls/SelectionSingleColumn.h"
#include "skinner/controls/SelectionSingleRow.h"

#include "plat/Clock.h"
#include "plat/UiTest.h"

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

const char* const grid_skin = R"(<skin id="grids" devices="">
  <design width="240" height="320"/>
  <kind name="VBar"><int name="Vertical" value="1"/></kind>
  <kind name="HBar"/>
  <form name="Grids">
    <point name="Size" x="240" y="260"/>
    <control name="grdTest"><point name="Position" x="0" y="0"/><point name="Size" x="200" y="100"/>
      <int name="ItemHeight" value="20"/><int name="ScrollWidth" value="10"/>
      <string name="KindScroll" value="VBar"/><string name="KindHScroll" value="HBar"/></control>
    <control name="grdFlat"><point name="Position" x="0" y="120"/><point name="Size" x="200" y="100"/>
      <int name="ItemHeight" value="0"/></control>
    <control name="lstTest"><point name="Position" x="0" y="0"/><point name="Size" x="200" y="100"/>
      <int name="ItemHeight" value="20"/><int name="ScrollWidth" value="10"/>
      <string name="KindScroll" value="VBar"/><string name="KindHScroll" value="HBar"/></control>
  </form>
</skin>)";

// Writes down the events that reach it.
class EventForm : public form_fixture::TestForm {
public:
    using TestForm::TestForm;
    int32_t on_item_click(Control*, int32_t column, int32_t row) override { return note("item", column, row); }
    int32_t on_item_context_click(Control*, int32_t column, int32_t row) override {
        return note("context", column, row);
    }
    int32_t on_header_click(Control*, int32_t column, int32_t row) override { return note("header", column, row); }
    int32_t on_selection_changed(Control*) override {
        heard.push_back("selection");
        return 1;
    }
    int32_t note(const std::string& what, int32_t column, int32_t row) {
        heard.push_back(what + " " + std::to_string(column) + "," + std::to_string(row));
        return 1;
    }
    std::vector<std::string> heard;
};

// Rows of one height, columns of given widths and a header; draws nothing but notes its cells.
class TestGrid : public ControlGrid, public GridSelectionStrategySingleRow {
public:
    TestGrid(Container* parent, std::wstring_view name, int32_t rows, std::vector<int32_t> widths, int32_t header)
        : ControlGrid(parent, name), rows_(rows), widths_(std::move(widths)), header_(header) {
        refresh();
    }
    int32_t get_row_count() override { return rows_; }
    int32_t get_column_count() override { return int32_t(widths_.size()); }
    int32_t get_column_width(int32_t column) override { return widths_[size_t(column)]; }
    int32_t get_header_height() override { return header_; }
    void paint_header_cell(int32_t column, Canvas&, plat::POINT position, plat::POINT size) override {
        painted.push_back("h" + std::to_string(column) + "@" + at(position, size));
    }
    void paint_cell(int32_t column, int32_t row, Canvas&, plat::POINT position, plat::POINT size, bool selected,
                    bool) override {
        painted.push_back(std::to_string(column) + "," + std::to_string(row) + (selected ? "*" : "") + "@" +
                          at(position, size));
    }
    static std::string at(plat::POINT p, plat::POINT s) {
        return std::to_string(p.x) + "," + std::to_string(p.y) + " " + std::to_string(s.x) + "x" + std::to_string(s.y);
    }
    int32_t rows_;
    std::vector<int32_t> widths_;
    int32_t header_;
    std::vector<std::string> painted;
};

class GridTest : public testing::Test {
protected:
    void SetUp() override {
        plat::set_fake_clock(plat::SystemTime{2026, 3, 0, 7, 6, 0, 0, 0}, false);
        application = std::make_unique<os::Application>(nullptr);
        properties.load_skin(skin_fixture::write_skin(grid_skin), {240, 320});
        form = std::make_unique<EventForm>(&properties, L"Grids");
    }
    void TearDown() override {
        form.reset();
        application.reset();
        plat::clear_fake_clock();
    }
    void tap(plat::POINT down, plat::POINT up) {
        form->pointer_down(pointer_tap, down, false);
        form->pointer_move(up);
        form->pointer_up(pointer_tap, up, false);
    }
    std::vector<std::string> paint(TestGrid& grid) {
        grid.painted.clear();
        skin_fixture::Screen screen(240, 260);
        grid.get_painter().paint(*screen.canvas, {0, 0}, {240, 260});
        return grid.painted;
    }

    std::unique_ptr<os::Application> application;
    Properties properties;
    std::unique_ptr<EventForm> form;
};

TEST_F(GridTest, ColumnsFixedWeightedAndTheRemainder) {
    TestGrid grid(form.get(), L"grdTest", 2, {100, -1, -2}, 0);
    grid.set_rect({0, 0}, {400, 300});
    EXPECT_EQ(grid.get_column_starts(), (std::vector<int32_t>{0, 100, 200, 400}));  // the -2 column takes the rest
    EXPECT_FALSE(grid.get_horizontal_bar().is_own_visible());
    grid.widths_ = {300, -1, 200};  // wider than the painter: the weighted column gets nothing
    grid.refresh();
    EXPECT_EQ(grid.get_column_starts(), (std::vector<int32_t>{0, 300, 300, 500}));
    EXPECT_TRUE(grid.get_horizontal_bar().is_own_visible());
    EXPECT_EQ(grid.get_horizontal_bar().get_max(), 500);
    EXPECT_EQ(grid.get_horizontal_bar().get_page(), 400);
    grid.widths_ = {-1, -1, -1};  // 400 / 3: the last takes the odd pixel
    grid.refresh();
    EXPECT_EQ(grid.get_column_starts(), (std::vector<int32_t>{0, 133, 266, 400}));
}

TEST_F(GridTest, PaintsTheHeaderThenTheVisibleRowsFromTheFirstVisible) {
    TestGrid grid(form.get(), L"grdTest", 10, {50, -1}, 20);
    // 100 high with a header of 20: four rows show; the vertical bar takes 10 of the width.
    EXPECT_EQ(grid.get_painter().get_size().x, 190);
    grid.get_vertical_bar().set_position(5);
    grid.set_selected_row(6);
    EXPECT_EQ(paint(grid), (std::vector<std::string>{
                               "h0@0,0 50x20", "h1@50,0 140x20", "0,5@0,20 50x20", "1,5@50,20 140x20",
                               "0,6*@0,40 50x20", "1,6*@50,40 140x20", "0,7@0,60 50x20", "1,7@50,60 140x20",
                               "0,8@0,80 50x20", "1,8@50,80 140x20"}));
    TestGrid empty(form.get(), L"grdFlat", 0, {50}, 20);
    EXPECT_EQ(paint(empty), (std::vector<std::string>{"h0@0,120 50x20"}));
}

TEST_F(GridTest, AColumnChangeWithoutRefreshIsFatalAtTheNextPaint) {
    TestGrid grid(form.get(), L"grdTest", 3, {50, -1}, 0);
    grid.widths_.push_back(-1);
    EXPECT_EXIT(paint(grid), testing::ExitedWithCode(70),
                "Number of items in grid grdTest had changed, but no refresh was called");
}

TEST_F(GridTest, HeaderAndCellTapsAndDragSelection) {
    TestGrid grid(form.get(), L"grdTest", 10, {-1}, 20);
    tap({30, 10}, {40, 15});  // header to header
    tap({30, 50}, {30, 10});  // a cell, released over the header: selected, no click
    EXPECT_EQ(grid.get_selected_row(), 1);
    tap({30, 30}, {30, 70});  // dragged from row 0 to row 2
    EXPECT_EQ(form->heard,
              (std::vector<std::string>{"header 0,0", "selection", "selection", "selection", "item 0,2"}));
    EXPECT_EQ(grid.get_selected_row(), 2);
    form->heard.clear();
    form->pointer_down(pointer_hold, {30, 90}, false);
    form->pointer_up(pointer_hold, {30, 90}, false);
    EXPECT_EQ(form->heard, (std::vector<std::string>{"selection", "context 0,3"}));
}

TEST_F(GridTest, KeysScrollTheSelectionIntoViewAndUpAtTheTopIsLeftToTheForm) {
    TestGrid grid(form.get(), L"grdTest", 10, {-1}, 20);
    EXPECT_EQ(grid.on_key_down(key::down), 1);
    EXPECT_EQ(grid.on_key_down(key::up), 0);
    EXPECT_EQ(grid.on_key_down(key::end), 1);
    EXPECT_EQ(grid.get_first_visible_row(), 6);  // row 9 is the last of four visible
    EXPECT_EQ(grid.on_key_down(key::home), 1);
    EXPECT_EQ(grid.get_first_visible_row(), 0);
    // Rows inserted before the selection keep it on its row.
    grid.set_selected_row(3);
    grid.rows_ = 12;
    grid.on_rows_inserted(0, 2);
    grid.refresh();
    EXPECT_EQ(grid.get_selected_row(), 5);
    grid.rows_ = 9;
    grid.on_rows_removed(1, 3);
    grid.refresh();
    EXPECT_EQ(grid.get_selected_row(), 2);
    EXPECT_EQ(grid.get_vertical_bar().get_max(), 9);
}

TEST_F(GridTest, HoldingTheActionKeyAsksForTheContextOncePerPress) {
    TestGrid grid(form.get(), L"grdTest", 10, {-1}, 20);
    grid.set_selected_row(1);
    form->heard.clear();
    // The device repeats the key-down every 100 ms while it is held.
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(grid.on_key_down(key::action), 0);  // the form's own handling follows
        plat::advance_clock_running_timers(100);
    }
    grid.on_key_up(key::action);
    // The middle of row 1 with no column: a fifth into the painter's width.
    EXPECT_EQ(form->heard, (std::vector<std::string>{"context -1,1"}));
    grid.on_key_down(key::action);
    plat::advance_clock_running_timers(400);
    grid.on_key_up(key::action);
    plat::advance_clock_running_timers(1000);
    EXPECT_EQ(form->heard.size(), 1u);
    grid.on_key_down(key::action);
    plat::advance_clock_running_timers(500);
    grid.on_key_up(key::action);
    EXPECT_EQ(form->heard.size(), 2u);
    // A press whose release went to another control once the focus moved on.
    grid.on_key_down(key::action);
    grid.on_lost_focus();
    plat::advance_clock_running_timers(1000);
    grid.on_key_down(key::action);
    plat::advance_clock_running_timers(500);
    EXPECT_EQ(form->heard.size(), 3u);
}

TEST_F(GridTest, TheWheelThroughTheFormWindowScrollsThreeRowsANotch) {
    TestGrid grid(form.get(), L"grdTest", 20, {-1}, 0);
    form->show(true);
    plat::run_until_idle();
    const plat::RECT window = form_fixture::window_rect(*form);
    plat::inject_wheel(window.left + 30, window.top + 30, -1);
    plat::run_until_idle();
    EXPECT_EQ(grid.get_first_visible_row(), 3);
    plat::inject_wheel(window.left + 30, window.top + 30, 2);
    plat::run_until_idle();
    EXPECT_EQ(grid.get_first_visible_row(), 0);
}

TEST_F(GridTest, ARowHeightOfZeroHasNoRowsToHitOrPaint) {
    TestGrid grid(form.get(), L"grdFlat", 5, {-1}, 0);
    tap({30, 130}, {30, 130});
    form->pointer_down(pointer_hold, {30, 130}, false);
    form->pointer_up(pointer_hold, {30, 130}, false);
    EXPECT_EQ(grid.get_selected_row(), -1);
    EXPECT_TRUE(form->heard.empty());
    EXPECT_EQ(paint(grid), (std::vector<std::string>{"h0@0,120 200x0"}));  // the header alone
}

// Draws nothing; notes what the list tells it.
struct Source : ListDataSource {
    int32_t rows = 3;
    std::vector<std::string>* heard = nullptr;
    void paint_item(int32_t, int32_t, Canvas&, plat::POINT, plat::POINT, bool, bool) override {}
    int32_t get_row_count() override { return rows; }
    int32_t get_column_count() override { return 1; }
    int32_t get_selected() override { return -1; }
    void set_selected(int32_t row) override { heard->push_back("source " + std::to_string(row)); }
    int32_t get_column_width(int32_t) override { return -1; }
};

TEST_F(GridTest, AListTellsItsSourceBeforeItsOwnEvent) {
    Source source;
    source.heard = &form->heard;
    List list(form.get(), L"lstTest", creation_named, &source);
    EXPECT_EQ(list.on_key_down(key::down), 1);
    EXPECT_EQ(list.on_key_down(key::down), 1);
    EXPECT_EQ(form->heard, (std::vector<std::string>{"source 0", "selection", "source 1", "selection"}));
    source.rows = 0;
    list.refresh();
    list.set_selected_row(-1);
    form->heard.clear();
    EXPECT_EQ(list.on_key_down(key::down), 0);
    EXPECT_TRUE(form->heard.empty());
}

} // namespace
