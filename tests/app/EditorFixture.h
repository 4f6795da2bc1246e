#pragma once
// The editor's and the chooser's forms over one compiled test skin (also the
// Document's dialogs skin), a Document in the test's device root and a fake
// clock.
#include "FormsFixture.h"

#include <functional>
#include <vector>
#include <string>

namespace editor_fixture {

using forms_fixture::button_of;

inline const char* const skin = R"(<skin id="editor" devices="">
  <design width="240" height="320"/>
  <kind name="CmbButton"/><kind name="CmbEdit"/><kind name="CmbList"><int name="ItemHeight" value="20"/></kind>
  <form name="Drop"/>
  <form name="FormAlarm"><point name="Size" x="240" y="260"/>
    <control name="panelAlarm"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="250"/>
      <string name="FormTemplate" value="PanelAlarm"/></control>
    <control name="btnOk"><point name="Position" x="0" y="225"/><point name="Size" x="80" y="30"/></control>
    <control name="btnCancel"><point name="Position" x="80" y="225"/><point name="Size" x="80" y="30"/></control>
  </form>
  <form name="PanelAlarm"><point name="Size" x="240" y="250"/>
    <control name="panelAudioControls"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="40"/>
      <string name="FormTemplate" value="PanelAudio"/></control>
    <control name="panelTime"><point name="Position" x="0" y="40"/><point name="Size" x="240" y="80"/>
      <string name="FormTemplate" value="PanelTime"/></control>
    <control name="panelSubject"><point name="Position" x="0" y="120"/><point name="Size" x="240" y="40"/>
      <string name="FormTemplate" value="PanelSubject"/></control>
    <control name="panelActions"><point name="Position" x="0" y="160"/><point name="Size" x="240" y="40"/>
      <string name="FormTemplate" value="PanelActions"/></control>
  </form>
  <form name="PanelAudio"><point name="Size" x="240" y="40"/>
    <control name="frameSelection"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="40"/></control>
    <control name="btnRecord"><point name="Position" x="0" y="5"/><point name="Size" x="40" y="30"/></control>
    <control name="btnPlay"><point name="Position" x="50" y="5"/><point name="Size" x="40" y="30"/></control>
    <control name="btnStop"><point name="Position" x="100" y="5"/><point name="Size" x="40" y="30"/></control>
    <control name="progress"><point name="Position" x="150" y="5"/><point name="Size" x="80" y="30"/></control>
  </form>
  <form name="PanelTime"><point name="Size" x="240" y="80"/>
    <control name="frameSelection"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="80"/></control>
    <control name="cntrlHour"><point name="Position" x="0" y="0"/><point name="Size" x="100" y="30"/>
      <string name="FormTemplate" value="Counter"/></control>
    <control name="cntrlMinute"><point name="Position" x="110" y="0"/><point name="Size" x="100" y="30"/>
      <string name="FormTemplate" value="Counter"/></control>
    <control name="frmDate"><point name="Position" x="0" y="40"/><point name="Size" x="80" y="30"/></control>
    <control name="cntrlPeriod"><point name="Position" x="80" y="40"/><point name="Size" x="120" y="30"/>
      <string name="ButtonKind" value="CmbButton"/><string name="EditKind" value="CmbEdit"/>
      <string name="ListKind" value="CmbList"/><string name="DropdownForm" value="Drop"/>
      <int name="ButtonWidth" value="20"/><point name="DropdownSize" x="0" y="100"/></control>
    <control name="btnDate"><point name="Position" x="200" y="40"/><point name="Size" x="40" y="30"/></control>
  </form>
  <form name="Counter"><point name="Size" x="100" y="30"/>
    <control name="btnDecrease"><point name="Position" x="0" y="0"/><point name="Size" x="30" y="30"/></control>
    <control name="editText"><point name="Position" x="30" y="0"/><point name="Size" x="40" y="30"/></control>
    <control name="btnIncrease"><point name="Position" x="70" y="0"/><point name="Size" x="30" y="30"/></control>
  </form>
  <form name="PanelSubject"><point name="Size" x="240" y="40"/>
    <control name="frameSelection"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="40"/></control>
    <control name="editSubject"><point name="Position" x="5" y="5"/><point name="Size" x="230" y="30"/></control>
  </form>
  <form name="PanelActions"><point name="Size" x="240" y="40"/>
    <control name="frameSelection"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="40"/></control>
    <control name="btnAttention"><point name="Position" x="0" y="5"/><point name="Size" x="60" y="30"/></control>
    <control name="btnTime"><point name="Position" x="70" y="5"/><point name="Size" x="60" y="30"/></control>
    <control name="btnPause"><point name="Position" x="140" y="5"/><point name="Size" x="60" y="30"/></control>
  </form>
  <form name="FormAttention"><point name="Size" x="240" y="260"/>
    <control name="listFiles"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="200"/>
      <string name="FormTemplate" value="PanelFileExplorer"/></control>
    <control name="btnPlay"><point name="Position" x="0" y="210"/><point name="Size" x="60" y="30"/></control>
    <control name="btnStop"><point name="Position" x="60" y="210"/><point name="Size" x="60" y="30"/></control>
    <control name="btnApply"><point name="Position" x="120" y="210"/><point name="Size" x="60" y="30"/></control>
    <control name="btnCancel"><point name="Position" x="180" y="210"/><point name="Size" x="60" y="30"/></control>
  </form>
  <form name="PanelFileExplorer"><point name="Size" x="240" y="200"/>
    <control name="lstFiles"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="200"/>
      <int name="ItemHeight" value="20"/></control>
  </form>
  <form name="FormCalendar"><point name="Size" x="240" y="260"/>
    <control name="calendar"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="200"/></control>
    <control name="btnOk"><point name="Position" x="0" y="200"/><point name="Size" x="80" y="30"/></control>
    <control name="btnCancel"><point name="Position" x="80" y="200"/><point name="Size" x="80" y="30"/></control>
  </form>
  <form name="FormMessageAlarmAction"><point name="Size" x="240" y="200"/>
    <control name="btnCaption"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="20"/></control>
    <control name="frmText"><point name="Position" x="0" y="20"/><point name="Size" x="240" y="40"/></control>
    <control name="frmTime"><point name="Position" x="0" y="60"/><point name="Size" x="80" y="20"/></control>
    <control name="frmPeriodicity"><point name="Position" x="80" y="60"/><point name="Size" x="160" y="20"/></control>
    <control name="frmSubject"><point name="Position" x="0" y="80"/><point name="Size" x="240" y="20"/></control>
    <control name="frmActions"><point name="Position" x="0" y="100"/><point name="Size" x="100" y="20"/></control>
    <control name="btnYes"><point name="Position" x="0" y="160"/><point name="Size" x="80" y="30"/></control>
    <control name="btnNo"><point name="Position" x="80" y="160"/><point name="Size" x="80" y="30"/></control>
    <control name="btnCancel"><point name="Position" x="160" y="160"/><point name="Size" x="80" y="30"/></control>
    <create name="btnYes" kind="Auto.Button"/>
    <create name="btnNo" kind="Auto.Button"/>
  </form>
</skin>)";

inline const std::wstring language = L"periodEveryDay Every day\nperiodDayWeek Day of week\n"
                                     L"periodDayMonth Day of month\nperiodOnce Once\neverydayweek2 Every Wednesday\n"
                                     L"everydayweek4 Every Friday\neverydaymonth8 Every 8th\n"
                                     L"everydaymonth10 Every 10th\n";

// One step of a script run by the modal loops: a step that opens a modal
// form queues the rest first, so that they reach the form it opens; any
// other step queues them after itself, behind the close it may post.
struct Step {
    std::function<void()> action;
    bool opens = false;
};

inline void run_steps(std::vector<Step> steps) {
    if (steps.empty())
        return;
    form_fixture::later([steps] {
        const Step first = steps.front();
        const std::vector<Step> rest(steps.begin() + 1, steps.end());
        if (first.opens)
            run_steps(rest);
        first.action();
        if (!first.opens)
            run_steps(rest);
    });
}

// Clicks the button of whichever form runs modally then, writing the form's name down.
inline Step click(std::wstring name, bool opens = false, std::wstring* seen = nullptr) {
    return {[name, seen] { forms_fixture::click_modal(name, seen); }, opens};
}

inline Step opens(std::wstring name) { return click(std::move(name), true); }
inline Step act(std::function<void()> action, bool opening = false) { return {std::move(action), opening}; }

class EditorTest : public forms_fixture::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        set_now("2006-03-08 10:00:00");  // a Wednesday
        start_document(skin_fixture::write_skin(skin, "editor"), language);
    }
};

} // namespace editor_fixture
