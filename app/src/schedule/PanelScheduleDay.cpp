#include "app/PanelScheduleDay.h"

#include "app/Document.h"
#include "app/FormCalendar.h"
#include "app/FormSchedule.h"
#include "app/MessageAlarmAction.h"
#include "app/ScheduleDates.h"
#include "skinner/MenuRecord.h"

#include <memory>

namespace {

const Alarm& alarm_at(int index) { return Document::instance()->alarm_vector_at(index); }

} // namespace

PanelScheduleDay::DayCalendar::DayCalendar(skinner::Container* parent, PanelScheduleDay& panel)
    : ControlGrid(parent, L"listAlarms"), panel_(panel) {
    read_keys();
}

void PanelScheduleDay::DayCalendar::read_keys() {
    color_caption_ = get_color_property(L"ColorCaption", skinner::SkinColour{});
    font_caption_ = get_font_property(L"FontCaption", skinner::Font());
    attention_ = get_picture_property(L"iconAttention", skinner::Picture());
    time_ = get_picture_property(L"iconTime", skinner::Picture());
    pause_ = get_picture_property(L"iconPause", skinner::Picture());
    sound_ = get_picture_property(L"iconSound", skinner::Picture());
    time_width_ = font_caption_.get_text_extent(L"00 : 00 ").x;
    actions_width_ = attention_.get_size().x + time_.get_size().x + pause_.get_size().x + 10;
}

void PanelScheduleDay::DayCalendar::load_skin() {
    ControlGrid::load_skin();
    read_keys();
}

int32_t PanelScheduleDay::DayCalendar::get_row_count() { return int32_t(panel_.model_.size()); }

int32_t PanelScheduleDay::DayCalendar::get_column_width(int32_t column) {
    if (column == 0)
        return time_width_;
    if (column == 2)
        return actions_width_;
    return -1;
}

void PanelScheduleDay::DayCalendar::paint_cell(int32_t column, int32_t row, skinner::Canvas& canvas,
                                               plat::POINT position, plat::POINT size, bool selected,
                                               bool highlighted) {
    if (row < 0 || row >= get_row_count())
        return;
    const Alarm& alarm = alarm_at(panel_.model_[size_t(row)]);
    if (column == 0) {
        font_caption_.draw_text_ellipsis(canvas, color_caption_, schedule::time_text(alarm.hour(), alarm.minute()),
                                         {position.x + schedule::first_column_inset, position.y},
                                         {size.x - schedule::first_column_inset, size.y}, 0, 1);
        return;
    }
    const skinner::GridItemStyle& style = get_item_style(selected, highlighted);
    style.picture.draw_shifted(canvas, position, size);
    if (column == 1) {
        style.font.draw_text_ellipsis(canvas, style.colour, alarm.get_subject(), {position.x + 3, position.y},
                                      {size.x - 3, size.y}, 0, 1);
        return;
    }
    const auto draw = [&](const skinner::Picture& icon, int32_t x) {
        const plat::POINT icon_size = icon.get_size();
        icon.draw_shifted(canvas, {x, position.y + (size.y - icon_size.y) / 2}, icon_size);
    };
    const AlarmEvents events = alarm.get_events();
    const int32_t width_attention = attention_.get_size().x;
    if (events.attention)
        draw(attention_, position.x + 2);
    if (events.time)
        draw(time_, position.x + width_attention + 4);
    if (!alarm.get_note().empty())
        draw(events.pause ? pause_ : sound_, position.x + width_attention + 4 + time_.get_size().x + 2);
}

void PanelScheduleDay::DayCalendar::on_selection_changed() {
    const int32_t row = get_selected_row();
    if (row >= 0 && row < get_row_count())
        suppress_edit_ = true;
    ControlGrid::on_selection_changed();
}

int32_t PanelScheduleDay::DayCalendar::raise_item_click(const skinner::GridCellEvent& cell) {
    // The first tap on a row selects it; a tap on the selected row opens it.
    if (cell.row >= 0 && cell.row < get_row_count()) {
        const bool edit = !suppress_edit_;
        suppress_edit_ = false;
        if (edit)
            panel_.edit_alarm(panel_.model_[size_t(cell.row)], 1);
    }
    return ControlGrid::raise_item_click(cell);
}

int32_t PanelScheduleDay::DayCalendar::on_key_down(int32_t code) {
    if (code == skinner::key::action) {
        const int index = panel_.selected_alarm();
        if (index >= 0) {
            panel_.edit_alarm(index, 1);
            return 1;
        }
    }
    return ControlGrid::on_key_down(code);
}

PanelScheduleDay::PanelScheduleDay(FormSchedule& schedule, skinner::ControlTabBase& tab, std::wstring_view name)
    : ControlTabElement(tab, name), schedule_(schedule), list_(get_container(), *this),
      caption_(get_container(), L"frmCaption"), calendar_(get_container(), L"btnCalendar") {
    calendar_.set_wants_focus(false);
    update();
}

PanelScheduleDay::~PanelScheduleDay() = default;

void PanelScheduleDay::update() {
    const liba::TimeStamp& date = schedule_.get_date();
    caption_.set_text(std::to_wstring(date.day()) + L"/" + std::to_wstring(date.month()) + L"/" +
                      std::to_wstring(date.year()) + L" " +
                      translate(L"dayweekfull" + std::to_wstring(date.day_of_week())));
    model_.clear();
    if (Document* document = Document::instance())
        model_ = schedule::alarms_on(document->get_alarms(), date.year(), date.month(), date.day());
    // A row selected on another day, or one gone, is no choice made on this day: the first tap on
    // a row of it must only select.
    const liba::TimeStamp day = schedule::day_start(date);
    if (day != shown_day_ || list_.get_selected_row() >= int32_t(model_.size()))
        list_.set_selected_row(-1);
    shown_day_ = day;
    list_.refresh();
}

int PanelScheduleDay::selected_alarm() {
    const int32_t row = list_.get_selected_row();
    return row >= 0 && row < int32_t(model_.size()) ? model_[size_t(row)] : -1;
}

void PanelScheduleDay::edit_alarm(int index, int mode) {
    if (Document* document = Document::instance())
        document->notify_views(HintNewAlarm{schedule_.get_date(), index, mode});
    update();
}

bool PanelScheduleDay::delete_alarm(int index) {
    Document* document = Document::instance();
    const liba::TimeStamp date = schedule_.get_date();
    const AlarmPeriodicityInterface* rule = alarm_at(index).get_periodicity();
    const bool once = rule && rule->type() == periodicity_once;
    auto message = std::make_unique<MessageAlarmAction>(
        get_form(), document->get_dialogs_skin(), translate(L"message_delete_alarm_title"),
        once ? translate(L"message_delete_alarm_once_text") : translate(L"message_delete_alarm_text"), index, date,
        !once);
    const std::wstring answer = message->run();
    message.reset();
    if (answer == FormMessage::yes)
        document->remove_alarm(index, date, true);
    else if (answer == FormMessage::no && !once)
        document->remove_alarm(index, date, false);
    else
        return false;
    return true;
}

int32_t PanelScheduleDay::on_click(skinner::Control* sender) {
    if (sender != &calendar_)
        return ControlTabElement::on_click(sender);
    auto form = std::make_unique<FormCalendar>(get_form(), *get_properties(), schedule_.get_date());
    form->do_modal();
    schedule_.set_date(form->get_date());
    update();
    return 1;
}

int32_t PanelScheduleDay::on_menu_command(skinner::Control*, const std::wstring& command) {
    const int index = selected_alarm();
    if (index < 0)
        return 0;
    if (command == L"mitCopyAlarm")
        edit_alarm(index, 0);
    else if (command == L"mitEditAlarm")
        edit_alarm(index, 1);
    else if (command == L"mitDeleteAlarm") {
        delete_alarm(index);
        update();
    } else
        return 0;
    return 1;
}

int32_t PanelScheduleDay::on_create_menu(skinner::Control*, skinner::MenuRecord& menu) {
    const bool selected = selected_alarm() >= 0;
    const auto add = [&](const wchar_t* command, const std::wstring& text) {
        skinner::MenuRecord item(command, text);
        item.enabled = selected;
        menu.entries.append(item);
    };
    add(L"mitCopyAlarm", translate(L"mitCopyAlarm"));
    add(L"mitEditAlarm", translate(L"mitEditAlarm"));
    add(L"mitDeleteAlarm", translate(L"mitDeleteAlarm"));
    menu.entries.mark_last();
    return 1;
}

void PanelScheduleDay::on_visible_changed(bool visible) {
    if (visible)
        update();
    ControlTabElement::on_visible_changed(visible);
}

int32_t PanelScheduleDay::on_key_down(int32_t code) {
    if (code == skinner::key::right) {
        calendar_.click();
        return 1;
    }
    return ControlTabElement::on_key_down(code);
}
