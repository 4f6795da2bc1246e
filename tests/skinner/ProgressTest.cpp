#include "skinner/controls/ControlProgress.h"

#include "SkinFixture.h"
#include "skinner/Container.h"
#include "skinner/Properties.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace skinner;
using namespace skin_fixture;

namespace {

const char* const progress_skin = R"(<skin id="p"><design width="240" height="320"/>
  <form name="Form">
    <point name="Size" x="220" y="200"/>
    <control name="prgSlider"><point name="Size" x="100" y="20"/><int name="TrackSize" value="10"/></control>
    <control name="prgFull"><point name="Size" x="100" y="20"/><int name="TrackSize" value="100"/></control>
    <control name="prgOdd"><point name="Size" x="100" y="20"/><int name="Orientation" value="7"/></control>
    <control name="prg0"><point name="Size" x="100" y="100"/><int name="Orientation" value="0"/>
      <picture name="Background" image="blue"/><picture name="Progress" image="red"/></control>
    <control name="prg1"><point name="Size" x="100" y="100"/><int name="Orientation" value="1"/>
      <picture name="Background" image="blue"/><picture name="Progress" image="red"/></control>
    <control name="prg2"><point name="Size" x="100" y="100"/><int name="Orientation" value="2"/>
      <picture name="Background" image="blue"/><picture name="Progress" image="red"/></control>
    <control name="prg3"><point name="Size" x="100" y="100"/><int name="Orientation" value="3"/>
      <picture name="Background" image="blue"/><picture name="Progress" image="red"/></control>
    <control name="prgThumb"><point name="Size" x="100" y="20"/><int name="Orientation" value="1"/>
      <int name="TrackSize" value="10"/><picture name="Track" image="green"/>
      <picture name="TrackDisabled" image="red"/></control>
  </form></skin>)";

class SliderLog : public Listener {
public:
    // Values in ten-thousandths, so the expectations read exactly.
    int32_t on_slider_moved(Control*, double value) override {
        log.push_back(L"moved " + std::to_wstring(std::lround(value * 10000)));
        return 1;
    }
    int32_t on_slider_released(Control*, double value) override {
        log.push_back(L"released " + std::to_wstring(std::lround(value * 10000)));
        return 1;
    }
    std::vector<std::wstring> log;
};

using Log = std::vector<std::wstring>;

const plat::COLORREF red = plat::rgb(255, 0, 0);
const plat::COLORREF blue = plat::rgb(0, 0, 255);
const plat::COLORREF green = plat::rgb(0, 255, 0);

struct ProgressTest : testing::Test {
    ProgressTest() {
        write_picture("red", 4, 4, red);
        write_picture("blue", 4, 4, blue);
        write_picture("green", 4, 4, green);
        properties.load_skin(write_skin(progress_skin), {240, 320});
        owner = std::make_unique<Container>(&form, &properties, L"Form", creation_named, &events);
    }
    Properties properties;
    FormStandIn form;
    SliderLog events;
    std::unique_ptr<Container> owner;
};

} // namespace

TEST_F(ProgressTest, SettingClampsAndRaisesEachNewValueOnce) {
    ControlProgress bar(owner.get(), L"prgSlider");
    EXPECT_EQ(bar.get_value(), 0.0);
    bar.set_value(1.5);
    bar.set_value(1.0);
    EXPECT_EQ(bar.get_value(), 1.0);
    bar.set_value(-2.0);
    bar.set_value(0.25);
    // Not a number counts as 0, never reaching the rectangles.
    bar.set_value(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(bar.get_value(), 0.0);
    bar.set_value(0.5);
    bar.set_value(std::numeric_limits<double>::infinity());
    EXPECT_EQ(bar.get_value(), 0.0);
    EXPECT_EQ(events.log,
              (Log{L"released 10000", L"released 0", L"released 2500", L"released 0", L"released 5000", L"released 0"}));
}

TEST_F(ProgressTest, TapsAndDragsProposeWithoutChangingTheValue) {
    ControlProgress bar(owner.get(), L"prgSlider");
    bar.set_rect({20, 30}, {100, 20});
    owner->pointer_down(pointer_tap, {70, 40}, false);  // (50 - 5) / 90
    EXPECT_TRUE(bar.is_dragging());
    owner->pointer_move({200, 40});                     // beyond the end
    owner->pointer_move({0, 40});                       // before the start
    owner->pointer_up(pointer_tap, {0, 40}, false);
    EXPECT_FALSE(bar.is_dragging());
    owner->pointer_move({70, 40});                      // not dragging: nothing
    owner->pointer_down(pointer_tap, {70, 40}, true);   // a double tap is ignored
    owner->pointer_up(pointer_tap, {70, 40}, true);
    EXPECT_EQ(events.log, (Log{L"moved 5000", L"moved 10000", L"moved 0"}));
    EXPECT_EQ(bar.get_value(), 0.0);

    // A thumb as long as the bar leaves no room: every point proposes 0.
    ControlProgress full(owner.get(), L"prgFull");
    EXPECT_EQ(full.value_at({0, 0}), 0.0);
    EXPECT_EQ(full.value_at({99, 0}), 0.0);
}

TEST_F(ProgressTest, FourOrientationsFillTheirWayAndPlaceTheThumb) {
    // Orientation 0 fills from the top, 1 from the right, 2 from the bottom, 3 from the left.
    const char* names[] = {"prg0", "prg1", "prg2", "prg3"};
    const plat::POINT filled_inside[] = {{50, 20}, {80, 50}, {50, 80}, {20, 50}};
    const plat::POINT empty_inside[] = {{50, 30}, {70, 50}, {50, 70}, {30, 50}};
    for (int o = 0; o < 4; ++o) {
        const std::string name = names[o];
        ControlProgress bar(owner.get(), std::wstring(name.begin(), name.end()));
        EXPECT_EQ(bar.get_orientation(), o);
        bar.set_rect({0, 0}, {100, 100});
        bar.set_value(0.25);
        Screen screen(100, 100);
        bar.paint(*screen.canvas, {0, 0}, {100, 100});
        EXPECT_EQ(screen.at(filled_inside[o].x, filled_inside[o].y), red) << o;
        EXPECT_EQ(screen.at(empty_inside[o].x, empty_inside[o].y), blue) << o;
    }
    ControlProgress two(owner.get(), L"prg2");
    two.set_rect({0, 0}, {100, 100});
    two.set_value(0.25);
    Screen screen(100, 100);
    two.paint(*screen.canvas, {0, 0}, {100, 100});
    EXPECT_EQ(screen.at(50, 74), blue);  // the bottom 25 rows exactly
    EXPECT_EQ(screen.at(50, 75), red);

    ControlProgress odd(owner.get(), L"prgOdd");
    EXPECT_EQ(odd.get_orientation(), progress_orientation::right);

    // Orientation 1 at 0.25: the thumb sits at x + (100 - 10) * 0.75, and
    // its disabled picture replaces it on a disabled bar.
    ControlProgress thumb(owner.get(), L"prgThumb");
    thumb.set_rect({10, 0}, {100, 20});
    thumb.set_value(0.25);
    EXPECT_EQ(thumb.thumb().position.x, 10 + 67);
    EXPECT_EQ(thumb.thumb().size.x, 10);
    Screen bar(120, 20);
    thumb.paint(*bar.canvas, {0, 0}, {120, 20});
    EXPECT_EQ(bar.at(77, 10), green);
    EXPECT_EQ(bar.at(86, 10), green);
    EXPECT_EQ(bar.at(87, 10), plat::rgb(255, 255, 255));
    thumb.set_enabled(false);
    thumb.paint(*bar.canvas, {0, 0}, {120, 20});
    EXPECT_EQ(bar.at(80, 10), red);
}
