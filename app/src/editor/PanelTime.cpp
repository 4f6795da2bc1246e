#include "app/PanelTime.h"

#include "app/FormCalendar.h"
#include "alarm/AlarmPeriodicity.h"
#include "skinner/Form.h"

using namespace skinner;

namespace {

constexpr int rule_count = 4;

} // namespace

PanelTime::PanelTime(Container* parent)
    : PanelSelectable(parent, L"panelTime"),
      hour_(get_container(), L"cntrlHour", 0, 23),
      minute_(get_container(), L"cntrlMinute", 0, 59),
      date_frame_(get_container(), L"frmDate"),
      period_(get_container(), L"cntrlPeriod"),
      date_button_(get_container(), L"btnDate") {
    // Until a date is known the items name the rules alone.
    period_.set_items({translate(L"periodEveryDay"), translate(L"periodDayWeek"), translate(L"periodDayMonth"),
                       translate(L"periodOnce")});
    period_.set_selected(periodicity_everyday);
    date_ = date_.without_milliseconds();
}

PanelTime::~PanelTime() = default;

void PanelTime::set_date(const liba::TimeStamp& date) {
    date_ = date.without_milliseconds();
    hour_.set_value(date_.hour());
    minute_.set_value(date_.minute());
    period_.set_selected(periodicity_everyday);
    rebuild_rules();
}

int PanelTime::get_rule() {
    const int rule = period_.get_selected();
    return rule >= 0 && rule < rule_count ? rule : periodicity_everyday;
}

void PanelTime::set_rule(int rule) { period_.set_selected(rule >= 0 && rule < rule_count ? rule : 0); }

void PanelTime::rebuild_rules() {
    period_.set_items({translate(L"periodEveryDay"), translate(L"everydayweek" + std::to_wstring(date_.day_of_week())),
                       translate(L"everydaymonth" + std::to_wstring(date_.day())), translate(L"periodOnce")});
    date_frame_.set_text(std::to_wstring(date_.day()) + L"." + std::to_wstring(date_.month()) + L"." +
                         std::to_wstring(date_.year()));
}

void PanelTime::choose_date() {
    auto picker = std::make_unique<FormCalendar>(get_form(), *get_properties(), date_);
    picker->do_modal();
    const liba::TimeStamp& chosen = picker->get_date();
    date_.set_date(chosen.year(), chosen.month(), chosen.day());
    rebuild_rules();
}

int32_t PanelTime::on_click(Control* sender) {
    if (sender == &date_button_) {
        choose_date();
        return 1;
    }
    return PanelSelectable::on_click(sender);
}

int32_t PanelTime::on_key_down(int32_t code) {
    switch (code) {
    case key::left:
    case key::right: return focus_inside(code == key::right);
    case key::up:
    case key::down:
        // An open drop-down of the rules keeps its keys.
        if (period_.get_dropdown())
            break;
        return focus_panel(code == key::down);
    default: break;
    }
    return PanelSelectable::on_key_down(code);
}
