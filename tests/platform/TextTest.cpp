#include "plat/Text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

using namespace plat;

namespace {
std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += char(v);
    return out;
}
} // namespace

TEST(Utf16, EncodesSurrogatePairsWithoutMark) {
    std::wstring text = L"A\u20AC\U0001F600";
    EXPECT_EQ(to_utf16le(text), bytes({0x41, 0x00, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_EQ(utf16_length(text), 4u);
    std::string encoded = to_utf16le(text);
    EXPECT_EQ(from_utf16le(encoded.data(), encoded.size()), text);
}

TEST(Utf16, BrokenInputDecodesSafely) {
    // Odd last byte ignored.
    std::string odd = bytes({0x41, 0x00, 0x42});
    EXPECT_EQ(from_utf16le(odd.data(), odd.size()), L"A");
    // Lone low surrogate, high surrogate followed by a letter, high surrogate at the end.
    std::string lone = bytes({0x00, 0xDC, 0x3D, 0xD8, 0x41, 0x00, 0x3D, 0xD8});
    EXPECT_EQ(from_utf16le(lone.data(), lone.size()), L"\uFFFD\uFFFDA\uFFFD");
    EXPECT_EQ(from_utf16le(nullptr, 0), L"");
}

TEST(Utf16, InvalidCodePointsBecomeReplacement) {
    std::wstring text;
    text += wchar_t(0xD800);
    text += wchar_t(0x110000);
    EXPECT_EQ(to_utf16le(text), bytes({0xFD, 0xFF, 0xFD, 0xFF}));
    EXPECT_EQ(utf16_length(text), 2u);
}

TEST(Utf8, RoundTripsAllPlanes) {
    std::wstring text = L"a\u00E9\u0416\u20AC\U0001F600";
    EXPECT_EQ(to_utf8(text), "a\xC3\xA9\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(from_utf8(to_utf8(text)), text);
}

TEST(Utf8, InvalidSequencesBecomeReplacement) {
    EXPECT_EQ(from_utf8("\xC3"), L"\uFFFD");                          // truncated at the end
    EXPECT_EQ(from_utf8("\xE2\x82" "A"), L"\uFFFDA");                 // truncated before a letter
    EXPECT_EQ(from_utf8("\xC0\xAF"), L"\uFFFD\uFFFD");                // overlong
    EXPECT_EQ(from_utf8("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");      // encoded surrogate
    EXPECT_EQ(from_utf8("\xF4\x90\x80\x80"), L"\uFFFD\uFFFD\uFFFD\uFFFD");  // above U+10FFFF
    EXPECT_EQ(from_utf8("\xFF" "b"), L"\uFFFDb");
}

TEST(Cp1252, MapsTheHighRowAndRoundTripsEveryByte) {
    EXPECT_EQ(to_cp1252(L"\u20AC\u2019\u0178\u00E9"), "\x80\x92\x9F\xE9");
    EXPECT_EQ(from_cp1252("\x80\x9C"), L"\u20AC\u0153");
    EXPECT_EQ(to_cp1252(L"\u0100\u4E00\U0001F600"), "???");
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    EXPECT_EQ(to_cp1252(from_cp1252(all)), all);
}

TEST(CharacterClasses, KnowLatinAndOtherScripts) {
    for (wchar_t c : std::wstring(L" \t\n\r\v\f\u3000\u2003"))
        EXPECT_TRUE(is_space(c)) << int(c);
    EXPECT_FALSE(is_space(L'a'));
    EXPECT_TRUE(is_digit(L'7'));
    EXPECT_FALSE(is_digit(L'\u0663'));  // Arabic-Indic three: not a decimal digit here
    for (wchar_t c : std::wstring(L"zZ\u00E9\u00DF\u0416\u03A9\u4E2D"))
        EXPECT_TRUE(is_alpha(c)) << int(c);
    for (wchar_t c : std::wstring(L"1_ \u00D7\u00F7"))
        EXPECT_FALSE(is_alpha(c)) << int(c);
}

TEST(CaseMapping, SimpleMappingsBothWays) {
    EXPECT_EQ(to_lower(L"AZ\u00C4\u00DE\u0416\u0401\u03A3\u0178\u0100\u0139\u1E9E"),
              L"az\u00E4\u00FE\u0436\u0451\u03C3\u00FF\u0101\u013A\u1E9E");
    EXPECT_EQ(to_upper(L"az\u00E4\u00FE\u0436\u0451\u03C3\u03C2\u00FF\u0101\u013A"),
              L"AZ\u00C4\u00DE\u0416\u0401\u03A3\u03A3\u0178\u0100\u0139");
    EXPECT_EQ(to_upper(L'\u00DF'), L'\u00DF');  // no one-character capital
    EXPECT_EQ(to_lower(L'\u0130'), L'i');
    EXPECT_EQ(to_upper(L'\u0131'), L'I');
    EXPECT_EQ(to_lower(L'I'), L'i');  // never the Turkish dotless i
    EXPECT_EQ(to_lower(L'1'), L'1');
}

TEST(CaseMapping, DoesNotFollowTheLocale) {
    std::wstring before = to_lower(std::wstring(L"I\u00C9\u0416")) + to_upper(std::wstring(L"i\u00E9"));
    const char* old = std::setlocale(LC_ALL, nullptr);
    std::string saved = old ? old : "C";
    std::setlocale(LC_ALL, "C.UTF-8");
    std::wstring after = to_lower(std::wstring(L"I\u00C9\u0416")) + to_upper(std::wstring(L"i\u00E9"));
    std::setlocale(LC_ALL, "C");
    std::wstring in_c = to_lower(std::wstring(L"I\u00C9\u0416")) + to_upper(std::wstring(L"i\u00E9"));
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(before, after);
    EXPECT_EQ(before, in_c);
    EXPECT_EQ(before, L"i\u00E9\u0436I\u00C9");
}

TEST(CaseMapping, ComparesIgnoringCase) {
    EXPECT_TRUE(equal_no_case(L"Program Files", L"PROGRAM files"));
    EXPECT_TRUE(equal_no_case(L"\u00C9T\u00C9", L"\u00E9t\u00E9"));
    EXPECT_FALSE(equal_no_case(L"abc", L"abcd"));
    EXPECT_LT(compare_no_case(L"apple", L"Banana"), 0);
    EXPECT_GT(compare_no_case(L"b", L"A"), 0);
    EXPECT_LT(compare_no_case(L"ab", L"AbC"), 0);
}
