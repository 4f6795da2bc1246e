#include "app/PanelScheduleWeek.h"

#include "app/Document.h"
#include "app/FormSchedule.h"
#include "app/ScheduleDates.h"

#include <algorithm>

PanelScheduleWeek::WeekCalendar::WeekCalendar(skinner::Container* parent, PanelScheduleWeek& panel)
    : ControlGrid(parent, L"listAlarms"), panel_(panel) {
    read_keys();
}

void PanelScheduleWeek::WeekCalendar::read_keys() {
    color_caption_ = get_color_property(L"ColorCaption", skinner::SkinColour{});
    font_caption_ = get_font_property(L"FontCaption", skinner::Font());
    time_line_ = get_picture_property(L"TimeLine", skinner::Picture());
    time_label_ = get_picture_property(L"TimeLabel", skinner::Picture());
    name_width_ = 0;
    for (int day = 0; day < schedule::days_per_week; ++day)
        name_width_ = std::max(name_width_, font_caption_.get_text_extent(translate(L"dayweek" + std::to_wstring(day))).x);
    name_width_ += 10;
}

void PanelScheduleWeek::WeekCalendar::load_skin() {
    ControlGrid::load_skin();
    read_keys();
}

int32_t PanelScheduleWeek::WeekCalendar::get_column_width(int32_t column) { return column == 0 ? name_width_ : -1; }

int32_t PanelScheduleWeek::WeekCalendar::label_x(int32_t x, int32_t w, int t) const {
    const int32_t label = time_label_.get_size().x;
    return x + 2 + int32_t(double(w - label - 4) * double(t) / double(schedule::minutes_per_day));
}

void PanelScheduleWeek::WeekCalendar::paint_cell(int32_t column, int32_t row, skinner::Canvas& canvas,
                                                 plat::POINT position, plat::POINT size, bool selected,
                                                 bool highlighted) {
    if (row < 0 || row >= schedule::days_per_week)
        return;
    if (column == 0) {
        const int weekday = schedule::weekday_of_row(row, startday());
        font_caption_.draw_text_ellipsis(canvas, color_caption_, translate(L"dayweek" + std::to_wstring(weekday)),
                                         {position.x + schedule::first_column_inset, position.y},
                                         {size.x - schedule::first_column_inset, size.y}, 0, 1);
        return;
    }
    get_item_style(selected, highlighted).picture.draw_shifted(canvas, position, size);
    const plat::POINT line = time_line_.get_size();
    time_line_.draw_shifted(canvas, {position.x + 2, position.y + (size.y - line.y) / 2}, {size.x - 4, line.y});
    const plat::POINT label = time_label_.get_size();
    for (const auto& [hour, minute] : model[size_t(row)])
        time_label_.draw_shifted(canvas, {label_x(position.x, size.x, hour * 60 + minute), position.y + (size.y - label.y) / 2},
                                 label);
}

void PanelScheduleWeek::WeekCalendar::on_selection_changed() {
    const int32_t row = get_selected_row();
    if (row >= 0 && row < schedule::days_per_week && is_visible()) {
        liba::TimeStamp date = panel_.start_;
        date.add_days(row);
        panel_.schedule_.set_date(date);
    }
    ControlGrid::on_selection_changed();
}

int32_t PanelScheduleWeek::WeekCalendar::raise_item_click(const skinner::GridCellEvent& cell) {
    if (cell.row >= 0 && cell.row < schedule::days_per_week)
        panel_.schedule_.show_view(L"day");
    return ControlGrid::raise_item_click(cell);
}

int32_t PanelScheduleWeek::WeekCalendar::on_key_down(int32_t code) {
    const int32_t row = get_selected_row();
    if (code == skinner::key::action && row >= 0 && row < schedule::days_per_week) {
        panel_.schedule_.show_view(L"day");
        return 1;
    }
    return ControlGrid::on_key_down(code);
}

PanelScheduleWeek::PanelScheduleWeek(FormSchedule& schedule, skinner::ControlTabBase& tab, std::wstring_view name)
    : PanelSchedulePeriod(schedule, tab, name), list_(get_container(), *this) {
    update(true);
}

PanelScheduleWeek::~PanelScheduleWeek() = default;

void PanelScheduleWeek::update(bool from_shared_date) {
    const liba::TimeStamp& date = schedule_.get_date();
    if (from_shared_date)
        start_ = schedule::week_start(date, startday());
    liba::TimeStamp end = start_;
    end.add_days(schedule::days_per_week - 1);
    caption_.set_text(std::to_wstring(start_.day()) + L" " + translate(L"month" + std::to_wstring(start_.month())) +
                      L" - " + std::to_wstring(end.day()) + L" " + translate(L"month" + std::to_wstring(end.month())));
    for (auto& times : list_.model)
        times.clear();
    if (Document* document = Document::instance()) {
        const std::vector<Alarm>& alarms = document->get_alarms();
        for (int k = 0; k < schedule::days_per_week; ++k) {
            liba::TimeStamp day = start_;
            day.add_days(k);
            for (const Alarm& alarm : alarms)
                if (alarm.occurs_on(day.year(), day.month(), day.day()))
                    list_.model[size_t(k)].emplace_back(alarm.hour(), alarm.minute());
        }
    }
    list_.invalidate();
    const int32_t row = schedule::days_between(start_, date);
    list_.set_selected_row(row >= 0 && row < schedule::days_per_week ? row : -1);
}

void PanelScheduleWeek::turn(int step) { start_.add_days(step * schedule::days_per_week); }

int32_t PanelScheduleWeek::on_key_down(int32_t code) {
    if (code == skinner::key::right || code == skinner::key::left) {
        (code == skinner::key::right ? next_ : prev_).click();
        return 1;
    }
    return PanelSchedulePeriod::on_key_down(code);
}
