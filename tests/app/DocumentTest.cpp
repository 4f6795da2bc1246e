#include "ModelFixture.h"

#include "app/Document.h"
#include "base/Registry.h"
#include "base/Xml.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>

using model_fixture::at;
using model_fixture::ModelTest;
using model_fixture::text;

namespace {

Alarm make_alarm(int type, const char* date, int hour, int minute, const std::wstring& subject = L"") {
    Alarm alarm;
    alarm.set_periodicity(type, at(date));
    alarm.set_time(hour, minute);
    alarm.set_subject(subject);
    return alarm;
}

std::vector<std::string> exception_texts(const Alarm& alarm) {
    std::vector<std::string> texts;
    for (const AlarmPeriodicity<3>& date : alarm.get_exceptions())
        texts.push_back(std::to_string(date.year) + "-" + std::to_string(date.month) + "-" + std::to_string(date.day));
    return texts;
}

using Texts = std::vector<std::string>;

// The model's notices about alarms.ini, as short texts.
struct Notices {
    void listen(Document& document) {
        document.set_notice_listener([this](const Document::Notice& notice) {
            switch (notice.kind) {
            case Document::Notice::kept_aside: texts.push_back("kept " + plat::to_utf8(notice.file)); break;
            case Document::Notice::unsaved: texts.push_back("unsaved"); break;
            case Document::Notice::save_failed: texts.push_back("save failed"); break;
            }
        });
    }
    Texts texts;
};

class DocumentTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        set_now("2026-03-07 07:00:00");
    }
    // Folders in the place of alarm files, or a corrupt list, would spoil later tests of the process.
    void TearDown() override {
        clear_alarm_files();
        ModelTest::TearDown();
    }
    static std::string once_alarm_xml(const std::string& date, const std::string& subject) {
        return "<Alarm><AlarmType type=\"once\" additional=\"" + date + "\"/><Properties time=\"8 15\" subject=\"" +
               subject + "\" note=\"\"/><Events attention=\"true\" time=\"false\" pause=\"false\"/><Exeptions/></Alarm>";
    }
};

} // namespace

TEST_F(DocumentTest, AlarmListSurvivesARestartWithEveryRuleAndItsExceptions) {
    {
        Document document;
        EXPECT_EQ(document.alarm_count(), 0);
        Alarm early = make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 6, 30, L"Fr\u00fch \u263c");
        early.add_exception({2026, 3, 8});
        early.add_exception({2026, 12, 24});
        Alarm weekly = make_alarm(periodicity_dayofweek, "2026-03-10 00:00:00", 7, 5, L"gym");
        weekly.set_note(L"%app_path%/2026 03 01 10 00 00");
        weekly.set_events({true, false, true});
        document.add_alarm(early);
        document.add_alarm(weekly);
        document.add_alarm(make_alarm(periodicity_dayofmonth, "2026-03-31 00:00:00", 0, 0, L"rent"));
        document.add_alarm(make_alarm(periodicity_once, "2026-04-01 00:00:00", 23, 59, L"<&\">"));
    }
    std::vector<Alarm> saved;
    {
        Document first;
        saved = first.get_alarms();
    }
    Document document;
    ASSERT_EQ(document.alarm_count(), 4);
    for (int i = 0; i < 4; ++i) {
        const Alarm& alarm = document.alarm_vector_at(i);
        EXPECT_TRUE(alarm.get_periodicity()->equals(*saved[size_t(i)].get_periodicity())) << i;
        EXPECT_EQ(alarm.get_periodicity()->type(), i) << i;
    }
    const Alarm& early = document.alarm_vector_at(0);
    EXPECT_EQ(early.get_subject(), L"Fr\u00fch \u263c");
    EXPECT_EQ(exception_texts(early), (Texts{"2026-3-8", "2026-12-24"}));
    EXPECT_FALSE(early.occurs_on(2026, 3, 8));
    const Alarm& weekly = document.alarm_vector_at(1);
    EXPECT_EQ(weekly.hour(), 7);
    EXPECT_EQ(weekly.minute(), 5);
    EXPECT_EQ(weekly.get_note(), L"%app_path%/2026 03 01 10 00 00");
    EXPECT_EQ(weekly.get_events(), (AlarmEvents{true, false, true}));
    EXPECT_TRUE(weekly.occurs_on(2026, 3, 17));
    EXPECT_TRUE(document.alarm_vector_at(2).occurs_on(2026, 5, 31));
    EXPECT_EQ(document.alarm_vector_at(3).get_subject(), L"<&\">");
    EXPECT_TRUE(document.alarm_vector_at(3).occurs_on(2026, 4, 1));
}

TEST_F(DocumentTest, OnlyAlarmElementsLoadInOrderAndExitRewritesTheFile) {
    write("alarms.ini", "<?xml version=\"1.0\"?><Alarms><Note/>" + once_alarm_xml("2026 3 9", "first") +
                            "<alarm/>text<!-- c -->" + "<Alarm><Properties time=\"9 0\" subject=\"no rule\"/></Alarm>" +
                            once_alarm_xml("2026 3 10", "second") + "</Alarms>");
    {
        Document document;
        ASSERT_EQ(document.alarm_count(), 3);
        EXPECT_EQ(document.alarm_vector_at(0).get_subject(), L"first");
        // An element without a rule stays in the list as it was read; it never rings.
        EXPECT_EQ(document.alarm_vector_at(1).get_subject(), L"no rule");
        EXPECT_EQ(document.alarm_vector_at(1).get_periodicity(), nullptr);
        EXPECT_EQ(document.alarm_vector_at(2).get_subject(), L"second");
    }
    const std::string rewritten = read("alarms.ini");
    EXPECT_EQ(rewritten.find("<Note"), std::string::npos) << rewritten;
    EXPECT_EQ(rewritten.find("<alarm"), std::string::npos) << rewritten;
    EXPECT_NE(rewritten.find("second"), std::string::npos) << rewritten;
}

TEST_F(DocumentTest, UnreadableAlarmFileIsKeptAsideWholeAndTheUserIsToldOnce) {
    clear_alarm_files();
    // Each is kept beside the ones before it, never over them; every one but the last is XML
    // the parser takes, yet none is one alarm list.
    const std::string list = "<Alarms>" + once_alarm_xml("2026 3 9", "first") + "</Alarms>";
    const std::string bad[] = {"not xml at all \x01", "<Settings/>", list + "\n" + list, list + "\nstray text",
                               "<?xml version=\"1.0\"?>\n<![CDATA[x]]>" + list, list.substr(0, list.size() - 3)};
    for (size_t i = 0; i < std::size(bad); ++i) {
        const std::string kept = i == 0 ? "alarms.ini.bad" : "alarms.ini.bad." + std::to_string(i + 1);
        write("alarms.ini", bad[i]);
        Notices notices;
        {
            Document document;
            EXPECT_EQ(document.alarm_count(), 0) << i;
            EXPECT_TRUE(document.alarms_writable()) << i;
            notices.listen(document);
            document.add_alarm(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 0, L"new"));
        }
        EXPECT_EQ(notices.texts, Texts{"kept " + kept}) << i;
        EXPECT_NE(read("alarms.ini").find("new"), std::string::npos) << i;
        EXPECT_EQ(read(kept), bad[i]) << i;
    }
    EXPECT_EQ(read("alarms.ini.bad"), bad[0]);
}

TEST_F(DocumentTest, WithEveryAsideNameTakenTheOldestCopyMakesRoom) {
    clear_alarm_files();
    const auto now = std::filesystem::file_time_type::clock::now();
    for (int n = 1; n <= 99; ++n) {
        const std::string name = n == 1 ? "alarms.ini.bad" : "alarms.ini.bad." + std::to_string(n);
        write(name, "kept " + std::to_string(n));
        // .bad.40 was kept longest ago.
        std::filesystem::last_write_time(app_file(name), now - std::chrono::hours(n == 40 ? 1000 : 100 - n));
    }
    write("alarms.ini", "<Alarms>");
    Notices notices;
    {
        Document document;
        EXPECT_TRUE(document.alarms_writable());
        notices.listen(document);
    }
    EXPECT_EQ(notices.texts, Texts{"kept alarms.ini.bad.40"});
    EXPECT_EQ(read("alarms.ini.bad.40"), "<Alarms>");
    EXPECT_EQ(read("alarms.ini.bad.41"), "kept 41");
    EXPECT_NE(read("alarms.ini").find("<Alarms />"), std::string::npos);
}

TEST_F(DocumentTest, AFileThatCannotBeKeptAsideIsNeverWrittenAndEverySaveSaysSo) {
    clear_alarm_files();
    // Folders in every aside name: nothing can be moved over them.
    for (int n = 1; n <= 99; ++n)
        write((n == 1 ? "alarms.ini.bad" : "alarms.ini.bad." + std::to_string(n)) + "/keep", "x");
    write("alarms.ini", "<Alarms");
    Notices notices;
    {
        Document document;
        EXPECT_FALSE(document.alarms_writable());
        notices.listen(document);
        document.add_alarm(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 0));
        document.remove_alarm(0, at("2026-03-07 00:00:00"), true);
        notices.texts.push_back("left");
        document.set_notice_listener({});
    }
    EXPECT_EQ(notices.texts, (Texts{"unsaved", "unsaved", "unsaved", "left"}));
    EXPECT_EQ(read("alarms.ini"), "<Alarms");
    EXPECT_EQ(read("alarms.ini.bad/keep"), "x");
}

TEST_F(DocumentTest, ASaveThatFailsIsNeverTakenForDone) {
    clear_alarm_files();
    Notices notices;
    Document document;
    notices.listen(document);
    // A folder in alarms.ini's place: nothing can be renamed over it.
    write("alarms.ini/keep", "x");
    document.add_alarm(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 0));
    EXPECT_EQ(notices.texts, Texts{"save failed"});
    EXPECT_EQ(read("alarms.ini/keep"), "x");
    document.set_notice_listener({});
}

TEST_F(DocumentTest, ChangingTheWholeSeriesKeepsItsSkippedDays) {
    Document document;
    Alarm series = make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 7, 0, L"work");
    series.add_exception({2026, 3, 10});
    document.add_alarm(series);
    // The editor hands over an alarm without exception dates.
    EXPECT_EQ(document.change_alarm(0, make_alarm(periodicity_dayofweek, "2026-03-10 00:00:00", 8, 0, L"work"), true),
              1);
    EXPECT_EQ(document.alarm_vector_at(0).hour(), 8);
    EXPECT_EQ(exception_texts(document.alarm_vector_at(0)), (Texts{"2026-3-10"}));
    EXPECT_FALSE(document.alarm_vector_at(0).occurs_on(2026, 3, 10));
    // A once alarm has no days to skip.
    document.change_alarm(0, make_alarm(periodicity_once, "2026-03-20 00:00:00", 8, 0), true);
    EXPECT_TRUE(document.alarm_vector_at(0).get_exceptions().empty());
    // Indexes outside the list change nothing.
    EXPECT_EQ(document.change_alarm(1, series, true), 0);
    EXPECT_EQ(document.change_alarm(-1, series, true), 0);
    EXPECT_EQ(document.alarm_count(), 1);
    EXPECT_EQ(document.alarm_vector_at(0).get_periodicity()->type(), periodicity_once);
}

TEST_F(DocumentTest, ChangingOneDaySkipsThatDayAndAddsAOnceAlarm) {
    Document document;
    document.add_alarm(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 7, 0, L"work"));
    // Wednesday's alarm moves to Thursday 10:30.
    Alarm moved = make_alarm(periodicity_once, "2026-03-12 00:00:00", 10, 30, L"work");
    EXPECT_EQ(document.change_alarm(0, moved, false, at("2026-03-11 07:00:00")), 1);
    ASSERT_EQ(document.alarm_count(), 2);
    EXPECT_EQ(exception_texts(document.alarm_vector_at(0)), (Texts{"2026-3-11"}));
    EXPECT_TRUE(document.alarm_vector_at(0).occurs_on(2026, 3, 12));
    EXPECT_EQ(text(document.alarm_vector_at(1).next_time(at("2026-03-07 07:00:00"))), "2026-03-12 10:30:00");
    // Without a day given, the once alarm's own date is the one skipped.
    document.change_alarm(0, make_alarm(periodicity_once, "2026-03-13 00:00:00", 9, 0), false);
    EXPECT_EQ(exception_texts(document.alarm_vector_at(0)), (Texts{"2026-3-11", "2026-3-13"}));
    EXPECT_EXIT(document.change_alarm(0, make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 9, 0), false,
                                      at("2026-03-14 00:00:00")),
                testing::ExitedWithCode(70), "not compatible type");
}

TEST_F(DocumentTest, RemovingAnAlarmDeletesOnlyAnUnsharedNoteTheProgramRecorded) {
    write("2026 03 01 10 00 00", "RIFF");
    write("chime.wav", "RIFF");
    Document document;
    Alarm first = make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 0, L"first");
    first.set_note(L"%app_path%/2026 03 01 10 00 00");
    Alarm second = first;
    second.set_subject(L"second");
    second.set_note(L"%app_path%\\2026 03 01 10 00 00");   // the same file, written otherwise
    Alarm own = make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 9, 0, L"own");
    own.set_note(L"%app_path%/chime.wav");
    document.add_alarm(first);
    document.add_alarm(second);
    document.add_alarm(own);

    document.remove_alarm(0, {}, true);
    EXPECT_TRUE(exists("2026 03 01 10 00 00"));
    ASSERT_EQ(document.alarm_count(), 2);
    EXPECT_EQ(document.alarm_vector_at(0).get_subject(), L"second");
    document.remove_alarm(0, {}, true);
    EXPECT_FALSE(exists("2026 03 01 10 00 00"));
    // A sound of the user's own is never deleted.
    document.remove_alarm(0, {}, true);
    EXPECT_TRUE(exists("chime.wav"));
    EXPECT_EQ(document.alarm_count(), 0);
}

TEST_F(DocumentTest, RemovingOneDayAddsItAsAnException) {
    Document document;
    document.add_alarm(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 0));
    EXPECT_EQ(document.remove_alarm(0, at("2026-03-10 08:00:00"), false), 1);
    EXPECT_EQ(document.alarm_count(), 1);
    EXPECT_FALSE(document.alarm_vector_at(0).occurs_on(2026, 3, 10));
    EXPECT_TRUE(document.alarm_vector_at(0).occurs_on(2026, 3, 11));
    EXPECT_EQ(text(document.alarm_vector_at(0).next_time(at("2026-03-09 09:00:00"))), "2026-03-11 08:00:00");
}

TEST_F(DocumentTest, SnoozeSurvivesAnEditAndFollowsARemoval) {
    Document document;
    document.add_alarm(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 6, 0, L"early"));
    document.add_alarm(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 12, 0, L"lunch"));
    set_now("2026-03-07 12:00:30");
    AlarmQueue& queue = document.get_queue();
    ASSERT_EQ(queue.next_missed(), 1);
    queue.hide_to_repeat(10);
    set_now("2026-03-07 12:02:00");
    document.add_alarm(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 20, 0, L"news"));
    EXPECT_EQ(queue.entries().count(at("2026-03-07 12:10:30")), 1u);
    document.remove_alarm(0, {}, true);
    auto snooze = queue.entries().find(at("2026-03-07 12:10:30"));
    ASSERT_NE(snooze, queue.entries().end());
    EXPECT_EQ(snooze->second, 0);
    // A ringing alarm keeps its place when an earlier one goes.
    set_now("2026-03-07 12:11:00");
    ASSERT_EQ(queue.next_missed(), 0);
    document.add_alarm(make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 5, 0));
    document.remove_alarm(1, {}, true);
    EXPECT_EQ(queue.reserved(), 0);
}

TEST_F(DocumentTest, GeneratedNoteNames) {
    EXPECT_TRUE(Document::is_generated_note(L"%app_path%/2026 03 07 06 05 00"));
    EXPECT_TRUE(Document::is_generated_note(L"\\program files\\CHIMELY\\2026 03 07 06 05 00"));
    for (const wchar_t* other : {L"", L"%app_path%/2026 03 07 06 05 00.wav", L"%app_path%/notes/2026 03 07 06 05 00",
                                 L"%my_documents%/2026 03 07 06 05 00", L"%app_path%/2026 03 07 06 05 0x",
                                 L"%app_path%/2026-03-07 06 05 00", L"%app_path%/alarms.ini"})
        EXPECT_FALSE(Document::is_generated_note(other)) << other;

    EXPECT_EQ(Document::new_note_path(at("2026-03-07 06:05:00")), L"%app_path%/2026 03 07 06 05 00");
    write("2026 03 07 06 05 00", "x");
    write("2026 03 07 06 05 01", "x");
    EXPECT_EQ(Document::new_note_path(at("2026-03-07 06:05:00")), L"%app_path%/2026 03 07 06 05 02");
    EXPECT_TRUE(Document::is_generated_note(Document::new_note_path(at("2026-12-31 23:59:59"))));
}

TEST_F(DocumentTest, StartUpFillCountsFromTheMissedWakeUp) {
    const liba::TimeStamp now = at("2026-03-07 08:00:00");
    unsetenv("CHIMELY_WAKE_DUE");
    EXPECT_EQ(text(Document::fill_start(now)), "2026-03-07 07:58:00");
    // The device was off at 07:15 and started the program at 08:00.
    setenv("CHIMELY_WAKE_DUE", "2026-03-07 07:15:00", 1);
    EXPECT_EQ(text(Document::fill_start(now)), "2026-03-07 07:13:00");
    setenv("CHIMELY_WAKE_DUE", "2026-03-07 07:59:30", 1);
    EXPECT_EQ(text(Document::fill_start(now)), "2026-03-07 07:57:30");
    // A due time still ahead, or not a time, changes nothing.
    for (const char* later : {"2026-03-07 08:30:00", "2026-03-07 7:15:00"}) {
        setenv("CHIMELY_WAKE_DUE", later, 1);
        EXPECT_EQ(text(Document::fill_start(now)), "2026-03-07 07:58:00") << later;
    }

    // The start-up fill from there shows the 07:15 alarm as missed.
    setenv("CHIMELY_WAKE_DUE", "2026-03-07 07:15:00", 1);
    write("alarms.ini",
          "<Alarms><Alarm><AlarmType type=\"everyday\"/><Properties time=\"7 15\"/></Alarm></Alarms>");
    set_now("2026-03-07 08:00:00");
    Document document;
    document.get_queue().fill_from(Document::fill_start(liba::TimeStamp::now()));
    EXPECT_EQ(document.get_queue().next_missed(), 0);
    unsetenv("CHIMELY_WAKE_DUE");
}

TEST_F(DocumentTest, SettingsLanguageReachesTheDialogsAndTheRegistry) {
    write_language("English.lng", L"btnYes Yes\n");
    write_language("Deutsch.lng", L"btnYes Ja\n");
    write("settings.ini", "<Settings><Appearance language=\"%app_path%/Deutsch.lng\"/></Settings>");
    const wchar_t* key = L"HKEY_LOCAL_MACHINE\\Software\\QEVA\\Chimely";
    Document document;
    EXPECT_EQ(document.get_dialogs_skin().translate(L"btnYes"), L"Ja");
    std::wstring language;
    ASSERT_TRUE(liba::read_registry_string(key, L"Language", language));
    EXPECT_EQ(language, L"%app_path%/Deutsch.lng");
    document.get_settings().set_language(L"%app_path%/English.lng");
    ASSERT_TRUE(liba::read_registry_string(key, L"Language", language));
    EXPECT_EQ(language, L"%app_path%/English.lng");
    EXPECT_NE(document.get_script(), nullptr);
    EXPECT_EQ(Document::app_title(), L"Chimely v1.0");
    EXPECT_EXIT(Document second, testing::ExitedWithCode(70), "Singleton is already instantiated");
}

TEST_F(DocumentTest, ViewsAreToldInOrderAndOneRemovedMeanwhileIsSkipped) {
    struct Recorder : Document::View {
        Recorder(std::string name, Texts& log) : name(std::move(name)), log(log) {}
        void update(const HintNewAlarm& hint) override {
            log.push_back(name + " " + std::to_string(hint.alarm_index));
            if (then)
                then();
        }
        std::string name;
        Texts& log;
        std::function<void()> then;
    };
    Document document;
    Texts log;
    auto first = std::make_unique<Recorder>("first", log);
    // The view built during the update takes the place of the one it replaces.
    std::optional<Recorder> slot;
    slot.emplace("second", log);
    bool replaced = false;
    first->then = [&] {
        if (replaced)
            return;
        replaced = true;
        slot.reset();
        slot.emplace("added", log);
    };
    document.notify_views(HintNewAlarm{{}, 3, 1});
    EXPECT_EQ(log, (Texts{"first 3"}));
    document.notify_views(HintNewAlarm{});
    EXPECT_EQ(log, (Texts{"first 3", "first -1", "added -1"}));
}
