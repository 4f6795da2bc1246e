#pragma once
#include "skinner/controls/ControlGrid.h"
#include "skinner/controls/SelectionSingleRow.h"

namespace skinner {

// What a list shows: the rows, their columns and their drawing.
class ListDataSource {
public:
    virtual ~ListDataSource() = default;
    virtual void paint_item(int32_t column, int32_t row, Canvas& canvas, plat::POINT position, plat::POINT size,
                            bool selected, bool highlighted) = 0;
    virtual int32_t get_row_count() = 0;
    virtual int32_t get_column_count() = 0;
    // -1 for none.
    virtual int32_t get_selected() = 0;
    // The list's selection moved to row.
    virtual void set_selected(int32_t row) = 0;
    // A width or a negative weight, as a grid column's.
    virtual int32_t get_column_width(int32_t column) = 0;
};

// A one-selection list of rows that a data source draws. The source hears
// of every selection change before the list's own event leaves it.
class List : public ControlGrid, public GridSelectionStrategySingleRow {
public:
    List(Container* parent, std::wstring_view name_or_kind, int creation_mode, ListDataSource* source);
    ~List() override;

    void load_skin() override;
    void paint_cell(int32_t column, int32_t row, Canvas& canvas, plat::POINT position, plat::POINT size, bool selected,
                    bool highlighted) override;
    int32_t get_column_width(int32_t column) override;

    int32_t get_row_count() override;
    int32_t get_column_count() override;
    using ControlGrid::on_selection_changed;
    void on_selection_changed() override;

    // The text's extra left offset in each row.
    int32_t get_indent() const { return indent_; }

private:
    void read_skin();

    ListDataSource* source_ = nullptr;
    int32_t indent_ = 0;
};

} // namespace skinner
