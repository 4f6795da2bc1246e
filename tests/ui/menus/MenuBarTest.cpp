#include "MenusFixture.h"
#include "../../platform/BmpBuilder.h"
#include "plat/Gdi.h"
#include "plat/MessageBox.h"
#include "plat/Paths.h"
#include "plat/Presenter.h"
#include "ui/Presenter.h"
#include "ui/TitleOk.h"

#include <filesystem>
#include <fstream>

namespace menus_test {
namespace {

std::vector<uint32_t> commands(const std::vector<Seen>& seen) {
    std::vector<uint32_t> out;
    for (const Seen& s : seen)
        if (s.message == WM_COMMAND)
            out.push_back(uint32_t(s.wparam));
    return out;
}

std::vector<std::pair<uint32_t, std::wstring>> buttons_of(HWND bar) {
    std::vector<std::pair<uint32_t, std::wstring>> out;
    MenuBarButton b;
    for (int i = 0; menu_bar_get_button(bar, i, b); ++i)
        out.emplace_back(b.command, b.text);
    return out;
}

// The pixels of a rectangle of the screen that are not the band's colour.
int drawn_pixels(const RECT& r) {
    const COLORREF band = screen_pixel(0, r.top);
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            count += screen_pixel(x, y) != band;
    return count;
}

TEST_F(Menus, BuiltInTemplatesAndTheirButtons) {
    start("240x320", "pocketpc");
    using Buttons = std::vector<std::pair<uint32_t, std::wstring>>;
    EXPECT_EQ(buttons_of(bar_for(form, 119)), (Buttons{{40000, L"Empty"}}));
    HWND bar = bar_for(form, 1117);
    EXPECT_EQ(buttons_of(bar), (Buttons{{40000, L""}, {40001, L"Menu"}}));
    MenuBarButton drop_down;
    ASSERT_TRUE(menu_bar_get_button(bar, 1, drop_down));
    EXPECT_TRUE(drop_down.style & TBSTYLE_DROPDOWN);
    EXPECT_EQ(get_menu_item_count(drop_down.popup), 1);

    void* library = load_library_ex(L"TapRes.dll", LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(library);
    MenuBarInfo info;
    info.owner = form;
    info.template_id = MENU_BAR_SOFT_KEYS;
    info.instance = library;
    ASSERT_TRUE(create_menu_bar(info));
    EXPECT_TRUE(free_library(library));
    EXPECT_EQ(buttons_of(info.bar), (Buttons{{18201, L""}, {18200, L""}}));
    EXPECT_TRUE(get_parent(info.bar) == form && !is_window_enabled(info.bar));  // never active, never focused

    // What the device lacks fails as the system expects.
    EXPECT_EQ(load_bitmap(nullptr, 115), nullptr);
    EXPECT_EQ(load_bitmap(nullptr, 125), nullptr);
    EXPECT_EQ(load_library_ex(L"other.dll", LOAD_LIBRARY_AS_DATAFILE), nullptr);
    info.template_id = 999;
    EXPECT_FALSE(create_menu_bar(info));
    info.template_id = 117;
    info.size = 40;
    EXPECT_FALSE(create_menu_bar(info));
    EXPECT_EQ(find_window(L"tray", L"tray"), nullptr);

    // The buttons as the menu manager rebuilds them.
    ASSERT_TRUE(menu_bar_delete_button(bar, 1));
    ASSERT_TRUE(menu_bar_delete_button(bar, 0));
    EXPECT_EQ(menu_bar_button_count(bar), 0);
    EXPECT_TRUE(menu_bar_add_button(bar, MenuBarButton{I_IMAGENONE, 100, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, L"New", nullptr}));
    EXPECT_TRUE(menu_bar_add_button(bar, MenuBarButton{I_IMAGENONE, 0, 0, TBSTYLE_SEP, L"", nullptr}));
    EXPECT_TRUE(menu_bar_set_button_text(bar, 100, L"Alarm"));
    EXPECT_TRUE(menu_bar_enable_button(bar, 100, false));
    EXPECT_FALSE(menu_bar_set_button_text(bar, 555, L"None"));
    MenuBarButton b;
    ASSERT_TRUE(menu_bar_get_button(bar, 0, b));
    EXPECT_EQ(b.text, L"Alarm");
    EXPECT_EQ(b.state & TBSTATE_ENABLED, 0);
    destroy_window(form);
    EXPECT_EQ(menu_bar_button_count(bar), -1);  // bars go with their owner
}

TEST_F(Menus, ADropDownSendsInitMenuPopupThenTheChosenCommand) {
    start("240x320", "pocketpc");
    HWND bar = bar_for(form, 1117);
    MenuBarButton drop_down;
    menu_bar_get_button(bar, 1, drop_down);
    // The owner refills the popup when it opens, as the menu manager does.
    g_react = [](HWND, uint32_t message, WPARAM wparam, LPARAM) {
        if (message != WM_INITMENUPOPUP)
            return;
        auto menu = reinterpret_cast<HMENU>(wparam);
        while (get_menu_item_count(menu) > 0)
            delete_menu(menu, 0, MF_BYPOSITION);
        append_menu(menu, MF_STRING, 100, L"New alarm");
        append_menu(menu, MF_STRING, 101, L"Settings");
    };
    tap(centre(button_rect(bar, 0)));
    with_steps({tap_entry(0, 1)}, [&] {
        tap(centre(button_rect(bar, 1)));
        run_until_idle();
    });
    EXPECT_EQ(g_seen, (std::vector<Seen>{{form, WM_COMMAND, 40000, 0},
                                         {form, WM_INITMENUPOPUP, WPARAM(drop_down.popup), 40001},
                                         {form, WM_COMMAND, 101, 0}}));
}

TEST_F(Menus, SoftKeysOnASmartphoneAreTheBarsKeyCommands) {
    start("176x220", "smartphone");
    bar_for(form, MENU_BAR_SOFT_KEYS);
    inject_key_press(VK_F1);
    inject_key_press(VK_F1 + 1);
    run_until_idle();
    EXPECT_EQ(g_seen, (std::vector<Seen>{{form, WM_COMMAND, 18201, 0}, {form, WM_COMMAND, 18200, 0}}));
}

TEST_F(Menus, SoftKeysOnTheNewerShellPressTheFirstAndSecondButton) {
    start("240x320", "pocketpc");
    HWND bar = bar_for(form, 1117);
    menu_bar_delete_button(bar, 1);
    menu_bar_delete_button(bar, 0);
    menu_bar_add_button(bar, MenuBarButton{I_IMAGENONE, 100, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, L"Alarm", nullptr});
    menu_bar_add_button(bar, MenuBarButton{I_IMAGENONE, 101, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, L"Menu", nullptr});
    inject_key_press(VK_F1 + 1);
    inject_key_press(VK_F1);
    run_until_idle();
    EXPECT_EQ(commands(g_seen), (std::vector<uint32_t>{101, 100}));
    EXPECT_EQ(messages(), (std::vector<uint32_t>{WM_COMMAND, WM_COMMAND}));  // no key reached the form
}

TEST_F(Menus, TheOlderShellHasNoSoftKeysButTheScriptPressesItsButtons) {
    start("240x320", "pocketpc-old");
    HWND bar = bar_for(form, 117);
    menu_bar_add_button(bar, MenuBarButton{I_IMAGENONE, 0, 0, TBSTYLE_SEP, L"", nullptr});
    menu_bar_add_button(bar, MenuBarButton{I_IMAGENONE, 101, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, L"Tools", nullptr});
    inject_key_press(VK_F1);
    run_until_idle();
    EXPECT_EQ(messages(), (std::vector<uint32_t>{WM_KEYDOWN, WM_KEYUP}));
    ui::script_menu_hooks().soft(2);  // the separator is no button
    run_until_idle();
    EXPECT_EQ(commands(g_seen), std::vector<uint32_t>{101});
}

// The program's tool-bar bitmap lies beside it, one image per 16 pixels of its width.
TEST_F(Menus, TheOlderShellsButtonsShowImagesOfTheProgramsBitmap) {
    start("240x320", "pocketpc-old");
    const std::string folder = testing_support::process_root() + "/Program Files/Pictured";
    std::filesystem::create_directories(folder);
    testing_support::BmpBuilder strip;  // red, then green
    strip.width = 32;
    strip.height = 16;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            strip.rows.insert(strip.rows.end(), {0, uint8_t(x < 16 ? 0 : 255), uint8_t(x < 16 ? 255 : 0)});
    std::ofstream(folder + "/115.bmp", std::ios::binary) << strip.build();
    set_module_file_name(L"\\Program Files\\Pictured\\Chimely");
    void* bitmap = load_bitmap(nullptr, 115);
    EXPECT_EQ(load_bitmap(nullptr, 125), nullptr);
    set_module_file_name(L"");
    std::filesystem::remove_all(folder);
    ASSERT_TRUE(bitmap);

    HWND bar = bar_for(form, 117);
    EXPECT_EQ(menu_bar_add_bitmap(bar, bitmap, 16), 0);
    EXPECT_EQ(menu_bar_add_bitmap(bar, bitmap, 64), -1);  // narrower than one image
    delete_bitmap(static_cast<HBITMAP>(bitmap));
    menu_bar_delete_button(bar, 0);
    menu_bar_add_button(bar, MenuBarButton{1, 101, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, L"Go", nullptr});
    menu_bar_add_button(bar, MenuBarButton{2, 102, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, L"Go", nullptr});
    run_until_idle();
    const auto count = [](const RECT& r, COLORREF colour) {
        int found = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                found += screen_pixel(x, y) == colour;
        return found;
    };
    const RECT pictured = button_rect(bar, 0), past_the_list = button_rect(bar, 1);
    EXPECT_EQ(count(pictured, rgb(0, 255, 0)), 16 * 16);
    EXPECT_EQ(count(pictured, rgb(255, 0, 0)), 0);
    EXPECT_GT(pictured.right - pictured.left, past_the_list.right - past_the_list.left);  // room for the image
    EXPECT_EQ(count(past_the_list, rgb(0, 255, 0)) + count(past_the_list, rgb(255, 0, 0)), 0);
}

TEST_F(Menus, AScriptPressesASoftKeyAndChoosesFromItsMenu) {
    start("176x220", "smartphone");
    bar_for(form, MENU_BAR_SOFT_KEYS);
    int chosen = -1;
    // The right key opens a menu over itself, as the smartphone menu manager places it.
    g_react = [&](HWND hwnd, uint32_t message, WPARAM wparam, LPARAM) {
        if (message != WM_COMMAND || wparam != SOFT_KEY_RIGHT)
            return;
        HMENU menu = create_popup_menu();
        append_menu(menu, MF_STRING, 1, L"Snooze");
        append_menu(menu, MF_SEPARATOR, 0, L"");
        append_menu(menu, MF_STRING, 2, L"Dismiss");
        const RECT work = work_area();
        POINT at{work.right - work.left, work.bottom - work.top + 1};
        client_to_screen(hwnd, at);
        chosen = track_popup_menu(menu, TPM_RIGHTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD, at.x, at.y, hwnd);
        destroy_menu(menu);
    };
    const std::string script = testing_support::process_root() + "/menus.txt";
    std::ofstream(script) << "soft 2\nchoose 2\nsoft 1\n";
    start_screen(L"Menus");
    ui::Presenter& presenter = ui::Presenter::instance();
    presenter.start_script(script);
    for (int round = 0; round < 100 && !presenter.script_finished(); ++round) {
        run_until_idle();
        presenter.idle();
        run_until_idle();
    }
    run_until_idle();
    stop_screen();
    EXPECT_EQ(chosen, 2);
    EXPECT_EQ(commands(g_seen), (std::vector<uint32_t>{18200, 18201}));
}

TEST_F(Menus, TheOverriddenBackKeyIsAHotKeyThatTheFocusedEditCanTake) {
    start("176x220", "smartphone");
    HWND bar = bar_for(form, MENU_BAR_SOFT_KEYS);
    inject_key_press(VK_ESCAPE);  // not overridden yet: plain keys
    run_until_idle();
    EXPECT_EQ(messages(), (std::vector<uint32_t>{WM_KEYDOWN, WM_KEYUP}));
    g_seen.clear();

    ASSERT_TRUE(override_menu_bar_key(bar, VK_TBACK, SHMBOF_NODEFAULT | SHMBOF_NOTIFY, SHMBOF_NODEFAULT | SHMBOF_NOTIFY));
    inject_key_press(VK_ESCAPE);
    run_until_idle();
    EXPECT_EQ(g_seen, (std::vector<Seen>{{form, WM_HOTKEY, HOTKEY_ID_BACK, 0x1B0000},
                                         {form, WM_HOTKEY, HOTKEY_ID_BACK, 0x1B1000}}));
    g_seen.clear();

    // With an edit box focused the owner hands the key on to it.
    HWND edit = create_window(0, L"Form", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 30, form, 1, nullptr, nullptr);
    set_focus(edit);
    g_react = [](HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_HOTKEY && get_focus() != hwnd)
            send_back_to_focus_window(message, wparam, lparam);
    };
    inject_key(VK_ESCAPE, true);
    run_until_idle();
    EXPECT_EQ(g_seen, (std::vector<Seen>{{form, WM_HOTKEY, 0, 0x1B0000}, {edit, WM_HOTKEY, 0, 0x1B0000}}));
    inject_key(VK_ESCAPE, false);  // the keyboard outlives the test
}

TEST_F(Menus, ATapOnTheTitleBarOkSendsIdok) {
    start("240x320", "pocketpc");
    EXPECT_TRUE(ui::TitleOk::place().empty());
    ASSERT_TRUE(sh_done_button(form, SHDB_SHOW));
    const RECT ok = ui::TitleOk::place();
    EXPECT_EQ(ok.right, 240);
    EXPECT_EQ(ok.top, 0);
    EXPECT_GT(drawn_pixels(RECT{ok.left + 4, ok.top + 4, ok.left + 6, ok.top + 6}), 0);
    tap(centre(ok));
    run_until_idle();
    EXPECT_EQ(g_seen, (std::vector<Seen>{{form, WM_COMMAND, WPARAM(IDOK), 0}}));
    EXPECT_FALSE(sh_done_button(form, 3));
    ASSERT_TRUE(sh_done_button(form, SHDB_HIDE));
    EXPECT_TRUE(ui::TitleOk::place().empty());
}

TEST_F(Menus, TheBandShowsTheActiveFormsBarWhichTakesNoInputWhileItsOwnerIsDisabled) {
    start("240x320", "pocketpc");
    HWND bar = bar_for(form, 1117);
    menu_bar_set_button_text(bar, MENU_BAR_TEMPLATE_BUTTON, L"New");
    const RECT left = button_rect(bar, 0);
    EXPECT_GT(drawn_pixels(left), 0);

    // A box owned by the form, which it disables: the band keeps the owner's bar, dead.
    HWND box = create_window(0, L"Form", L"Box", WS_POPUP | WS_VISIBLE, 20, 100, 200, 80, form, 0, nullptr, nullptr);
    enable_window(form, false);
    set_foreground_window(box);
    run_until_idle();
    g_seen.clear();
    EXPECT_EQ(ui::MenuBar::current(), bar);
    tap(centre(left));
    inject_key_press(VK_F1);
    run_until_idle();
    EXPECT_EQ(g_seen, (std::vector<Seen>{{box, WM_KEYDOWN, VK_F1, 1}, {box, WM_KEYUP, VK_F1, LPARAM(0xC0000001)}}));

    // A hidden bar leaves the plain band.
    enable_window(form, true);
    destroy_window(box);
    show_window(bar, SW_HIDE);
    EXPECT_EQ(ui::MenuBar::current(), nullptr);
    EXPECT_EQ(drawn_pixels(left), 0);
}

} // namespace
} // namespace menus_test
