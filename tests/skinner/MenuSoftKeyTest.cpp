#include "LogCapture.h"
#include "MenuFixture.h"

#include "skinner/MenuMainSubMenu.h"
#include "skinner/MenuManagerImplPocket.h"
#include "skinner/MenuManagerImplSmartphone.h"
#include "plat/CommonControls.h"
#include "plat/Input.h"
#include "plat/Presenter.h"
#include "plat/UiTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace skinner;
using namespace form_fixture;
using namespace menu_fixture;

namespace {

using Buttons = std::vector<std::pair<uint32_t, std::wstring>>;
using Events = std::vector<std::wstring>;

plat::HWND bar_of(Form& form) {
    MenuManagerImpl& manager = form.get_impl()->menu_manager();
    if (auto* smartphone = dynamic_cast<MenuManagerImplSmartphone*>(&manager))
        return smartphone->bar();
    return dynamic_cast<MenuManagerImplPocket&>(manager).bar();
}

// Enter on the entry that many steps below the first: queued once the menu is open.
void choose_after_opening(MenuForm& form, int downs) {
    form.on_menu_filled = [downs] {
        later([downs] {
            for (int i = 0; i < downs; ++i)
                plat::inject_key_press(plat::VK_DOWN);
            plat::inject_key_press(plat::VK_RETURN);
        });
    };
}

// The application's usual menu: "Back" at the action place, a sub-menu it fills.
struct UsualMenu {
    explicit UsualMenu(MenuForm& form)
        : main_menu(&form), back(&form, L"Back", L"Back", 1, MenuManager::place_ok),
          options(&form, L"mnuOptions", L"Options", 2, MenuManager::place_menu) {
        form.fills[L"mnuOptions"] = {{L"mitSnooze", L"Snooze"}, {L"mitDismiss", L"Dismiss"}};
    }
    ControlMenuMain main_menu;
    MenuMainButton back;
    MenuMainSubMenu options;
};

// The release of Enter outlives the menu and reaches the form as a key.
Events menu_events(const MenuForm& form) {
    Events out;
    for (const std::wstring& event : form.events)
        if (event.starts_with(L"menu "))
            out.push_back(event);
    return out;
}

void press_back() {
    plat::inject_key_press(plat::VK_ESCAPE);
}

} // namespace

TEST(MenuSoftKeys, NewerShellButtonsThroughF1AndF2) {
    skin_fixture::set_profile(240, 320, plat::PlatformType::pocketpc);
    FormWorld world;
    MenuForm form(&world.properties, L"Main");
    UsualMenu menu(form);
    choose_after_opening(form, 1);
    Buttons shown;
    later([&] {
        shown = buttons_of(bar_of(form));
        plat::inject_key_press(plat::VK_F1);
        plat::inject_key_press(plat::VK_F1 + 1);
        later([&] { form.close(); });
    });
    form.do_modal();
    EXPECT_EQ(shown, (Buttons{{100, L"Back"}, {101, L"Options"}}));
    // The entry that the application appended reaches the form as its own command.
    EXPECT_EQ(menu_events(form), (Events{L"menu Back", L"menu mitDismiss"}));
}

TEST(MenuSoftKeys, SmartphoneKeysWithAndWithoutPopups) {
    skin_fixture::set_profile(240, 320, plat::PlatformType::smartphone);
    FormWorld world;
    MenuForm form(&world.properties, L"Main");
    ControlMenuMain main_menu(&form);
    Buttons empty_keys, keys;
    std::unique_ptr<MenuMainButton> back;
    std::unique_ptr<MenuMainSubMenu> options;
    later([&] {
        empty_keys = buttons_of(bar_of(form));
        plat::inject_key_press(plat::VK_F1);  // nothing behind either key
        plat::inject_key_press(plat::VK_F1 + 1);
        later([&] {
            back = std::make_unique<MenuMainButton>(&form, L"Back", L"Back", 1, MenuManager::place_ok);
            options = std::make_unique<MenuMainSubMenu>(&form, L"mnuOptions", L"Options", 2, MenuManager::place_menu);
            form.fills[L"mnuOptions"] = {{L"mitSnooze", L"Snooze"}, {L"mitDismiss", L"Dismiss"}};
            choose_after_opening(form, 0);
            plat::inject_key_press(plat::VK_F1);
            plat::inject_key_press(plat::VK_F1 + 1);
            later([&] {
                keys = buttons_of(bar_of(form));
                form.close();
            });
        });
    });
    form.do_modal();
    EXPECT_EQ(empty_keys, (Buttons{{plat::SOFT_KEY_LEFT, L""}, {plat::SOFT_KEY_RIGHT, L""}}));
    EXPECT_EQ(keys, (Buttons{{plat::SOFT_KEY_LEFT, L"Back"}, {plat::SOFT_KEY_RIGHT, L"Options"}}));
    // "Back" runs directly; the right key's popup gives the first entry.
    EXPECT_EQ(menu_events(form), (Events{L"menu Back", L"menu mitSnooze"}));
}

TEST(MenuSoftKeys, SmartphoneBackKeyInAnEditAChildFormAndTheMainForm) {
    skin_fixture::set_profile(240, 320, plat::PlatformType::smartphone);
    FormWorld world;
    testing_support::LogCapture log;
    plat::InitCommonControlsEx init;
    plat::init_common_controls_ex(init);
    MenuForm form(&world.properties, L"Main");
    ControlMenuMain main_menu(&form);
    std::wstring edit_text;
    Events child_events, main_events_before;
    std::wstring log_after_child;
    later([&] {
        plat::HWND edit = plat::create_window(0, plat::EDIT_CLASS, L"abc", plat::WS_CHILD | plat::WS_VISIBLE, 0, 0,
                                              100, 20, form.get_window(), 1, nullptr, nullptr);
        plat::send_message(edit, plat::EM_SETSEL, plat::WPARAM(-1), plat::LPARAM(-1));
        plat::set_focus(edit);
        press_back();
        later([&, edit] {
            edit_text = plat::get_window_text(edit);
            plat::destroy_window(edit);
            main_events_before = form.events;
            MenuForm child(&world.properties, L"Child", &form);
            ControlMenuMain child_menu(&child);
            later([&] {
                press_back();
                later([&] { child.close(); });
            });
            child.do_modal();
            child_events = child.events;
            log_after_child = log.text();
            plat::set_focus(form.get_window());
            press_back();
            later([&] { form.close(); });
        });
    });
    form.do_modal();
    EXPECT_EQ(edit_text, L"ab");
    EXPECT_TRUE(main_events_before.empty());
    const Events back{L"down 8", L"down 11", L"up 8", L"up 11"};
    EXPECT_EQ(child_events, back);
    EXPECT_EQ(log_after_child.find(L"want_to_go_back"), std::wstring::npos);  // a child never leaves the program
    EXPECT_EQ(form.events, back);
    const std::wstring text = log.text();
    EXPECT_NE(text.find(L"want_to_go_back = true\nSHSendBackToFocusWindow\n"), std::wstring::npos);
}

namespace {

// Runs the input script over the form; the form closes when the script ends.
void run_script(MenuForm& form, const std::string& script) {
    const std::string path = testing_support::process_root() + "/menus.txt";
    std::ofstream(path) << script;
    setenv("CHIMELY_INPUT", path.c_str(), 1);
    plat::start_screen(L"Menus");
    plat::set_input_script_end_handler([&form] { plat::post_message(form.get_window(), plat::WM_CLOSE, 0, 0); });
    form.do_modal();
    plat::set_input_script_end_handler({});
    plat::stop_screen();
    unsetenv("CHIMELY_INPUT");
}

} // namespace

TEST(MenuSoftKeys, ScriptOnTheOlderShellsToolBar) {
    skin_fixture::set_profile(240, 320, plat::PlatformType::pocketpc_old);
    FormWorld world;
    MenuForm form(&world.properties, L"Main");
    ControlMenuMain main_menu(&form);
    MenuMainButton add(&form, L"mnuNew", L"New", 1, L"");
    MenuMainSubMenu tools(&form, L"mnuTools", L"Tools", 2, L"");
    form.fills[L"mnuTools"] = {{L"mitSnooze", L"Snooze"}, {L"mitDismiss", L"Dismiss"}};
    run_script(form, "soft 2\nchoose 2\nsoft 1\n");
    EXPECT_EQ(form.events, (Events{L"menu mitDismiss", L"menu mnuNew"}));
}

TEST(MenuSoftKeys, ScriptOnTheSmartphoneKeys) {
    skin_fixture::set_profile(240, 320, plat::PlatformType::smartphone);
    FormWorld world;
    MenuForm form(&world.properties, L"Main");
    UsualMenu menu(form);
    run_script(form, "soft 2\nchoose 2\nsoft 1\n");
    EXPECT_EQ(form.events, (Events{L"menu mitDismiss", L"menu Back"}));
}
