#include "base/Convert.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

using namespace liba;

namespace {

const wchar_t* end_of(const std::wstring& text) { return text.data() + text.size(); }

// Runs the body under a user locale whose decimal separator is a comma, or skips.
class CommaLocale : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE", "fr_FR"}) {
            if (std::setlocale(LC_ALL, name)) {
                char probe[16];
                std::snprintf(probe, sizeof probe, "%.1f", 1.5);
                if (std::string(probe) == "1,5")
                    return;
            }
        }
        std::setlocale(LC_ALL, "C");
        GTEST_SKIP() << "no comma-decimal locale installed (package locales-all)";
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

void expect_c_locale_formats() {
    EXPECT_EQ(format_int_text(-1234567), "-1234567");
    EXPECT_EQ(format_int_text(INT32_MIN), "-2147483648");
    EXPECT_EQ(format_int_wtext(INT32_MIN), L"-2147483648");
    EXPECT_EQ(format_int_wtext(2027), L"2027");
    EXPECT_EQ(format_long_text(9876543210L), "9876543210");
    EXPECT_EQ(format_double_text(3.14159), "3.141590");
    EXPECT_EQ(format_double_text(-0.5), "-0.500000");
    EXPECT_EQ(format_double_decimals_text(3.14159, 2), "3.14");
    EXPECT_EQ(format_double_decimals_text(1234.5, 0), "1234");  // ties go to even, as printf
    EXPECT_EQ(format_double_decimals_text(0.66, 1), "0.7");
    EXPECT_EQ(format_fixed(5.0, 0, 2), L"05");
    EXPECT_EQ(format_fixed(12.0, 0, 2), L"12");
    EXPECT_EQ(format_fixed(0.5, 1, 2), L"00.5");
    EXPECT_EQ(format_fixed(123.0, 0, 2), L"123");
}

} // namespace

TEST(Convert, NumberFormats) { expect_c_locale_formats(); }

TEST_F(CommaLocale, NumberFormatsIgnoreTheUserLocale) { expect_c_locale_formats(); }

TEST(Convert, FormatFixedCountsTheDigitsAsWritten) {
    EXPECT_EQ(format_fixed(9.96, 1, 2), L"10.0");
    EXPECT_EQ(format_fixed(9.6, 0, 2), L"10");
    EXPECT_EQ(format_fixed(99.96, 1, 3), L"100.0");
    EXPECT_EQ(format_fixed(0.0, 0, 2), L"00");
    EXPECT_EQ(format_fixed(7.0, 0, 0), L"7");
}

TEST(Convert, DecimalsAreClamped) {
    EXPECT_EQ(format_double_decimals_text(1.0, -3), "1");
    EXPECT_EQ(format_double_decimals_text(1.0, 200).size(), 2u + 99u);
    EXPECT_EQ(format_double_decimals_text(1e308, 99).size(), 309u + 1u + 99u);
}

TEST(Convert, NarrowAndWideUseTheSystemCodePage) {
    EXPECT_EQ(to_wide("caf\xE9 \x80"), L"caf\u00E9 \u20AC");
    EXPECT_EQ(to_narrow(L"caf\u00E9 \u20AC \u4E2D"), "caf\xE9 \x80 ?");
}

TEST(Convert, ReadIntSkipsBlanksAndStopsAtTheFirstOtherCharacter) {
    const std::wstring text = L"  -12x";
    int32_t value = 99;
    const wchar_t* end = read_int(value, text.data(), end_of(text));
    EXPECT_EQ(value, -12);
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(*end, L'x');

    const std::wstring padded = L"007";
    EXPECT_EQ(read_int(value, padded.data(), end_of(padded)), end_of(padded));
    EXPECT_EQ(value, 7);
    const std::wstring plus = L"\t+42 5";
    EXPECT_EQ(read_int(value, plus.data(), end_of(plus)), plus.data() + 4);
    EXPECT_EQ(value, 42);
}

TEST(Convert, ReadIntWithoutDigits) {
    int32_t value = 99;
    const std::wstring empty;
    EXPECT_EQ(read_int(value, empty.data(), end_of(empty)), nullptr);
    const std::wstring blanks = L"   ";
    EXPECT_EQ(read_int(value, blanks.data(), end_of(blanks)), nullptr);
    const std::wstring sign = L" +";
    EXPECT_EQ(read_int(value, sign.data(), end_of(sign)), nullptr);
    EXPECT_EQ(value, 99);
    const std::wstring word = L"-x";
    EXPECT_EQ(read_int(value, word.data(), end_of(word)), nullptr);
    EXPECT_EQ(value, 0);
}

TEST(Convert, ReadIntWrapsOverlongNumbers) {
    int32_t value = 0;
    const std::wstring max = L"2147483647";
    read_int(value, max.data(), end_of(max));
    EXPECT_EQ(value, INT32_MAX);
    const std::wstring min = L"-2147483648";
    read_int(value, min.data(), end_of(min));
    EXPECT_EQ(value, INT32_MIN);
    const std::wstring over = L"4294967297";  // 2^32 + 1
    read_int(value, over.data(), end_of(over));
    EXPECT_EQ(value, 1);
    const std::wstring huge = L"99999999999999999999999999";
    EXPECT_EQ(read_int(value, huge.data(), end_of(huge)), end_of(huge));
}

TEST(Convert, TokensAndBlanks) {
    const std::wstring text = L" \t10 0 0 Courier New";
    const wchar_t* p = skip_blanks(text.data(), end_of(text));
    EXPECT_EQ(*p, L'1');
    std::wstring token = L">";
    p = copy_token(token, p, end_of(text));
    EXPECT_EQ(token, L">10");
    EXPECT_EQ(*p, L' ');
    const std::wstring only_blanks = L" \u2003\u3000";
    EXPECT_EQ(skip_blanks(only_blanks.data(), end_of(only_blanks)), end_of(only_blanks));
    token.clear();
    const std::wstring last_word = L"New";
    EXPECT_EQ(copy_token(token, last_word.data(), end_of(last_word)), end_of(last_word));
    EXPECT_EQ(token, L"New");
}
