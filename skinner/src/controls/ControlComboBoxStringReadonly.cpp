#include "skinner/controls/ControlComboBoxStringReadonly.h"

namespace skinner {

ControlComboBoxStringReadonly::ControlComboBoxStringReadonly(Container* parent, std::wstring_view name_or_kind,
                                                             int creation_mode)
    : ControlComboBox(parent, name_or_kind, creation_mode),
      frame_(get_container(), get_string_property(L"EditKind", L""), creation_kind) {
    set_rect(get_position(), get_size());
}

ControlComboBoxStringReadonly::~ControlComboBoxStringReadonly() {
    // The form deletes the list with itself.
    list_ = nullptr;
    dropdown_.reset();
}

void ControlComboBoxStringReadonly::create_dropdown(plat::POINT screen_position, plat::POINT size) {
    ControlComboBox::create_dropdown(screen_position, size);
    list_ = new List(dropdown_.get(), get_string_property(L"ListKind", L""), creation_kind, this);
    list_->set_rect({0, 0}, size);
    list_->set_selected_row(selected_);
    selected_at_open_ = selected_;
    list_->take_focus();
}

int32_t ControlComboBoxStringReadonly::on_selection_changed(Control* sender) {
    const bool from_list = list_ != nullptr && sender == list_;
    if (from_list || sender == this)
        show_selected();
    if (from_list)
        return 1;
    return ControlComboBox::on_selection_changed(sender);
}

int32_t ControlComboBoxStringReadonly::on_item_click(Control* sender, int32_t column, int32_t row) {
    if (list_ != nullptr && sender == list_ && dropdown_)
        dropdown_->close();
    return ControlComboBox::on_item_click(sender, column, row);
}

int32_t ControlComboBoxStringReadonly::on_popup_closed(Control* sender) {
    if (sender != this)
        return ControlComboBox::on_popup_closed(sender);
    const int32_t used = ControlComboBox::on_popup_closed(sender);
    delete list_;
    list_ = nullptr;
    if (selected_ != selected_at_open_) {
        selected_at_open_ = -1;
        on_selection_changed(this);
    }
    return used;
}

void ControlComboBoxStringReadonly::paint_item(int32_t, int32_t row, Canvas& canvas, plat::POINT position,
                                               plat::POINT size, bool selected, bool highlighted) {
    if (list_ == nullptr || row < 0 || row >= get_row_count())
        return;
    const GridItemStyle& style = list_->get_item_style(selected, highlighted);
    style.picture.draw_shifted(canvas, position, size);
    const plat::POINT border_min = list_->get_border_min();
    const plat::POINT border_max = list_->get_border_max();
    const int32_t indent = list_->get_indent();
    const plat::POINT at{position.x + border_min.x + indent, position.y + border_min.y};
    const plat::POINT extent{size.x - border_min.x - border_max.x - indent, size.y - border_min.y - border_max.y};
    style.font.draw_text(canvas, style.colour, items_[size_t(row)], at, extent, 0, 1);
}

void ControlComboBoxStringReadonly::set_selected(int32_t row) {
    if (row == selected_)
        return;
    selected_ = row;
    // The list, not the drop-down form: the form outlives the list by the close handling.
    if (list_ != nullptr)
        list_->set_selected_row(row);
    else
        on_selection_changed(this);
}

void ControlComboBoxStringReadonly::set_items(std::vector<std::wstring> items) {
    items_ = std::move(items);
    if (list_ != nullptr)
        list_->refresh();
    show_selected();
}

void ControlComboBoxStringReadonly::show_selected() {
    frame_.set_text(selected_ >= 0 && selected_ < get_row_count() ? std::wstring_view(items_[size_t(selected_)])
                                                                   : std::wstring_view());
}

} // namespace skinner
