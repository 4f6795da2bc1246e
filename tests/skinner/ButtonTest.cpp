#include "skinner/controls/ControlButton.h"

#include "FormFixture.h"
#include "SkinFixture.h"
#include "skinner/Container.h"
#include "skinner/MenuManager.h"
#include "skinner/Properties.h"
#include "plat/MessageBox.h"
#include "plat/Window.h"

#include <gtest/gtest.h>

using namespace skinner;
using namespace skin_fixture;

namespace {

// Drawn and focusable on every shell.
const char* const button_skin = R"(<skin id="b"><design width="240" height="320"/>
  <form name="Form">
    <point name="Size" x="240" y="200"/>
    <control name="btnShape"><string name="Action" value="BUTTON_NO_MENU"/><point name="Position" x="10" y="10"/><point name="Size" x="40" y="20"/>
      <picture name="Normal" image="shape"/></control>
    <control name="btnOther"><string name="Action" value="BUTTON_NO_MENU"/><point name="Position" x="100" y="10"/><point name="Size" x="40" y="20"/></control>
    <control name="btnStyled"><string name="Action" value="BUTTON_NO_MENU"/><point name="Position" x="10" y="50"/><point name="Size" x="40" y="20"/>
      <picture name="Normal" image="red"/><font name="Normal" value="10 0 0 0 Courier New"/>
      <color name="Normal" value="#010203"/><picture name="Pressed" image="blue"/>
      <picture name="Highlighted" image="green"/><point name="BorderMin" x="4" y="2"/></control>
    <control name="btnSys"><string name="Action" value="BUTTON_SYSMENU"/>
      <point name="Position" x="10" y="100"/><point name="Size" x="40" y="20"/></control>
    <control name="btnCancel"><string name="Action" value="BUTTON_CANCEL"/><string name="Text" value="Cancel"/>
      <int name="ZOrder" value="3"/></control>
    <control name="btnOk"><string name="Action" value="BUTTON_OK"/></control>
    <control name="btnTitle"><string name="Action" value="CAPTION"/><string name="Text" value="Alarms"/></control>
    <control name="btnWord"><string name="Action" value="NO_SUCH_WORD"/></control>
  </form></skin>)";

// Left half transparent, right half opaque red.
void write_shape() {
    write_picture("shape", 4, 2, plat::rgb(255, 0, 0));
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint8_t v = x < 2 ? 0 : 255;
            pixels.insert(pixels.end(), {v, v, v, 0});
        }
    const std::vector<uint8_t> file = plat::encode_png(pixels.data(), 4, 2, 16);
    std::ofstream(skins_folder() / "shape_1.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
}

void write_pictures() {
    write_shape();
    write_picture("red", 4, 4, plat::rgb(255, 0, 0));
    write_picture("blue", 6, 6, plat::rgb(0, 0, 255));
    write_picture("green", 8, 8, plat::rgb(0, 255, 0));
}

struct Clicks : Listener {
    int32_t on_click(Control* sender) override { return log.push_back(sender->get_name()), 1; }
    std::vector<std::wstring> log;
};

struct ButtonTest : testing::Test {
    ButtonTest() {
        write_pictures();
        properties.load_skin(write_skin(button_skin), {240, 320});
        owner = std::make_unique<Container>(&form, &properties, L"Form", creation_named, &clicks);
        owner->activate(true);
    }
    void tap(plat::POINT down, plat::POINT up) {
        owner->pointer_down(pointer_tap, down, false);
        owner->pointer_move(up);
        owner->pointer_up(pointer_tap, up, false);
    }
    Properties properties;
    FormStandIn form;
    Clicks clicks;
    std::unique_ptr<Container> owner;
};

using Names = std::vector<std::wstring>;

} // namespace

TEST_F(ButtonTest, TapsClickWhenLiftedOnAnOpaquePixel) {
    ControlButton shape(owner.get(), L"btnShape");
    ControlButton other(owner.get(), L"btnOther");
    tap({45, 15}, {45, 15});
    EXPECT_EQ(clicks.log, Names{L"btnShape"});
    tap({45, 15}, {120, 15});  // slid off onto the other button
    tap({45, 15}, {12, 15});   // slid onto its own transparent half
    EXPECT_EQ(clicks.log, Names{L"btnShape"});
    tap({12, 15}, {12, 15});  // the transparent half misses it
    EXPECT_EQ(owner->get_captured_child(), nullptr);
    EXPECT_EQ(clicks.log, Names{L"btnShape"});
    shape.set_enabled(false);
    shape.click();
    EXPECT_EQ(clicks.log, Names{L"btnShape"});
}

TEST_F(ButtonTest, ActionKeyAndTheFormsHoldClickOnceWhenTheLastPressEnds) {
    ControlButton button(owner.get(), L"btnOther");
    ControlButton second(owner.get(), L"btnShape");
    button.take_focus();
    EXPECT_EQ(owner->on_key_down(key::action), 1);
    EXPECT_EQ(owner->on_key_up(key::action), 1);
    EXPECT_EQ(clicks.log, Names{L"btnOther"});
    owner->on_key_down(key::action);
    second.take_focus();  // focus lost while the key is down
    button.take_focus();
    owner->on_key_up(key::action);
    EXPECT_EQ(clicks.log, Names{L"btnOther"});
    EXPECT_EQ(button.on_key_down(key::escape), 0);

    button.set_held(true);
    tap({120, 15}, {120, 15});
    EXPECT_EQ(clicks.log, Names{L"btnOther"});
    button.set_held(false);
    EXPECT_EQ(clicks.log, (Names{L"btnOther", L"btnOther"}));
    EXPECT_EQ(button.on_menu_command(nullptr, L"btnOther"), 1);
    EXPECT_EQ(button.on_menu_command(nullptr, L"btnShape"), 0);
    EXPECT_EQ(clicks.log.size(), 3u);
}

TEST_F(ButtonTest, StylesFallBackPartByPartAndBordersMirror) {
    ControlButton button(owner.get(), L"btnStyled");
    const ButtonStyles& s = button.get_styles();
    using namespace button_state;
    EXPECT_EQ(s[normal].picture.get_size().x, 4);
    EXPECT_EQ(s[normal_focus].picture.get_size().x, 4);
    EXPECT_EQ(s[disabled].picture.get_size().x, 4);
    EXPECT_EQ(s[pressed].picture.get_size().x, 6);
    EXPECT_EQ(s[highlighted_focus].picture.get_size().x, 8);  // falls back to Highlighted
    // A state that gives only a picture keeps the font and colour it falls back to.
    EXPECT_FALSE(s[pressed].font.empty());
    EXPECT_EQ(s[pressed].colour[2], 3);
    EXPECT_EQ(button.get_border_max().x, 4);
    EXPECT_EQ(button.get_border_max().y, 2);

    button.take_focus();
    EXPECT_EQ(&button.current_style(), &s[normal_focus]);
    owner->pointer_move({20, 60});
    EXPECT_EQ(&button.current_style(), &s[highlighted_focus]);
    owner->pointer_down(pointer_tap, {20, 60}, false);
    EXPECT_EQ(&button.current_style(), &s[pressed]);
    owner->pointer_up(pointer_tap, {20, 60}, false);
    button.set_enabled(false);
    EXPECT_EQ(&button.current_style(), &s[disabled]);

    Screen screen(240, 200);
    button.set_enabled(true);
    owner->pointer_move({200, 190});
    button.paint(*screen.canvas, {0, 0}, {240, 200});
    EXPECT_EQ(screen.at(10, 50), plat::rgb(255, 0, 0));
}

TEST_F(ButtonTest, ImplementationTablePerShell) {
    using K = ButtonImplKind;
    namespace a = button_action;
    struct Row {
        int32_t action;
        ButtonShell shell;
        K kind;
        bool draws, focus;
        std::wstring placement;
    };
    const ButtonShell sp = ButtonShell::smartphone, nw = ButtonShell::pocket_new, od = ButtonShell::pocket_old;
    const std::vector<Row> rows{
        {a::nothing, sp, K::menu_smartphone, false, false, L""},
        {a::nothing, nw, K::plain, true, true, L""},
        {a::caption, sp, K::caption_smartphone, false, false, L""},
        {a::caption, od, K::caption_pocket, false, false, L""},
        {5, nw, K::plain, false, false, L""},
        {a::close, sp, K::close_smartphone, false, false, L""},
        {a::close, od, K::close_pocket, true, true, L""},
        {a::minimize, sp, K::plain, false, false, L""},
        {a::maximize, nw, K::plain, true, true, L""},
        {a::sysmenu, nw, K::plain, false, false, L""},
        {a::ok, sp, K::menu_smartphone, false, false, L"#smartphone_ok#"},
        {a::ok, nw, K::menu5_pocket_ok, false, false, L"#smartphone_ok#"},
        {a::ok, od, K::ok_pocket, false, false, L""},
        {a::cancel, sp, K::menu_smartphone, false, false, L"#smartphone_menu#"},
        {a::cancel, nw, K::menu5_pocket, true, true, L"#smartphone_menu#"},
        {a::cancel, od, K::plain, true, true, L""},
        {a::yes, sp, K::menu_smartphone, false, false, L"#smartphone_ok#"},
        {a::yes, nw, K::menu5_pocket_ok, true, true, L"#smartphone_ok#"},
        {a::yes, od, K::ok_pocket, true, true, L""},
        {a::no_menu, sp, K::plain, true, true, L""},
        {99, od, K::plain, true, true, L""},
    };
    for (const Row& row : rows) {
        const ButtonImplChoice c = choose_button_impl(row.action, row.shell, true, true);
        EXPECT_EQ(c.kind, row.kind) << row.action << " on " << int(row.shell);
        EXPECT_EQ(c.draws, row.draws) << row.action << " on " << int(row.shell);
        EXPECT_EQ(c.may_focus, row.focus) << row.action << " on " << int(row.shell);
        EXPECT_EQ(std::wstring(c.placement), row.placement) << row.action << " on " << int(row.shell);
    }
    // On a smartphone a button that cannot take focus, or one made from a kind, is drawn.
    EXPECT_EQ(choose_button_impl(a::nothing, sp, true, false).kind, K::plain);
    EXPECT_TRUE(choose_button_impl(a::nothing, sp, true, false).draws);
    EXPECT_TRUE(choose_button_impl(a::nothing, sp, false, true).draws);
    EXPECT_FALSE(choose_button_impl(a::nothing, sp, false, true).may_focus);

    // The system-menu button has an implementation that neither draws nor is hit.
    ControlButton sys(owner.get(), L"btnSys");
    ASSERT_NE(sys.get_impl(), nullptr);
    EXPECT_FALSE(sys.hit_test({20, 110}));
    EXPECT_FALSE(sys.wants_focus());
    ControlButton word(owner.get(), L"btnWord");
    EXPECT_EQ(word.get_action(), a::nothing);
}

TEST(ButtonForm, MenuEntryListsWithItsPriorityAndItsCommandClicksIt) {
    if (current_button_shell() != ButtonShell::pocket_new)
        GTEST_SKIP() << "the default device is the newer Pocket PC shell";
    os::Application application{nullptr};
    Properties properties;
    write_pictures();
    properties.load_skin(write_skin(button_skin), {240, 320});
    form_fixture::TestForm form(&properties, L"Form");
    Clicks clicks;
    form.set_listener(&clicks);
    {
        ControlButton cancel(&form, L"btnCancel");
        auto* entry = dynamic_cast<ControlButtonImplMenu*>(cancel.get_impl());
        ASSERT_NE(entry, nullptr);
        ASSERT_EQ(MenuManager::items(form).size(), 1u);
        EXPECT_EQ(MenuManager::items(form)[0]->get_caption(), L"#smartphone_menu#");
        EXPECT_EQ(MenuManager::items(form)[0]->get_priority(), 1000003);
        MenuRecord record;
        MenuManager::items(form)[0]->fill_record(record);
        EXPECT_EQ(record.command, L"btnCancel");
        EXPECT_EQ(record.caption, L"Cancel");
        EXPECT_EQ(record.owner, &cancel);
        cancel.set_visible(false);
        EXPECT_TRUE(MenuManager::items(form).empty());
        cancel.set_visible(true);
        EXPECT_EQ(MenuManager::items(form).size(), 1u);
        cancel.on_menu_command(nullptr, L"btnCancel");
        EXPECT_EQ(clicks.log, Names{L"btnCancel"});
    }
    EXPECT_TRUE(MenuManager::items(form).empty());

    // The title-bar OK reaches the button through the form window; the caption button names the window.
    ControlButton ok(&form, L"btnOk");
    ControlButton title(&form, L"btnTitle");
    EXPECT_EQ(plat::get_window_text(form.get_window()), L"Alarms");
    title.set_text(L"Week");
    EXPECT_EQ(plat::get_window_text(form.get_window()), L"Week");
    plat::send_message(form.get_window(), plat::WM_COMMAND, plat::IDOK, 0);
    EXPECT_EQ(clicks.log, (Names{L"btnCancel", L"btnOk"}));
}
