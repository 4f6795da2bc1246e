#pragma once
#include "skinner/controls/ControlComboBox.h"
#include "skinner/controls/ControlFrame.h"
#include "skinner/controls/ControlList.h"

#include <string>
#include <vector>

namespace skinner {

// A combo box of texts shown in a frame; its drop-down holds a list of
// them, and the list's selection reaches the combo box at once.
class ControlComboBoxStringReadonly : public ControlComboBox, public ListDataSource {
public:
    ControlComboBoxStringReadonly(Container* parent, std::wstring_view name_or_kind,
                                  int creation_mode = creation_named);
    ~ControlComboBoxStringReadonly() override;

    Control* get_edit_part() override { return &frame_; }
    void create_dropdown(plat::POINT screen_position, plat::POINT size) override;
    int32_t on_selection_changed(Control* sender) override;
    // A tapped item closes the drop-down.
    int32_t on_item_click(Control* sender, int32_t column, int32_t row) override;
    // Tells the listener first, then drops the list; a selection moved while open is raised after.
    int32_t on_popup_closed(Control* sender) override;

    void paint_item(int32_t column, int32_t row, Canvas& canvas, plat::POINT position, plat::POINT size,
                    bool selected, bool highlighted) override;
    int32_t get_row_count() override { return int32_t(items_.size()); }
    int32_t get_column_count() override { return 1; }
    int32_t get_selected() override { return selected_; }
    // While the list is open it follows; otherwise the combo box raises the change.
    void set_selected(int32_t row) override;
    int32_t get_column_width(int32_t) override { return -1; }

    void set_items(std::vector<std::wstring> items);
    const std::vector<std::wstring>& get_items() const { return items_; }
    List* get_list() const { return list_; }
    const ControlFrame& get_frame() const { return frame_; }

private:
    void show_selected();

    ControlFrame frame_;
    List* list_ = nullptr;  // owned by the drop-down form, deleted when it closes
    int32_t selected_ = -1;
    int32_t selected_at_open_ = -1;
    std::vector<std::wstring> items_;
};

} // namespace skinner
