#include "skinner/controls/ControlList.h"

namespace skinner {

List::List(Container* parent, std::wstring_view name_or_kind, int creation_mode, ListDataSource* source)
    : ControlGrid(parent, name_or_kind, creation_mode), source_(source) {
    read_skin();
    refresh();
}

List::~List() = default;

void List::read_skin() { indent_ = get_scaled_int_property(L"Indent", 0); }

void List::load_skin() {
    ControlGrid::load_skin();
    read_skin();
}

void List::paint_cell(int32_t column, int32_t row, Canvas& canvas, plat::POINT position, plat::POINT size,
                      bool selected, bool highlighted) {
    source_->paint_item(column, row, canvas, position, size, selected, highlighted);
}

int32_t List::get_column_width(int32_t column) { return source_->get_column_width(column); }
int32_t List::get_row_count() { return source_->get_row_count(); }
int32_t List::get_column_count() { return source_->get_column_count(); }

void List::on_selection_changed() {
    source_->set_selected(get_selected_row());
    ControlGrid::on_selection_changed();
}

} // namespace skinner
