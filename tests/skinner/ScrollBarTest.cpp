#include "FormFixture.h"
#include "ProbeForm.h"

#include "skinner/controls/ControlPanelAutoScroll.h"
#include "skinner/controls/ControlScrollBar.h"
#include "plat/Clock.h"
#include "plat/UiTest.h"

#include <gtest/gtest.h>

using namespace skinner;
using namespace form_fixture;

namespace {

const char* const bars_skin = R"(<skin id="bars" devices="">
  <design width="240" height="320"/>
  <kind name="BarArrow"><picture name="Normal" image="grey"/></kind>
  <kind name="BarSpace"/>
  <kind name="BarThumb"><picture name="Normal" image="thumb"/></kind>
  <form name="Bars">
    <point name="Size" x="240" y="260"/>
    <control name="sbV"><point name="Position" x="100" y="10"/><point name="Size" x="10" y="200"/>
      <int name="Vertical" value="1"/><int name="MinButtonSize" value="10"/><int name="MaxButtonSize" value="10"/>
      <string name="KindMin" value="BarArrow"/><string name="KindMax" value="BarArrow"/>
      <string name="KindSpace" value="BarSpace"/><string name="KindTrack" value="BarThumb"/></control>
    <control name="sbKeys"><point name="Size" x="10" y="100"/>
      <int name="Min" value="0"/><int name="Max" value="10"/><int name="Page" value="2"/></control>
    <control name="pnlAuto"><point name="Position" x="10" y="120"/><point name="Size" x="100" y="80"/>
      <int name="ScrollWidth" value="10"/><int name="ScrollHeight" value="8"/>
      <point name="BorderMin" x="2" y="2"/><point name="ScrollBorderMin" x="1" y="1"/></control>
  </form>
  <form name="Probe">
    <point name="Size" x="240" y="260"/>
    <control name="sbProbe"><point name="Size" x="10" y="100"/><int name="Vertical" value="1"/></control>
    <control name="pnlProbe"><point name="Position" x="20" y="0"/><point name="Size" x="100" y="100"/></control>
    <create name="sbProbe" kind="ControlScrollBar"/>
    <create name="pnlProbe" kind="ControlPanelAutoScroll"/>
  </form>
</skin>)";

class BarForm : public TestForm {
public:
    using TestForm::TestForm;
    int32_t on_scroll(Control*, int32_t position) override {
        scrolls.push_back(position);
        return 1;
    }
    std::vector<int32_t> scrolls;
};

struct Rect {
    int32_t x, y, w, h;
    bool operator==(const Rect&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << r.x << "," << r.y << " " << r.w << "x" << r.h;
}
Rect rect_of(const Control& control) {
    return {control.get_position().x, control.get_position().y, control.get_size().x, control.get_size().y};
}

class ScrollBarTest : public testing::Test {
protected:
    void SetUp() override {
        plat::set_fake_clock(plat::SystemTime{2026, 3, 0, 7, 6, 0, 0, 0}, false);
        application = std::make_unique<os::Application>(nullptr);
        skin_fixture::write_picture("grey", 10, 10, plat::rgb(128, 128, 128));
        skin_fixture::write_picture("thumb", 10, 20, plat::rgb(0, 0, 255));
        properties.load_skin(skin_fixture::write_skin(bars_skin), {240, 320});
        form = std::make_unique<BarForm>(&properties, L"Bars");
        bar = std::make_unique<ControlScrollBar>(form.get(), L"sbV");
    }
    void TearDown() override {
        bar.reset();
        form.reset();
        application.reset();
        plat::clear_fake_clock();
    }
    void press(plat::POINT point) { form->pointer_down(pointer_tap, point, false); }
    void release(plat::POINT point) { form->pointer_up(pointer_tap, point, false); }

    std::unique_ptr<os::Application> application;
    Properties properties;
    std::unique_ptr<BarForm> form;
    std::unique_ptr<ControlScrollBar> bar;
};

TEST_F(ScrollBarTest, ThumbGeometryAndClamping) {
    bar->set_range(0, 10);
    bar->set_page(4);
    // 200 long, arrows of 10 and a thumb of 20: 160 pixels to travel.
    EXPECT_EQ(rect_of(bar->button_min()), (Rect{100, 10, 10, 10}));
    EXPECT_EQ(rect_of(bar->button_max()), (Rect{100, 200, 10, 10}));
    EXPECT_EQ(rect_of(bar->thumb()), (Rect{100, 20, 10, 84}));  // 20 + 0.4 x 160
    EXPECT_EQ(rect_of(bar->space_after()), (Rect{100, 104, 10, 96}));
    bar->set_position(6);
    EXPECT_EQ(rect_of(bar->thumb()), (Rect{100, 116, 10, 84}));
    EXPECT_EQ(rect_of(bar->space_before()), (Rect{100, 20, 10, 96}));

    bar->set_range(0, 20);
    bar->set_position(9);
    form->scrolls.clear();
    bar->set_range(0, 10);  // 9 no longer fits a page of 4
    EXPECT_EQ(bar->get_position(), 6);
    EXPECT_EQ(form->scrolls, (std::vector<int32_t>{6}));
    bar->set_page(50);
    EXPECT_EQ(bar->get_page(), 10);
    EXPECT_EQ(bar->get_position(), 0);
    EXPECT_EQ(rect_of(bar->thumb()), (Rect{100, 20, 10, 180}));
    bar->set_range(5, 2);  // a maximum below the minimum is raised to it
    EXPECT_EQ(bar->get_max(), 5);
    EXPECT_EQ(bar->get_position(), 5);
}

TEST_F(ScrollBarTest, ArrowsAndPagesStepAndAHeldPartRepeatsFromTheSixthTick) {
    bar->set_range(0, 100);
    bar->set_page(10);
    press({105, 205});  // the lower arrow steps at once
    EXPECT_EQ(bar->get_position(), 1);
    plat::advance_clock_running_timers(500);
    EXPECT_EQ(bar->get_position(), 1);
    plat::advance_clock_running_timers(100);
    EXPECT_EQ(bar->get_position(), 2);
    plat::advance_clock_running_timers(300);
    EXPECT_EQ(bar->get_position(), 5);
    release({105, 205});
    plat::advance_clock_running_timers(1000);
    EXPECT_EQ(bar->get_position(), 5);

    press({105, 190});  // the page area after the thumb
    release({105, 190});
    EXPECT_EQ(bar->get_position(), 15);
    press({105, 21});  // the page area before the thumb
    release({105, 21});
    EXPECT_EQ(bar->get_position(), 5);
    press({105, 15});
    release({105, 15});
    EXPECT_EQ(bar->get_position(), 4);
    EXPECT_EQ(form->scrolls, (std::vector<int32_t>{1, 2, 3, 4, 5, 15, 5, 4}));
}

TEST_F(ScrollBarTest, ADraggedThumbStopsAtBothEnds) {
    bar->set_range(0, 10);
    bar->set_page(4);
    press({105, 30});  // 10 below the thumb's top
    form->pointer_move({105, 500});
    EXPECT_EQ(bar->get_position(), 6);
    form->pointer_move({105, 10 + 10 + 80 + 10});  // half way: top at 100 of 20..180
    EXPECT_EQ(bar->get_position(), 5);
    form->pointer_move({105, -100});
    EXPECT_EQ(bar->get_position(), 0);
    release({105, -100});
    EXPECT_EQ(form->scrolls, (std::vector<int32_t>{6, 5, 0}));
}

TEST_F(ScrollBarTest, AutoScrollShowsOnlyTheBarsTheContentNeeds) {
    ControlPanelAutoScroll panel(form.get(), L"pnlAuto");
    Control content(panel.get_container(), L"", creation_none);
    ControlScrollBar& v = panel.get_vertical_bar();
    ControlScrollBar& h = panel.get_horizontal_bar();
    panel.fit(content, {96, 76});  // fits exactly
    EXPECT_EQ(rect_of(content), (Rect{12, 122, 96, 76}));
    EXPECT_FALSE(v.is_own_visible());
    EXPECT_FALSE(h.is_own_visible());
    panel.fit(content, {97, 50});  // only too wide
    EXPECT_EQ(rect_of(content), (Rect{12, 122, 96, 66}));
    EXPECT_FALSE(v.is_own_visible());
    EXPECT_TRUE(h.is_own_visible());
    panel.fit(content, {50, 90});  // only too high
    EXPECT_EQ(rect_of(content), (Rect{12, 122, 84, 76}));
    EXPECT_TRUE(v.is_own_visible());
    EXPECT_FALSE(h.is_own_visible());
    panel.fit(content, {97, 70});  // the horizontal bar's room makes it too low as well
    EXPECT_EQ(rect_of(content), (Rect{12, 122, 84, 66}));
    EXPECT_TRUE(v.is_own_visible());
    EXPECT_TRUE(h.is_own_visible());
    panel.place_bars();
    EXPECT_EQ(rect_of(v), (Rect{97, 123, 10, 64}));
    EXPECT_EQ(rect_of(h), (Rect{13, 189, 82, 8}));
}

// Range and page are the program's: a skin that gives them hears so.
TEST_F(ScrollBarTest, RangeAndPageKeysOfTheSkinAreReportedUnsupported) {
    skin_fixture::FormStandIn stand_in;
    Container owner(&stand_in, &properties, L"Bars", creation_named, nullptr);
    ControlScrollBar keys(&owner, L"sbKeys");
    ASSERT_EQ(stand_in.boxes.size(), 3u);
    EXPECT_EQ(stand_in.boxes[0], L"Unsupported|Form {Bars}\nControl {sbKeys}\nCount Property {Min}\n");
    EXPECT_NE(stand_in.boxes[1].find(L"Count Property {Max}"), std::wstring::npos);
    EXPECT_NE(stand_in.boxes[2].find(L"Count Property {Page}"), std::wstring::npos);
    EXPECT_EQ(keys.get_max(), 0);
    keys.load_skin();
    EXPECT_EQ(stand_in.boxes.size(), 6u);
}

TEST_F(ScrollBarTest, TheProbeBuildsBarsAndAutoScrollPanelsByClassName) {
    std::vector<std::wstring> problems;
    probe::ProbeForm probe(&properties, L"Probe", [](const std::wstring&) {},
                           [&](const std::wstring& line) { problems.push_back(line); });
    EXPECT_TRUE(problems.empty());
    ASSERT_EQ(probe.get_children().size(), 2u);
    auto* built = dynamic_cast<ControlScrollBar*>(probe.get_children()[0]);
    ASSERT_NE(built, nullptr);
    EXPECT_TRUE(built->is_vertical());
    EXPECT_NE(dynamic_cast<ControlPanelAutoScroll*>(probe.get_children()[1]), nullptr);
}

} // namespace
