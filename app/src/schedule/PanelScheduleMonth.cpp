#include "app/PanelScheduleMonth.h"

#include "app/Document.h"
#include "app/FormSchedule.h"
#include "base/Log.h"

#include <algorithm>

PanelScheduleMonth::MonthCalendar::MonthCalendar(skinner::Container* parent, PanelScheduleMonth& panel)
    : ControlGrid(parent, L"listAlarms"), panel_(panel) {
    read_keys();
}

void PanelScheduleMonth::MonthCalendar::read_keys() {
    normal_ex_ = get_picture_property(L"ItemNormalEx", skinner::Picture());
    selected_ex_ = get_picture_property(L"ItemSelectedEx", skinner::Picture());
    today_ = get_picture_property(L"today", skinner::Picture());
    font_disabled_ = get_font_property(L"FontDisabled", skinner::Font());
    color_disabled_ = get_color_property(L"ColorDisabled", skinner::SkinColour{});
    const skinner::GridItemStyle& normal = get_item_style(false, false);
    font_header_ = get_font_property(L"HeaderNormal", normal.font);
    color_header_ = get_color_property(L"HeaderNormal", normal.colour);
    name_width_ = 0;
    for (int day = 0; day < schedule::days_per_week; ++day)
        name_width_ =
            std::max(name_width_, font_header_.get_text_extent(translate(L"dayweek" + std::to_wstring(day)) + L" ").x);
    name_width_ += 10;
}

void PanelScheduleMonth::MonthCalendar::load_skin() {
    ControlGrid::load_skin();
    read_keys();
}

int32_t PanelScheduleMonth::MonthCalendar::get_column_width(int32_t column) { return column == 0 ? name_width_ : -1; }

liba::TimeStamp PanelScheduleMonth::MonthCalendar::date_of(int32_t column, int32_t row) const {
    liba::TimeStamp date = panel_.month_;
    date.add_days(schedule::days_per_week * (column - 1) + row - layout.offset);
    return date;
}

void PanelScheduleMonth::MonthCalendar::paint_cell(int32_t column, int32_t row, skinner::Canvas& canvas,
                                                   plat::POINT position, plat::POINT size, bool selected,
                                                   bool highlighted) {
    const skinner::GridItemStyle& style = get_item_style(selected, highlighted);
    if (column == 0) {
        const int weekday = schedule::weekday_of_row(row, startday());
        font_header_.draw_text(canvas, color_header_, translate(L"dayweek" + std::to_wstring(weekday)),
                               {position.x + schedule::first_column_inset, position.y},
                               {size.x - schedule::first_column_inset, size.y}, 0, 1);
        return;
    }
    const liba::TimeStamp& month = panel_.month_;
    const liba::TimeStamp date = date_of(column, row);
    const int day = date.day();
    if (date.month() != month.month() || date.year() != month.year()) {
        // The neighbouring months' days fill the first and last week.
        style.picture.draw_shifted(canvas, position, size);
        const skinner::Font& font = font_disabled_.empty() ? style.font : font_disabled_;
        font.draw_text_ellipsis(canvas, color_disabled_, std::to_wstring(day), position, size, 1, 1);
        return;
    }
    const bool marked = size_t(day - 1) < counts.size() && counts[size_t(day - 1)] > 0;
    const skinner::Picture& picture = marked ? (selected ? selected_ex_ : normal_ex_) : style.picture;
    picture.draw_shifted(canvas, position, size);
    style.font.draw_text_ellipsis(canvas, style.colour, std::to_wstring(day), position, size, 1, 1);
    const liba::TimeStamp now = liba::TimeStamp::now();
    if (now.year() == month.year() && now.month() == month.month() && now.day() == day)
        today_.draw_shifted(canvas, position, size);
}

void PanelScheduleMonth::MonthCalendar::update() {
    liba::get_log() << L"PanelScheduleMonth::MonthCalendar::update()\n";
    const liba::TimeStamp& month = panel_.month_;
    layout = schedule::month_layout(month.year(), month.month(), startday());
    const liba::TimeStamp& date = panel_.schedule_.get_date();
    if (date.year() == month.year() && date.month() == month.month()) {
        const int cell = date.day() + layout.offset - 1;
        set_selected_cell_xy(cell / schedule::days_per_week + 1, cell % schedule::days_per_week);
    } else {
        set_selected_cell_xy(-1, -1);
    }
    counts.assign(size_t(layout.days), 0);
    if (Document* document = Document::instance())
        for (int day = 1; day <= layout.days; ++day)
            for (const Alarm& alarm : document->get_alarms())
                if (alarm.occurs_on(month.year(), month.month(), day))
                    ++counts[size_t(day - 1)];
    refresh();
}

void PanelScheduleMonth::MonthCalendar::on_selection_changed() {
    int32_t column = -1, row = -1;
    get_selected_cell(column, row);
    if (column >= 1 && row >= 0 && is_visible())
        panel_.schedule_.set_date(date_of(column, row));
    ControlGrid::on_selection_changed();
}

// The names column is no day: taps on it select and open nothing.
void PanelScheduleMonth::MonthCalendar::select_cell(const skinner::GridCellEvent& cell) {
    if (cell.column >= 1)
        GridSelectionStrategySingleCell::select_cell(cell);
}

void PanelScheduleMonth::MonthCalendar::select_cell_at(const skinner::GridCellEvent& cell) {
    if (cell.column >= 1)
        GridSelectionStrategySingleCell::select_cell_at(cell);
}

void PanelScheduleMonth::MonthCalendar::on_cell_pointer(const skinner::GridCellEvent& cell) {
    if (cell.column >= 1)
        GridSelectionStrategySingleCell::on_cell_pointer(cell);
}

int32_t PanelScheduleMonth::MonthCalendar::raise_item_click(const skinner::GridCellEvent& cell) {
    if (cell.column < 1)
        return 0;
    panel_.schedule_.show_view(L"day");
    return ControlGrid::raise_item_click(cell);
}

void PanelScheduleMonth::MonthCalendar::select(int32_t column, int32_t row) {
    set_selected_cell_xy(column, row);
    set_highlight(column, row);
    ensure_column_visible(column);
    ensure_row_visible(row);
    invalidate();
}

int32_t PanelScheduleMonth::MonthCalendar::on_key_down(int32_t code) {
    using namespace skinner;
    const int32_t last = get_column_count() - 1;
    const int32_t bottom = schedule::days_per_week - 1;
    int32_t c = -1, r = -1;
    get_selected_cell(c, r);
    const bool direction = code == key::left || code == key::right || code == key::up || code == key::down;
    if (direction && c < 1) {
        // Nothing selected in this month: the keys start at its first cell.
        select(1, 0);
        return 1;
    }
    switch (code) {
    case key::right:
        if (c != last)
            break;
        if (r == bottom) {
            panel_.next_.click();
            select(1, 0);
        } else {
            select(1, r + 1);
        }
        return 1;
    case key::left:
        if (c != 1)
            break;
        if (r == 0) {
            panel_.prev_.click();
            select(get_column_count() - 1, bottom);
        } else {
            select(last, r - 1);
        }
        return 1;
    case key::up:
        if (r != 0)
            break;
        if (c == 1) {
            panel_.prev_.click();
            select(get_column_count() - 1, bottom);
        } else {
            select(c - 1, bottom);
        }
        return 1;
    case key::down:
        if (r != bottom)
            break;
        if (c == last) {
            panel_.next_.click();
            select(1, 0);
        } else {
            select(c + 1, 0);
        }
        return 1;
    case key::home:
        select(1, std::max(r, 0));
        return 1;
    case key::action:
        panel_.schedule_.show_view(L"day");
        return 1;
    default: break;
    }
    return ControlGrid::on_key_down(code);
}

PanelScheduleMonth::PanelScheduleMonth(FormSchedule& schedule, skinner::ControlTabBase& tab, std::wstring_view name)
    : PanelSchedulePeriod(schedule, tab, name), list_(get_container(), *this) {
    update(true);
}

PanelScheduleMonth::~PanelScheduleMonth() = default;

void PanelScheduleMonth::update(bool from_shared_date) {
    if (from_shared_date) {
        month_ = schedule_.get_date();
        month_.set_date(month_.year(), month_.month(), 1);
    }
    caption_.set_text(translate(L"monthfull" + std::to_wstring(month_.month())) + L" " +
                      std::to_wstring(month_.year()));
    list_.update();
}

void PanelScheduleMonth::turn(int step) { month_.add_months(step); }
