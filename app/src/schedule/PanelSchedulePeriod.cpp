#include "app/PanelSchedulePeriod.h"

#include "app/Document.h"
#include "app/FormSchedule.h"
#include "app/ScheduleDates.h"
#include "skinner/MenuRecord.h"

PanelSchedulePeriod::PanelSchedulePeriod(FormSchedule& schedule, skinner::ControlTabBase& tab,
                                         std::wstring_view name)
    : ControlTabElement(tab, name), schedule_(schedule), caption_(get_container(), L"frmCaption"),
      prev_(get_container(), L"btnPrev"), next_(get_container(), L"btnNext") {
    // The keys belong to the page's calendar; the buttons are for taps.
    prev_.set_wants_focus(false);
    next_.set_wants_focus(false);
}

PanelSchedulePeriod::~PanelSchedulePeriod() = default;

uint8_t PanelSchedulePeriod::startday() {
    Document* document = Document::instance();
    return document ? document->get_settings().get_startday() : schedule::startday_monday;
}

int32_t PanelSchedulePeriod::on_click(skinner::Control* sender) {
    if (sender != &prev_ && sender != &next_)
        return ControlTabElement::on_click(sender);
    turn(sender == &prev_ ? -1 : 1);
    update(false);
    return 1;
}

int32_t PanelSchedulePeriod::on_menu_command(skinner::Control*, const std::wstring& command) {
    const int first = schedule::first_day_of_command(command);
    if (first < 0)
        return 0;
    if (Document* document = Document::instance())
        document->get_settings().set_startday(uint8_t(first));
    update(true);
    return 0;
}

int32_t PanelSchedulePeriod::on_create_menu(skinner::Control*, skinner::MenuRecord& menu) {
    menu.entries.append(
        schedule::first_day_menu([this](const std::wstring& key) { return translate(key); }, startday()));
    return 1;
}

void PanelSchedulePeriod::on_visible_changed(bool visible) {
    if (visible)
        update(true);
    ControlTabElement::on_visible_changed(visible);
}
