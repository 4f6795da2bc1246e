#include "FormFixture.h"

#include "skinner/controls/ControlComboBoxStringReadonly.h"

#include "base/Log.h"
#include "plat/Clock.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace skinner;
using form_fixture::later;

const char* const combo_skin = R"(<skin id="combos" devices="">
  <design width="240" height="320"/>
  <kind name="CmbButton"/>
  <kind name="CmbEdit"/>
  <kind name="CmbList"><int name="ItemHeight" value="20"/></kind>
  <form name="Drop"/>
  <form name="Combos">
    <point name="Size" x="240" y="260"/>
    <control name="cmbTop"><point name="Position" x="10" y="10"/><point name="Size" x="120" y="20"/>
      <string name="ButtonKind" value="CmbButton"/><string name="EditKind" value="CmbEdit"/>
      <string name="ListKind" value="CmbList"/><string name="DropdownForm" value="Drop"/>
      <int name="ButtonWidth" value="20"/><point name="DropdownSize" x="0" y="100"/></control>
    <control name="cmbLow"><point name="Position" x="10" y="220"/><point name="Size" x="120" y="20"/>
      <string name="ButtonKind" value="CmbButton"/><string name="EditKind" value="CmbEdit"/>
      <string name="ListKind" value="CmbList"/><string name="DropdownForm" value="Drop"/>
      <point name="DropdownSize" x="80" y="100"/></control>
    <control name="cmbTall"><point name="Position" x="10" y="100"/><point name="Size" x="120" y="20"/>
      <string name="ButtonKind" value="CmbButton"/><string name="EditKind" value="CmbEdit"/>
      <string name="ListKind" value="CmbList"/><string name="DropdownForm" value="Drop"/>
      <point name="DropdownSize" x="0" y="150"/></control>
    <control name="cmbBare"><point name="Position" x="10" y="50"/><point name="Size" x="120" y="20"/>
      <string name="ButtonKind" value="CmbButton"/><string name="EditKind" value="CmbEdit"/>
      <string name="ListKind" value="CmbList"/></control>
  </form>
</skin>)";

// Writes down the combo box events that reach the form.
class ComboForm : public form_fixture::TestForm {
public:
    using TestForm::TestForm;
    int32_t on_popup_closed(Control* sender) override {
        heard.push_back(L"closed " + sender->get_name());
        if (on_closed)
            on_closed();
        return 1;
    }
    int32_t on_selection_changed(Control* sender) override {
        heard.push_back(L"selection " + sender->get_name());
        if (on_selection)
            std::exchange(on_selection, nullptr)();
        return 1;
    }
    std::vector<std::wstring> heard;
    std::function<void()> on_closed, on_selection;
};

class ComboBoxTest : public testing::Test {
protected:
    void SetUp() override {
        plat::set_fake_clock(plat::SystemTime{2026, 3, 0, 7, 6, 0, 0, 0}, false);
        application = std::make_unique<os::Application>(nullptr);
        properties.load_skin(skin_fixture::write_skin(combo_skin), {240, 320});
        form = std::make_unique<ComboForm>(&properties, L"Combos");
        form->show(true);
    }
    void TearDown() override {
        form.reset();
        application.reset();
        plat::clear_fake_clock();
    }
    // Opens the combo box and runs inside its drop-down until the action closes it.
    void open(ControlComboBoxStringReadonly& combo, std::function<void()> inside) {
        later(std::move(inside));
        EXPECT_EQ(combo.on_click(&combo.get_button()), 1);
        EXPECT_EQ(combo.get_dropdown(), nullptr);
        EXPECT_EQ(combo.get_list(), nullptr);
    }
    plat::POINT screen(plat::POINT point) {
        plat::client_to_screen(form->get_window(), point);
        return point;
    }

    std::unique_ptr<os::Application> application;
    Properties properties;
    std::unique_ptr<ComboForm> form;
};

TEST_F(ComboBoxTest, OpensBelowAboveOrBelowWhenNeitherFitsAndTheButtonClosesIt) {
    ControlComboBoxStringReadonly top(form.get(), L"cmbTop"), low(form.get(), L"cmbLow"), tall(form.get(), L"cmbTall");
    EXPECT_EQ(top.get_frame().get_size().x, 100);  // the button takes 20 at the right
    EXPECT_EQ(top.get_button().get_position().x, 110);
    const auto placed = [&](ControlComboBoxStringReadonly& combo) {
        plat::RECT rect{};
        open(combo, [&] {
            rect = form_fixture::window_rect(*combo.get_dropdown());
            combo.on_click(&combo.get_button());  // pressed again while open
        });
        return std::vector<int32_t>{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    };
    const plat::POINT below_top = screen({10, 30}), above_low = screen({10, 120}), below_tall = screen({10, 120});
    EXPECT_EQ(placed(top), (std::vector<int32_t>{below_top.x, below_top.y, 120, 100}));
    EXPECT_EQ(placed(low), (std::vector<int32_t>{above_low.x, above_low.y, 80, 100}));
    EXPECT_EQ(placed(tall), (std::vector<int32_t>{below_tall.x, below_tall.y, 120, 150}));
    EXPECT_EQ(form->heard, (std::vector<std::wstring>{L"closed cmbTop", L"closed cmbLow", L"closed cmbTall"}));
}

TEST_F(ComboBoxTest, TheSelectionMovedWhileOpenIsRaisedOnceAfterTheClose) {
    ControlComboBoxStringReadonly combo(form.get(), L"cmbTop");
    combo.set_items({L"one", L"two", L"three"});
    combo.set_selected(0);
    form->heard.clear();
    open(combo, [&] { combo.get_dropdown()->on_key_down(key::escape); });  // nothing moved: no selection event
    open(combo, [&] {
        EXPECT_EQ(combo.get_list()->get_selected_row(), 0);
        combo.get_dropdown()->on_key_down(key::down);
        EXPECT_EQ(combo.get_frame().get_text(), L"two");  // the value follows at once
        EXPECT_EQ(combo.get_dropdown()->on_key_down(key::escape), 1);
    });
    EXPECT_EQ(form->heard, (std::vector<std::wstring>{L"closed cmbTop", L"closed cmbTop", L"selection cmbTop"}));

    // Selections set from the close handlers: the list while it lives, the combo box after.
    form->heard.clear();
    form->on_closed = [&] { combo.set_selected(2); };
    form->on_selection = [&] { combo.set_selected(0); };
    open(combo, [&] { combo.get_dropdown()->on_key_down(key::escape); });
    EXPECT_EQ(form->heard, (std::vector<std::wstring>{L"closed cmbTop", L"selection cmbTop", L"selection cmbTop"}));
    EXPECT_EQ(combo.get_selected(), 0);
    EXPECT_EQ(combo.get_frame().get_text(), L"one");
}

TEST_F(ComboBoxTest, ASelectionOutsideTheItemsShowsNoText) {
    ControlComboBoxStringReadonly combo(form.get(), L"cmbTop");
    combo.set_items({L"one", L"two"});
    combo.set_selected(1);
    EXPECT_EQ(combo.get_frame().get_text(), L"two");
    combo.set_selected(5);
    EXPECT_EQ(combo.get_frame().get_text(), L"");
    combo.set_selected(5);  // unchanged: no event
    EXPECT_EQ(form->heard, (std::vector<std::wstring>{L"selection cmbTop", L"selection cmbTop"}));
    // The action key opens the list; a tapped item closes it and goes on to the form.
    open(combo, [&] { combo.on_item_click(combo.get_list(), 0, 0); });
    later([&] { combo.get_dropdown()->close(); });
    EXPECT_EQ(combo.on_key_down(key::action), 1);
}

TEST_F(ComboBoxTest, WithoutADropDownFormOpeningIsFatal) {
    ControlComboBoxStringReadonly combo(form.get(), L"cmbBare");
    EXPECT_EXIT(combo.on_click(&combo.get_button()), testing::ExitedWithCode(liba::fatal_exit_code),
                "has no form \\{\\}");
}

} // namespace
