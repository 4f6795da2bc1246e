#include "skinner/controls/ControlEdit.h"

#include "FormFixture.h"
#include "LogCapture.h"
#include "skinner/controls/ControlEditNativeImpl.h"
#include "plat/Clipboard.h"
#include "plat/CommonControls.h"
#include "plat/Menu.h"
#include "plat/UiTest.h"

#include <gtest/gtest.h>

using namespace skinner;
using namespace skin_fixture;

namespace {

const char* const edit_skin = R"(<skin id="edit" devices=""><design width="240" height="320"/>
  <form name="Edit">
    <point name="Size" x="240" y="200"/>
    <control name="edtName"><point name="Position" x="10" y="10"/><point name="Size" x="64" y="20"/>
      <point name="BorderMin" x="2" y="2"/><string name="Text" value="abcdef"/>
      <font name="Normal" value="10 0 0 0 Courier New"/>
      <picture name="Selection" image="blue"/><color name="Normal" value="#000000"/></control>
    <control name="edtSecret"><point name="Position" x="10" y="40"/><point name="Size" x="64" y="20"/>
      <string name="PasswordChar" value="*"/><font name="Normal" value="10 0 0 0 Courier New"/></control>
    <control name="edtPin"><point name="Position" x="10" y="70"/><point name="Size" x="64" y="20"/>
      <int name="PasswordChar" value="42"/></control>
  </form></skin>)";

// What the form hears from its controls.
struct Heard : Listener {
    int32_t on_text_changed(Control*, const std::wstring& text) override {
        log.push_back(L"text " + text);
        return 1;
    }
    int32_t on_click(Control*) override {
        log.push_back(L"click");
        return 1;
    }
    std::vector<std::wstring> log;
};

std::wstring clipboard() {
    std::wstring text;
    plat::open_clipboard(nullptr);
    plat::get_clipboard_text(text);
    plat::close_clipboard();
    return text;
}

void put_clipboard(std::wstring_view text) {
    plat::open_clipboard(nullptr);
    plat::empty_clipboard();
    plat::set_clipboard_text(text);
    plat::close_clipboard();
}

struct EditTest : testing::Test {
    EditTest() {
        write_picture("blue", 4, 4, plat::rgb(0, 0, 255));
        properties.load_skin(write_skin(edit_skin), {240, 320});
        owner = std::make_unique<Container>(&form, &properties, L"Edit", creation_named, &heard);
        owner->activate(true);
        edit = std::make_unique<ControlEdit>(owner.get(), L"edtName");
        edit->take_focus();
        FontDescription d;
        d.parse(L"10 0 0 0 Courier New");
        cw = Font(d).get_text_extent(L"M").x;
    }
    void press(int32_t code, std::set<int32_t> held = {}) {
        form.held = std::move(held);
        edit->on_key_down(code);
        form.held.clear();
    }
    std::wstring selection() const { return edit->get_selected_text(); }
    // A point inside the given character's left or right half.
    plat::POINT at(int32_t index, bool right_half = false) const {
        return {10 + 2 + edit->get_scroll_x() + index * cw + (right_half ? cw - 1 : 1), 20};
    }

    Properties properties;
    FormStandIn form;
    Heard heard;
    std::unique_ptr<Container> owner;
    std::unique_ptr<ControlEdit> edit;
    int32_t cw = 0;
};

constexpr int32_t letter(char c) { return key::letter_a + (c - 'A'); }

} // namespace

TEST_F(EditTest, KeysMoveAndSelectWithShiftAndByWordsWithCtrl) {
    EXPECT_EQ(edit->get_text(), L"abcdef");
    press(key::end);
    for (int i = 0; i < 3; ++i)
        press(key::left, {key::shift});
    EXPECT_EQ(selection(), L"def");
    press(key::left);
    EXPECT_EQ(edit->get_caret(), 2);
    EXPECT_EQ(edit->get_anchor(), 2);
    press(key::home, {key::shift});
    EXPECT_EQ(selection(), L"ab");

    edit->set_text(L"one, two three");
    heard.log.clear();
    press(key::left, {key::control});
    EXPECT_EQ(edit->get_caret(), 9);
    press(key::left, {key::control, key::shift});
    EXPECT_EQ(selection(), L"two ");
    press(key::home);
    press(key::right, {key::control});
    EXPECT_EQ(edit->get_caret(), 5);

    // Backspace at the start changes nothing; Delete and Backspace take one character.
    press(key::home);
    press(key::back_space);
    press(key::del);
    press(key::end);
    press(key::back_space);
    EXPECT_EQ(edit->get_text(), L"ne, two thre");
    EXPECT_EQ(heard.log, (std::vector<std::wstring>{L"text ne, two three", L"text ne, two thre"}));
    // Up and down are left to the form's focus moves.
    EXPECT_EQ(edit->on_key_down(key::down), 0);
}

TEST_F(EditTest, TapsPlaceTheCaretBeforeAnyPaintAndADoubleTapSelectsTheWord) {
    edit->on_mouse_down(at(0), false);  // the first character's left half
    EXPECT_EQ(edit->get_caret(), 0);
    edit->on_mouse_up(at(0), false);
    edit->on_mouse_down(at(0, true), false);
    EXPECT_EQ(edit->get_caret(), 1);
    edit->on_mouse_up(at(0, true), false);
    // A new, shorter text: the tap past it lands at its end, not past it.
    edit->set_text(L"ab");
    edit->on_mouse_down(at(5), false);
    EXPECT_EQ(edit->get_caret(), 2);
    edit->on_mouse_up(at(5), false);

    edit->set_text(L"ab cd-ef");
    edit->on_mouse_down(at(4), true);
    edit->on_mouse_up(at(4), true);
    EXPECT_EQ(selection(), L"cd");
    // A drag selects from the tap to the release.
    edit->on_mouse_down(at(0), false);
    edit->on_mouse_move(at(2));
    edit->on_mouse_up(at(4), false);
    EXPECT_EQ(edit->get_anchor(), 0);
    EXPECT_EQ(edit->get_caret(), 4);
    EXPECT_EQ(std::count(heard.log.begin(), heard.log.end(), L"click"), 5);
}

TEST_F(EditTest, ClipboardKeysCutCopyAndPasteTheFirstLine) {
    edit->set_selection(1, 4);
    press(letter('C'), {key::control});
    EXPECT_EQ(clipboard(), L"bcd");
    press(letter('X'), {key::control});
    EXPECT_EQ(edit->get_text(), L"aef");
    EXPECT_EQ(edit->get_caret(), 1);
    put_clipboard(L"XY\nZ");
    press(letter('V'), {key::control});
    EXPECT_EQ(edit->get_text(), L"aXYef");
    EXPECT_EQ(edit->get_caret(), 3);
    edit->set_selection(0, 1);
    press(key::insert, {key::control});
    EXPECT_EQ(clipboard(), L"a");
    press(key::insert, {key::shift});
    press(key::del, {key::shift});  // cut with nothing selected: the clipboard stays
    EXPECT_EQ(clipboard(), L"a");
    put_clipboard(L"");
    press(letter('V'), {key::control});
    EXPECT_EQ(edit->get_text(), L"aXYef");

    edit->set_read_only(true);
    put_clipboard(L"q");
    edit->select_all();
    press(letter('V'), {key::control});
    press(letter('X'), {key::control});
    press(key::back_space);
    EXPECT_EQ(edit->on_char(L"z"), 0);
    EXPECT_EQ(edit->get_text(), L"aXYef");
    press(letter('C'), {key::control});
    EXPECT_EQ(clipboard(), L"aXYef");
}

TEST_F(EditTest, TypingScrollsToKeepTheCaretVisibleAndHomeScrollsBack) {
    const int32_t inner = 64 - 4;
    edit->set_text(L"");
    for (int i = 0; i < 20; ++i)
        edit->on_char(L"w");
    EXPECT_EQ(edit->get_text().size(), 20u);
    // The caret (1 pixel) sits at the inner right edge.
    EXPECT_EQ(edit->get_scroll_x(), inner - 1 - 20 * cw);
    press(key::home);
    EXPECT_EQ(edit->get_scroll_x(), 0);
    press(key::end);
    press(key::back_space);
    EXPECT_EQ(edit->get_scroll_x(), inner - 1 - 19 * cw);

    // What is painted follows: the last characters fill the box, the first are gone.
    Screen screen(100, 40);
    edit->paint(*screen.canvas, {0, 0}, {100, 40});
    const plat::RECT ink = screen.ink();
    EXPECT_GE(ink.left, 12);
    EXPECT_LE(ink.right, 10 + 64 - 2);
    EXPECT_GT(ink.right, 10 + 64 - 2 - cw);
}

TEST_F(EditTest, PasswordFieldsShowTheCharacterAndKeepTheTextOut) {
    testing_support::LogCapture log;
    ControlEdit secret(owner.get(), L"edtSecret");
    // The skin may not set the character: one report per skin load.
    EXPECT_EQ(form.boxes, (std::vector<std::wstring>{L"PasswordChar|Unsupported"}));
    secret.load_skin();
    EXPECT_EQ(form.boxes.size(), 2u);
    ControlEdit pin(owner.get(), L"edtPin");  // a number is a value too
    EXPECT_EQ(form.boxes.back(), L"PasswordChar|Unsupported");
    EXPECT_EQ(form.boxes.size(), 3u);

    secret.set_password_char(L'*');
    secret.set_text(L"pin");
    secret.take_focus();
    secret.on_char(L"9");
    EXPECT_EQ(log.text().find(L"on_text9"), std::wstring::npos);
    EXPECT_NE(log.text().find(L"on_text (1 characters)"), std::wstring::npos);
    put_clipboard(L"before");
    secret.select_all();
    form.held = {key::control};
    secret.on_key_down(letter('C'));
    secret.on_key_down(letter('X'));
    form.held.clear();
    EXPECT_EQ(clipboard(), L"before");
    EXPECT_EQ(secret.get_text(), L"pin9");

    // Drawn as four stars: the same ink as a plain field holding "****".
    Screen masked(100, 80), stars(100, 80);
    secret.set_selection(4, 4);
    secret.paint(*masked.canvas, {0, 0}, {100, 80});
    secret.set_password_char(0);
    secret.set_text(L"****");
    secret.set_selection(4, 4);
    secret.paint(*stars.canvas, {0, 0}, {100, 80});
    for (int y = 40; y < 60; ++y)
        for (int x = 10; x < 74; ++x)
            ASSERT_EQ(masked.at(x, y), stars.at(x, y)) << x << "," << y;
}

namespace {

// A real form window, for the context menu and the device's edit box.
struct EditFormTest : testing::Test {
    void open() {
        write_picture("blue", 4, 4, plat::rgb(0, 0, 255));
        const plat::ScreenProfile& profile = plat::screen_profile();
        properties.load_skin(write_skin(edit_skin), {profile.width, profile.height});
        form = std::make_unique<HearingForm>(&properties);
        edit = std::make_unique<ControlEdit>(form.get(), L"edtName");
        form->show(true);
        plat::set_focus(form->get_window());
        form->activate(true);
        plat::run_until_idle();
    }
    ~EditFormTest() override { edit.reset(); }
    // Runs the context menu with keys already typed for it.
    void menu_with_keys(std::initializer_list<uint32_t> keys) {
        // One key a turn of the menu's loop, each handled before the next comes.
        type_later(std::make_shared<std::vector<uint32_t>>(keys), 0);
        edit->on_key_down(key::applications);
        plat::run_until_idle();
    }

    static void type_later(std::shared_ptr<std::vector<uint32_t>> keys, size_t next) {
        if (next < keys->size())
            form_fixture::later([keys, next] {
                plat::inject_key_press((*keys)[next]);
                type_later(keys, next + 1);
            });
    }

    struct HearingForm : form_fixture::TestForm {
        explicit HearingForm(Properties* properties) : TestForm(properties, L"Edit") {}
        int32_t on_text_changed(Control*, const std::wstring& text) override {
            texts.push_back(text);
            return 1;
        }
    };
    os::Application application{nullptr};
    Properties properties;
    std::unique_ptr<HearingForm> form;
    std::unique_ptr<ControlEdit> edit;
};

} // namespace

// The menu's entries: Cut, Copy, Paste, Delete, Select All, the first one
// lit. Return on a greyed entry chooses nothing, so the menu stays open
// until Escape.
TEST_F(EditFormTest, ContextMenuSelectsAllCutsCopiesPastesAndGreysWhatCannotRun) {
    open();
    using plat::VK_DOWN, plat::VK_UP, plat::VK_RETURN, plat::VK_ESCAPE;
    menu_with_keys({VK_UP, VK_RETURN});
    EXPECT_EQ(edit->get_selected_text(), L"abcdef");
    edit->set_selection(1, 4);
    menu_with_keys({VK_RETURN});
    EXPECT_EQ(edit->get_text(), L"aef");
    EXPECT_EQ(clipboard(), L"bcd");
    menu_with_keys({VK_RETURN, VK_DOWN, VK_RETURN, VK_ESCAPE});  // nothing selected: no cut, no copy
    EXPECT_EQ(clipboard(), L"bcd");
    edit->set_selection(3, 2);
    menu_with_keys({VK_DOWN, VK_RETURN});
    EXPECT_EQ(clipboard(), L"f");
    edit->set_selection(3, 3);
    menu_with_keys({VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_EQ(edit->get_text(), L"aeff");
    menu_with_keys({VK_UP, VK_UP, VK_RETURN, VK_ESCAPE});  // Delete: nothing selected
    EXPECT_EQ(form->texts, (std::vector<std::wstring>{L"aef", L"aeff"}));

    // A password field greys Cut and Copy even with everything selected.
    edit->set_password_char(L'*');
    edit->select_all();
    menu_with_keys({VK_RETURN, VK_DOWN, VK_RETURN, VK_ESCAPE});
    EXPECT_EQ(clipboard(), L"f");
    EXPECT_EQ(edit->get_text(), L"aeff");
}

TEST_F(EditFormTest, SmartphoneTypesInTheDeviceEditOneEventPerChange) {
    set_profile(240, 320, plat::PlatformType::smartphone);
    open();
    auto* native = dynamic_cast<ControlEditNativeImpl*>(edit->get_impl());
    ASSERT_NE(native, nullptr);
    const plat::HWND window = native->get_window();
    EXPECT_EQ(plat::get_window_text(window), L"abcdef");
    edit->take_focus();
    EXPECT_EQ(plat::get_focus(), window);

    plat::inject_text(L"xy");
    plat::run_until_idle();
    EXPECT_EQ(edit->get_text(), L"xyabcdef");
    edit->set_text(L"xyabcdef");  // the same text: nothing
    edit->set_text(L"pin");
    EXPECT_EQ(plat::get_window_text(window), L"pin");
    edit->set_selection(3, 3);
    plat::send_back_to_focus_window(plat::WM_HOTKEY, plat::HOTKEY_ID_BACK, plat::back_key_lparam(false));
    plat::send_back_to_focus_window(plat::WM_HOTKEY, plat::HOTKEY_ID_BACK, plat::back_key_lparam(true));
    plat::run_until_idle();
    EXPECT_EQ(edit->get_text(), L"pi");
    EXPECT_EQ(form->texts, (std::vector<std::wstring>{L"xabcdef", L"xyabcdef", L"pin", L"pi"}));

    // Keys in the device window still reach the form.
    form->events.clear();
    plat::inject_key_press(plat::VK_DOWN);
    plat::run_until_idle();
    EXPECT_EQ(form->events, (std::vector<std::wstring>{L"down 7", L"up 7"}));
}
