#include "ScheduleFixture.h"

#include "app/MessageAlarmAction.h"
#include "app/ScheduleDates.h"

using model_fixture::at;
using namespace schedule_fixture;

namespace {

const schedule::Translate english = [](const std::wstring& key) -> std::wstring {
    if (key == L"monthfull3")
        return L"March";
    if (key == L"month5")
        return L"May";
    if (key == L"monthfull12")
        return L"%day% of %month%";  // a translation holding both markers
    return L"<" + key + L">";
};

std::wstring frame_text(skinner::Form& form, std::wstring_view name) {
    for (skinner::Control* child : form.get_children())
        if (child->get_name() == name)
            if (auto* frame = dynamic_cast<skinner::ControlFrame*>(child))
                return frame->get_text();
    return L"(none)";
}

class MessageTest : public ScheduleTest {
protected:
    std::unique_ptr<MessageAlarmAction> open(const Alarm& alarm, bool cancel = true) {
        return std::make_unique<MessageAlarmAction>(nullptr, properties, L"Delete", L"Delete %day% %month%?", alarm,
                                                    at("2006-03-03 00:00:00"), cancel);
    }
};

} // namespace

TEST(MessageTexts, TemplatesExpandOnceLeftToRightWhateverTheTranslationsHold) {
    EXPECT_EQ(schedule::expand_template(L"Delete the alarm of %day% %month%?", at("2006-03-03 00:00:00"), english),
              L"Delete the alarm of 3 March?");
    EXPECT_EQ(schedule::expand_template(L"%month%/%day%/%month% %day", at("2006-03-21 00:00:00"), english),
              L"March/21/March %day");
    EXPECT_EQ(schedule::expand_template(L"On %month%, %day%.", at("2006-12-24 00:00:00"), english),
              L"On %day% of %month%, 24.");
    EXPECT_EQ(schedule::time_text(7, 5), L"07 : 05");
}

TEST(MessageTexts, EveryRuleInWordsFromItsOwnFieldsAPastOnceDateIncluded) {
    const auto rule = [](int type, const char* date) {
        Alarm alarm;
        alarm.set_periodicity(type, at(date));
        return schedule::rule_text(alarm, english);
    };
    EXPECT_EQ(rule(0, "2006-03-08 00:00:00"), L"<periodEveryDay>");
    EXPECT_EQ(rule(1, "2006-03-08 00:00:00"), L"<everydayweek2>");
    EXPECT_EQ(rule(2, "2006-01-31 00:00:00"), L"<everydaymonth31>");  // also in a month without a 31st
    EXPECT_EQ(rule(3, "2006-05-05 00:00:00"), L"5 May2006");
    EXPECT_EQ(rule(3, "2001-05-05 00:00:00"), L"5 May2001");  // long past: no next date, still its own
    EXPECT_EQ(schedule::rule_text(Alarm(), english), L"");       // no known rule
}

TEST_F(MessageTest, TheSummaryFillsItsFramesAndItsIconsKeepTheirSlots) {
    Alarm alarm = make_alarm(2, "2006-01-31 00:00:00", 7, 5, L"Dentist", {false, false, true});
    auto form = open(alarm);
    EXPECT_EQ(frame_text(*form, L"frmText"), L"Delete 3 March?");
    EXPECT_EQ(frame_text(*form, L"frmTime"), L"07 : 05");
    EXPECT_EQ(frame_text(*form, L"frmPeriodicity"), L"Every month on the 31st");
    EXPECT_EQ(frame_text(*form, L"frmSubject"), L"Dentist");
    EXPECT_TRUE(button_of(*form, L"btnCancel")->is_own_visible());
    EXPECT_FALSE(open(alarm, false) && button_of(*open(alarm, false), L"btnCancel")->is_own_visible());

    // frmActions at (0, 100), 20 high; icons 10 high from y 105: pause only, at 6 + 8 + 6.
    const auto pixels = [&](const Alarm& shown) {
        auto message = open(shown);
        skin_fixture::Screen screen(240, 200);
        for (skinner::Control* child : message->get_children())
            if (child->get_name() == L"frmActions")
                child->paint(*screen.canvas, {0, 0}, {240, 200});
        return std::vector<plat::COLORREF>{screen.at(3, 110), screen.at(11, 110), screen.at(21, 110)};
    };
    EXPECT_EQ(pixels(alarm), (std::vector<plat::COLORREF>{white, white, pause_icon}));
    alarm.set_events({true, true, true});
    EXPECT_EQ(pixels(alarm), (std::vector<plat::COLORREF>{attention_icon, time_icon, pause_icon}));
}

TEST_F(MessageTest, TheAnswerIsTheButtonPressedAndEmptyWithoutOne) {
    const Alarm alarm = make_alarm(0, "2006-03-01 00:00:00", 7, 0);
    for (const wchar_t* name : {L"btnYes", L"btnNo", L"btnCancel"}) {
        auto form = open(alarm);
        click_later(name);
        EXPECT_EQ(form->run(), name);
    }
    auto form = open(alarm);
    skinner::ControlButtonBase* caption = button_of(*form, L"btnCaption");
    ASSERT_TRUE(caption);
    EXPECT_FALSE(caption->wants_focus());
    EXPECT_EQ(caption->get_text(), L"Delete");
    form_fixture::later([&] {
        form->on_click(caption);  // shows the question only
        EXPECT_TRUE(form->get_pressed().empty());
        form->close();
    });
    EXPECT_EQ(form->run(), L"");
}

TEST_F(MessageTest, TheStoredAlarmIsCopiedByIndex) {
    document->add_alarm(make_alarm(3, "2006-05-05 00:00:00", 9, 45, L"Train"));
    MessageAlarmAction form(nullptr, properties, L"Delete", L"%day%", 0, at("2006-05-05 00:00:00"), false);
    EXPECT_EQ(frame_text(form, L"frmPeriodicity"), L"5 May2006");
    EXPECT_EQ(frame_text(form, L"frmSubject"), L"Train");
    EXPECT_EQ(frame_text(form, L"frmText"), L"5");
}
