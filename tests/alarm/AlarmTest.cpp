#include "AlarmTestSupport.h"

#include "base/Xml.h"

#include <filesystem>
#include <fstream>

using alarm_test::at;
using alarm_test::make_alarm;
using alarm_test::root_file;
using alarm_test::text;

namespace {

std::string next_of(const Alarm& alarm, const char* from) { return text(alarm.next_time(at(from))); }

// One "Alarm" element parsed from text inside an "Alarms" root.
liba::XmlNode alarm_element(const std::string& xml) {
    std::ofstream(root_file("a.ini")) << "<Alarms>" << xml << "</Alarms>";
    liba::XmlNode document = liba::xml_load_document(L"\\a.ini");
    return liba::xml_find_child(liba::xml_find_child(document, L"Alarms"), L"Alarm");
}

Alarm round_trip(const Alarm& alarm) {
    liba::XmlNode root = liba::xml_add_child(liba::xml_create_document(), L"Alarms");
    alarm.save(root);
    Alarm loaded;
    EXPECT_TRUE(loaded.load(liba::xml_find_child(root, L"Alarm")));
    return loaded;
}

} // namespace

TEST(Alarm, OwnMinuteCountsAsReached) {
    Alarm saturday = make_alarm(periodicity_dayofweek, "2026-03-07 00:00:00", 8, 0);
    EXPECT_EQ(next_of(saturday, "2026-03-07 07:59:59"), "2026-03-07 08:00:00");
    EXPECT_EQ(next_of(saturday, "2026-03-07 08:00:00"), "2026-03-14 08:00:00");
    EXPECT_EQ(next_of(saturday, "2026-03-07 08:00:59"), "2026-03-14 08:00:00");
}

TEST(Alarm, ExceptionDatesAreSkipped) {
    Alarm daily = make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 8, 0);
    daily.add_exception(AlarmPeriodicity<3>(2026, 3, 7));
    daily.add_exception(AlarmPeriodicity<3>(2026, 3, 8));
    EXPECT_EQ(next_of(daily, "2026-03-07 09:00:00"), "2026-03-09 08:00:00");
    EXPECT_EQ(next_of(daily, "2026-03-06 09:00:00"), "2026-03-09 08:00:00");
    EXPECT_FALSE(daily.occurs_on(2026, 3, 8));
    EXPECT_TRUE(daily.occurs_on(2026, 3, 9));
    EXPECT_EQ(daily.add_exception(AlarmPeriodicity<3>(2026, 3, 8)), 0);
    EXPECT_EQ(daily.get_exceptions().size(), 2u);
}

TEST(Alarm, ExceptedOnceAlarmNeverRings) {
    Alarm once = make_alarm(periodicity_once, "2026-03-07 00:00:00", 8, 0);
    once.add_exception(AlarmPeriodicity<3>(2026, 3, 7));
    EXPECT_EQ(next_of(once, "2026-03-01 09:00:00"), "never");
}

TEST(Alarm, OnceInThePastOrTheFuture) {
    Alarm today = make_alarm(periodicity_once, "2026-03-07 00:00:00", 8, 0);
    EXPECT_EQ(next_of(today, "2026-03-07 09:00:00"), "never");
    EXPECT_EQ(next_of(today, "2026-03-07 07:00:00"), "2026-03-07 08:00:00");
    EXPECT_EQ(next_of(today, "2026-03-01 09:00:00"), "2026-03-07 08:00:00");
}

TEST(Alarm, LeapDayAndMonthEnds) {
    Alarm daily = make_alarm(periodicity_everyday, "2024-01-01 00:00:00", 6, 30);
    EXPECT_EQ(next_of(daily, "2024-02-28 07:00:00"), "2024-02-29 06:30:00");
    Alarm last = make_alarm(periodicity_dayofmonth, "2026-01-31 00:00:00", 6, 30);
    EXPECT_EQ(next_of(last, "2026-01-31 07:00:00"), "2026-03-31 06:30:00");
    EXPECT_EQ(next_of(last, "2026-12-31 07:00:00"), "2027-01-31 06:30:00");
    Alarm leap = make_alarm(periodicity_dayofmonth, "2024-02-29 00:00:00", 6, 30);
    EXPECT_EQ(next_of(leap, "2024-02-29 07:00:00"), "2024-03-29 06:30:00");
}

TEST(Alarm, WithoutRuleNeverOccurs) {
    Alarm alarm;
    EXPECT_EQ(alarm.get_periodicity(), nullptr);
    EXPECT_EQ(next_of(alarm, "2026-03-07 09:00:00"), "never");
    EXPECT_FALSE(alarm.occurs_on(2026, 3, 7));
}

TEST(Alarm, CopiesOwnTheirRuleAndSurviveSelfAssignment) {
    Alarm original = make_alarm(periodicity_dayofmonth, "2026-03-05 00:00:00", 7, 5, L"Rent");
    original.add_exception(AlarmPeriodicity<3>(2026, 4, 5));
    Alarm copy = original;
    original.set_periodicity(periodicity_everyday, at("2026-03-05 00:00:00"));
    EXPECT_EQ(copy.get_periodicity()->type(), periodicity_dayofmonth);
    Alarm& same = copy;
    copy = same;
    ASSERT_NE(copy.get_periodicity(), nullptr);
    EXPECT_TRUE(copy.get_periodicity()->equals(AlarmPeriodicity<2>(5)));
    EXPECT_EQ(copy.get_subject(), L"Rent");
    EXPECT_EQ(copy.get_exceptions().size(), 1u);
}

TEST(Alarm, SaveAndLoadKeepEverything) {
    Alarm alarm = make_alarm(periodicity_dayofweek, "2026-03-09 00:00:00", 7, 5, L"Réveil ☀");
    alarm.set_note(L"%my_documents%\\note.mp3");
    alarm.set_events({true, false, true});
    alarm.add_exception(AlarmPeriodicity<3>(2026, 3, 16));
    alarm.add_exception(AlarmPeriodicity<3>(2026, 3, 23));

    liba::XmlNode root = liba::xml_add_child(liba::xml_create_document(), L"Alarms");
    alarm.save(root);
    liba::XmlNode element = liba::xml_find_child(root, L"Alarm");
    std::wstring value;
    ASSERT_TRUE(liba::xml_get_attribute(liba::xml_find_child(element, L"Properties"), L"time", value));
    EXPECT_EQ(value, L"7 5");
    ASSERT_TRUE(liba::xml_get_attribute(liba::xml_find_child(element, L"AlarmType"), L"additional", value));
    EXPECT_EQ(value, L"0");
    EXPECT_EQ(liba::xml_node_name(liba::xml_child_at(element, 3)), L"Exeptions");

    Alarm loaded = round_trip(alarm);
    EXPECT_EQ(loaded.hour(), 7);
    EXPECT_EQ(loaded.minute(), 5);
    EXPECT_EQ(loaded.get_subject(), alarm.get_subject());
    EXPECT_EQ(loaded.get_note(), alarm.get_note());
    EXPECT_EQ(loaded.get_events(), alarm.get_events());
    ASSERT_NE(loaded.get_periodicity(), nullptr);
    EXPECT_TRUE(loaded.get_periodicity()->equals(*alarm.get_periodicity()));
    ASSERT_EQ(loaded.get_exceptions().size(), 2u);
    EXPECT_TRUE(loaded.get_exceptions()[1].equals(AlarmPeriodicity<3>(2026, 3, 23)));
}

TEST(Alarm, RuleLessAlarmStaysRuleLessOverSaveAndLoad) {
    Alarm alarm;
    EXPECT_FALSE(round_trip(alarm).get_periodicity());
}

TEST(Alarm, LoadClampsAHandEditedTime) {
    Alarm alarm;
    ASSERT_TRUE(alarm.load(alarm_element(R"(<Alarm><AlarmType type="everyday"/><Properties time="25 70"/></Alarm>)")));
    EXPECT_EQ(alarm.hour(), 23);
    EXPECT_EQ(alarm.minute(), 59);
    ASSERT_TRUE(alarm.load(alarm_element(R"(<Alarm><AlarmType type="everyday"/><Properties time="-3 x"/></Alarm>)")));
    EXPECT_EQ(alarm.hour(), 0);
    EXPECT_EQ(alarm.minute(), 59);
}

TEST(Alarm, LoadNeedsPropertiesAndAlarmType) {
    Alarm alarm = make_alarm(periodicity_everyday, "2026-03-07 00:00:00", 6, 0, L"old");
    EXPECT_FALSE(alarm.load(alarm_element(R"(<Alarm><AlarmType type="once"/></Alarm>)")));
    EXPECT_EQ(alarm.get_subject(), L"old");
    EXPECT_EQ(alarm.get_periodicity()->type(), periodicity_everyday);
    EXPECT_FALSE(alarm.load(alarm_element(R"(<Alarm><Properties time="9 15" subject="new"/></Alarm>)")));
    EXPECT_EQ(alarm.get_subject(), L"new");
    EXPECT_EQ(alarm.hour(), 9);
}

TEST(Alarm, UnknownTypeLeavesNoRuleAndBadFlagsKeepTheirValue) {
    Alarm alarm;
    ASSERT_TRUE(alarm.load(alarm_element(R"(<Alarm><AlarmType type="weekly" additional="3"/>
        <Properties time="9 15"/><Events attention="True" time="yes" pause="1"/></Alarm>)")));
    EXPECT_EQ(alarm.get_periodicity(), nullptr);
    EXPECT_EQ(alarm.get_events(), (AlarmEvents{true, false, true}));

    // The unknown rule is written back as it was, so saving never loses the user's alarm.
    Alarm copy = round_trip(Alarm(alarm));
    EXPECT_EQ(copy.get_periodicity(), nullptr);
    liba::XmlNode root = liba::xml_add_child(liba::xml_create_document(), L"Alarms");
    copy.save(root);
    liba::XmlNode type = liba::xml_find_child(liba::xml_find_child(root, L"Alarm"), L"AlarmType");
    EXPECT_EQ(liba::xml_attributes(type),
              (std::vector<std::pair<std::wstring, std::wstring>>{{L"type", L"weekly"}, {L"additional", L"3"}}));

    copy.set_periodicity(periodicity_everyday, at("2026-03-07 00:00:00"));
    liba::XmlNode again = liba::xml_add_child(liba::xml_create_document(), L"Alarms");
    copy.save(again);
    std::wstring saved_type;
    liba::xml_get_attribute(liba::xml_find_child(liba::xml_find_child(again, L"Alarm"), L"AlarmType"), L"type", saved_type);
    EXPECT_NE(saved_type, L"weekly");
}

TEST(Alarm, PrettyPrintedFileKeepsItsExceptionsOverRepeatedSaves) {
    std::ofstream(root_file("alarms.ini")) << R"(<?xml version="1.0"?>
<Alarms>
  <Alarm>
    <AlarmType type="everyday" />
    <Properties time="8 0" subject="a" note="" />
    <Exeptions>
      <Exeption type="once" additional="2026 3 8" />
      <!-- kept by hand -->
      <?edited by hand?>
      <Exeption type="once" additional="2026 3" />
    </Exeptions>
  </Alarm>
</Alarms>
)";
    const std::wstring path = L"\\alarms.ini";
    for (int round = 0; round < 3; ++round) {
        liba::XmlNode document = liba::xml_load_document(path);
        Alarm alarm;
        ASSERT_TRUE(alarm.load(liba::xml_find_child(liba::xml_find_child(document, L"Alarms"), L"Alarm")));
        ASSERT_EQ(alarm.get_exceptions().size(), 2u) << "round " << round;
        // A date cut short keeps the rest of its default, 2006-1-1.
        EXPECT_EQ(alarm.get_exceptions()[1].fields(), std::make_tuple(2026, 3, 1));
        liba::XmlNode fresh = liba::xml_create_document();
        alarm.save(liba::xml_add_child(fresh, L"Alarms"));
        ASSERT_TRUE(liba::xml_save_document(fresh, path));
    }
}

TEST(Alarm, DeleteNoteFileRemovesTheNamedFile) {
    std::string note = root_file("note.mp3");
    std::ofstream(note) << "x";
    Alarm alarm;
    EXPECT_EQ(alarm.delete_note_file(), 1);
    alarm.set_note(L"\\note.mp3");
    EXPECT_EQ(alarm.delete_note_file(), 1);
    EXPECT_FALSE(std::filesystem::exists(note));
}
