#pragma once
#include "app/PanelSchedulePeriod.h"
#include "base/TimeStamp.h"
#include "skinner/controls/ControlGrid.h"
#include "skinner/controls/SelectionSingleRow.h"

#include <array>
#include <utility>
#include <vector>

// The seven days of a week, each with a time line that marks its alarms.
class PanelScheduleWeek : public PanelSchedulePeriod {
public:
    class WeekCalendar : public skinner::ControlGrid, public skinner::GridSelectionStrategySingleRow {
    public:
        WeekCalendar(skinner::Container* parent, PanelScheduleWeek& panel);
        int32_t get_row_count() override { return 7; }
        int32_t get_column_count() override { return 2; }
        int32_t get_column_width(int32_t column) override;
        void paint_cell(int32_t column, int32_t row, skinner::Canvas& canvas, plat::POINT position,
                        plat::POINT size, bool selected, bool highlighted) override;
        int32_t raise_item_click(const skinner::GridCellEvent& cell) override;
        int32_t on_key_down(int32_t code) override;
        void load_skin() override;
        using ControlGrid::on_selection_changed;
        void on_selection_changed() override;

        // The left edge of a time label for minute t of the day in a cell at x of width w.
        int32_t label_x(int32_t x, int32_t w, int t) const;

        std::array<std::vector<std::pair<int, int>>, 7> model;

    private:
        void read_keys();
        PanelScheduleWeek& panel_;
        skinner::SkinColour color_caption_{};
        skinner::Font font_caption_;
        skinner::Picture time_line_;
        skinner::Picture time_label_;
        int32_t name_width_ = 0;
    };

    PanelScheduleWeek(FormSchedule& schedule, skinner::ControlTabBase& tab, std::wstring_view name);
    ~PanelScheduleWeek() override;

    void update(bool from_shared_date) override;
    const liba::TimeStamp& get_start() const { return start_; }

    int32_t on_key_down(int32_t code) override;

    WeekCalendar& get_list() { return list_; }

private:
    void turn(int step) override;

    liba::TimeStamp start_;
    WeekCalendar list_;
};
