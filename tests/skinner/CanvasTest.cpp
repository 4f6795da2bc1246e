#include "skinner/Canvas.h"
#include "skinner/HDCSelector.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

using namespace skinner;

namespace {

struct Surface {
    Surface() {
        plat::select_bitmap(dc, bitmap);
    }
    ~Surface() {
        plat::delete_dc(dc);
        plat::delete_bitmap(bitmap);
    }
    plat::HBITMAP bitmap = plat::create_bitmap(20, 20);
    plat::HDC dc = plat::create_compatible_dc(nullptr);
};

bool same(const plat::RECT& a, const plat::RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

TEST(Canvas, TheFirstRectangleClipsFromTheStart) {
    Surface s;
    CanvasImpl impl(s.dc, {2, 3}, {10, 5});
    EXPECT_TRUE(same(impl.clip(), {2, 3, 12, 8}));
    Canvas canvas(&impl);
    canvas.fill_rect({0, 0}, {20, 20}, {0, 0, 255, 0});
    EXPECT_EQ(plat::get_pixel(s.dc, 1, 3), 0u);
    EXPECT_EQ(plat::get_pixel(s.dc, 2, 3), plat::rgb(0, 0, 255));
    EXPECT_EQ(plat::get_pixel(s.dc, 11, 7), plat::rgb(0, 0, 255));
    EXPECT_EQ(plat::get_pixel(s.dc, 12, 7), 0u);
}

TEST(Canvas, PushIntersectsAndPopRestores) {
    Surface s;
    CanvasImpl impl(s.dc, {0, 0}, {20, 20});
    impl.push_clip({5, 5}, {10, 10});
    impl.push_clip({10, 0}, {20, 8});
    EXPECT_TRUE(same(impl.clip(), {10, 5, 15, 8}));
    impl.fill_rect({0, 0}, {20, 20}, {255, 255, 255, 0});
    EXPECT_EQ(plat::get_pixel(s.dc, 9, 6), 0u);
    EXPECT_EQ(plat::get_pixel(s.dc, 10, 5), plat::rgb(255, 255, 255));
    impl.pop_clip();
    EXPECT_TRUE(same(impl.clip(), {5, 5, 15, 15}));
    impl.fill_rect({0, 0}, {20, 20}, {1, 1, 1, 0});
    EXPECT_EQ(plat::get_pixel(s.dc, 5, 14), plat::rgb(1, 1, 1));
    EXPECT_EQ(plat::get_pixel(s.dc, 4, 14), 0u);
}

TEST(Canvas, AClipOutsideTheCurrentOneIsEmptyAtTheLargerCorner) {
    Surface s;
    CanvasImpl impl(s.dc, {0, 0}, {10, 10});
    impl.push_clip({15, 12}, {3, 3});
    EXPECT_TRUE(same(impl.clip(), {15, 12, 15, 12}));
    impl.fill_rect({0, 0}, {20, 20}, {9, 9, 9, 0});
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(plat::get_pixel(s.dc, x, y), 0u);
    impl.pop_clip();
    impl.fill_rect({0, 0}, {1, 1}, {9, 9, 9, 0});
    EXPECT_EQ(plat::get_pixel(s.dc, 0, 0), plat::rgb(9, 9, 9));
}

TEST(Canvas, TheFirstRectangleIsNeverPopped) {
    testing_support::LogCapture log;
    Surface s;
    CanvasImpl impl(s.dc, {4, 4}, {4, 4});
    impl.pop_clip();
    impl.pop_clip();
    EXPECT_EQ(impl.clip_depth(), 1u);
    EXPECT_TRUE(same(impl.clip(), {4, 4, 8, 8}));
    impl.fill_rect({0, 0}, {20, 20}, {5, 5, 5, 0});
    EXPECT_EQ(plat::get_pixel(s.dc, 3, 4), 0u);
    const std::wstring line = L"ERROR: CanvasImpl::pop_clip() the first clip rectangle is never popped\n";
    EXPECT_EQ(log.text(), line + line);
}

TEST(Canvas, TheFourthColourByteIsIgnored) {
    Surface s;
    CanvasImpl impl(s.dc, {0, 0}, {20, 20});
    impl.fill_rect({1, 1}, {2, 2}, {255, 0, 0, 7});
    EXPECT_EQ(plat::get_pixel(s.dc, 1, 1), plat::rgb(255, 0, 0));
    plat::BitmapInfo info;
    plat::get_bitmap_info(s.bitmap, info);
    EXPECT_EQ(info.bits[(1 * 20 + 1) * 4 + 3], 0);
}

TEST(HDCSelector, SelectsForOneScopeAndSkipsEmptyBitmaps) {
    HDCSelector none(nullptr, nullptr);
    EXPECT_EQ(none.dc(), nullptr);
    plat::HBITMAP bitmap = plat::create_bitmap(2, 2);
    {
        HDCSelector selector(nullptr, bitmap);
        ASSERT_NE(selector.dc(), nullptr);
        EXPECT_EQ(plat::get_selected_bitmap(selector.dc()), bitmap);
        plat::fill_rect(selector.dc(), {0, 0, 2, 2}, plat::rgb(3, 4, 5));
    }
    // Released: another context may take it now.
    HDCSelector again(nullptr, bitmap);
    EXPECT_EQ(plat::get_pixel(again.dc(), 1, 1), plat::rgb(3, 4, 5));
    plat::delete_bitmap(bitmap);
}

TEST(HDCSelectorDeathTest, ABitmapInUseIsAFatalReport) {
    plat::HBITMAP bitmap = plat::create_bitmap(2, 2);
    {
        HDCSelector first(nullptr, bitmap);
        EXPECT_EXIT(HDCSelector second(nullptr, bitmap), testing::ExitedWithCode(70),
                    "Failed to select bitmap into context");
    }
    plat::delete_bitmap(bitmap);
}
