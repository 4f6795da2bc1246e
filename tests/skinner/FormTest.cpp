#include "FormFixture.h"

#include "skinner/ControlSubclass.h"
#include "skinner/FormCombo.h"
#include "plat/Input.h"
#include "plat/MessageBox.h"
#include "plat/Paint.h"
#include "plat/Registry.h"
#include "plat/System.h"
#include "plat/Text.h"
#include "plat/UiTest.h"

#include <gtest/gtest.h>

using namespace skinner;
using namespace form_fixture;

namespace {

// Counts the key messages a form window gets.
class KeyWatch : public ControlSubclass {
public:
    plat::LRESULT handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam, bool&) override {
        if (message == form_message::key_char)
            pairs.push_back(std::to_wstring(wparam) + L":" + std::to_wstring(lparam));
        if (message == plat::WM_CHAR)
            ++chars;
        return 0;
    }
    std::vector<std::wstring> pairs;
    int chars = 0;
};

std::vector<std::wstring> texts_of(const std::vector<std::wstring>& log) { return log; }

plat::LRESULT copy_data(Form& form, std::uintptr_t id, const void* data, uint32_t bytes) {
    plat::COPYDATASTRUCT record;
    record.dwData = id;
    record.cbData = bytes;
    record.lpData = data;
    return plat::send_message(form.get_window(), plat::WM_COPYDATA, 0, reinterpret_cast<plat::LPARAM>(&record));
}

void set_flicker(uint32_t value) {
    plat::RegKey key = 0;
    plat::reg_create_key(plat::HKEY_CURRENT_USER, L"Software\\QEVA", plat::KEY_ALL_ACCESS, &key);
    plat::reg_set_value(key, L"Flicker", plat::REG_DWORD, &value, 4);
    plat::reg_close_key(key);
}

bool same(const plat::RECT& a, const plat::RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

TEST(Form, WmCloseClosesOnlyWhenTheFormAgrees) {
    FormWorld world;
    TestForm form(&world.properties, L"Main");
    form.closable = 0;
    bool visible_after_refusal = false;
    later([&] { plat::send_message(form.get_window(), plat::WM_CLOSE, 0, 0); });
    later([&] {
        visible_after_refusal = plat::is_window_visible(form.get_window());
        form.closable = 1;
        plat::send_message(form.get_window(), plat::WM_CLOSE, 0, 0);
    });
    form.do_modal();
    EXPECT_TRUE(visible_after_refusal);
    EXPECT_FALSE(plat::is_window_visible(form.get_window()));
    EXPECT_FALSE(form.is_modal());
    EXPECT_EQ(Form::modal_form(), nullptr);
}

TEST(Form, ModalChildDisablesTheOthersAndTheMainFormClosesAfterIt) {
    FormWorld world;
    TestForm other(&world.properties, L"Place4");
    TestForm main(&world.properties, L"Main");
    Recorder menu(&main, L"mnuMain");
    main.register_menu_main(&menu);
    std::vector<std::wstring> log;
    auto enabled = [](Form& f) { return plat::is_window_enabled(f.get_window()) ? L"1" : L"0"; };
    later([&] {
        TestForm child(&world.properties, L"Child");
        EXPECT_EQ(child.get_parent_form(), &main);
        later([&] {
            plat::run_until_idle();
            log.push_back(std::wstring(L"in child: main ") + enabled(main) + L" other " + enabled(other) + L" child " +
                          enabled(child) + L", main dirty " + std::to_wstring(main.get_impl()->dirty_size().x));
            plat::post_message(main.get_window(), plat::WM_CLOSE, 0, 0);
            later([&] {
                log.push_back(std::wstring(L"child still modal ") + (Form::modal_form() == &child ? L"1" : L"0") +
                              L", main shown " + (plat::is_window_visible(main.get_window()) ? L"1" : L"0"));
                child.close();
            });
        });
        child.do_modal();
        const plat::POINT dirty = main.get_impl()->dirty_position();
        const plat::POINT size = main.get_impl()->dirty_size();
        log.push_back(std::wstring(L"child done: main ") + enabled(main) + L" other " + enabled(other) +
                      L", menu dirty " + (dirty.y <= 240 && dirty.y + size.y >= 260 ? L"1" : L"0"));
    });
    main.do_modal();
    log.push_back(L"main done");
    EXPECT_EQ(log, (std::vector<std::wstring>{L"in child: main 0 other 0 child 1, main dirty 0",
                                              L"child still modal 1, main shown 0",
                                              L"child done: main 1 other 1, menu dirty 1", L"main done"}));
    main.unregister_menu_main(&menu);
}

TEST(Form, QuitEndsEveryLoopAndStaysPendingForTheOuterOnes) {
    FormWorld world;
    TestForm main(&world.properties, L"Main");
    std::vector<std::wstring> log;
    later([&] {
        TestForm child(&world.properties, L"Child");
        later([] { plat::post_quit_message(5); });
        child.do_modal();
        log.push_back(L"child done");
    });
    main.do_modal();
    log.push_back(L"main done");
    EXPECT_EQ(log, (std::vector<std::wstring>{L"child done", L"main done"}));
    plat::MSG msg;
    ASSERT_EQ(plat::get_message(msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.wparam, 5u);
}

TEST(Form, PocketPcKeyGivesOneKeyMessageWithItsCharacter) {
    FormWorld world;
    TestForm form(&world.properties, L"Main");
    KeyWatch watch;
    watch.attach(form.get_window());
    plat::set_focus(form.get_window());
    plat::inject_key_press(plat::VK_A);
    plat::inject_key_press(plat::VK_LEFT);
    plat::inject_text(L"x");
    later([&] { form.close(); });
    form.do_modal();
    EXPECT_EQ(watch.pairs, (std::vector<std::wstring>{L"65:97", L"37:0", L"120:120"}));
    EXPECT_EQ(watch.chars, 1);  // only the character typed without a key
    EXPECT_EQ(form.events,
              (std::vector<std::wstring>{L"char a", L"down 20", L"up 20", L"down 4", L"up 4", L"char x", L"down 0"}));
}

TEST(Form, SmartphoneKeysAndCharactersGoStraightToTheForm) {
    skin_fixture::set_profile(240, 320, plat::PlatformType::smartphone);
    FormWorld world;
    TestForm form(&world.properties, L"Main");
    KeyWatch watch;
    watch.attach(form.get_window());
    plat::set_focus(form.get_window());
    plat::inject_key_press(plat::VK_A);
    plat::inject_key_press(plat::VK_F1 + 2);
    later([&] { form.close(); });
    form.do_modal();
    EXPECT_TRUE(watch.pairs.empty());
    EXPECT_EQ(form.events,
              (std::vector<std::wstring>{L"down 20", L"char a", L"up 20", L"down 56", L"up 56"}));
}

TEST(Form, EveryTapIsOneClickAndAChildFormOpenedByItGetsTheNextTaps) {
    FormWorld world;
    TestForm main(&world.properties, L"Main");
    Recorder tap(&main, L"btnTap");
    std::vector<std::wstring> child_log;
    tap.on_up = [&] {
        TestForm child(&world.properties, L"Child");
        Recorder child_tap(&child, L"btnTap");
        const plat::RECT rect = window_rect(child);
        child_tap.on_up = [&] { child.close(); };
        later([&] {
            plat::inject_pointer_down(rect.left + 10, rect.top + 10);
            plat::inject_pointer_up(rect.left + 10, rect.top + 10);
        });
        child.do_modal();
        child_log = child_tap.log;
        main.close();
    };
    plat::inject_wheel(20, 30, 2);
    plat::inject_pointer_down(20, 30);
    plat::inject_pointer_up(20, 30);
    main.do_modal();
    EXPECT_EQ(tap.log, (std::vector<std::wstring>{L"wheel 2", L"down 20,30", L"up 20,30"}));
    EXPECT_EQ(child_log, (std::vector<std::wstring>{L"down 10,10", L"up 10,10"}));
}

TEST(Form, PaintsThroughABackBufferFirstFilledCyan) {
    FormWorld world;
    TestForm painted(&world.properties, L"Painted");
    TestForm bare(&world.properties, L"Place4");
    plat::run_until_idle();
    EXPECT_NE(painted.get_impl()->back_buffer(), nullptr);
    EXPECT_EQ(plat::window_pixel(painted.get_window(), 50, 40), plat::rgb(255, 0, 0));
    EXPECT_EQ(plat::window_pixel(bare.get_window(), 50, 30), plat::rgb(0, 255, 255));

    // A client area of no size: nothing painted, no buffer made.
    painted.set_window_rect({0, 0}, {0, 0});
    plat::run_until_idle();
    plat::send_message(painted.get_window(), plat::WM_PAINT, 0, 0);
    EXPECT_EQ(painted.get_impl()->back_buffer(), nullptr);
}

TEST(Form, FlickerPaintsStraightToTheWindow) {
    set_flicker(1);
    FormWorld world;
    TestForm painted(&world.properties, L"Painted");
    plat::run_until_idle();
    EXPECT_TRUE(painted.get_impl()->direct_paint());
    EXPECT_EQ(painted.get_impl()->back_buffer(), nullptr);
    EXPECT_EQ(plat::window_pixel(painted.get_window(), 50, 40), plat::rgb(255, 0, 0));
}

TEST(Form, PlacesByCodeInThePocketPcWorkArea) {
    FormWorld world;  // 240 x 320: a band of 26 above and one below, work area 240 x 268 from y 26
    auto rect_of = [&](const wchar_t* name) {
        TestForm form(&world.properties, name);
        return window_rect(form);
    };
    EXPECT_TRUE(same(rect_of(L"Place0"), {7, 9, 107, 69}));
    EXPECT_TRUE(same(rect_of(L"Place1"), {70, 130, 170, 190}));
    EXPECT_TRUE(same(rect_of(L"Place2"), {70, 130, 170, 190}));
    EXPECT_TRUE(same(rect_of(L"Place3"), {0, 26, 240, 294}));
    EXPECT_TRUE(same(rect_of(L"Place4"), {0, 26, 100, 86}));
    EXPECT_TRUE(same(rect_of(L"Place5"), {140, 234, 240, 294}));
    EXPECT_TRUE(same(rect_of(L"Place6"), plat::work_area()));
    EXPECT_TRUE(same(rect_of(L"PlaceMixed"), {140, 26, 240, 86}));

    // Centred on the parent form, and the whole screen while full-screen.
    TestForm main(&world.properties, L"Main");  // at (0, 0), 240 x 260
    plat::RECT on_parent{}, full{};
    later([&] {
        TestForm centred(&world.properties, L"Place2");
        on_parent = window_rect(centred);
        TestForm filling(&world.properties, L"Place3");
        filling.set_full_screen(true);
        later([&] {
            full = window_rect(filling);
            filling.close();
        });
        filling.do_modal();
        main.close();
    });
    main.do_modal();
    EXPECT_TRUE(same(on_parent, {70, 100, 170, 160}));
    EXPECT_TRUE(same(full, {0, 0, 240, 320}));
    EXPECT_FALSE(Form::full_screen_mode());
}

TEST(Form, PlacesByCodeInTheSmartphoneWorkArea) {
    skin_fixture::set_profile(176, 220, plat::PlatformType::smartphone);
    FormWorld world;  // a band of 20: work area 176 x 180 from y 20
    TestForm centred(&world.properties, L"Place1");
    TestForm at_end(&world.properties, L"Place5");
    EXPECT_TRUE(same(window_rect(centred), {38, 80, 138, 140}));
    EXPECT_TRUE(same(window_rect(at_end), {76, 140, 176, 200}));
}

TEST(Form, PictureFailureShowsOneBoxAndClosesTheModalForms) {
    FormWorld world;
    TestForm main(&world.properties, L"Main");
    bool child_returned = false;
    later([&] {
        TestForm child(&world.properties, L"Child");
        later([&] { child.on_picture_failed_to_load(Picture::load(L"\\nowhere", L"missing", true, 2)); });
        child.do_modal();
        child_returned = true;
    });
    main.do_modal();
    EXPECT_TRUE(child_returned);
    const auto boxes = plat::shown_message_boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Out of memory");
    EXPECT_EQ(boxes[0].text, L"name=missing\nscale=2\nbase_path=\\nowhere");
    EXPECT_EQ(boxes[0].owner, main.get_window());
}

TEST(Form, SecondMainMenuIsFatal) {
    FormWorld world;
    TestForm form(&world.properties, L"Main");
    Recorder menu(&form, L"mnuMain");
    form.register_menu_main(&menu);
    EXPECT_EXIT(form.register_menu_main(&menu), testing::ExitedWithCode(70), "Menu main is already exists");
    EXPECT_EXIT(form.unregister_menu_main(nullptr), testing::ExitedWithCode(70), "Menus do not match");
    form.unregister_menu_main(&menu);
}

TEST(Form, CommandLinesArriveNewestFirstAndBadRecordsAreDropped) {
    FormWorld world;
    TestForm form(&world.properties, L"Main");
    const std::string first = plat::to_utf16le(L"first");
    const std::string second = plat::to_utf16le(L"second \U0001F600");
    const std::string odd = plat::to_utf16le(L"ab") + "c";
    const std::string longest = plat::to_utf16le(std::wstring(FormImpl::max_command_line + 10, L'z'));
    EXPECT_EQ(copy_data(form, 0, first.data(), uint32_t(first.size())), 1);
    EXPECT_EQ(copy_data(form, 0, second.data(), uint32_t(second.size())), 1);
    EXPECT_EQ(copy_data(form, 7, first.data(), uint32_t(first.size())), 0);  // not a command line
    EXPECT_EQ(copy_data(form, 0, nullptr, 4), 0);                            // a count without data
    EXPECT_EQ(copy_data(form, 0, odd.data(), uint32_t(odd.size())), 1);
    EXPECT_EQ(copy_data(form, 0, nullptr, 0), 1);                            // the empty command line
    EXPECT_EQ(copy_data(form, 0, longest.data(), uint32_t(longest.size())), 1);
    plat::run_until_idle();
    ASSERT_EQ(form.texts.size(), 5u);
    EXPECT_EQ(form.texts[0], std::wstring(FormImpl::max_command_line, L'z'));
    EXPECT_EQ(texts_of({form.texts.begin() + 1, form.texts.end()}),
              (std::vector<std::wstring>{L"", L"ab", L"second \U0001F600", L"first"}));
}

TEST(Form, ChildrenAreDeletedWhileTheFormIsWhole) {
    struct MainMenu : Recorder {
        MainMenu(Container* parent, bool& window_alive) : Recorder(parent, L"mnuMain"), alive(window_alive) {
            get_form()->register_menu_main(this);
        }
        ~MainMenu() override {
            alive = plat::is_window(get_form()->get_window());
            get_form()->unregister_menu_main(this);
        }
        bool& alive;
    };
    FormWorld world;
    bool window_alive = false;
    auto form = std::make_unique<TestForm>(&world.properties, L"Main");
    new MainMenu(form.get(), window_alive);  // the form deletes it
    const plat::HWND window = form->get_window();
    form.reset();
    EXPECT_TRUE(window_alive);
    EXPECT_FALSE(plat::is_window(window));
}

TEST(Form, DropDownClosesOnATapOutsideAndEndsOnlyItsOwnLoop) {
    FormWorld world;
    TestForm main(&world.properties, L"Main");
    std::vector<std::wstring> log;
    later([&] {
        FormCombo drop(main, &world.properties, L"Place6", nullptr, {50, 60}, {100, 60});
        EXPECT_EQ(plat::get_capture(), drop.get_window());
        EXPECT_TRUE(same(window_rect(drop), {50, 60, 150, 120}));
        later([&] {
            plat::post_message(main.get_window(), plat::WM_CLOSE, 0, 0);
            plat::inject_pointer_down(200, 250);
            plat::inject_pointer_up(200, 250);
        });
        log.push_back(drop.run_plain_loop() ? L"drop closed" : L"drop quit");
        log.push_back(plat::get_focus() == main.get_window() ? L"focus back" : L"focus elsewhere");
    });
    main.do_modal();
    log.push_back(L"main done");
    EXPECT_EQ(log, (std::vector<std::wstring>{L"drop closed", L"focus back", L"main done"}));
}

TEST(Form, ALaterStartBringsTheOpenChildFormForward) {
    FormWorld world;
    TestForm main(&world.properties, L"Main");
    plat::HWND foreground = nullptr, child_window = nullptr;
    later([&] {
        TestForm child(&world.properties, L"Child");
        child_window = child.get_window();
        later([&] {
            // Another program is in front.
            plat::HWND elsewhere = plat::create_window(0, plat::STATIC_CLASS, L"", plat::WS_VISIBLE, 0, 0, 10, 10,
                                                       nullptr, 0, nullptr, nullptr);
            plat::set_foreground_window(elsewhere);
            EXPECT_EQ(plat::get_foreground_window(), elsewhere);
            copy_data(main, 0, nullptr, 0);
            later([&] {
                foreground = plat::get_foreground_window();
                child.close();
                main.close();
            });
        });
        child.do_modal();
    });
    main.do_modal();
    EXPECT_EQ(main.texts, std::vector<std::wstring>{L""});
    EXPECT_EQ(foreground, child_window);
}

namespace {

// A child that asks for more height than its skin gives it.
class Tall : public Control {
public:
    Tall(Container* parent, std::wstring_view name) : Control(parent, name) {}
    plat::POINT get_preferred_size() override { return {get_skin_size().x, get_skin_size().y + 50}; }
};

} // namespace

TEST(Form, FormWithoutASizeIsAsLargeAsItsWindowWithItsBackgroundAndAnchors) {
    FormWorld world;
    const plat::ScreenProfile& profile = plat::screen_profile();
    world.properties.load_skin(skin_fixture::write_skin(R"(<skin id="unsized" devices="">
  <design width="240" height="320"/>
  <form name="Unsized">
    <picture name="Background" image="red"/>
    <int name="StartPosition" value="1"/>
    <control name="btnCorner"><point name="Position" x="-30" y="-20"/><point name="Size" x="30" y="20"/>
      <string name="AnchorX" value="MAX_SIDE"/><string name="AnchorY" value="MAX_SIDE"/></control>
    <control name="lstTall"><point name="Position" x="0" y="0"/><point name="Size" x="10" y="10"/>
      <string name="AnchorY" value="BOTH_SIDE"/></control>
  </form>
</skin>)", "unsized"), {profile.width, profile.height});
    TestForm form(&world.properties, L"Unsized");
    Recorder corner(&form, L"btnCorner");
    Tall tall(&form, L"lstTall");
    plat::run_until_idle();
    const plat::RECT window = window_rect(form);
    EXPECT_TRUE(same(window, {0, 26, 240, 294}));  // where the device put it: the work area
    EXPECT_EQ(form.get_size().x, 240);
    EXPECT_EQ(form.get_size().y, 268);
    EXPECT_EQ(corner.get_position().x, 210);
    EXPECT_EQ(corner.get_position().y, 248);
    EXPECT_EQ(plat::window_pixel(form.get_window(), 200, 200), plat::rgb(255, 0, 0));

    // Placing again keeps the window's size, though a child's wish gives a needed height of 50.
    plat::send_message(form.get_window(), plat::WM_SETTINGCHANGE, setting_full_screen, 0);
    plat::run_until_idle();
    EXPECT_TRUE(same(window_rect(form), window));
    EXPECT_EQ(form.get_size().y, 268);
}
