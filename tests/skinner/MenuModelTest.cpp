#include "../platform/BmpBuilder.h"
#include "LogCapture.h"
#include "MenuFixture.h"
#include "TempRoot.h"

#include "skinner/MenuMainSubMenu.h"
#include "skinner/MenuManagerImplPocket.h"
#include "plat/Paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

using namespace skinner;
using namespace form_fixture;
using namespace menu_fixture;

namespace {

using Buttons = std::vector<std::pair<uint32_t, std::wstring>>;

MenuManagerImplPocket& pocket(Form& form) {
    return dynamic_cast<MenuManagerImplPocket&>(form.get_impl()->menu_manager());
}

void rebuild(Form& form) { form.get_impl()->menu_manager().rebuild(form); }

} // namespace

TEST(MenuModel, PrioritiesAndHiddenItemsOnTheOlderShellsBar) {
    skin_fixture::set_profile(240, 320, plat::PlatformType::pocketpc_old);
    FormWorld world;
    MenuForm form(&world.properties, L"Main");
    ControlMenuMain main_menu(&form);
    MenuMainButton third(&form, L"mnuThird", L"&Third", 3, L"");
    MenuMainButton first(&form, L"mnuFirst", L"First", 1, L"");
    MenuMainSubMenu second(&form, L"mnuSecond", L"Second", 2, L"");
    MenuMainButton also_first(&form, L"mnuAlsoFirst", L"Also", 1, L"");
    rebuild(form);
    // Equal priorities keep their insertion order; '&' is dropped on the bar.
    EXPECT_EQ(buttons_of(pocket(form).bar()),
              (Buttons{{100, L"First"}, {101, L"Also"}, {102, L"Second"}, {103, L"Third"}}));
    plat::MenuBarButton drop_down;
    ASSERT_TRUE(plat::menu_bar_get_button(pocket(form).bar(), 2, drop_down));
    EXPECT_TRUE(drop_down.style & plat::TBSTYLE_DROPDOWN);

    first.set_visible(false);
    rebuild(form);
    EXPECT_EQ(buttons_of(pocket(form).bar()), (Buttons{{100, L"Also"}, {101, L"Second"}, {102, L"Third"}}));
    // Shown again, it is inserted anew: after the one of its own priority.
    first.set_visible(true);
    rebuild(form);
    EXPECT_EQ(buttons_of(pocket(form).bar()),
              (Buttons{{100, L"Also"}, {101, L"First"}, {102, L"Second"}, {103, L"Third"}}));

    // Ids are list indexes: 99 and below, and past the end, reach nobody.
    plat::send_message(form.get_window(), plat::WM_COMMAND, 99, 0);
    plat::send_message(form.get_window(), plat::WM_COMMAND, 104, 0);
    plat::send_message(form.get_window(), plat::WM_COMMAND, 100, 0);
    plat::send_message(form.get_window(), plat::WM_COMMAND, 103, 0);
    EXPECT_EQ(form.events, (std::vector<std::wstring>{L"menu mnuAlsoFirst", L"menu mnuThird"}));
}

// The images of the older shell's bar come from the program's bitmap 115, 16 pixels each.
TEST(MenuModel, TheOlderShellsBarTakesItsImagesFromTheProgramsBitmap) {
    skin_fixture::set_profile(240, 320, plat::PlatformType::pocketpc_old);
    FormWorld world;
    testing_support::LogCapture log;
    const auto image_of_first_button = [&](const wchar_t* program) {
        plat::set_module_file_name(program);
        MenuForm form(&world.properties, L"Main");
        ControlMenuMain main_menu(&form);
        MenuMainButton pictured(&form, L"mnuPictured", L"Pictured", 1, L"");
        MenuMainButton beyond(&form, L"mnuBeyond", L"Beyond", 2, L"");
        pictured.set_image(2);
        beyond.set_image(3);
        rebuild(form);
        plat::set_module_file_name(L"");
        plat::MenuBarButton first, second;
        plat::menu_bar_get_button(pocket(form).bar(), 0, first);
        plat::menu_bar_get_button(pocket(form).bar(), 1, second);
        EXPECT_EQ(second.image, plat::I_IMAGENONE);  // never an image past the bitmap's
        return first.image;
    };
    EXPECT_EQ(image_of_first_button(L"\\Program Files\\Plain\\Chimely"), plat::I_IMAGENONE);
    EXPECT_NE(log.text().find(L"ERROR: LoadBitmap failed\n"), std::wstring::npos);

    const std::string folder = testing_support::process_root() + "/Program Files/Pictured";
    std::filesystem::create_directories(folder);
    testing_support::BmpBuilder strip;
    strip.width = 48;
    strip.height = 16;
    strip.rows.assign(48 * 16 * 3, 0x80);
    std::ofstream(folder + "/115.bmp", std::ios::binary) << strip.build();
    EXPECT_EQ(image_of_first_button(L"\\Program Files\\Pictured\\Chimely"), 2);
    std::filesystem::remove_all(folder);
    EXPECT_NE(log.text().find(L"Using bitmap with wince_bug_resource_id=2\n"), std::wstring::npos);
    EXPECT_NE(log.text().find(L"ERROR: invalid toolbar image requested. wince_bug_resource_id=3\n"), std::wstring::npos);
}

TEST(MenuModel, SoftKeyCollections) {
    FormWorld world;
    MenuForm form(&world.properties, L"Main");
    EXPECT_TRUE(MenuManager::action_collection(form, L"#a#").entries.empty());
    EXPECT_EQ(MenuManager::menu_collection(form, L"#m#").caption, L"");

    MenuMainButton back(&form, L"Back", L"Back", 5, MenuManager::place_ok);
    MenuMainSubMenu options(&form, L"mnuOptions", L"Options", 2, MenuManager::place_menu);
    MenuMainButton about(&form, L"mnuAbout", L"About", 9, L"");
    MenuMainSubMenu tabs(&form, L"mnuTabs", L"Tabs", 1, MenuManager::place_tab);
    form.fills[L"mnuOptions"] = {{L"mitSnooze", L"Snooze"}, {L"mitDismiss", L"Dismiss"}};
    form.fills[L"mnuTabs"] = {{L"tabDay", L"Day"}, {L"tabWeek", L"Week"}};

    // One plain command at the action place is the key itself.
    const MenuRecord action = MenuManager::action_collection(form, L"#a#");
    EXPECT_EQ(action.command, L"Back");
    EXPECT_EQ(action.caption, L"Back");
    EXPECT_EQ(action.owner, &back);
    EXPECT_TRUE(action.entries.empty());

    // Whole items, then the menu place merged, then the tabs between separators.
    const MenuRecord menu = MenuManager::menu_collection(form, L"#m#");
    EXPECT_EQ(menu.command, L"#m#");
    EXPECT_EQ(menu.caption, L"Options");
    EXPECT_EQ(entries_of(menu), (Entries{{L"mnuAbout", L"About"},
                                         {L"mitSnooze", L"Snooze"},
                                         {L"mitDismiss", L"Dismiss"},
                                         {L"tabDay", L"Day"},
                                         {L"tabWeek", L"Week"}}));
    std::vector<bool> separators;
    std::vector<Control*> owners;
    for (const MenuRecord& entry : menu.entries) {
        separators.push_back(entry.separator_after);
        owners.push_back(entry.owner);
    }
    EXPECT_EQ(separators, (std::vector<bool>{false, false, true, false, true}));
    // What the application appended belongs to the item that asked for it.
    EXPECT_EQ(owners, (std::vector<Control*>{&about, &options, &options, &tabs, &tabs}));
}

TEST(MenuModel, ToolBarIdsGoFrom121DownAndComeBack) {
    skin_fixture::set_profile(240, 320, plat::PlatformType::pocketpc_old);
    FormWorld world;
    testing_support::LogCapture log;
    { MenuManagerImplPocket never_built(false); }  // held no id: gives none back
    EXPECT_EQ(MenuManagerImplPocket::free_ids(false), (std::vector<uint32_t>{117, 118, 119, 120, 121}));

    std::vector<std::unique_ptr<MenuForm>> forms;
    std::vector<std::unique_ptr<ControlMenuMain>> menus;
    for (int i = 0; i < 5; ++i) {
        forms.push_back(std::make_unique<MenuForm>(&world.properties, L"Main"));
        menus.push_back(std::make_unique<ControlMenuMain>(forms.back().get()));
        rebuild(*forms.back());
    }
    EXPECT_TRUE(MenuManagerImplPocket::free_ids(false).empty());
    const std::wstring text = log.text();
    size_t at = 0;
    for (int id = 121; id >= 117; --id) {
        at = text.find(L"MenuManagerImplPocket::build() creating " + std::to_wstring(id) + L"\n", at);
        EXPECT_NE(at, std::wstring::npos) << id;
    }
    menus[1].reset();
    forms[1].reset();
    EXPECT_NE(log.text().find(L"~MenuManagerImplPocket() returning id120\n"), std::wstring::npos);
    EXPECT_EQ(MenuManagerImplPocket::free_ids(false), std::vector<uint32_t>{120});
    EXPECT_TRUE(MenuManagerImplPocket::free_ids(true).size() == 5);  // the other shell's pool

    forms[1] = std::make_unique<MenuForm>(&world.properties, L"Main");
    menus[1] = std::make_unique<ControlMenuMain>(forms[1].get());
    rebuild(*forms[1]);
    EXPECT_TRUE(pocket(*forms[1]).bar());
    MenuForm sixth(&world.properties, L"Main");
    ControlMenuMain sixth_menu(&sixth);
    EXPECT_EXIT(rebuild(sixth), testing::ExitedWithCode(liba::fatal_exit_code),
                "Add more tolbar ids to the resource file! :\\) @ ControlMenuMainImpl");
}
