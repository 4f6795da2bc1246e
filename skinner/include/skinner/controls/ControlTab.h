#pragma once
#include "skinner/MenuManager.h"
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlGrid.h"
#include "skinner/controls/ControlTabBase.h"
#include "skinner/controls/SelectionSingleColumn.h"

#include <vector>

namespace skinner {

// Pages with a strip of captions above or below them, scrolled by two arrows
// when the captions do not fit. On a smartphone there is no strip: the tab is
// a sub-menu of the form's menu bar listing the pages.
class ControlTab : public ControlTabBase, public MenuManager::Item {
public:
    // The strip: one row, one column per page.
    class Grid : public ControlGrid, public GridSelectionStrategySingleColumn {
    public:
        Grid(ControlTab& tab, std::wstring_view kind);
        int32_t get_row_count() override { return 1; }
        int32_t get_column_count() override;
        int32_t get_row_height(int32_t row) override;
        int32_t get_column_width(int32_t column) override;
        void paint_cell(int32_t column, int32_t row, Canvas& canvas, plat::POINT position, plat::POINT size,
                        bool selected, bool highlighted) override;
        using ControlGrid::on_selection_changed;
        void on_selection_changed() override;

        std::vector<int32_t> widths;

    private:
        ControlTab& tab_;
    };

    ControlTab(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);
    ~ControlTab() override;

    int32_t on_click(Control* sender) override;
    int32_t on_item_click(Control* sender, int32_t column, int32_t row) override;
    int32_t on_menu_command(Control* sender, const std::wstring& command) override;
    int32_t on_create_menu(Control* sender, MenuRecord& menu) override;
    void set_rect(plat::POINT position, plat::POINT size) override;
    void load_skin() override;
    void sync_header() override;

    void fill_record(MenuRecord& record) override;
    int32_t has_submenu() override { return 1; }
    std::wstring get_caption() override { return MenuManager::place_tab; }
    int32_t get_priority() override { return menu_priority; }

    // The strip shown (touch screens) or the tab in the menu bar instead.
    void show_header(bool visible);

    Grid& get_header() { return header_; }
    ControlButton& get_button_min() { return button_min_; }
    ControlButton& get_button_max() { return button_max_; }

    static constexpr int32_t menu_priority = -10;

private:
    void read_skin();

    Grid header_;
    ControlButton button_min_;
    ControlButton button_max_;
    int32_t header_height_ = 0;
    int32_t button_width_ = 0;
    int32_t text_border_ = 0;
    bool bottom_ = false;
    bool header_visible_ = true;
};

} // namespace skinner
