#include "skinner/controls/ControlPanel.h"
#include "skinner/controls/ControlPicture.h"

#include "LogCapture.h"
#include "SkinFixture.h"
#include "skinner/Container.h"
#include "skinner/Properties.h"
#include "skinner/controls/ControlButton.h"

#include <gtest/gtest.h>

using namespace skinner;
using namespace skin_fixture;

namespace {

const char* const panel_skin = R"(<skin id="p"><design width="240" height="320"/>
  <form name="Form">
    <point name="Size" x="240" y="200"/>
    <create name="pnlPage" kind="Auto.Panel"/>
    <create name="picWide" kind="Auto.Picture"/>
    <control name="pnlPage"><string name="FormTemplate" value="Page"/><picture name="Background" image="blue"/>
      <point name="Position" x="100" y="100"/><point name="Size" x="100" y="80"/></control>
    <control name="picWide"><picture name="Picture" image="wide"/>
      <point name="Position" x="10" y="10"/><point name="Size" x="100" y="100"/></control>
    <control name="picRight"><picture name="Picture" image="square"/><string name="PictureHAlignment" value="RIGHT"/>
      <point name="Position" x="120" y="10"/><point name="Size" x="100" y="60"/></control>
    <control name="pnlBare"><picture name="Background" image="blue"/>
      <point name="Position" x="0" y="150"/><point name="Size" x="20" y="20"/></control>
    <control name="pnlCode"><string name="FormTemplate" value="CODE_TEMPLATE"/>
      <point name="Position" x="0" y="200"/><point name="Size" x="100" y="80"/></control>
  </form>
  <form name="Other">
    <point name="Size" x="100" y="80"/>
    <picture name="Background" image="blue"/>
    <create name="btnOther" kind="Auto.Button"/>
    <control name="btnOther"><string name="Action" value="BUTTON_NO_MENU"/><point name="Position" x="50" y="40"/><point name="Size" x="30" y="20"/></control>
  </form>
  <form name="Page">
    <point name="Size" x="100" y="80"/>
    <picture name="Background" image="red"/>
    <create name="btnIn" kind="Auto.Button"/>
    <control name="btnIn"><string name="Action" value="BUTTON_NO_MENU"/><point name="Position" x="10" y="10"/><point name="Size" x="30" y="20"/></control>
  </form></skin>)";

// The skin with the template that the panel "pnlCode" names.
std::wstring write_panel_skin(const std::string& code_template) {
    std::string xml = panel_skin;
    xml.replace(xml.find("CODE_TEMPLATE"), 13, code_template);
    return write_skin(xml, code_template);
}

struct Events : Listener {
    int32_t on_click(Control* sender) override { return log.push_back(L"click " + sender->get_name()), 1; }
    std::vector<std::wstring> log;
};

struct PicturePanelTest : testing::Test {
    PicturePanelTest() {
        write_picture("wide", 200, 100, plat::rgb(0, 255, 0));
        write_picture("square", 40, 40, plat::rgb(0, 255, 0));
        write_picture("red", 4, 4, plat::rgb(255, 0, 0));
        write_picture("blue", 4, 4, plat::rgb(0, 0, 255));
        properties.load_skin(write_panel_skin("Page"), {240, 320});
        owner = std::make_unique<Container>(&form, &properties, L"Form", creation_named, &events);
        owner->create_controls();
        owner->activate(true);
    }
    template <class T> T* child(std::wstring_view name) {
        for (Control* c : owner->get_children())
            if (c->get_name() == name)
                return dynamic_cast<T*>(c);
        return nullptr;
    }
    Properties properties;
    FormStandIn form;
    Events events;
    std::unique_ptr<Container> owner;
};

bool same(const plat::RECT& a, const plat::RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

TEST_F(PicturePanelTest, PicturesShrinkToFitAndAlign) {
    ControlPicture* wide = child<ControlPicture>(L"picWide");
    ASSERT_NE(wide, nullptr);
    EXPECT_FALSE(wide->wants_focus());
    Screen shrunk(240, 200);
    wide->paint(*shrunk.canvas, {0, 0}, {240, 200});
    EXPECT_TRUE(same(shrunk.ink(), {10, 35, 110, 85}));  // 100 x 50, centred at y + 25

    ControlPicture right(owner.get(), L"picRight");
    Screen aligned(240, 200);
    right.paint(*aligned.canvas, {0, 0}, {240, 200});
    EXPECT_TRUE(same(aligned.ink(), {180, 20, 220, 60}));  // x + 60, unscaled

    right.set_picture(Picture());
    Screen empty(240, 200);
    right.paint(*empty.canvas, {0, 0}, {240, 200});
    EXPECT_TRUE(same(empty.ink(), {}));
}

TEST_F(PicturePanelTest, PanelsForwardToTheirContainerOverTheTemplatesBackground) {
    ControlPanel* panel = child<ControlPanel>(L"pnlPage");
    ASSERT_NE(panel, nullptr);
    Container* inner = panel->get_container();
    ASSERT_EQ(inner->get_children().size(), 1u);
    Control* button = inner->get_children()[0];
    EXPECT_EQ(button->get_position().x, 110);  // laid out in the panel's rectangle
    EXPECT_EQ(button->get_position().y, 110);

    Screen screen(240, 200);
    panel->paint(*screen.canvas, {0, 0}, {240, 200});
    EXPECT_EQ(screen.at(150, 150), plat::rgb(255, 0, 0));  // the template's background wins

    owner->pointer_down(pointer_tap, {115, 115}, false);
    owner->pointer_up(pointer_tap, {115, 115}, false);
    EXPECT_EQ(events.log, std::vector<std::wstring>{L"click btnIn"});

    // Focus and the action key travel into the panel.
    panel->take_focus();
    EXPECT_TRUE(inner->is_active());
    EXPECT_EQ(inner->get_focused_child(), button);
    owner->on_key_down(key::action);
    owner->on_key_up(key::action);
    EXPECT_EQ(events.log.size(), 2u);
    panel->set_visible(false);
    EXPECT_FALSE(button->is_visible());
    panel->set_visible(true);

    panel->set_rect({0, 0}, {100, 80});
    EXPECT_EQ(button->get_position().x, 10);
    panel->load_skin();
    ASSERT_EQ(inner->get_children().size(), 1u);
}

TEST_F(PicturePanelTest, APanelWithoutTemplateHoldsNothingAndPaintsItsBackground) {
    testing_support::LogCapture log;
    ControlPanel bare(owner.get(), L"pnlBare");
    EXPECT_TRUE(bare.get_container()->get_children().empty());
    Screen screen(240, 200);
    bare.paint(*screen.canvas, {0, 0}, {240, 200});
    EXPECT_TRUE(same(screen.ink(), {0, 150, 20, 170}));
    EXPECT_EQ(screen.at(5, 155), plat::rgb(0, 0, 255));
    EXPECT_TRUE(bare.hit_test({5, 155}));
    bare.load_skin();
    EXPECT_TRUE(bare.get_container()->get_children().empty());
}

TEST_F(PicturePanelTest, AReloadedSkinCanLayAPanelOutFromAnotherTemplate) {
    ControlPanel panel(owner.get(), L"pnlCode");
    Container* inner = panel.get_container();
    ASSERT_EQ(inner->get_children().size(), 1u);
    EXPECT_EQ(inner->get_children()[0]->get_name(), L"btnIn");

    properties.load_skin(write_panel_skin("Other"), {240, 320});
    owner->reload_skin();
    ASSERT_EQ(inner->get_children().size(), 1u);
    EXPECT_EQ(inner->get_children()[0]->get_name(), L"btnOther");
    EXPECT_EQ(inner->get_children()[0]->get_position().y, 240);
    Screen screen(240, 300);
    panel.paint(*screen.canvas, {0, 0}, {240, 300});
    EXPECT_EQ(screen.at(5, 205), plat::rgb(0, 0, 255));  // the new template's background
}
