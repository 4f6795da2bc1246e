#include "app/MessageAlarmAction.h"

#include "app/Document.h"
#include "app/ScheduleDates.h"

namespace {

std::wstring expanded(skinner::Properties& properties, const std::wstring& text, const liba::TimeStamp& date) {
    return schedule::expand_template(text, date, [&](const std::wstring& key) { return properties.translate(key); });
}

} // namespace

MessageAlarmAction::FrameAction::FrameAction(skinner::Container* parent, MessageAlarmAction& owner)
    : ControlFrame(parent, L"frmActions"), owner_(owner) {
    read_icons();
}

void MessageAlarmAction::FrameAction::read_icons() {
    attention_ = get_picture_property(L"iconAttention", skinner::Picture());
    time_ = get_picture_property(L"iconTime", skinner::Picture());
    pause_ = get_picture_property(L"iconPause", skinner::Picture());
}

void MessageAlarmAction::FrameAction::load_skin() {
    ControlFrame::load_skin();
    read_icons();
}

void MessageAlarmAction::FrameAction::paint(skinner::Canvas& canvas, plat::POINT, plat::POINT) {
    const plat::POINT at = get_position();
    const int32_t height = get_size().y;
    const int32_t width_attention = attention_.get_size().x;
    const int32_t width_time = time_.get_size().x;
    const auto draw = [&](const skinner::Picture& picture, int32_t x) {
        const plat::POINT size = picture.get_size();
        picture.draw_shifted(canvas, {x, at.y + (height - size.y) / 2}, size);
    };
    const AlarmEvents events = owner_.alarm_.get_events();
    if (events.attention)
        draw(attention_, at.x + 2);
    if (events.time)
        draw(time_, at.x + width_attention + 4);
    if (events.pause)
        draw(pause_, at.x + width_attention + width_time + 6);
}

MessageAlarmAction::MessageAlarmAction(skinner::Form* parent, skinner::Properties& properties,
                                       std::wstring_view caption, const std::wstring& text_template, int alarm_index,
                                       const liba::TimeStamp& date, bool show_cancel)
    : MessageAlarmAction(parent, properties, caption, text_template,
                         Document::instance()->alarm_vector_at(alarm_index), date, show_cancel) {}

MessageAlarmAction::MessageAlarmAction(skinner::Form* parent, skinner::Properties& properties,
                                       std::wstring_view caption, const std::wstring& text_template,
                                       const Alarm& alarm, const liba::TimeStamp& date, bool show_cancel)
    : FormMessage(parent, properties, caption, expanded(properties, text_template, date), form_name),
      time_(this, L"frmTime"), periodicity_(this, L"frmPeriodicity"), subject_(this, L"frmSubject"),
      cancel_(this, cancel), actions_(this, *this), alarm_(alarm) {
    cancel_.set_visible(show_cancel);
    fill();
}

MessageAlarmAction::~MessageAlarmAction() = default;

void MessageAlarmAction::fill() {
    time_.set_text(schedule::time_text(alarm_.hour(), alarm_.minute()));
    periodicity_.set_text(
        schedule::rule_text(alarm_, [this](const std::wstring& key) { return get_properties()->translate(key); }));
    subject_.set_text(alarm_.get_subject());
    actions_.invalidate();
}
