#include "base/Stopwatch.h"

#include "plat/Clock.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(Stopwatch, StartsAtZero) {
    liba::Stopwatch watch;
    EXPECT_GE(watch.elapsed(), 0.0);
    EXPECT_LT(watch.elapsed(), 0.5);
    EXPECT_GE(liba::seconds_since_start(), 0.0);
}

TEST(Stopwatch, NeverNegativeAcrossTheTickWrap) {
    plat::set_fake_clock(plat::SystemTime{2026, 3, 0, 7, 6, 5, 0, 0}, false);
    // Move the 32-bit tick count to one second before it wraps.
    uint32_t tick = plat::tick_count();
    plat::advance_fake_clock(uint64_t(0xFFFFFFFFu - tick) - 999);
    liba::Stopwatch watch;
    plat::advance_fake_clock(2500);
    EXPECT_LT(plat::tick_count(), 2000u);  // the tick count did wrap
    EXPECT_DOUBLE_EQ(watch.elapsed(), 2.5);
    watch.restart();
    EXPECT_DOUBLE_EQ(watch.elapsed(), 0.0);
    plat::clear_fake_clock();
}

TEST(OpenUrl, HeadlessOnlyWritesTheLink) {
    setenv("CHIMELY_VIDEO", "headless", 1);
    testing::internal::CaptureStderr();
    liba::open_url(L"https://example.org/chimely");
    liba::open_url(L"file:///etc/passwd");
    std::string out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("https://example.org/chimely"), std::string::npos);
    EXPECT_NE(out.find("refused"), std::string::npos);
}

TEST(OpenUrl, WithoutADisplayOnlyWritesTheLink) {
    unsetenv("CHIMELY_VIDEO");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    testing::internal::CaptureStderr();
    liba::open_url(L"https://example.org/no-display");
    std::string out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("open_url: https://example.org/no-display"), std::string::npos) << out;
}
