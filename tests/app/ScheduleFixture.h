#pragma once
// The schedule's forms over a compiled test skin whose pictures are one
// colour each, a Document in the test's device root, a fake clock, and a
// view that records the hints the forms send.
#include "FormsFixture.h"

#include <memory>
#include <string>
#include <vector>

namespace schedule_fixture {

using forms_fixture::button_of;

// Picture colours: the icons, the day marks and the time line.
inline const plat::COLORREF attention_icon = plat::rgb(255, 0, 0);
inline const plat::COLORREF time_icon = plat::rgb(0, 255, 0);
inline const plat::COLORREF pause_icon = plat::rgb(0, 0, 255);
inline const plat::COLORREF sound_icon = plat::rgb(255, 255, 0);
inline const plat::COLORREF normal_ex = plat::rgb(0, 128, 128);
inline const plat::COLORREF selected_ex = plat::rgb(128, 0, 128);
inline const plat::COLORREF selection = plat::rgb(0, 0, 128);
inline const plat::COLORREF white = plat::rgb(255, 255, 255);

inline const char* const skin = R"(<skin id="schedule" devices="">
  <design width="240" height="320"/>
  <form name="FormSchedule"><point name="Size" x="240" y="268"/>
    <control name="tab"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="268"/>
      <string name="FormTemplate" value="SchedulePages"/><int name="HeaderHeight" value="20"/></control>
  </form>
  <form name="SchedulePages"><point name="Size" x="240" y="268"/>
    <control name="tabDay"><string name="Text" value="tabDay"/><string name="FormTemplate" value="ScheduleDay"/></control>
    <control name="tabWeek"><string name="Text" value="tabWeek"/><string name="FormTemplate" value="ScheduleWeek"/></control>
    <control name="tabMonth"><string name="Text" value="tabMonth"/><string name="FormTemplate" value="ScheduleMonth"/></control>
  </form>
  <form name="ScheduleDay"><point name="Size" x="240" y="248"/>
    <control name="frmCaption"><point name="Position" x="0" y="0"/><point name="Size" x="200" y="20"/></control>
    <control name="btnCalendar"><point name="Position" x="200" y="0"/><point name="Size" x="40" y="20"/></control>
    <control name="listAlarms"><point name="Position" x="0" y="20"/><point name="Size" x="240" y="228"/>
      <int name="ItemHeight" value="20"/><font name="FontCaption" value="9 0 0 0 DejaVu Sans"/>
      <picture name="ItemNormal" image="white" stretch="1"/><picture name="ItemSelection" image="navy" stretch="1"/>
      <picture name="iconAttention" image="attention"/><picture name="iconTime" image="time"/>
      <picture name="iconPause" image="pause"/><picture name="iconSound" image="sound"/></control>
  </form>
  <form name="ScheduleWeek"><point name="Size" x="240" y="248"/>
    <control name="frmCaption"><point name="Position" x="20" y="0"/><point name="Size" x="200" y="20"/></control>
    <control name="btnPrev"><point name="Position" x="0" y="0"/><point name="Size" x="20" y="20"/></control>
    <control name="btnNext"><point name="Position" x="220" y="0"/><point name="Size" x="20" y="20"/></control>
    <control name="listAlarms"><point name="Position" x="0" y="20"/><point name="Size" x="240" y="210"/>
      <int name="ItemHeight" value="30"/><font name="FontCaption" value="9 0 0 0 DejaVu Sans"/>
      <picture name="ItemNormal" image="white" stretch="1"/>
      <picture name="TimeLine" image="time" stretch="1"/><picture name="TimeLabel" image="pause"/></control>
  </form>
  <form name="ScheduleMonth"><point name="Size" x="240" y="248"/>
    <control name="frmCaption"><point name="Position" x="20" y="0"/><point name="Size" x="200" y="20"/></control>
    <control name="btnPrev"><point name="Position" x="0" y="0"/><point name="Size" x="20" y="20"/></control>
    <control name="btnNext"><point name="Position" x="220" y="0"/><point name="Size" x="20" y="20"/></control>
    <control name="listAlarms"><point name="Position" x="0" y="20"/><point name="Size" x="240" y="210"/>
      <int name="ItemHeight" value="30"/>
      <picture name="ItemNormal" image="white" stretch="1"/><font name="ItemNormal" value="9 0 0 0 DejaVu Sans"/>
      <picture name="ItemSelection" image="navy" stretch="1"/>
      <picture name="ItemNormalEx" image="normalex" stretch="1"/><picture name="ItemSelectedEx" image="selectedex" stretch="1"/>
      <picture name="today" image="attention" stretch="1"/></control>
  </form>
  <form name="FormCalendar"><point name="Size" x="240" y="268"/>
    <control name="calendar"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="200"/></control>
    <control name="btnOk"><point name="Position" x="0" y="200"/><point name="Size" x="80" y="30"/></control>
    <control name="btnCancel"><point name="Position" x="80" y="200"/><point name="Size" x="80" y="30"/></control>
    <control name="btnOk2"><point name="Position" x="160" y="200"/><point name="Size" x="80" y="30"/></control>
    <create name="btnOk2" kind="Auto.Button"/>
  </form>
  <form name="FormMessageAlarmAction"><point name="Size" x="240" y="200"/>
    <control name="btnCaption"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="20"/></control>
    <control name="frmText"><point name="Position" x="0" y="20"/><point name="Size" x="240" y="40"/></control>
    <control name="frmTime"><point name="Position" x="0" y="60"/><point name="Size" x="80" y="20"/></control>
    <control name="frmPeriodicity"><point name="Position" x="80" y="60"/><point name="Size" x="160" y="20"/></control>
    <control name="frmSubject"><point name="Position" x="0" y="80"/><point name="Size" x="240" y="20"/></control>
    <control name="frmActions"><point name="Position" x="0" y="100"/><point name="Size" x="100" y="20"/>
      <picture name="iconAttention" image="attention"/><picture name="iconTime" image="time"/>
      <picture name="iconPause" image="pause"/></control>
    <control name="btnYes"><point name="Position" x="0" y="160"/><point name="Size" x="80" y="30"/></control>
    <control name="btnNo"><point name="Position" x="80" y="160"/><point name="Size" x="80" y="30"/></control>
    <control name="btnCancel"><point name="Position" x="160" y="160"/><point name="Size" x="80" y="30"/></control>
    <create name="btnYes" kind="Auto.Button"/>
    <create name="btnNo" kind="Auto.Button"/>
  </form>
</skin>)";

// English texts the checks read, as a language file writes them: key, blank, text.
inline const std::wstring language = L"monthfull3 March\nmonthfull5 May\nmonth3 Mar\nmonth4 Apr\nmonth5 May\n"
                                     L"dayweekfull2 Wednesday\nmonth2 Feb\nmonth12 Dec\nmonth1 Jan\nperiodEveryDay Every day\n"
                                     L"everydayweek2 Every Wednesday\n"
                                     L"everydaymonth31 Every month on the 31st\n";

// Icons: attention 6 wide, time 8, pause and sound 10; all 10 high.
inline std::wstring write_schedule_skin() {
    using skin_fixture::write_picture;
    write_picture("attention", 6, 10, attention_icon);
    write_picture("time", 8, 10, time_icon);
    write_picture("pause", 10, 10, pause_icon);
    write_picture("sound", 10, 10, sound_icon);
    write_picture("white", 4, 4, white);
    write_picture("navy", 4, 4, selection);
    write_picture("normalex", 4, 4, normal_ex);
    write_picture("selectedex", 4, 4, selected_ex);
    return skin_fixture::write_skin(skin, "schedule");
}

// Records every hint the Document sends to its views.
struct HintRecorder : liba::Document<Document, HintNewAlarm>::View {
    void update(const HintNewAlarm& hint) override { hints.push_back(hint); }
    std::vector<HintNewAlarm> hints;
};

inline Alarm make_alarm(int type, const char* date, int hour, int minute, const std::wstring& subject = L"",
                        AlarmEvents events = {}, const std::wstring& note = L"") {
    Alarm alarm = alarm_test::make_alarm(type, date, hour, minute, subject.c_str());
    alarm.set_events(events);
    alarm.set_note(note);
    return alarm;
}

// Clicks a button of whichever form runs modally when the loop comes to it.
inline void click_later(std::wstring name) {
    form_fixture::later([name] { forms_fixture::click_modal(name); });
}

class ScheduleTest : public forms_fixture::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        set_now("2006-03-08 10:00:00");  // a Wednesday
        // The binary run by hand keeps one root for all its tests.
        std::filesystem::remove(app_file("alarms.ini"));
        std::filesystem::remove(app_file("settings.ini"));
        start_document(write_schedule_skin(), language);
        EXPECT_EQ(properties.translate(L"monthfull3"), L"March");
        recorder = std::make_unique<HintRecorder>();
    }
    void TearDown() override {
        recorder.reset();
        FormsTest::TearDown();
    }

    std::unique_ptr<HintRecorder> recorder;
};

} // namespace schedule_fixture
