#include "app/FormCalendar.h"

FormCalendar::FormCalendar(skinner::Form* parent, skinner::Properties& properties, const liba::TimeStamp& date)
    : Form(parent, &properties, L"FormCalendar"), date_(date), menu_(this, L"menu"), ok_(this, L"btnOk"),
      cancel_(this, L"btnCancel"), calendar_(this, L"calendar") {
    calendar_.set_date(date_);
}

FormCalendar::~FormCalendar() = default;

int32_t FormCalendar::on_click(skinner::Control* sender) {
    if (!sender)
        return 0;
    const std::wstring& name = sender->get_name();
    if (name == L"btnOk") {
        date_ = calendar_.get_date();
        close();
        return 1;
    }
    if (name == L"btnCancel" || name == L"btnOk2") {
        close();
        return 1;
    }
    return 0;
}
