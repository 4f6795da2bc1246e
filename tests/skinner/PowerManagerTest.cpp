#include "skinner/PowerManager.h"

#include "FormFixture.h"
#include "LogCapture.h"
#include "skinner/ControlSubclass.h"
#include "plat/Clock.h"
#include "plat/Messages.h"
#include "plat/System.h"
#include "plat/UiTest.h"
#include "plat/Window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace skinner;
using namespace form_fixture;

namespace {

// A display driver with the power escapes: its state, whether reading it
// fails, and the records it was sent.
struct Driver {
    uint32_t state = video_power_on;
    bool read_fails = false;
    std::vector<uint32_t> sent;
};
Driver* g_driver = nullptr;

int driver_escape(plat::HDC, int escape, int input_size, const void* input, int output_size, void* output) {
    if (escape == plat::QUERYESCSUPPORT) {
        int asked = 0;
        std::memcpy(&asked, input, sizeof(asked));
        return input_size == sizeof(int) && asked == plat::SETPOWERMANAGEMENT ? 1 : 0;
    }
    if (escape == plat::SETPOWERMANAGEMENT && input_size == sizeof(VideoPowerManagement)) {
        VideoPowerManagement record;
        std::memcpy(&record, input, sizeof(record));
        if (record.length == 12 && record.version == 1)
            g_driver->sent.push_back(g_driver->state = record.power_state);
        return 1;
    }
    if (escape == plat::GETPOWERMANAGEMENT && output_size == sizeof(VideoPowerManagement)) {
        if (g_driver->read_fails)
            return -1;
        VideoPowerManagement record;
        record.power_state = g_driver->state;
        std::memcpy(output, &record, sizeof(record));
        return 1;
    }
    return 0;
}

// Attached before the manager, so it hears what the manager passes on.
class InputWatch : public ControlSubclass {
public:
    plat::LRESULT handle_message(uint32_t message, plat::WPARAM, plat::LPARAM, bool&) override {
        if (message == plat::WM_KEYDOWN || message == plat::WM_LBUTTONDOWN)
            heard.push_back(message);
        return 0;
    }
    std::vector<uint32_t> heard;
};

struct PowerManagerTest : testing::Test {
    PowerManagerTest() {
        plat::SystemTime start;
        start.year = 2026;
        start.hour = 7;
        plat::set_fake_clock(start, false);
    }
    ~PowerManagerTest() override {
        PowerManager::set_display_escape(nullptr);
        plat::clear_fake_clock();
    }
    FormWorld world;
};

} // namespace

TEST_F(PowerManagerTest, DisplayCountsAsOnWithoutADriverAndAsTheDriverSays) {
    TestForm form(&world.properties, L"Main");
    const size_t attached = ControlSubclass::attached_count(form.get_window());
    {
        PowerManager manager(&form);
        EXPECT_EQ(ControlSubclass::attached_count(form.get_window()), attached + 1);
        EXPECT_TRUE(manager.is_display_on());
        manager.get_impl().set_display_on(false);  // nobody to ask: nothing happens
        EXPECT_TRUE(manager.is_display_on());
    }
    EXPECT_EQ(ControlSubclass::attached_count(form.get_window()), attached);

    Driver driver;
    g_driver = &driver;
    PowerManager::set_display_escape(driver_escape);
    PowerManager manager(&form);
    manager.get_impl().set_display_on(false);
    EXPECT_FALSE(manager.is_display_on());
    // A state that cannot be read counts as on.
    driver.read_fails = true;
    EXPECT_TRUE(manager.is_display_on());
    driver.read_fails = false;
    manager.get_impl().set_display_on(true);
    EXPECT_TRUE(manager.is_display_on());
    EXPECT_EQ(driver.sent, (std::vector<uint32_t>{video_power_off, video_power_on}));
}

TEST_F(PowerManagerTest, TapsAndKeysWakeTheDisplayAndTicksCountActivityOnlyWhileWatched) {
    testing_support::LogCapture log;
    Driver driver;
    driver.state = video_power_off;
    g_driver = &driver;
    PowerManager::set_display_escape(driver_escape);
    TestForm form(&world.properties, L"Main");
    form.show(true);
    form.bring_to_front();
    plat::run_until_idle();
    ASSERT_EQ(plat::get_foreground_window(), form.get_window());
    InputWatch watch;
    watch.attach(form.get_window());
    PowerManager manager(&form);
    PowerManagerImpl& impl = manager.get_impl();

    // Ticks while the display is off keep the activity fresh.
    plat::advance_clock_running_timers(3500);
    EXPECT_LT(impl.seconds_since_activity(), 1.0);

    // A key switches the display on and goes on to the form.
    plat::inject_key_press(plat::VK_DOWN);
    plat::run_until_idle();
    EXPECT_EQ(driver.state, video_power_on);
    EXPECT_NE(log.text().find(L"PowerManagerImpl interesting message\n"), std::wstring::npos);

    // The display on and the form in front: the user has been away 3.5 s.
    plat::advance_clock_running_timers(3500);
    EXPECT_GE(impl.seconds_since_activity(), 3.0);

    // A tap brings the activity back to now.
    plat::send_message(form.get_window(), plat::WM_LBUTTONDOWN, 0, 0);
    EXPECT_LT(impl.seconds_since_activity(), 0.5);
    EXPECT_EQ(watch.heard, (std::vector<uint32_t>{plat::WM_KEYDOWN, plat::WM_LBUTTONDOWN}));
}
