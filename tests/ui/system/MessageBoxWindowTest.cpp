#include "plat/Input.h"
#include "plat/System.h"
#include "plat/UiTest.h"
#include "ui/MessageBoxWindow.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

using namespace plat;
using plat::ui::MessageBoxWindow;

namespace {

using Step = std::function<void()>;

// Runs a box whose loop takes one step each time it would wait. Should the
// steps run out with the box still open, a quit ends it and the test fails.
class DrawnBox : public testing::Test {
protected:
    void SetUp() override {
        register_class(WindowClass{0, &def_window_proc, nullptr, 0, 0, 0, L"BoxOwner"});
        owner = create_window(0, L"BoxOwner", L"Owner", WS_VISIBLE, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, 0,
                              nullptr, nullptr);
        ASSERT_TRUE(owner);
        set_foreground_window(owner);
        set_focus(owner);
        run_until_idle();
        set_message_box_handler(ui::drawn_message_box_handler());
    }
    void TearDown() override { set_message_box_handler(nullptr); }

    int show(uint32_t type, std::vector<Step> steps) {
        auto script = std::make_shared<std::vector<Step>>(std::move(steps));
        auto next = std::make_shared<size_t>(0);
        ran_out = false;
        auto step = [this, script, next] {
            if (!MessageBoxWindow::running())
                return;
            if (*next < script->size()) {
                (*script)[(*next)++]();
            } else if (!ran_out) {
                ran_out = true;
                post_quit_message(99);
            }
        };
        ui::set_wait_hooks({step, step, 1});
        const int answer = message_box(owner, L"Delete the alarm \"Morning\" and its voice note?", L"Chimely", type);
        ui::set_wait_hooks({});
        EXPECT_FALSE(ran_out) << "the box did not answer";
        return answer;
    }

    static Step press(uint32_t key) {
        return [key] { inject_key_press(key); };
    }
    static Step tap(size_t button) {
        return [button] {
            RECT r = MessageBoxWindow::running()->button_screen_rect(button);
            const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
            inject_pointer_down(x, y);
            inject_pointer_up(x, y);
        };
    }

    HWND owner = nullptr;
    bool ran_out = false;
};

} // namespace

TEST_F(DrawnBox, EnterAnswersTheDefaultButtonOfAnOwnedCentredBox) {
    Step look = [this] {
        MessageBoxWindow* box = MessageBoxWindow::running();
        HWND window = box->window();
        EXPECT_EQ(get_owner(window), owner);
        EXPECT_FALSE(is_window_enabled(owner));
        EXPECT_EQ(get_window_text(window), L"Chimely");
        RECT r, work = work_area();
        get_window_rect(window, r);
        EXPECT_LE(std::abs((r.left - work.left) - (work.right - r.right)), 1);
        EXPECT_LE(std::abs((r.top - work.top) - (work.bottom - r.bottom)), 1);
        // The focused (default) button wears the heavier frame.
        ASSERT_EQ(box->button_count(), 2u);
        EXPECT_EQ(box->focused_button(), 1u);
        for (size_t i = 0; i < 2; ++i) {
            RECT b = box->button_screen_rect(i);
            const COLORREF inner_frame = window_pixel(window, b.left - r.left + 1, b.top - r.top + 1);
            EXPECT_EQ(inner_frame == rgb(0, 0, 0), i == 1) << i;
        }
    };
    EXPECT_EQ(show(MB_YESNO | MB_DEFBUTTON2, {look, press(VK_RETURN)}), IDNO);
    EXPECT_TRUE(is_window_enabled(owner));
    EXPECT_EQ(get_foreground_window(), owner);
    EXPECT_EQ(shown_message_boxes().back().answer, IDNO);
}

TEST_F(DrawnBox, EscapeAnswersTheCancelOfTheType) {
    const std::pair<uint32_t, int> cases[] = {{MB_OK, IDOK},
                                              {MB_OKCANCEL, IDCANCEL},
                                              {MB_YESNO, IDNO},
                                              {MB_YESNOCANCEL, IDCANCEL},
                                              {MB_RETRYCANCEL, IDCANCEL}};
    for (auto [type, answer] : cases)
        EXPECT_EQ(show(type, {press(VK_ESCAPE)}), answer) << type;
    // Abort, retry or ignore has no way out but its buttons.
    EXPECT_EQ(show(MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {press(VK_ESCAPE), press(VK_RETURN)}), IDIGNORE);
}

TEST_F(DrawnBox, ArrowsAndTabMoveBetweenTheButtons) {
    EXPECT_EQ(show(MB_YESNOCANCEL,
                   {press(VK_RIGHT), press(VK_RIGHT), press(VK_TAB), press(VK_LEFT), press(VK_LEFT), press(VK_RETURN)}),
              IDNO);
}

TEST_F(DrawnBox, ATapAnswersTheButtonItWentDownOn) {
    Step slip = [] {
        RECT r = MessageBoxWindow::running()->button_screen_rect(0);
        inject_pointer_down(r.left + 2, r.top + 2);
        inject_pointer_up(r.left + 2, r.top - 20);  // released off the button: no answer
    };
    EXPECT_EQ(show(MB_OKCANCEL, {slip, tap(1)}), IDCANCEL);
}

TEST_F(DrawnBox, AKeyHeldWhenItOpensCountsFromItsNextPress) {
    inject_key(VK_RETURN, true);
    run_until_idle();
    Step still_open = [] { EXPECT_TRUE(MessageBoxWindow::running()); };
    EXPECT_EQ(show(MB_YESNO | MB_DEFBUTTON2,
                   {[] { inject_key(VK_RETURN, true); },  // a repeat of the held key
                    [] { inject_key(VK_RIGHT, true); },   // moves to "Yes" (wrapping)
                    [] { inject_key(VK_RETURN, false); }, still_open, [] { inject_key(VK_RETURN, true); }}),
              IDYES);
    inject_key(VK_RETURN, false);
    inject_key(VK_RIGHT, false);
    run_until_idle();
}

TEST_F(DrawnBox, QuitEndsTheLoopWithTheDefaultAndIsPostedAgain) {
    EXPECT_EQ(show(MB_YESNO | MB_DEFBUTTON2, {press(VK_LEFT), [] { post_quit_message(7); }}), IDNO);
    EXPECT_TRUE(is_window_enabled(owner));
    MSG msg;
    ASSERT_TRUE(peek_message(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wparam, 7u);
}
