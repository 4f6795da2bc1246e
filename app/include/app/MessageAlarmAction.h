#pragma once
#include "app/FormMessage.h"
#include "alarm/Alarm.h"
#include "base/TimeStamp.h"

// A question about one alarm: its time, its rule in words, its subject and
// its actions as icons under the text. The text template's "%day%" and
// "%month%" name the date asked about.
class MessageAlarmAction : public FormMessage {
public:
    static constexpr std::wstring_view form_name = L"FormMessageAlarmAction";

    // The action icons at fixed slots, so that a missing icon leaves the
    // others in their places.
    class FrameAction : public skinner::ControlFrame {
    public:
        FrameAction(skinner::Container* parent, MessageAlarmAction& owner);
        void paint(skinner::Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) override;
        void load_skin() override;

    private:
        void read_icons();
        MessageAlarmAction& owner_;
        skinner::Picture attention_;
        skinner::Picture time_;
        skinner::Picture pause_;
    };

    // The Document's alarm at index, copied.
    MessageAlarmAction(skinner::Form* parent, skinner::Properties& properties, std::wstring_view caption,
                       const std::wstring& text_template, int alarm_index, const liba::TimeStamp& date,
                       bool show_cancel);
    // An alarm not stored yet.
    MessageAlarmAction(skinner::Form* parent, skinner::Properties& properties, std::wstring_view caption,
                       const std::wstring& text_template, const Alarm& alarm, const liba::TimeStamp& date,
                       bool show_cancel);
    ~MessageAlarmAction() override;

    const Alarm& get_alarm() const { return alarm_; }

private:
    void fill();

    skinner::ControlFrame time_;
    skinner::ControlFrame periodicity_;
    skinner::ControlFrame subject_;
    skinner::ControlButton cancel_;
    FrameAction actions_;
    Alarm alarm_;
};
