#include "app/FormSchedule.h"

#include "app/Document.h"
#include "skinner/MenuManager.h"
#include "skinner/MenuRecord.h"

FormSchedule::FormSchedule(skinner::Form* parent, skinner::Properties& properties)
    : Form(parent, &properties, L"FormSchedule"), menu_(this, L"menu"),
      back_(this, L"Back", properties.translate(L"Back"), 0, skinner::MenuManager::place_ok),
      menu_button_(this, L"Menu", properties.translate(L"Menu"), 1, skinner::MenuManager::place_menu), tab_(this, L"tab"),
      day_(*this, tab_, L"tabDay"), week_(*this, tab_, L"tabWeek"), month_(*this, tab_, L"tabMonth") {}

FormSchedule::~FormSchedule() = default;

skinner::ControlTabElement& FormSchedule::active_panel() {
    if (week_.is_own_visible())
        return week_;
    if (month_.is_own_visible())
        return month_;
    return day_;
}

void FormSchedule::show_view(std::wstring_view name) {
    if (name == L"day")
        tab_.show_element(L"tabDay");
    else if (name == L"week")
        tab_.show_element(L"tabWeek");
    else if (name == L"month")
        tab_.show_element(L"tabMonth");
}

void FormSchedule::refresh_views() {
    day_.update();
    week_.update(true);
    month_.update(true);
}

int32_t FormSchedule::on_menu_command(skinner::Control* sender, const std::wstring& command) {
    if (command == L"Back") {
        close();
        return 1;
    }
    if (command == L"mitNewAlarm") {
        if (Document* document = Document::instance())
            document->notify_views(HintNewAlarm{date_, -1, 0});
        refresh_views();
        return 1;
    }
    return active_panel().on_menu_command(sender, command);
}

int32_t FormSchedule::on_create_menu(skinner::Control* sender, skinner::MenuRecord& menu) {
    if (menu.command != L"Menu")
        return Form::on_create_menu(sender, menu);
    skinner::MenuRecord item(L"mitNewAlarm", get_properties()->translate(L"mitNewAlarm"));
    item.separator_after = true;
    menu.entries.append(item);
    return active_panel().on_create_menu(sender, menu);
}

int32_t FormSchedule::on_key_down(int32_t code) { return Form::on_key_down(code); }
