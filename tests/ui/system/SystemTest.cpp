#include "plat/Errors.h"
#include "plat/Screen.h"
#include "plat/System.h"
#include "plat/Window.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

using namespace plat;

namespace {

std::vector<std::pair<HWND, WPARAM>> g_setting_changes;

LRESULT recording_procedure(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_SETTINGCHANGE)
        g_setting_changes.emplace_back(window, wparam);
    return def_window_proc(window, message, wparam, lparam);
}

HWND make_window(uint32_t style, HWND parent = nullptr) {
    register_class(WindowClass{0, &recording_procedure, nullptr, 0, 0, 0, L"SystemTestWindow"});
    return create_window(0, L"SystemTestWindow", L"", style, 0, 0, 100, 100, parent, 0, nullptr, nullptr);
}

bool rect_is(const RECT& r, int left, int top, int right, int bottom) {
    return r.left == left && r.top == top && r.right == right && r.bottom == bottom;
}

} // namespace

TEST(System, ProfileAnswersAndWorkAreaPerBandWidth) {
    struct Case {
        const char* screen;
        const char* platform;
        int band;
        const wchar_t* type;
        uint32_t major;
        int icon;
    };
    const Case cases[] = {
        {"240x320", "pocketpc", 26, L"PocketPC", 5, 16},    {"320x240", "pocketpc", 26, L"PocketPC", 5, 16},
        {"480x640", "pocketpc", 52, L"PocketPC", 5, 32},    {"640x480", "pocketpc", 52, L"PocketPC", 5, 32},
        {"240x320", "pocketpc-old", 26, L"PocketPC", 4, 16}, {"176x220", "smartphone", 20, L"SmartPhone", 4, 16},
        {"240x320", "smartphone", 27, L"SmartPhone", 4, 16}, {"352x416", "smartphone", 40, L"SmartPhone", 4, 16},
        {"480x640", "smartphone", 54, L"SmartPhone", 4, 32}, {"320x240", "smartphone", 0, L"SmartPhone", 4, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.screen) + " " + c.platform);
        set_screen_profile(make_screen_profile(c.screen, c.platform));
        const ScreenProfile& p = screen_profile();
        EXPECT_EQ(band_height(p), c.band);
        EXPECT_TRUE(rect_is(work_area(), 0, c.band, p.width, p.height - c.band));
        RECT asked;
        ASSERT_TRUE(system_parameters_info(SPI_GETWORKAREA, 0, &asked, 0));
        EXPECT_TRUE(rect_is(asked, 0, c.band, p.width, p.height - c.band));
        EXPECT_EQ(ui::top_band_height(), c.band);
        EXPECT_EQ(ui::bottom_band_height(), c.band);

        wchar_t text[200];
        ASSERT_TRUE(system_parameters_info(SPI_GETPLATFORMTYPE, sizeof(text), text, 0));
        EXPECT_EQ(std::wstring(text), c.type);
        EXPECT_EQ(platform_type_text(), c.type);
        EXPECT_EQ(os_version().major, c.major);
        EXPECT_EQ(get_system_metrics(SM_CXSCREEN), p.width);
        EXPECT_EQ(get_system_metrics(SM_CYSCREEN), p.height);
        EXPECT_EQ(get_system_metrics(SM_CXICON), c.icon);
        EXPECT_EQ(get_system_metrics(SM_CYICON), c.icon);
        EXPECT_EQ(get_system_metrics(SM_CXDOUBLECLK), 4);
    }
}

TEST(System, TextsMustFitWithTheirTerminator) {
    set_screen_profile(make_screen_profile("240x320", "pocketpc"));
    wchar_t text[9] = {};  // "PocketPC" and its terminator
    EXPECT_TRUE(system_parameters_info(SPI_GETPLATFORMTYPE, sizeof(text), text, 0));
    EXPECT_EQ(std::wstring(text), L"PocketPC");
    wchar_t short_text[8] = {L'x'};
    EXPECT_FALSE(system_parameters_info(SPI_GETPLATFORMTYPE, sizeof(short_text), short_text, 0));
    EXPECT_EQ(last_error(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(short_text[0], L'x');  // nothing written
    EXPECT_FALSE(system_parameters_info(SPI_GETPLATFORMTYPE, 200, nullptr, 0));
    EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);

    wchar_t oem[200] = {};
    EXPECT_TRUE(system_parameters_info(SPI_GETOEMINFO, sizeof(oem), oem, 0));
    EXPECT_FALSE(std::wstring(oem).empty());
    EXPECT_FALSE(system_parameters_info(9999, sizeof(oem), oem, 0));
}

TEST(System, FullScreenModeFollowsTheForegroundWindow) {
    set_screen_profile(make_screen_profile("240x320", "pocketpc"));
    HWND full = make_window(WS_VISIBLE);
    HWND plain = make_window(WS_VISIBLE);
    HWND child = make_window(WS_CHILD | WS_VISIBLE, full);
    ASSERT_TRUE(full && plain && child);

    EXPECT_TRUE(sh_full_screen(child, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON));  // recorded for its top-level window
    EXPECT_TRUE(is_full_screen_window(full));
    EXPECT_FALSE(is_full_screen_window(plain));
    EXPECT_FALSE(sh_full_screen(full, SHFS_HIDETASKBAR | SHFS_SHOWTASKBAR));

    set_foreground_window(full);
    EXPECT_TRUE(full_screen_mode());
    EXPECT_TRUE(rect_is(work_area(), 0, 0, 240, 320));
    EXPECT_EQ(ui::top_band_height(), 0);
    EXPECT_EQ(ui::bottom_band_height(), 26);

    set_foreground_window(plain);
    EXPECT_TRUE(rect_is(work_area(), 0, 26, 240, 294));
    set_foreground_window(full);
    EXPECT_TRUE(sh_full_screen(full, SHFS_SHOWTASKBAR));
    EXPECT_TRUE(rect_is(work_area(), 0, 26, 240, 294));

    EXPECT_TRUE(sh_full_screen(full, SHFS_HIDETASKBAR));
    destroy_window(full);
    EXPECT_FALSE(is_full_screen_window(full));
    EXPECT_FALSE(sh_full_screen(full, SHFS_HIDETASKBAR));
}

TEST(System, InputPanelAndDisplayEscapes) {
    HWND window = make_window(0);
    EXPECT_EQ(last_sip_request(), -1);
    EXPECT_TRUE(sh_sip_preference(window, SIP_UP));
    EXPECT_TRUE(sh_sip_preference(window, SIP_DOWN));
    EXPECT_FALSE(sh_sip_preference(window, 7));
    EXPECT_EQ(last_sip_request(), SIP_DOWN);

    HDC dc = get_screen_dc();
    const int escape = SETPOWERMANAGEMENT;
    EXPECT_EQ(ext_escape(dc, QUERYESCSUPPORT, sizeof(escape), &escape, 0, nullptr), 0);
    unsigned char power[12] = {12, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0};
    EXPECT_EQ(ext_escape(dc, GETPOWERMANAGEMENT, 0, nullptr, sizeof(power), power), 0);
    delete_dc(dc);
}

TEST(System, ScreenSizeChangeRemakesTheFramebufferAndTellsEveryTopLevelWindow) {
    HWND shown = make_window(WS_VISIBLE);
    HWND hidden = make_window(0);
    HWND child = make_window(WS_CHILD, shown);  // children are not told
    ASSERT_TRUE(shown && hidden && child);
    set_screen_profile(make_screen_profile("240x320", "pocketpc"));
    g_setting_changes.clear();
    HDC dc = get_screen_dc();

    ASSERT_TRUE(set_screen_size(480, 640));
    BitmapInfo info;
    ASSERT_TRUE(get_bitmap_info(screen_bitmap(), info));
    EXPECT_EQ(info.width, 480);
    EXPECT_EQ(info.height, 640);
    EXPECT_EQ(screen_profile().dpi_x, 192);
    EXPECT_EQ(band_height(screen_profile()), 52);
    EXPECT_EQ(get_system_metrics(SM_CXSCREEN), 480);

    auto told = [](HWND window) {
        return std::count(g_setting_changes.begin(), g_setting_changes.end(), std::pair{window, SETTINGCHANGE_RESET});
    };
    EXPECT_EQ(told(shown), 1);
    EXPECT_EQ(told(hidden), 1);
    EXPECT_EQ(told(child), 0);

    // A context taken before follows the new framebuffer.
    EXPECT_EQ(get_selected_bitmap(dc), screen_bitmap());
    EXPECT_TRUE(fill_rect(dc, {470, 630, 480, 640}, rgb(9, 8, 7)));
    EXPECT_EQ(get_pixel(dc, 479, 639), rgb(9, 8, 7));
    delete_dc(dc);

    g_setting_changes.clear();
    EXPECT_FALSE(set_screen_size(0, 320));
    EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(set_screen_size(240, max_surface_dimension + 1));
    EXPECT_EQ(screen_profile().width, 480);
    EXPECT_TRUE(g_setting_changes.empty());
}
