#include "InputFixture.h"

using namespace input_test;

namespace {

class Gesture : public Input {
protected:
    void SetUp() override {
        Input::SetUp();
        g_recognise = true;
        g_gesture = 0;
        start = tick_count();
    }
    uint32_t waited() const { return tick_count() - start; }
    uint32_t start = 0;
};

} // namespace

TEST_F(Gesture, HeldPressIsAContextRequestOnceTheClockReachesItsTime) {
    inject_pointer_down(20, 50);
    post_message(a, WM_USER + 1, 0, 0);  // stays queued, in its place
    pump();                               // the frozen clock jumps to the hold time
    EXPECT_EQ(g_gesture, GN_CONTEXTMENU);
    EXPECT_EQ(g_left_after_gesture, WM_USER + 1);
    EXPECT_EQ(waited(), tap_and_hold_ms);
    inject_pointer_up(20, 50);
    EXPECT_EQ(messages(), (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_USER + 1, WM_LBUTTONUP}));
}

TEST_F(Gesture, MoveAwayOrReleaseDecidesATapAndStaysQueued) {
    inject_pointer_down(20, 50);
    advance_fake_clock(100);
    inject_pointer_move(25, 55);  // within reach: still held
    inject_pointer_move(26, 50);  // too far
    EXPECT_EQ(messages(), (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_MOUSEMOVE}));
    EXPECT_EQ(g_gesture, 0u);
    EXPECT_EQ(g_left_after_gesture, WM_MOUSEMOVE);
    inject_pointer_up(26, 50);
    pump();

    g_seen.clear();
    g_gesture = 7;
    click(40, 60);
    EXPECT_EQ(messages(), (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EXPECT_EQ(g_gesture, 0u);
    EXPECT_EQ(g_left_after_gesture, WM_LBUTTONUP);
    EXPECT_EQ(waited(), 100u);
}

TEST_F(Gesture, RightClickIsAContextRequestAtOnceAndItsReleaseIsConsumed) {
    inject_right_click(20, 50);
    EXPECT_EQ(messages(), (std::vector<uint32_t>{WM_LBUTTONDOWN}));
    EXPECT_EQ(g_gesture, GN_CONTEXTMENU);
    EXPECT_EQ(waited(), 0u);

    // The mark went with that press: a later tap at the same point is a tap.
    g_seen.clear();
    click(20, 50);
    EXPECT_EQ(messages(), (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EXPECT_EQ(g_gesture, 0u);
}

TEST_F(Gesture, QuitEndsTheWatchAndIsPostedAgain) {
    inject_pointer_down(20, 50);
    post_quit_message(3);
    MSG msg;
    ASSERT_TRUE(peek_message(msg, nullptr, 0, 0, PM_REMOVE));
    dispatch_message(msg);
    EXPECT_EQ(g_gesture, 0u);
    EXPECT_EQ(get_message(msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.wparam, 3u);
    inject_pointer_up(20, 50);  // the pointer outlives the test
}
