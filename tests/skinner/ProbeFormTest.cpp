#include "FormFixture.h"
#include "ProbeForm.h"

#include "skinner/controls/ControlFrame.h"
#include "plat/System.h"

#include <gtest/gtest.h>

using namespace form_fixture;

namespace {

const char* const probe_skin = R"(<skin id="probe" devices="">
  <design width="240" height="320"/>
  <form name="Main">
    <point name="Size" x="240" y="260"/>
    <control name="frmTitle"><point name="Size" x="100" y="20"/></control>
    <control name="btnTap"><point name="Position" x="0" y="40"/><point name="Size" x="50" y="40"/></control>
    <create name="frmTitle" kind="ControlFrame"/>
    <create name="lstLater" kind="ControlGridOfTheFuture"/>
  </form>
</skin>)";

// Raises a click and a few events with payloads when tapped.
class Raiser : public skinner::Control {
public:
    using Control::Control;
    void on_mouse_up(plat::POINT, bool) override {
        on_click(this);
        on_item_click(this, 2, 3);
        on_menu_command(this, L"mitSave");
        on_event_9(this, 1, 4, true);
        on_text_changed(this, L"new \U0001F600");
    }
};

} // namespace

TEST(ProbeForm, BuildsControlsOfClassKindsAndTellsEveryEvent) {
    os::Application application(nullptr);
    skinner::Properties properties;
    properties.load_skin(skin_fixture::write_skin(probe_skin), {240, 320});
    std::vector<std::wstring> events, problems;
    probe::ProbeForm form(
        &properties, L"Main", [&](const std::wstring& line) { events.push_back(line); },
        [&](const std::wstring& line) { problems.push_back(line); });
    ASSERT_EQ(form.get_children().size(), 1u);
    EXPECT_NE(dynamic_cast<skinner::ControlFrame*>(form.get_children()[0]), nullptr);
    EXPECT_EQ(problems, (std::vector<std::wstring>{
                            L"control {lstLater} of kind {ControlGridOfTheFuture}: no such kind or framework class"}));

    Raiser raiser(&form, L"btnTap");
    raiser.on_mouse_up({1, 1}, false);
    plat::send_message(form.get_window(), plat::WM_SETTINGCHANGE, plat::SETTINGCHANGE_RESET, 0);
    EXPECT_EQ(events, (std::vector<std::wstring>{
                          L"EVENT on_click sender=btnTap",
                          L"EVENT on_item_click sender=btnTap column=2 row=3",
                          L"EVENT on_menu_command sender=btnTap command=mitSave",
                          L"EVENT on_event_9 sender=btnTap column=1 row=4 commit=1",
                          L"EVENT on_text_changed sender=btnTap text=new \U0001F600",
                          L"EVENT on_menu_command sender=(form) command=#ScreenResolution#",
                      }));
}
