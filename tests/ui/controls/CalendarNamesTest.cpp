// The calendar controls name months and weekdays in the process's time locale.
#include "ControlsFixture.h"
#include "plat/Paint.h"
#include "ui/controls/CalendarNames.h"

#include <clocale>
#include <string>

using namespace controls_test;

namespace {

// Sets the process's time locale for one scope and puts the previous one back.
class TimeLocale {
public:
    explicit TimeLocale(const char* name) : previous_(std::setlocale(LC_TIME, nullptr)) {
        found = std::setlocale(LC_TIME, name) != nullptr;
    }
    ~TimeLocale() { std::setlocale(LC_TIME, previous_.c_str()); }
    bool found = false;

private:
    std::string previous_;
};

// The pixels of a rectangle of the window's client area, row by row.
std::vector<COLORREF> pixels(HWND window, RECT r) {
    std::vector<COLORREF> out;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            out.push_back(window_pixel(window, x, y));
    return out;
}

using CalendarNames = Controls;

} // namespace

TEST_F(CalendarNames, AGermanLocaleGivesGermanNamesAndCEnglishOnes) {
    {
        TimeLocale german("de_DE.UTF-8");
        ASSERT_TRUE(german.found) << "the German locale is missing (Debian package locales-all)";
        const ui::controls::CalendarNames& names = ui::controls::calendar_names();
        EXPECT_EQ(names.months[11], L"Dezember");
        EXPECT_EQ(names.short_months[2], L"M\u00e4r");
        EXPECT_EQ(names.short_weekdays[0], L"So");
    }
    TimeLocale plain("C");
    const ui::controls::CalendarNames& names = ui::controls::calendar_names();
    EXPECT_EQ(names.months[11], L"December");
    EXPECT_EQ(names.short_months[2], L"Mar");
    EXPECT_EQ(names.short_weekdays[0], L"Sun");
}

TEST_F(CalendarNames, TheMonthCalendarAndTheDatePickerDrawTheLocalesNames) {
    // Wednesday 9 December 2026: "December 2026" or "Dezember 2026", "Su Mo" or "So Mo",
    // "Wed 9 Dec 2026" or "Mi 9 Dez 2026".
    HWND calendar = child(MONTHCAL_CLASS, 0, {10, 40, 184, 194});
    HWND picker = child(DATETIMEPICK_CLASS, DTS_SHORTDATEFORMAT, {10, 200, 170, 222});
    struct Drawn {
        std::vector<COLORREF> title, sunday, monday, date;
    };
    const auto draw = [&] {
        invalidate_rect(calendar, nullptr, false);
        invalidate_rect(picker, nullptr, false);
        pump();
        // A 1-pixel border and 2 of margin; a 24-pixel title over an 18-pixel weekday header of 24-pixel columns.
        return Drawn{pixels(calendar, {1, 1, 173, 25}), pixels(calendar, {3, 25, 27, 42}),
                     pixels(calendar, {27, 25, 51, 42}), pixels(picker, {1, 1, 140, 21})};
    };
    TimeLocale locale("C");
    const Drawn english = draw();
    ASSERT_TRUE(std::setlocale(LC_TIME, "de_DE.UTF-8"));
    const Drawn german = draw();
    EXPECT_NE(german.title, english.title);
    EXPECT_NE(german.sunday, english.sunday);
    EXPECT_EQ(german.monday, english.monday);
    EXPECT_NE(german.date, english.date);
}
