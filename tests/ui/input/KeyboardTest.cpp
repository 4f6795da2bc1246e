#include "InputFixture.h"

#include "ui/Keyboard.h"

#include <string>

using namespace input_test;

namespace {

constexpr LPARAM stroke = 1;
constexpr LPARAM repeat = stroke | KEY_PREVIOUS_DOWN;
constexpr LPARAM release = stroke | KEY_PREVIOUS_DOWN | KEY_TRANSITION_UP;

std::wstring typed() {
    std::wstring out;
    for (const Seen& s : g_seen)
        if (s.message == WM_CHAR)
            out += wchar_t(s.wparam);
    return out;
}

} // namespace

TEST_F(Input, HeldKeysRepeatAndAltMakesSystemKeys) {
    inject_key(VK_LEFT, true);
    // The thread has not taken the key-down yet; the keyboard itself has it held.
    EXPECT_EQ(get_key_state(VK_LEFT), 0);
    EXPECT_EQ(get_async_key_state(VK_LEFT) & 0x8000, 0x8000);
    inject_key(VK_LEFT, true);
    inject_key(VK_LEFT, false);
    EXPECT_EQ(get_key_state(VK_LEFT), 0);
    inject_key(VK_MENU, true);
    inject_key_press(VK_F1 + 11);
    inject_key(VK_MENU, false);
    inject_key_press(200);  // no such key on the device
    std::vector<Seen> want{{a, WM_KEYDOWN, VK_LEFT, stroke},     {a, WM_KEYDOWN, VK_LEFT, repeat},
                           {a, WM_KEYUP, VK_LEFT, release},      {a, WM_SYSKEYDOWN, VK_MENU, stroke},
                           {a, WM_SYSKEYDOWN, VK_F12, stroke},   {a, WM_SYSKEYUP, VK_F12, release},
                           {a, WM_SYSKEYUP, VK_MENU, release}};
    EXPECT_EQ(seen(), want);
}

TEST_F(Input, KeysGoToTheActiveWindowWithoutFocusButNeverToADisabledOne) {
    set_focus(nullptr);
    inject_key_press(VK_RETURN);
    EXPECT_EQ(messages(), (std::vector<uint32_t>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
    EXPECT_EQ(g_seen[0].hwnd, get_active_window());

    g_seen.clear();
    enable_window(get_active_window(), false);
    inject_key_press(VK_RETURN);
    inject_text(L"x");
    EXPECT_EQ(messages(), std::vector<uint32_t>{});
}

TEST_F(Input, TranslatedCharacterComesRightAfterItsKeyDown) {
    inject_key_press(VK_A);
    post_message(a, WM_USER, 0, 0);
    EXPECT_EQ(messages(), (std::vector<uint32_t>{WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_USER}));
    EXPECT_EQ(g_seen[1].lparam, stroke);

    g_seen.clear();
    for (uint32_t vk :
         {VK_RETURN, VK_BACK, VK_TAB, VK_ESCAPE, VK_SPACE, VK_0 + 7, VK_A + 25, VK_LEFT, VK_F1, VK_DELETE})
        inject_key_press(vk);
    pump();
    // Modifiers count as held when the key-down is translated.
    for (uint32_t modifier : {VK_SHIFT, VK_CONTROL}) {
        inject_key(modifier, true);
        inject_key_press(VK_A + 1);
        pump();
        inject_key(modifier, false);
    }
    pump();
    EXPECT_EQ(typed(), std::wstring(L"\r\b\t\x1b 7zB"));
}

TEST_F(Input, ShiftReleasedBeforeItsKeyIsHandledStillTypesACapital) {
    inject_key(VK_SHIFT, true);
    inject_key_press(VK_A);
    inject_key(VK_SHIFT, false);
    inject_key_press(VK_A + 1);
    EXPECT_EQ(get_async_key_state(VK_SHIFT), 0);
    pump();
    EXPECT_EQ(typed(), L"Ab");
}

// A desktop keyboard: its keys give key messages and the window system's text gives the
// characters, so each character arrives once, as typed on the layout.
TEST_F(Input, DesktopKeysTypeOnlyTheirTextAndTheirControlCharacters) {
    auto desktop_key = [](uint32_t vk, bool down) { ui::Keyboard::instance().key(vk, down, true); };
    desktop_key(VK_SHIFT, true);
    desktop_key(VK_0 + 1, true);
    inject_text(L"!");
    desktop_key(VK_0 + 1, false);
    desktop_key(VK_SHIFT, false);
    for (uint32_t vk : {VK_A + 14, VK_SPACE}) {
        desktop_key(vk, true);
        inject_text(vk == VK_SPACE ? L" " : L"\u00f6");
        desktop_key(vk, false);
    }
    for (uint32_t vk : {VK_BACK, VK_RETURN, VK_TAB, VK_ESCAPE}) {
        desktop_key(vk, true);
        desktop_key(vk, false);
    }
    EXPECT_EQ(messages(), (std::vector<uint32_t>{WM_KEYDOWN, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYUP, WM_KEYDOWN,
                                                 WM_CHAR, WM_KEYUP, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYDOWN, WM_CHAR,
                                                 WM_KEYUP, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYDOWN, WM_CHAR,
                                                 WM_KEYUP, WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
    EXPECT_EQ(typed(), L"!\u00f6 \b\r\t\x1b");
}

TEST_F(Input, TextBeyondTheBasicPlaneComesAsOneComposition) {
    inject_text(std::wstring(L"h\u00e9") + wchar_t(0xD800));  // a lone surrogate half is no character
    EXPECT_EQ(messages(), (std::vector<uint32_t>{WM_CHAR, WM_CHAR, WM_CHAR}));
    EXPECT_EQ(typed(), L"h\u00e9\uFFFD");

    g_seen.clear();
    inject_text(L"a\U0001F600");
    EXPECT_EQ(get_composition_result(a), L"a\U0001F600");
    inject_composition(L"xy");
    EXPECT_EQ(messages(), (std::vector<uint32_t>{WM_IME_COMPOSITION, WM_IME_COMPOSITION}));
    EXPECT_EQ(g_seen[0].lparam & GCS_RESULTSTR, GCS_RESULTSTR);
    EXPECT_EQ(get_composition_result(a), L"xy");  // the newer one replaced it
    EXPECT_EQ(get_composition_result(b), L"");
}
