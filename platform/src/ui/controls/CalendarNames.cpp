#include "ui/controls/CalendarNames.h"

#include <clocale>
#include <cstring>
#include <cwchar>
#include <langinfo.h>
#include <locale.h>

namespace plat::ui::controls {
namespace {

const CalendarNames english = {
    {L"January", L"February", L"March", L"April", L"May", L"June", L"July", L"August", L"September", L"October",
     L"November", L"December"},
    {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun", L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"},
    {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"},
};

// One name of the locale, decoded in the locale's own character set; the
// fallback when the locale has none or it does not decode.
std::wstring name_of(locale_t locale, nl_item item, const std::wstring& fallback) {
    const char* bytes = nl_langinfo_l(item, locale);
    if (!bytes || !*bytes)
        return fallback;
    std::wstring text(std::strlen(bytes), L'\0');
    std::mbstate_t state{};
    const locale_t previous = uselocale(locale);
    const size_t count = std::mbsrtowcs(text.data(), &bytes, text.size(), &state);
    uselocale(previous);
    if (count == size_t(-1) || count == 0)
        return fallback;
    text.resize(count);
    return text;
}

CalendarNames read_names(const char* time_locale) {
    CalendarNames names = english;
    const locale_t locale = newlocale(LC_CTYPE_MASK | LC_TIME_MASK, time_locale, locale_t(0));
    if (!locale)
        return names;
    for (int i = 0; i < 12; ++i) {
        names.months[i] = name_of(locale, nl_item(ALTMON_1 + i), english.months[i]);
        names.short_months[i] = name_of(locale, nl_item(ABMON_1 + i), english.short_months[i]);
    }
    for (int i = 0; i < 7; ++i)
        names.short_weekdays[i] = name_of(locale, nl_item(ABDAY_1 + i), english.short_weekdays[i]);
    freelocale(locale);
    return names;
}

} // namespace

const CalendarNames& calendar_names() {
    static std::string locale_read;
    static CalendarNames names = english;
    const char* current = std::setlocale(LC_TIME, nullptr);
    if (current && locale_read != current) {
        locale_read = current;
        names = read_names(current);
    }
    return names;
}

} // namespace plat::ui::controls
