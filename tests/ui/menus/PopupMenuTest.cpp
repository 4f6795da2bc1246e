#include "MenusFixture.h"

namespace menus_test {
namespace {

// Cut (1) with its shortcut, a separator, greyed Copy (2), Paste (3) and
// the sub-menu More holding Select All (4).
HMENU edit_menu() {
    HMENU more = create_popup_menu();
    append_menu(more, MF_STRING | MF_CHECKED, 4, L"Select All");
    HMENU menu = create_popup_menu();
    append_menu(menu, MF_STRING, 1, L"Cut\tCtrl+X");
    append_menu(menu, MF_SEPARATOR, 0, L"");
    append_menu(menu, MF_STRING | MF_GRAYED, 2, L"Copy");
    append_menu(menu, MF_STRING, 3, L"Paste");
    append_menu(menu, MF_POPUP, reinterpret_cast<std::uintptr_t>(more), L"More");
    return menu;
}

int track(HMENU menu, HWND owner, uint32_t align = TPM_LEFTALIGN, POINT at = {20, 60}) {
    return track_popup_menu(menu, align | TPM_RETURNCMD, at.x, at.y, owner);
}

TEST_F(Menus, EntriesAreAppendedAndDeletedByPositionOrCommand) {
    start("240x320", "pocketpc");
    HMENU menu = edit_menu();
    ASSERT_EQ(get_menu_item_count(menu), 5);
    EXPECT_TRUE(delete_menu(menu, 3, MF_BYCOMMAND));
    EXPECT_TRUE(delete_menu(menu, 0, MF_BYPOSITION));
    EXPECT_FALSE(delete_menu(menu, 9, MF_BYPOSITION));
    EXPECT_EQ(get_menu_item_count(menu), 3);
    // A menu cannot hold itself, and a sub-menu has one owner.
    EXPECT_FALSE(append_menu(menu, MF_POPUP, reinterpret_cast<std::uintptr_t>(menu), L"Loop"));
    EXPECT_TRUE(destroy_menu(menu));
    EXPECT_EQ(get_menu_item_count(menu), -1);
    EXPECT_EQ(track(menu, form), 0);
}

TEST_F(Menus, KeysHeldWhenTheMenuOpensCountOnlyAfterTheirRelease) {
    start("240x320", "pocketpc");
    HMENU menu = edit_menu();
    int chosen = -1;
    inject_key(VK_RETURN, true);  // the action key that opened the menu is still down
    run_until_idle();
    with_steps({[] { inject_key(VK_RETURN, true); },  // its repeat chooses nothing
                [] { EXPECT_EQ(ui::MenuTracker::running()->highlighted(0), 0); inject_key(VK_RETURN, false); },
                press(VK_DOWN),  // over the separator to the greyed entry, which cannot be chosen
                press(VK_RETURN), press(VK_DOWN), press(VK_RETURN)},
               [&] { chosen = track(menu, form); });
    EXPECT_EQ(chosen, 3);
    // The menu took every key: the focus window heard none of them.
    EXPECT_EQ(messages(), std::vector<uint32_t>{WM_KEYDOWN});
}

TEST_F(Menus, EscapeATapOutsideAndAnUnpressedReleaseChooseNothing) {
    start("240x320", "pocketpc");
    HMENU menu = edit_menu();
    int chosen = -1;
    with_steps({press(VK_ESCAPE)}, [&] { chosen = track(menu, form); });
    EXPECT_EQ(chosen, 0);
    // Escape closes one level at a time, even when the keys come at once.
    with_steps({press(VK_UP), press(VK_RIGHT), [] { inject_key_press(VK_ESCAPE); inject_key_press(VK_ESCAPE); }},
               [&] { chosen = track(menu, form); });
    EXPECT_EQ(chosen, 0);
    with_steps({[] { tap(POINT{230, 280}); }}, [&] { chosen = track(menu, form); });
    EXPECT_EQ(chosen, 0);
    // A release over Paste without its press (the held tap that opened the menu), then a tap on Cut.
    with_steps({[] {
                    const POINT p = centre(ui::MenuTracker::running()->entry_screen_rect(0, 3));
                    inject_pointer_up(p.x, p.y);
                },
                tap_entry(0, 0)},
               [&] { chosen = track(menu, form); });
    EXPECT_EQ(chosen, 1);
    EXPECT_TRUE(g_seen.empty());
}

TEST_F(Menus, SubMenusOpenByKeyAndTapAndTimersRunMeanwhile) {
    start("240x320", "pocketpc");
    HMENU menu = edit_menu();
    set_timer(form, 7, 100);
    int chosen = -1;
    with_steps({[] {}, press(VK_UP), press(VK_RIGHT),
                [] { EXPECT_EQ(ui::MenuTracker::running()->level_count(), 2u); }, press(VK_LEFT),
                [] { EXPECT_EQ(ui::MenuTracker::running()->level_count(), 1u); }, tap_entry(0, 4),
                tap_entry(1, 0)},
               [&] { chosen = track(menu, form); });
    kill_timer(form, 7);
    EXPECT_EQ(chosen, 4);
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(g_seen[0], (Seen{form, WM_TIMER, 7, 0}));
}

TEST_F(Menus, TheMenuLiesAtThePointByItsAlignmentAndPostsWithoutReturnCommand) {
    start("240x320", "pocketpc");
    HMENU menu = edit_menu();
    RECT last, first;
    auto look = [&] {
        first = ui::MenuTracker::running()->entry_screen_rect(0, 0);
        last = ui::MenuTracker::running()->entry_screen_rect(0, 4);
    };
    with_steps({look, press(VK_ESCAPE)}, [&] { track(menu, form, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, {200, 250}); });
    EXPECT_EQ(last.right + 1, 200);  // inside a one-pixel frame
    EXPECT_EQ(last.bottom + 1, 250);
    with_steps({look, press(VK_ESCAPE)}, [&] { track(menu, form, TPM_LEFTALIGN, {30, 40}); });
    EXPECT_EQ(first.left - 1, 30);
    EXPECT_EQ(first.top - 1, 40);
    // Never off the screen's free part: above the bottom band.
    with_steps({look, press(VK_ESCAPE)}, [&] { track(menu, form, TPM_LEFTALIGN, {230, 310}); });
    EXPECT_LE(last.bottom + 1, ui::bottom_band_rect().top);
    EXPECT_LE(last.right + 1, 240);

    int answer = 0;
    with_steps({press(VK_RETURN)}, [&] { answer = track_popup_menu(menu, TPM_LEFTALIGN, 20, 60, form); });
    EXPECT_EQ(answer, 1);
    run_until_idle();
    EXPECT_EQ(g_seen.back(), (Seen{form, WM_COMMAND, 1, 0}));
}

} // namespace
} // namespace menus_test
