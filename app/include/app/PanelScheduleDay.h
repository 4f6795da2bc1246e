#pragma once
#include "base/TimeStamp.h"
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlFrame.h"
#include "skinner/controls/ControlGrid.h"
#include "skinner/controls/ControlTabElement.h"
#include "skinner/controls/SelectionSingleRow.h"

#include <vector>

class FormSchedule;

// The alarms of the shared date, one row each in time order. A tap selects
// a row and a tap on the selected row edits its alarm; the menu copies,
// edits and deletes it.
class PanelScheduleDay : public skinner::ControlTabElement {
public:
    class DayCalendar : public skinner::ControlGrid, public skinner::GridSelectionStrategySingleRow {
    public:
        DayCalendar(skinner::Container* parent, PanelScheduleDay& panel);
        int32_t get_row_count() override;
        int32_t get_column_count() override { return 3; }
        int32_t get_column_width(int32_t column) override;
        void paint_cell(int32_t column, int32_t row, skinner::Canvas& canvas, plat::POINT position,
                        plat::POINT size, bool selected, bool highlighted) override;
        int32_t raise_item_click(const skinner::GridCellEvent& cell) override;
        int32_t on_key_down(int32_t code) override;
        void load_skin() override;
        using ControlGrid::on_selection_changed;
        void on_selection_changed() override;

    private:
        void read_keys();
        PanelScheduleDay& panel_;
        skinner::SkinColour color_caption_{};
        skinner::Font font_caption_;
        skinner::Picture attention_;
        skinner::Picture time_;
        skinner::Picture pause_;
        skinner::Picture sound_;
        int32_t time_width_ = 0;
        int32_t actions_width_ = 0;
        bool suppress_edit_ = false;
    };

    PanelScheduleDay(FormSchedule& schedule, skinner::ControlTabBase& tab, std::wstring_view name);
    ~PanelScheduleDay() override;

    void update();
    // The alarm index of the selected row, -1 when no row is selected.
    int selected_alarm();
    // The views are asked for the editor (mode 1 edit, 0 copy), then the page is rebuilt.
    void edit_alarm(int index, int mode);

    using ControlTabElement::on_click;
    int32_t on_click(skinner::Control* sender) override;
    using ControlTabElement::on_menu_command;
    int32_t on_menu_command(skinner::Control* sender, const std::wstring& command) override;
    using ControlTabElement::on_create_menu;
    int32_t on_create_menu(skinner::Control* sender, skinner::MenuRecord& menu) override;
    void on_visible_changed(bool visible) override;
    int32_t on_key_down(int32_t code) override;

    const std::vector<int>& get_model() const { return model_; }
    DayCalendar& get_list() { return list_; }
    skinner::ControlFrame& get_caption() { return caption_; }

private:
    // Asks before deleting; true when something changed.
    bool delete_alarm(int index);

    std::vector<int> model_;
    FormSchedule& schedule_;
    liba::TimeStamp shown_day_;
    DayCalendar list_;
    skinner::ControlFrame caption_;
    skinner::ControlButton calendar_;
};
