#include "skinner/Container.h"

#include "LogCapture.h"
#include "SkinFixture.h"
#include "skinner/Control.h"
#include "skinner/ControlFactory.h"
#include "skinner/Properties.h"
#include "skinner/controls/ControlFrame.h"

#include <gtest/gtest.h>

using namespace skinner;
using namespace skin_fixture;

namespace {

const char* const form_skin = R"(<skin id="c"><design width="240" height="320"/>
  <form name="Form">
    <point name="Size" x="200" y="100"/>
    <create name="frmAuto" kind="Auto.Frame"/>
    <create name="btnLater" kind="Auto.Unknown"/>
    <create name="frmSecond" kind="Auto.Frame"/>
    <control name="frmAuto"><point name="Size" x="5" y="5"/></control>
    <control name="frmSecond"/>
    <control name="a"><point name="Position" x="10" y="10"/><point name="Size" x="20" y="20"/><int name="TabOrder" value="2"/></control>
    <control name="b"><point name="Position" x="40" y="10"/><point name="Size" x="20" y="20"/><int name="TabOrder" value="1"/></control>
    <control name="c"><point name="Position" x="70" y="10"/><point name="Size" x="20" y="20"/><int name="TabOrder" value="1"/></control>
    <control name="wide"><string name="AnchorX" value="BOTH_SIDE"/><string name="AnchorY" value="MAX_SIDE"/>
      <point name="Position" x="0" y="50"/><point name="Size" x="100" y="10"/></control>
    <control name="right"><string name="AnchorX" value="MAX_SIDE"/><point name="Position" x="180" y="50"/><point name="Size" x="10" y="10"/></control>
    <control name="lower"><string name="AnchorX" value="max_side"/><point name="Position" x="180" y="70"/><point name="Size" x="10" y="10"/></control>
    <control name="vis"><int name="Visible" value="1"/><string name="Cursor" value="HAND"/>
      <point name="Position" x="100" y="10"/><point name="Size" x="20" y="20"/></control>
  </form></skin>)";

struct Recorder : Listener {
    int32_t on_click(Control*) override { return log.push_back(L"click"), 1; }
    int32_t on_event_11(Control*, std::intptr_t data) override { return log.push_back(L"11:" + std::to_wstring(data)), 1; }
    int32_t on_focus_changed(Control* sender) override { return log.push_back(L"focus:" + sender->get_name()), 1; }
    int32_t on_event_1(Control*, std::intptr_t) override { return log.push_back(L"1"), 1; }
    std::vector<std::wstring> log;
};

struct Probe : Control {
    Probe(Container* parent, std::wstring_view name, std::vector<std::wstring>* log) : Control(parent, name), log(log) {}
    void note(const std::wstring& what) { log->push_back(get_name() + L":" + what); }
    void on_mouse_down(plat::POINT, bool) override { note(L"down"); }
    void on_mouse_up(plat::POINT, bool) override { note(L"up"); }
    void on_context_down(plat::POINT, bool) override { note(L"hold"); }
    void on_context_up(plat::POINT, bool) override { note(L"release"); }
    void on_mouse_enter() override { note(L"enter"); }
    void on_mouse_leave() override { note(L"leave"); }
    void on_got_focus() override { note(L"got"); }
    void on_lost_focus() override { note(L"lost"); }
    void on_timer_elapsed() override { note(L"timer"); }
    int32_t on_wheel(plat::POINT, int32_t steps) override { return note(L"wheel" + std::to_wstring(steps)), 1; }
    plat::POINT get_preferred_size() override { return preferred.x ? preferred : Control::get_preferred_size(); }
    std::vector<std::wstring>* log;
    plat::POINT preferred;
};

struct ContainerTest : testing::Test {
    ContainerTest() { properties.load_skin(write_skin(form_skin), {240, 320}); }
    Properties properties;
    FormStandIn form;
    Recorder listener;
    std::vector<std::wstring> log;
};

} // namespace

TEST(Anchor, AxisArithmeticTruncatesAndAZeroReferenceDividesNothing) {
    struct Case {
        int32_t anchor, position, extent;
    };
    // origin 5, container 300, reference 200, skin offset 20, skin extent 40
    const Case cases[] = {{anchor_min_side, 25, 40}, {anchor_both_side, 25, 140}, {anchor_max_side, 125, 40},
                          {anchor_ratio, 35, 60},    {anchor_center, 45, 40}};
    for (const Case& c : cases) {
        const AnchorResult r = anchor_axis(c.anchor, 5, 300, 200, 20, 40);
        EXPECT_EQ(r.position, c.position) << c.anchor;
        EXPECT_EQ(r.extent, c.extent) << c.anchor;
    }
    EXPECT_EQ(anchor_axis(anchor_ratio, 0, 100, 200, -3, 7).position, -1);  // -300 / 200 toward zero
    for (int32_t anchor : {anchor_ratio, anchor_center}) {
        const AnchorResult r = anchor_axis(anchor, 5, 300, 0, 20, 40);
        EXPECT_EQ(r.position, 25);
        EXPECT_EQ(r.extent, 40);
    }
    EXPECT_EQ(anchor_from_text(L"CENTER"), anchor_center);
    EXPECT_EQ(anchor_from_text(L"both_side"), anchor_min_side);
}

TEST(KeyCodes, DeviceKeysMapToFrameworkCodes) {
    const std::pair<uint32_t, int32_t> table[] = {
        {16, 1},  {17, 2},  {18, 3},  {37, 4},  {39, 5},  {38, 6},  {40, 7},  {27, 8},  {13, 9},  {32, 10},
        {8, 11},  {46, 12}, {45, 13}, {36, 14}, {35, 15}, {34, 16}, {33, 17}, {9, 18},  {93, 19}, {65, 20},
        {90, 45}, {48, 46}, {57, 55}, {114, 56}, {115, 57}, {112, 0}, {97, 0}, {0, 0},
    };
    for (const auto& [vk, code] : table)
        EXPECT_EQ(key_code_from_virtual(vk), code) << vk;
}

TEST_F(ContainerTest, EventsBubbleToTheListenerExceptReservedOnesAndFocusChanges) {
    Container c(&form, &properties, L"Form", creation_named, &listener);
    Probe a(&c, L"a", &log);
    EXPECT_EQ(a.on_click(&a), 1);
    EXPECT_EQ(a.on_event_11(&a, 5), 1);
    EXPECT_EQ(a.on_event_1(&a, 0), 0);        // reserved: stops at the control
    EXPECT_EQ(a.on_focus_changed(&a), 0);     // stops at the control
    a.take_focus();                           // the container passes its own on
    EXPECT_EQ(listener.log, (std::vector<std::wstring>{L"click", L"11:5", L"focus:a"}));
}

TEST_F(ContainerTest, SkinListedControlsComeFromTheFactoryAndUnknownKindsAreSkipped) {
    Container c(&form, &properties, L"Form", creation_named, &listener);
    c.create_controls();
    ASSERT_EQ(c.get_children().size(), 2u);
    EXPECT_NE(dynamic_cast<ControlFrame*>(c.get_children()[0]), nullptr);
    EXPECT_EQ(c.get_children()[0]->get_size().x, 5);
    c.reload_skin();  // the auto children are made anew, nothing doubles
    EXPECT_EQ(c.get_children().size(), 2u);
}

TEST_F(ContainerTest, AnUnreadableControlListEntryIsSkipped) {
    std::vector<uint8_t> image = compile_skin(form_skin);
    SkinFile skin;
    ASSERT_TRUE(skin.assign(image));
    const SkinOffset entry = skin.find_form(L"Form") + SkinFile::at_control_list;
    image[entry] = image[entry + 1] = 0xFF;  // the first entry's name lies outside the image
    properties.load_skin(write_skin_image(image, "broken"), {240, 320});
    Container c(&form, &properties, L"Form", creation_named, &listener);
    c.create_controls();
    ASSERT_EQ(c.get_children().size(), 1u);
    EXPECT_EQ(c.get_children()[0]->get_name(), L"frmSecond");
}

TEST_F(ContainerTest, AnUnsupportedSkinKeyIsReportedAndTheControlStillLoads) {
    testing_support::LogCapture capture;
    Container c(&form, &properties, L"Form", creation_named, &listener);
    Probe vis(&c, L"vis", &log);
    const std::wstring text = L"Form {Form}\nControl {vis}\nCount Property {Visible}\n";
    EXPECT_NE(capture.text().find(L"Unsupported: " + text), std::wstring::npos);
    EXPECT_EQ(form.boxes, (std::vector<std::wstring>{L"Unsupported|" + text}));
    EXPECT_TRUE(vis.is_visible());
    EXPECT_EQ(plat::cursor_id(vis.get_cursor()), plat::IDC_HAND);
}

TEST_F(ContainerTest, FocusFollowsTabOrderAndWrapsBothWays) {
    Container c(&form, &properties, L"Form", creation_named, &listener);
    Probe a(&c, L"a", &log), b(&c, L"b", &log), cc(&c, L"c", &log);
    c.activate(true);
    EXPECT_EQ(c.get_focused_child(), &b);
    const auto after = [&](int32_t code) {
        EXPECT_EQ(c.on_key_down(code), 1);
        return c.get_focused_child()->get_name();
    };
    EXPECT_EQ(after(key::down), L"c");
    EXPECT_EQ(after(key::down), L"a");
    EXPECT_EQ(after(key::down), L"b");
    EXPECT_EQ(after(key::up), L"a");
    EXPECT_EQ(after(key::tab), L"b");
    form.held = {key::shift};
    EXPECT_EQ(after(key::tab), L"a");
    form.held = {key::control};
    EXPECT_EQ(c.on_key_down(key::tab), 0);
    EXPECT_EQ(c.on_key_down(key::left), 0);
    EXPECT_EQ(log.front(), L"b:got");
}

TEST_F(ContainerTest, HidingMovesFocusOnAndShowingTakesItOnlyWhenNoneIsFocused) {
    Container c(&form, &properties, L"Form", creation_named, &listener);
    Probe a(&c, L"a", &log), b(&c, L"b", &log);
    c.activate(true);
    ASSERT_EQ(c.get_focused_child(), &b);
    b.set_visible(false);
    EXPECT_EQ(c.get_focused_child(), &a);
    a.set_visible(false);
    EXPECT_EQ(c.get_focused_child(), nullptr);
    a.set_enabled(false);
    a.set_visible(true);
    EXPECT_EQ(c.get_focused_child(), nullptr);  // disabled
    a.set_enabled(true);
    EXPECT_EQ(c.get_focused_child(), nullptr);  // enabling never takes focus
    b.set_visible(true);
    EXPECT_EQ(c.get_focused_child(), &b);
    b.set_wants_focus(false);
    EXPECT_EQ(c.get_focused_child(), &a);
}

TEST_F(ContainerTest, APressCapturesUntilEveryPointerKindIsReleased) {
    Container c(&form, &properties, L"Form", creation_named, &listener);
    Probe a(&c, L"a", &log), b(&c, L"b", &log);
    c.activate(true);
    log.clear();
    c.pointer_down(pointer_tap, {15, 15}, false);
    c.pointer_down(pointer_hold, {45, 15}, false);  // still a's: the capture holds
    c.pointer_move({45, 15});
    c.pointer_up(pointer_tap, {45, 15}, false);
    EXPECT_EQ(c.get_captured_child(), &a);
    c.pointer_up(pointer_hold, {45, 15}, false);
    EXPECT_EQ(c.get_captured_child(), nullptr);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"a:enter", L"b:lost", L"a:got", L"a:down", L"a:hold", L"a:up",
                                              L"a:release"}));
    EXPECT_EQ(c.pointer_wheel({45, 15}, -2), 1);
    EXPECT_EQ(log.back(), L"b:wheel-2");
}

TEST_F(ContainerTest, DisabledChildrenCatchNoPressAndNoHover) {
    Container c(&form, &properties, L"Form", creation_named, &listener);
    Probe a(&c, L"a", &log), b(&c, L"b", &log);
    b.set_enabled(false);
    c.pointer_move({15, 15});
    EXPECT_EQ(c.get_hovered_child(), &a);
    EXPECT_EQ(plat::cursor_id(form.cursor), plat::IDC_ARROW);
    c.pointer_move({45, 15});
    EXPECT_EQ(c.get_hovered_child(), nullptr);
    c.pointer_down(pointer_tap, {45, 15}, false);
    EXPECT_EQ(c.get_captured_child(), nullptr);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"a:enter", L"a:leave"}));
    // Disabling the container ends a capture with the release.
    c.pointer_down(pointer_tap, {15, 15}, false);
    c.set_enabled(false);
    EXPECT_EQ(c.get_captured_child(), nullptr);
    EXPECT_EQ(log.back(), L"a:up");
}

TEST_F(ContainerTest, EqualZOrdersStackInRegistrationOrder) {
    Container c(&form, &properties, L"Form", creation_named, &listener);
    Probe a(&c, L"a", &log);
    Probe over(&c, L"wide", &log);
    over.set_rect({0, 0}, {200, 100});
    c.pointer_down(pointer_tap, {15, 15}, false);
    EXPECT_EQ(c.get_captured_child(), &over);
    c.pointer_up(pointer_tap, {15, 15}, false);
    over.set_z_order(-1);
    c.pointer_down(pointer_tap, {15, 15}, false);
    EXPECT_EQ(c.get_captured_child(), &a);
}

TEST_F(ContainerTest, ResizingLaysChildrenOutByTheirAnchors) {
    Container c(&form, &properties, L"Form", creation_named, &listener);
    Probe wide(&c, L"wide", &log), right(&c, L"right", &log), lower(&c, L"lower", &log);
    c.set_rect({0, 0}, {300, 140});
    EXPECT_EQ(wide.get_size().x, 200);
    EXPECT_EQ(wide.get_position().y, 90);
    EXPECT_EQ(right.get_position().x, 280);
    EXPECT_EQ(lower.get_position().x, 180);  // the anchor text's case differs: "MIN_SIDE"
    EXPECT_EQ(c.get_needed_size().x, 200);
    wide.preferred = {130, 10};
    EXPECT_EQ(c.get_needed_size().x, 230);
    EXPECT_EQ(c.get_needed_size().y, 100);
}

TEST_F(ContainerTest, OwnTimersOnlyAndChildrenThatDeleteOthersOnTheWayOut) {
    auto c = std::make_unique<Container>(&form, &properties, L"Form", creation_named, &listener);
    Probe* a = new Probe(c.get(), L"a", &log);
    struct Owner : Probe {
        using Probe::Probe;
        ~Owner() override { delete other; }
        Control* other = nullptr;
    };
    Owner* b = new Owner(c.get(), L"b", &log);
    b->other = a;
    a->start_timer(2);
    EXPECT_EQ(form.timers, (std::vector<int32_t>{2}));
    c->on_timer(a->get_timer_id() + 1);
    c->on_timer(a->get_timer_id());
    EXPECT_EQ(log, (std::vector<std::wstring>{L"a:timer"}));
    c.reset();  // deletes b, whose destructor deletes a
    EXPECT_EQ(form.killed, (std::vector<int32_t>{1}));
}

TEST_F(ContainerTest, ASecondChildOfTheSameNameIsFatal) {
    Container c(&form, &properties, L"Form", creation_named, &listener);
    Probe a(&c, L"a", &log);
    EXPECT_EXIT(Probe(&c, L"a", &log), testing::ExitedWithCode(70),
                "control with id \\{a\\} already exists in container @ Container::register_control");
}
