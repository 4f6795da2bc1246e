#include "ControlsFixture.h"

#include <string>

using namespace controls_test;

namespace {

constexpr int edit_id = 7;

class NativeEdit : public Controls {
protected:
    void SetUp() override {
        Controls::SetUp();
        edit = child(EDIT_CLASS, ES_AUTOHSCROLL, {10, 40, 110, 70}, edit_id);
        ASSERT_TRUE(edit);
        set_focus(edit);
        pump();
    }
    std::wstring text() {
        std::wstring buffer(64, L'#');
        const LRESULT copied = send_message(edit, WM_GETTEXT, buffer.size(), LPARAM(buffer.data()));
        EXPECT_EQ(send_message(edit, WM_GETTEXTLENGTH, 0, 0), copied);
        EXPECT_EQ(buffer[size_t(copied)], L'\0');
        return buffer.substr(0, size_t(copied));
    }
    std::pair<uint32_t, uint32_t> selection() {
        uint32_t first = 0, last = 0;
        send_message(edit, EM_GETSEL, WPARAM(&first), LPARAM(&last));
        return {first, last};
    }
    void type(std::wstring_view typed) {
        inject_text(typed);
        pump();
    }
    size_t changes() {
        for (const Command& c : g_commands) {
            EXPECT_EQ(c.wparam, WPARAM(EN_CHANGE) << 16 | edit_id);
            EXPECT_EQ(c.lparam, LPARAM(edit));
        }
        const size_t count = g_commands.size();
        g_commands.clear();
        return count;
    }
    void back_key(bool release) {
        send_message(edit, WM_HOTKEY, 0, LPARAM(0x1B) << 16 | (release ? 0x1000 : 0));
    }

    HWND edit = nullptr;
};

} // namespace

TEST_F(NativeEdit, CaretKeysDeletingAndTyping) {
    type(L"alarm");
    EXPECT_EQ(text(), L"alarm");
    EXPECT_EQ(changes(), 5u);
    press(VK_LEFT);
    press(VK_LEFT);
    EXPECT_EQ(selection(), (std::pair<uint32_t, uint32_t>{3, 3}));
    press(VK_BACK);  // its character deletes before the caret
    EXPECT_EQ(text(), L"alrm");
    press(VK_DELETE);
    EXPECT_EQ(text(), L"alm");
    press(VK_HOME);
    press(VK_BACK);  // nothing before the caret: no change
    type(L"P");
    press(VK_END);
    type(L"s\U0001F514");  // a character past the first plane comes as a composition
    EXPECT_EQ(text(), L"Palms\U0001F514");
    EXPECT_EQ(changes(), 4u);
    EXPECT_EQ(get_window_text(edit), L"Palms\U0001F514");

    // Shift extends the selection; typing replaces it.
    inject_key(VK_SHIFT, true);
    press(VK_LEFT);
    press(VK_LEFT);
    inject_key(VK_SHIFT, false);
    EXPECT_EQ(selection(), (std::pair<uint32_t, uint32_t>{4, 6}));
    type(L"!");
    EXPECT_EQ(text(), L"Palm!");
    send_message(edit, EM_SETSEL, 0, -1);
    EXPECT_EQ(selection(), (std::pair<uint32_t, uint32_t>{0, 5}));
    press(VK_DELETE);
    EXPECT_EQ(text(), L"");
    EXPECT_EQ(changes(), 2u);
}

TEST_F(NativeEdit, ChangesAreNotifiedOnceAndAnEqualTextIsNone) {
    EXPECT_EQ(send_message(edit, WM_SETTEXT, 0, LPARAM(L"Wake up")), 1);
    EXPECT_EQ(changes(), 1u);
    send_message(edit, WM_SETTEXT, 0, LPARAM(L"Wake up"));
    EXPECT_EQ(changes(), 0u);
    EXPECT_EQ(selection(), (std::pair<uint32_t, uint32_t>{0, 0}));
    // Replacing a selected letter by the same letter is no change either.
    send_message(edit, EM_SETSEL, 0, 1);
    type(L"W");
    EXPECT_EQ(changes(), 0u);
    EXPECT_EQ(selection(), (std::pair<uint32_t, uint32_t>{1, 1}));
    // A title stored from outside is the text from then on.
    set_window_text(edit, L"Gym");
    EXPECT_EQ(text(), L"Gym");
}

TEST_F(NativeEdit, DigitsOnlyAndReadOnly) {
    EXPECT_EQ(send_message(edit, EM_SETINPUTMODE, 0, EIM_NUMBERS), 1);
    type(L"7a3 ");
    EXPECT_EQ(text(), L"73");
    EXPECT_EQ(changes(), 2u);
    send_message(edit, EM_SETINPUTMODE, 0, EIM_TEXT);
    type(L"x");
    EXPECT_EQ(text(), L"73x");

    EXPECT_EQ(send_message(edit, EM_SETREADONLY, 1, 0), 1);
    g_commands.clear();
    type(L"y");
    press(VK_BACK);
    press(VK_LEFT);
    press(VK_DELETE);
    back_key(false);
    EXPECT_EQ(text(), L"73x");
    EXPECT_EQ(changes(), 0u);
    EXPECT_EQ(selection(), (std::pair<uint32_t, uint32_t>{2, 2}));  // the caret still moves
    send_message(edit, EM_SETREADONLY, 0, 0);
    press(VK_DELETE);
    EXPECT_EQ(text(), L"73");
}

TEST_F(NativeEdit, TheBackKeyHandedOverDeletesBeforeTheCaret) {
    send_message(edit, WM_SETTEXT, 0, LPARAM(L"Nap"));
    send_message(edit, EM_SETSEL, 3, 3);
    g_commands.clear();
    back_key(false);
    back_key(true);
    EXPECT_EQ(text(), L"Na");
    EXPECT_EQ(changes(), 1u);
    // Another hot key is not the Back key.
    send_message(edit, WM_HOTKEY, 0, LPARAM(0x70) << 16);
    EXPECT_EQ(text(), L"Na");
}

TEST_F(NativeEdit, DrawsItsBorderAndKeepsTheCaretInView) {
    pump();
    EXPECT_EQ(window_pixel(edit, 0, 15), rgb(0, 0, 0));
    EXPECT_EQ(window_pixel(edit, 1, 15), rgb(255, 255, 255));
    type(L"a long subject that cannot fit");
    // The caret stays at the right end of the text area (1 pixel of border, 3 of padding).
    for (int y = 10; y < 20; ++y)
        EXPECT_EQ(window_pixel(edit, 95, y), rgb(0, 0, 0)) << y;
    // A tap on the scrolled line puts the caret between the characters under it.
    tap(edit, 5, 15);
    const auto [first, last] = selection();
    EXPECT_EQ(first, last);
    EXPECT_GT(first, 5u);
    EXPECT_LT(first, 25u);
}
