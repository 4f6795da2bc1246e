#include "app/ControlCounter.h"

#include "../skinner/SkinFixture.h"
#include "skinner/Container.h"
#include "skinner/Properties.h"

#include <gtest/gtest.h>

using namespace skinner;
using namespace skin_fixture;

namespace {

const char* const counter_skin = R"(<skin id="c"><design width="240" height="320"/>
  <form name="Form">
    <point name="Size" x="240" y="100"/>
    <control name="cntrlHour"><string name="FormTemplate" value="Counter"/>
      <point name="Position" x="0" y="0"/><point name="Size" x="120" y="30"/></control>
    <control name="cntrlOne"><string name="FormTemplate" value="Counter"/>
      <point name="Position" x="0" y="40"/><point name="Size" x="120" y="30"/></control>
    <control name="btnOther"><point name="Position" x="130" y="0"/><point name="Size" x="40" y="30"/></control>
  </form>
  <form name="Counter">
    <point name="Size" x="120" y="30"/>
    <control name="btnDecrease"><point name="Position" x="0" y="0"/><point name="Size" x="30" y="30"/></control>
    <control name="editText"><point name="Position" x="30" y="0"/><point name="Size" x="60" y="30"/>
      <picture name="Normal" image="white" stretch="1"/><picture name="NormalFocused" image="grey" stretch="1"/>
      <picture name="Selection" image="blue" stretch="1"/>
      <color name="Normal" value="#000000"/><color name="SelectionFocused" value="#FFFF00"/>
      <font name="Normal" value="16 1 0 0 Tahoma"/></control>
    <control name="btnIncrease"><point name="Position" x="90" y="0"/><point name="Size" x="30" y="30"/></control>
  </form></skin>)";

struct Events : Listener {
    int32_t on_text_changed(Control* sender, const std::wstring& text) override {
        log.push_back(sender->get_name() + L" " + text);
        return 1;
    }
    std::vector<std::wstring> log;
};

struct CounterTest : testing::Test {
    CounterTest() {
        write_picture("white", 4, 4, plat::rgb(255, 255, 255));
        write_picture("grey", 4, 4, plat::rgb(128, 128, 128));
        write_picture("blue", 4, 4, plat::rgb(0, 0, 255));
        properties.load_skin(write_skin(counter_skin), {240, 320});
        owner = std::make_unique<Container>(&form, &properties, L"Form", creation_named, &events);
        owner->activate(true);
        hour = std::make_unique<ControlCounter>(owner.get(), L"cntrlHour", 0, 23);
    }
    void tap(plat::POINT point) {
        owner->pointer_down(pointer_tap, point, false);
        owner->pointer_up(pointer_tap, point, false);
    }
    Properties properties;
    FormStandIn form;
    Events events;
    std::unique_ptr<Container> owner;
    std::unique_ptr<ControlCounter> hour;
};

} // namespace

TEST_F(CounterTest, StepsWrapBothWaysAndRaiseOnlyChanges) {
    ControlEditCounter& edit = hour->get_edit();
    EXPECT_EQ(edit.get_value(), 0);
    edit.set_value(23);
    EXPECT_TRUE(events.log.empty());  // set_value raises nothing
    tap({100, 10});                   // increase
    EXPECT_EQ(edit.text(), L"00");
    tap({10, 10});  // decrease
    EXPECT_EQ(edit.text(), L"23");
    edit.step(-25);
    EXPECT_EQ(edit.get_value(), 22);
    EXPECT_EQ(events.log, (std::vector<std::wstring>{L"cntrlHour 00", L"cntrlHour 23", L"cntrlHour 22"}));

    // One value: a step changes nothing and tells nobody.
    ControlCounter one(owner.get(), L"cntrlOne", 5, 5);
    events.log.clear();
    one.get_edit().step(1);
    one.get_edit().step(-1);
    EXPECT_EQ(one.get_value(), 5);
    EXPECT_TRUE(events.log.empty());
}

TEST_F(CounterTest, BadRangesAndTheDigitsOfTheMaximum) {
    // A maximum below the minimum counts as the minimum; 0 outside the range starts at the minimum.
    ControlCounter inverted(owner.get(), L"cntrlOne", 7, 3);
    EXPECT_EQ(inverted.get_edit().get_maximum(), 7);
    EXPECT_EQ(inverted.get_value(), 7);
    inverted.get_edit().step(1);
    inverted.get_edit().step(-3);
    EXPECT_EQ(inverted.get_value(), 7);
    inverted.get_edit().reset_cursor();
    inverted.get_edit().type_digit(2);
    EXPECT_EQ(inverted.get_value(), 7);
    EXPECT_EQ(inverted.get_edit().text(), L"7");
    EXPECT_EQ(inverted.get_edit().get_cursor(), 0);  // one digit: the cursor stays on it
}

TEST_F(CounterTest, TypingClampsAndTheCursorReturns) {
    ControlEditCounter& edit = hour->get_edit();
    edit.set_value(5);
    hour->on_key_down(key::digit_0 + 9);  // before the first focus: no cursor, nothing typed
    EXPECT_EQ(edit.get_value(), 5);
    owner->set_focused_child(hour.get());
    EXPECT_TRUE(edit.is_focused());
    EXPECT_EQ(hour->on_key_down(key::digit_0 + 9), 1);
    EXPECT_EQ(edit.get_value(), 23);  // 95 clamped
    EXPECT_EQ(edit.get_cursor(), 1);
    hour->on_key_down(key::digit_0 + 5);
    EXPECT_EQ(edit.get_value(), 23);  // 25 clamped, no change raised
    EXPECT_EQ(edit.get_cursor(), 0);
    EXPECT_EQ(events.log, (std::vector<std::wstring>{L"cntrlHour 23"}));

    ControlCounter minute(owner.get(), L"cntrlOne", 0, 59);
    minute.set_value(7);
    owner->set_focused_child(&minute);
    minute.on_key_down(key::digit_0 + 3);
    EXPECT_EQ(minute.get_value(), 37);
    // Left and right step where nothing outside takes them.
    minute.on_key_down(key::right);
    minute.on_key_down(key::right);
    minute.on_key_down(key::left);
    EXPECT_EQ(minute.get_value(), 38);
}

TEST_F(CounterTest, ButtonsNeverTakeTheFocus) {
    owner->set_focused_child(hour.get());
    Container* inner = hour->get_container();
    Control* field = inner->get_focused_child();
    EXPECT_EQ(field, &hour->get_edit());
    tap({100, 10});
    tap({10, 10});
    EXPECT_EQ(inner->get_focused_child(), field);
    EXPECT_EQ(owner->get_focused_child(), hour.get());
    // A tap on the field itself focuses it for typing (unlike a frame, it is hit).
    owner->set_focused_child(nullptr);
    tap({50, 10});
    EXPECT_EQ(owner->get_focused_child(), hour.get());
    // Up and down inside the counter find no other field.
    hour->on_key_down(key::down);
    EXPECT_EQ(inner->get_focused_child(), field);
}

TEST_F(CounterTest, TheCursorDigitIsDrawnOverTheSelectionPicture) {
    hour->set_value(12);
    Screen plain(240, 100);
    hour->paint(*plain.canvas, {0, 0}, {240, 100});
    EXPECT_EQ(plain.at(32, 2), plat::rgb(255, 255, 255));  // the normal picture fills the field

    owner->set_focused_child(hour.get());
    Screen focused(240, 100);
    hour->paint(*focused.canvas, {0, 0}, {240, 100});
    EXPECT_EQ(focused.at(32, 2), plat::rgb(128, 128, 128));  // the focused picture
    // The selection box stands behind the first digit from one pixel below the top.
    int blue_left = 240, blue_right = 0, yellow = 0, black = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 30; x < 90; ++x) {
            const plat::COLORREF c = focused.at(x, y);
            if (c == plat::rgb(0, 0, 255)) {
                blue_left = std::min(blue_left, x);
                blue_right = std::max(blue_right, x);
                EXPECT_GE(y, 1);
                EXPECT_LT(y, 29);
            }
            if (plat::red_of(c) > 200 && plat::green_of(c) > 200 && plat::blue_of(c) < 80)
                ++yellow;
            if (c == plat::rgb(0, 0, 0)) {
                ++black;
                EXPECT_GT(x, blue_right);
            }
        }
    EXPECT_LT(blue_left, 60);   // left of the field's centre: the first digit
    EXPECT_LE(blue_right, 61);
    EXPECT_GT(yellow, 0);  // the cursor digit in the focused selection colour
    EXPECT_GT(black, 0);   // the other in the normal colour, right of the box

    hour->on_key_down(key::digit_0 + 1);  // the cursor moves to the second digit
    Screen second(240, 100);
    hour->paint(*second.canvas, {0, 0}, {240, 100});
    EXPECT_EQ(second.at(45, 15), plat::rgb(128, 128, 128));
    EXPECT_NE(second.ink(plat::rgb(128, 128, 128)).right, 0);
}
