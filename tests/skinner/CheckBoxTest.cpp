#include "skinner/controls/ControlCheckBox.h"

#include "SkinFixture.h"
#include "skinner/Container.h"
#include "skinner/Properties.h"

#include <gtest/gtest.h>

using namespace skinner;
using namespace skin_fixture;

namespace {

const char* const check_skin = R"(<skin id="k"><design width="240" height="320"/>
  <form name="Form">
    <point name="Size" x="240" y="200"/>
    <control name="chkSame"><string name="Action" value="BUTTON_NO_MENU"/><point name="Position" x="10" y="10"/><point name="Size" x="40" y="20"/>
      <string name="Text" value="Alarm"/><picture name="Normal" image="red"/>
      <picture name="CheckedNormal" image="blue"/></control>
    <control name="chkTwo"><string name="Text" value="Off"/><string name="CheckedText" value="On"/>
      <int name="Checked" value="1"/></control>
    <control name="chkNoMenu"><string name="Action" value="BUTTON_NO_MENU"/></control>
    <control name="chkMenu"/>
  </form>
  <kind name="CheckKind"/></skin>)";

struct Clicks : Listener {
    int32_t on_click(Control*) override { return ++count, 1; }
    int count = 0;
};

struct CheckBoxTest : testing::Test {
    CheckBoxTest() {
        write_picture("red", 4, 4, plat::rgb(255, 0, 0));
        write_picture("blue", 4, 4, plat::rgb(0, 0, 255));
        properties.load_skin(write_skin(check_skin), {240, 320});
        owner = std::make_unique<Container>(&form, &properties, L"Form", creation_named, &clicks);
    }
    Properties properties;
    FormStandIn form;
    Clicks clicks;
    std::unique_ptr<Container> owner;
};

} // namespace

TEST_F(CheckBoxTest, PressingTogglesOnceAndRedrawsOnlyOnAChange) {
    ControlCheckBox box(owner.get(), L"chkSame");
    EXPECT_FALSE(box.is_checked());
    box.click();
    EXPECT_TRUE(box.is_checked());
    EXPECT_EQ(clicks.count, 1);
    EXPECT_EQ(box.get_text(), L"Alarm");  // one caption for both states: only the styles change
    Screen screen(60, 40);
    box.paint(*screen.canvas, {0, 0}, {60, 40});
    EXPECT_EQ(screen.at(10, 10), plat::rgb(0, 0, 255));
    box.click();
    EXPECT_FALSE(box.is_checked());
    EXPECT_EQ(clicks.count, 2);

    form.dirty.clear();
    box.set_checked(false);
    EXPECT_TRUE(form.dirty.empty());
    box.set_checked(true);
    EXPECT_FALSE(form.dirty.empty());
    EXPECT_EQ(clicks.count, 2);  // setting the state is no click
}

TEST_F(CheckBoxTest, CaptionsFollowTheState) {
    // "Checked" is read while the skin loads, before any implementation exists.
    ControlCheckBox box(owner.get(), L"chkTwo");
    ASSERT_NE(box.get_impl(), nullptr);
    EXPECT_TRUE(box.is_checked());
    EXPECT_EQ(box.get_text(), L"On");
    box.set_checked(false);
    EXPECT_EQ(box.get_text(), L"Off");
    box.set_caption(L"Quiet", false);
    EXPECT_EQ(box.get_text(), L"Quiet");
    box.set_caption(L"Loud", true);
    EXPECT_EQ(box.get_text(), L"Quiet");
    box.set_checked(true);
    EXPECT_EQ(box.get_text(), L"Loud");
    box.set_text(L"Both");
    box.set_checked(false);
    EXPECT_EQ(box.get_text(), L"Both");
    EXPECT_EQ(box.get_caption(true), L"Both");
    box.load_skin();  // the skin's state and captions again
    EXPECT_TRUE(box.is_checked());
    EXPECT_EQ(box.get_text(), L"On");
}

TEST_F(CheckBoxTest, TheDevicesShellDecidesMenuEntryOrDrawnBox) {
    ControlCheckBox box(owner.get(), L"chkMenu");
    ControlCheckBox no_menu(owner.get(), L"chkNoMenu");
    ControlCheckBox from_kind(owner.get(), L"CheckKind", creation_kind);
    EXPECT_TRUE(no_menu.get_impl()->draws());
    EXPECT_TRUE(no_menu.wants_focus());
    if (current_button_shell() == ButtonShell::smartphone) {
        auto* entry = dynamic_cast<ControlCheckBoxImplMenuSmartphone*>(box.get_impl());
        ASSERT_NE(entry, nullptr);
        EXPECT_FALSE(entry->draws());
        EXPECT_EQ(entry->get_caption(), L"");
        box.set_checked(true);
        EXPECT_TRUE(entry->is_checked());
        EXPECT_TRUE(from_kind.get_impl()->draws());
        EXPECT_FALSE(from_kind.wants_focus());
    } else {
        EXPECT_TRUE(box.get_impl()->draws());
        EXPECT_TRUE(box.wants_focus());
    }
}
