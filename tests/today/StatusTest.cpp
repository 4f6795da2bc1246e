#include "TodayFixture.h"

namespace today_test {
namespace {

TEST_F(TodayTest, StatusShowsPassedOverCountNextAlarmOrNone) {
    write_state(L"Dentist", L"08 : 05", 3);
    make_item();
    query();
    EXPECT_EQ(last_status(), L"Alarms passed over : 3");
    write_state(L"Dentist", L"08 : 05", 0);
    query();
    EXPECT_EQ(last_status(), L"08 : 05  Dentist");
    write_state(L"", L"", 0, false);
    query();
    EXPECT_EQ(last_status(), L"No alarms set");
    // An alarm without a subject shows its time alone.
    write_state(L"", L"07 : 30", 0);
    query();
    EXPECT_EQ(last_status(), L"07 : 30");
    // A broken or missing file says that no alarm is set.
    write_file("windows/qevachimely.ini", "<Next name=");
    query();
    EXPECT_EQ(last_status(), L"No alarms set");
    write_state(L"Gym", L"18 : 00", 0);
    query();
    std::filesystem::remove(root_file("windows/qevachimely.ini"));
    query();
    EXPECT_EQ(last_status(), L"No alarms set");
    EXPECT_EQ(status_lines().size(), 7u);
}

TEST_F(TodayTest, EveryRewriteIsSeenEvenWithinOneSecond) {
    write_state(L"Dentist", L"08 : 05", 0);
    make_item();
    query();
    EXPECT_EQ(last_status(), L"08 : 05  Dentist");
    // Reserved, then dismissed at once: two writes in the same second.
    write_state(L"Dentist", L"08 : 05", 1);
    write_state(L"Gym", L"18 : 00", 0);
    query();
    EXPECT_EQ(last_status(), L"18 : 00  Gym");
    write_state(L"Gym", L"18 : 00", 2);
    query();
    EXPECT_EQ(last_status(), L"Alarms passed over : 2");
    // Nothing changed: nothing is read or logged.
    query();
    EXPECT_EQ(status_lines().size(), 3u);
}

TEST_F(TodayTest, LanguageOfTheMainProgramFromItsFolder) {
    write_state(L"", L"", 0, false);
    set_string(L"Language", L"\\Storage\\Languages\\German.lng");
    make_item();
    query();
    EXPECT_EQ(last_status(), L"Kein Wecker gestellt");
    // A changed value re-reads the file even though the file did not change.
    set_string(L"Language", L"\\Storage\\Languages\\English.lng");
    query();
    EXPECT_EQ(last_status(), L"No alarms set");
    // A file that does not load keeps the language shown.
    set_string(L"Language", L"\\Storage\\Languages\\Klingon.lng");
    query();
    EXPECT_EQ(last_status(), L"No alarms set");
    EXPECT_EQ(status_lines().size(), 2u);
}

TEST_F(TodayTest, WithoutALanguageTheItemSpeaksEnglishNotKeys) {
    write_state(L"", L"", 0, false);
    make_item();
    query();
    EXPECT_EQ(last_status(), L"No alarms set");
}

TEST_F(TodayTest, ALanguageThatFailsFirstFallsBackToEnglish) {
    write_state(L"", L"", 4);
    set_string(L"Language", L"\\Storage\\Languages\\Missing.lng");
    make_item();
    query();
    EXPECT_EQ(last_status(), L"Alarms passed over : 4");
}

} // namespace
} // namespace today_test
