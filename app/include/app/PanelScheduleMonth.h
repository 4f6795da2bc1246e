#pragma once
#include "app/PanelSchedulePeriod.h"
#include "app/ScheduleDates.h"
#include "base/TimeStamp.h"
#include "skinner/controls/ControlGrid.h"
#include "skinner/controls/SelectionSingleCell.h"

#include <vector>

// One month, a column per week and a row per weekday after the column of
// weekday names; days with alarms and today are marked. The names column
// is never selected.
class PanelScheduleMonth : public PanelSchedulePeriod {
public:
    class MonthCalendar : public skinner::ControlGrid, public skinner::GridSelectionStrategySingleCell {
    public:
        MonthCalendar(skinner::Container* parent, PanelScheduleMonth& panel);
        int32_t get_row_count() override { return schedule::days_per_week; }
        int32_t get_column_count() override { return layout.weeks + 1; }
        int32_t get_column_width(int32_t column) override;
        void paint_cell(int32_t column, int32_t row, skinner::Canvas& canvas, plat::POINT position,
                        plat::POINT size, bool selected, bool highlighted) override;
        int32_t raise_item_click(const skinner::GridCellEvent& cell) override;
        void select_cell(const skinner::GridCellEvent& cell) override;
        void select_cell_at(const skinner::GridCellEvent& cell) override;
        void on_cell_pointer(const skinner::GridCellEvent& cell) override;
        int32_t on_key_down(int32_t code) override;
        void load_skin() override;
        using ControlGrid::on_selection_changed;
        void on_selection_changed() override;

        void update();
        // The date of a cell: day 1 of the shown month moved by the cell's place.
        liba::TimeStamp date_of(int32_t column, int32_t row) const;

        std::vector<int> counts;
        schedule::MonthLayout layout;

    private:
        void read_keys();
        void select(int32_t column, int32_t row);
        PanelScheduleMonth& panel_;
        skinner::Picture normal_ex_;
        skinner::Picture selected_ex_;
        skinner::Picture today_;
        skinner::Font font_disabled_;
        skinner::SkinColour color_disabled_{};
        skinner::Font font_header_;
        skinner::SkinColour color_header_{};
        int32_t name_width_ = 0;
    };

    PanelScheduleMonth(FormSchedule& schedule, skinner::ControlTabBase& tab, std::wstring_view name);
    ~PanelScheduleMonth() override;

    void update(bool from_shared_date) override;
    const liba::TimeStamp& get_month() const { return month_; }

    MonthCalendar& get_list() { return list_; }

private:
    void turn(int step) override;

    liba::TimeStamp month_;
    MonthCalendar list_;
};
