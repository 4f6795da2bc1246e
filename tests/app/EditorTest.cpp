#include "app/FormAlarm.h"

#include "EditorFixture.h"
#include "app/FormCalendar.h"
#include "base/Path.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace editor_fixture;
using model_fixture::at;

namespace {

Alarm make_alarm(int type, const char* date, int hour, int minute, const std::wstring& subject,
                 const std::wstring& note = L"") {
    Alarm alarm;
    alarm.set_periodicity(type, at(date));
    alarm.set_time(hour, minute);
    alarm.set_subject(subject);
    alarm.set_note(note);
    return alarm;
}

std::vector<std::string> exceptions_of(const Alarm& alarm) {
    std::vector<std::string> dates;
    for (const AlarmPeriodicity<3>& date : alarm.get_exceptions())
        dates.push_back(std::to_string(date.year) + "-" + std::to_string(date.month) + "-" +
                        std::to_string(date.day));
    return dates;
}

int rule_of(const Alarm& alarm) { return alarm.get_periodicity()->type(); }

// Moves the picker that opens next to date and closes it with the button.
void pick_later(const char* date, const wchar_t* button) {
    const liba::TimeStamp day = at(date);
    form_fixture::later([day, button] {
        auto* picker = dynamic_cast<FormCalendar*>(skinner::Form::modal_form());
        ASSERT_TRUE(picker);
        picker->get_calendar().set_date(day);
        button_of(*picker, button)->click();
    });
}

} // namespace

TEST_F(EditorTest, ANewAlarmWithoutSubjectAsksYesReturnsToTheSubjectNoAddsNothing) {
    skinner::Form main(nullptr, &properties, L"FormAlarm");  // stands in for the main form
    FormAlarm editor(&main, properties);
    editor.set_new_alarm(at("2006-03-08 07:30:00"), L"");
    std::wstring asked;
    skinner::Form* question_parent = nullptr;
    bool subject_focused = false;
    run_steps({opens(L"btnOk"), act([&] { question_parent = skinner::Form::modal_form()->get_parent_form(); }),
               click(L"btnYes", false, &asked), act([&] {
        PanelSubject& subject = editor.get_panel().get_subject();
        // The chain of focused children, whether or not the window is active now.
        PanelAlarm& panels = editor.get_panel();
        subject_focused = editor.get_focused_child() == &panels &&
                          panels.get_container()->get_focused_child() == &subject &&
                          subject.get_container()->get_focused_child() == &subject.get_edit();
        button_of(editor, L"btnOk")->click();
    }, true), click(L"btnNo")});
    EXPECT_FALSE(editor.run());
    EXPECT_EQ(asked, L"FormMessageAlarmAction");
    EXPECT_EQ(question_parent, &main);  // the question stands beside the editor, over the main form
    EXPECT_TRUE(subject_focused);
    EXPECT_EQ(document->alarm_count(), 0);

    FormAlarm named(nullptr, properties);
    named.set_new_alarm(at("2006-03-08 07:30:00"), L"");
    named.get_panel().get_subject().get_edit().set_text(L"Dentist");
    named.get_panel().get_actions().get_time().set_checked(true);
    run_steps({click(L"btnOk")});
    EXPECT_TRUE(named.run());
    ASSERT_EQ(document->alarm_count(), 1);
    const Alarm& added = document->alarm_vector_at(0);
    EXPECT_EQ(added.hour() * 100 + added.minute(), 730);
    EXPECT_EQ(rule_of(added), periodicity_everyday);
    EXPECT_TRUE(added.get_events() == (AlarmEvents{false, true, false}));
    EXPECT_EQ(added.get_note(), L"");  // nothing recorded: no note
}

TEST_F(EditorTest, TheWholeSeriesKeepsItsSkippedDaysAndOnlyThisDaySkipsTheDayOpened) {
    Alarm series = make_alarm(periodicity_everyday, "2006-03-01 00:00:00", 8, 0, L"Gym");
    series.add_exception(AlarmPeriodicity<3>(2006, 3, 1));
    document->add_alarm(series);

    // Cancel in the question keeps the editor; Yes changes the whole series.
    FormAlarm whole(nullptr, properties);
    whole.set_alarm(at("2006-03-10 08:00:00"), 0, true);
    whole.get_panel().get_time().get_minute().set_value(15);
    run_steps({opens(L"btnOk"), click(L"btnCancel"), opens(L"btnOk"), click(L"btnYes")});
    EXPECT_TRUE(whole.run());
    ASSERT_EQ(document->alarm_count(), 1);
    EXPECT_EQ(document->alarm_vector_at(0).minute(), 15);
    EXPECT_EQ(exceptions_of(document->alarm_vector_at(0)), (std::vector<std::string>{"2006-3-1"}));

    // Only this day, the date moved to the 12th: the 10th (opened) is skipped, the once alarm is on the 12th.
    FormAlarm moved(nullptr, properties);
    moved.set_alarm(at("2006-03-10 08:15:00"), 0, true);
    pick_later("2006-03-12 00:00:00", L"btnOk");
    moved.get_panel().get_time().choose_date();
    moved.get_panel().get_time().get_hour().set_value(9);
    run_steps({opens(L"btnOk"), click(L"btnNo")});
    EXPECT_TRUE(moved.run());
    ASSERT_EQ(document->alarm_count(), 2);
    EXPECT_EQ(exceptions_of(document->alarm_vector_at(0)), (std::vector<std::string>{"2006-3-1", "2006-3-10"}));
    EXPECT_EQ(document->alarm_vector_at(0).hour(), 8);
    const Alarm& once = document->alarm_vector_at(1);
    EXPECT_EQ(rule_of(once), periodicity_once);
    EXPECT_TRUE(once.occurs_on(2006, 3, 12));
    EXPECT_EQ(once.hour(), 9);

    // Without a moved date the once alarm stands on the day skipped.
    FormAlarm same_day(nullptr, properties);
    same_day.set_alarm(at("2006-03-15 08:15:00"), 0, true);
    same_day.get_panel().get_subject().get_edit().set_text(L"Swim");
    run_steps({opens(L"btnOk"), click(L"btnNo")});
    EXPECT_TRUE(same_day.run());
    ASSERT_EQ(document->alarm_count(), 3);
    EXPECT_EQ(exceptions_of(document->alarm_vector_at(0)).back(), "2006-3-15");
    EXPECT_TRUE(document->alarm_vector_at(2).occurs_on(2006, 3, 15));

    // A once alarm edited: either answer changes the alarm itself, no exception is made.
    FormAlarm single(nullptr, properties);
    single.set_alarm(at("2006-03-12 09:15:00"), 1, true);
    single.get_panel().get_subject().get_edit().set_text(L"Tennis");
    run_steps({opens(L"btnOk"), click(L"btnNo")});
    EXPECT_TRUE(single.run());
    ASSERT_EQ(document->alarm_count(), 3);
    EXPECT_EQ(document->alarm_vector_at(1).get_subject(), L"Tennis");
    EXPECT_TRUE(document->alarm_vector_at(1).get_exceptions().empty());
    EXPECT_TRUE(document->alarm_vector_at(1).occurs_on(2006, 3, 12));

    // Unchanged: the editor closes at once, nothing is asked or saved. A
    // question would take the queued Yes and change the series.
    FormAlarm unchanged(nullptr, properties);
    unchanged.set_alarm(at("2006-03-10 08:15:00"), 0, true);
    std::wstring asked;
    run_steps({click(L"btnOk")});
    EXPECT_FALSE(unchanged.run());
    EXPECT_EQ(document->alarm_vector_at(0).get_subject(), L"Gym");
}

TEST_F(EditorTest, ACopySharesTheNoteAndTheRuleTextsFollowTheDate) {
    write("2006 03 01 10 00 00", "note");
    document->add_alarm(make_alarm(periodicity_dayofweek, "2006-03-08 00:00:00", 7, 0, L"Run", L"%app_path%/2006 03 01 10 00 00"));
    FormAlarm copy(nullptr, properties);
    copy.set_alarm(at("2006-03-08 07:00:00"), 0, false);
    EXPECT_EQ(copy.get_index(), -1);
    PanelTime& time = copy.get_panel().get_time();
    EXPECT_EQ(time.get_period().get_items()[1], L"Every Wednesday");
    EXPECT_EQ(time.get_period().get_items()[2], L"Every 8th");
    EXPECT_EQ(time.get_rule(), periodicity_dayofweek);
    pick_later("2006-03-10 00:00:00", L"btnOk");
    time.choose_date();
    EXPECT_EQ(time.get_period().get_items()[1], L"Every Friday");
    EXPECT_EQ(time.get_period().get_items()[2], L"Every 10th");
    EXPECT_EQ(time.get_rule(), periodicity_dayofweek);  // the selection stays
    EXPECT_EQ(time.get_date_frame().get_text(), L"10.3.2006");
    pick_later("2006-03-20 00:00:00", L"btnCancel");
    time.choose_date();
    EXPECT_EQ(time.get_date_frame().get_text(), L"10.3.2006");
    time.get_period().set_selected(7);  // no such rule: every day
    EXPECT_EQ(rule_of(copy.get_alarm()), periodicity_everyday);
    time.set_rule(periodicity_dayofweek);

    run_steps({click(L"btnOk")});
    EXPECT_TRUE(copy.run());
    ASSERT_EQ(document->alarm_count(), 2);
    EXPECT_EQ(document->alarm_vector_at(1).get_note(), L"%app_path%/2006 03 01 10 00 00");
    EXPECT_TRUE(document->alarm_vector_at(1).occurs_on(2006, 3, 17));  // Fridays now
    EXPECT_EQ(read("2006 03 01 10 00 00"), "note");
}

TEST_F(EditorTest, RecordingNeverWritesIntoAGivenFileAndWhatIsNotKeptGoes) {
    write("2006 03 01 10 00 00", "old");
    const std::string user_file = (std::filesystem::path(testing_support::process_root()) / "My Documents/song.mp3");
    std::filesystem::create_directories(std::filesystem::path(user_file).parent_path());
    std::ofstream(user_file) << "user";
    document->add_alarm(make_alarm(periodicity_everyday, "2006-03-08 00:00:00", 7, 0, L"Mine", L"\\My Documents\\song.mp3"));
    document->add_alarm(make_alarm(periodicity_everyday, "2006-03-08 00:00:00", 8, 0, L"Made", L"%app_path%/2006 03 01 10 00 00"));
    const auto record = [](FormAlarm& editor) {
        PanelAudioControls& audio = editor.get_panel().get_audio();
        audio.get_record().click();
        EXPECT_TRUE(audio.is_busy());
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        audio.get_stop().click();
        return audio.get_path();
    };

    // A user's file: the recording goes to a new file, which Cancel deletes.
    FormAlarm cancelled(nullptr, properties);
    cancelled.set_alarm(at("2006-03-08 07:00:00"), 0, true);
    const std::wstring recorded = record(cancelled);
    EXPECT_TRUE(Document::is_generated_note(recorded));
    EXPECT_TRUE(plat::get_file_attributes(liba::expand_path_macros(recorded)) != plat::INVALID_FILE_ATTRIBUTES);
    run_steps({click(L"btnCancel")});
    EXPECT_FALSE(cancelled.run());
    EXPECT_EQ(plat::get_file_attributes(liba::expand_path_macros(recorded)), plat::INVALID_FILE_ATTRIBUTES);

    // Ok without a recording keeps the note even though it does not play.
    FormAlarm kept(nullptr, properties);
    kept.set_alarm(at("2006-03-08 07:00:00"), 0, true);
    EXPECT_FALSE(kept.get_panel().get_audio().get_play().is_own_enabled());
    kept.get_panel().get_subject().get_edit().set_text(L"Mine too");
    run_steps({opens(L"btnOk"), click(L"btnYes")});
    EXPECT_TRUE(kept.run());
    EXPECT_EQ(document->alarm_vector_at(0).get_note(), L"\\My Documents\\song.mp3");

    // A new recording replaces the program's own note, which no alarm uses any more.
    FormAlarm replaced(nullptr, properties);
    replaced.set_alarm(at("2006-03-08 08:00:00"), 1, true);
    const std::wstring fresh = record(replaced);
    EXPECT_NE(fresh, L"%app_path%/2006 03 01 10 00 00");
    EXPECT_TRUE(replaced.get_panel().get_audio().get_play().is_own_enabled());
    run_steps({opens(L"btnOk"), click(L"btnYes")});
    EXPECT_TRUE(replaced.run());
    EXPECT_TRUE(liba::paths_equal(document->alarm_vector_at(1).get_note(), fresh));
    EXPECT_FALSE(exists("2006 03 01 10 00 00"));
    EXPECT_TRUE(plat::get_file_attributes(liba::expand_path_macros(fresh)) != plat::INVALID_FILE_ATTRIBUTES);
    std::ifstream in(user_file);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "user");
}
