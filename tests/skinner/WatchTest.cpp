#include "skinner/controls/ControlWatch.h"

#include "SkinFixture.h"
#include "skinner/Container.h"
#include "skinner/Properties.h"
#include "plat/Clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace skinner;
using namespace skin_fixture;

namespace {

// Hands 6 pixels wide turning about a point 2 pixels above their lower end.
const char* const watch_skin = R"(<skin id="w"><design width="240" height="320"/>
  <form name="Form">
    <point name="Size" x="220" y="200"/>
    <control name="frmWatch"><point name="Size" x="100" y="100"/>
      <picture name="Background" image="grey"/>
      <picture name="HourArrow" image="hour" p1="3 28" p2="3 28"/>
      <picture name="MinuteArrow" image="minute" p1="3 42" p2="3 42"/>
      <picture name="SecondArrow" image="second" p1="3 46" p2="3 46"/></control>
    <control name="frmFace"><point name="Size" x="100" y="100"/><string name="analog" value="0"/>
      <picture name="Background" image="grey"/>
      <picture name="MinuteArrow" image="minute" p1="3 42" p2="3 42"/></control>
    <control name="frmMinuteOnly"><point name="Size" x="100" y="100"/>
      <picture name="MinuteArrow" image="minute" p1="3 42" p2="3 42"/></control>
    <control name="frmGlass"><point name="Size" x="100" y="100"/>
      <picture name="Background" image="glass"/></control>
    <control name="frmGlassFace"><point name="Size" x="100" y="100"/><string name="analog" value="0"/>
      <picture name="Background" image="glass"/></control>
    <control name="frmNothing"><point name="Size" x="0" y="0"/>
      <picture name="Background" image="grey"/>
      <picture name="MinuteArrow" image="minute" p1="3 42" p2="3 42"/></control>
  </form></skin>)";

const plat::COLORREF white = plat::rgb(255, 255, 255);
const plat::COLORREF grey = plat::rgb(128, 128, 128);
const plat::COLORREF red = plat::rgb(255, 0, 0);
const plat::COLORREF green = plat::rgb(0, 255, 0);
const plat::COLORREF blue = plat::rgb(0, 0, 255);

struct WatchTest : testing::Test {
    WatchTest() {
        write_picture("grey", 8, 8, grey);
        write_picture("hour", 6, 30, red);
        write_picture("minute", 6, 44, green);
        write_picture("second", 6, 48, blue);
        write_picture("glass", 8, 8, red);
        write_picture("glass_8", 8, 8, plat::rgb(0, 0, 128));  // alpha 128
        properties.load_skin(write_skin(watch_skin), {240, 320});
        owner = std::make_unique<Container>(&form, &properties, L"Form", creation_named, nullptr);
        plat::SystemTime now;
        now.year = 2026;
        now.month = 12;
        now.day = 9;
        now.hour = 15;
        now.minute = 30;
        now.second = 45;
        plat::set_fake_clock(now, false);
    }
    ~WatchTest() override { plat::clear_fake_clock(); }

    // The pixel at distance d from the face centre (50, 50) along angle a, clockwise from twelve.
    static plat::COLORREF along(const Screen& screen, double a, int d) {
        return screen.at(50 + int(std::lround(d * std::sin(a))), 50 - int(std::lround(d * std::cos(a))));
    }

    // Blending at full alpha keeps a colour within a step or two of its own.
    static bool near(plat::COLORREF a, plat::COLORREF b) {
        return std::abs(plat::red_of(a) - plat::red_of(b)) <= 2 && std::abs(plat::green_of(a) - plat::green_of(b)) <= 2 &&
               std::abs(plat::blue_of(a) - plat::blue_of(b)) <= 2;
    }

    Properties properties;
    FormStandIn form;
    std::unique_ptr<Container> owner;
};

} // namespace

TEST_F(WatchTest, HandsShowFifteenThirtyFortyFiveInTheirColours) {
    constexpr double pi = std::numbers::pi;
    const ControlWatch::Angles angles = ControlWatch::angles_at(15, 30, 45);
    EXPECT_DOUBLE_EQ(angles.hour, pi / 2 + pi / 12);
    EXPECT_DOUBLE_EQ(angles.minute, pi);
    EXPECT_DOUBLE_EQ(angles.second, 1.5 * pi);

    ControlWatch watch(owner.get(), L"frmWatch");
    EXPECT_EQ(form.timers, (std::vector<int32_t>{1}));
    Screen screen(100, 100, white);
    watch.paint(*screen.canvas, {0, 0}, {100, 100});
    for (int d = 8; d <= 24; d += 4)
        EXPECT_TRUE(near(along(screen, angles.hour, d), red)) << d;
    for (int d = 8; d <= 38; d += 6)
        EXPECT_TRUE(near(along(screen, angles.minute, d), green)) << d;
    for (int d = 8; d <= 44; d += 6)
        EXPECT_TRUE(near(along(screen, angles.second, d), blue)) << d;
    EXPECT_EQ(along(screen, 0.0, 30), grey);  // twelve o'clock: face only
    EXPECT_EQ(along(screen, angles.hour, 34), grey);  // past the hour hand's tip

    // Each tick of its timer repaints it.
    form.dirty.clear();
    watch.on_timer(watch.get_timer_id());
    EXPECT_EQ(form.dirty.size(), 1u);
}

TEST_F(WatchTest, FaceAloneWithoutAnalogAndMissingHandsAreLeftOut) {
    ControlWatch face(owner.get(), L"frmFace");
    EXPECT_FALSE(face.is_analog());
    Screen screen(100, 100, white);
    face.paint(*screen.canvas, {0, 0}, {100, 100});
    EXPECT_EQ(screen.ink(grey).right, 0);  // every pixel is the face

    // No face and no hour or second hand: the minute hand over what lies beneath.
    ControlWatch minute(owner.get(), L"frmMinuteOnly");
    Screen under(100, 100, white);
    minute.paint(*under.canvas, {0, 0}, {100, 100});
    EXPECT_TRUE(near(along(under, std::numbers::pi, 20), green));
    EXPECT_EQ(along(under, 1.5 * std::numbers::pi, 20), white);
    const plat::RECT ink = under.ink(white);
    EXPECT_GE(ink.left, 45);
    EXPECT_LE(ink.right, 55);

    // A control of no size draws nothing at all.
    ControlWatch nothing(owner.get(), L"frmNothing");
    Screen empty(100, 100, white);
    nothing.paint(*empty.canvas, {0, 0}, {100, 100});
    EXPECT_EQ(empty.ink(white).right, 0);
}

TEST_F(WatchTest, AnAlphaFaceUnderTheHandsGivesThePixelsOfTheFaceDrawnAlone) {
    // The clock blends an alpha face into its own image; the face drawn by itself is the reference.
    ControlWatch clock(owner.get(), L"frmGlass");
    ControlWatch face(owner.get(), L"frmGlassFace");
    Screen drawn(100, 100, white), reference(100, 100, white);
    for (Screen* screen : {&drawn, &reference})
        plat::fill_rect(screen->dc, {20, 30, 70, 60}, blue);
    face.paint(*reference.canvas, {0, 0}, {100, 100});
    clock.paint(*drawn.canvas, {0, 0}, {100, 100});
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(drawn.at(x, y), reference.at(x, y)) << x << "," << y;
    EXPECT_EQ(reference.at(5, 5), plat::rgb(255, 127, 127));  // red at half alpha over white
    EXPECT_EQ(reference.at(40, 40), plat::rgb(127, 0, 127));  // and over blue
    face.paint(*reference.canvas, {0, 0}, {100, 100});
    clock.paint(*drawn.canvas, {0, 0}, {100, 100});
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(drawn.at(x, y), reference.at(x, y)) << x << "," << y;
}
