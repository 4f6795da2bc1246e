#include "base/StringTranslator.h"

#include "TempRoot.h"
#include "plat/Text.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using testing_support::process_root;

std::wstring write_file(const std::string& name, const std::string& bytes) {
    std::ofstream(process_root() + "/" + name, std::ios::binary) << bytes;
    return L"\\" + plat::from_utf8(name);
}

std::string utf16_file(std::wstring_view text) { return "\xFF\xFE" + plat::to_utf16le(text); }

// Every rule of the format once, with CR LF, lone CR and LF line ends.
const std::wstring sample = L"title= Alarm\r\n"
                            L"name Alarm  \r\n"
                            L"   indented\tvalue with\ttabs\n"
                            L"\n"
                            L"empty=\n"
                            L"alone\n"
                            L"next line text\r"
                            L"// a comment line\n"
                            L"//nospace=x\n"
                            L"slashes // b\n"
                            L"= lone\n"
                            L"key=value trailing\n"
                            L"dup first\n"
                            L"dup second\n"
                            L"caf\u00e9 cr\u00e8me \u20ac\n"
                            L"last";

void expect_sample_table(const liba::StringTranslator& t) {
    EXPECT_EQ(t.translate(L"title", L"?"), L" Alarm");
    EXPECT_EQ(t.translate(L"name", L"?"), L"Alarm  ");
    EXPECT_EQ(t.translate(L"indented", L"?"), L"value with\ttabs");
    EXPECT_EQ(t.translate(L"empty", L"?"), L"");
    EXPECT_EQ(t.translate(L"alone", L"?"), L"next line text");
    EXPECT_EQ(t.translate(L"next", L"?"), L"?");  // the taken line has no entry of its own
    EXPECT_EQ(t.translate(L"//", L"?"), L"?");
    EXPECT_EQ(t.translate(L"//nospace", L"?"), L"?");
    EXPECT_EQ(t.translate(L"slashes", L"?"), L"// b");
    EXPECT_EQ(t.translate(L"", L"?"), L"?");
    EXPECT_EQ(t.translate(L"key=value", L"?"), L"trailing");  // one token: the whole of it is the key
    EXPECT_EQ(t.translate(L"key", L"?"), L"?");
    EXPECT_EQ(t.translate(L"dup", L"?"), L"second");
    EXPECT_EQ(t.translate(L"caf\u00e9", L"?"), L"cr\u00e8me \u20ac");
    EXPECT_EQ(t.translate(L"last", L"?"), L"");
    EXPECT_EQ(t.translate(L"TITLE", L"default"), L"default");
}

TEST(StringTranslatorTest, Utf16FileFollowsTheFormatRules) {
    liba::StringTranslator t(write_file("en.lng", utf16_file(sample)));
    expect_sample_table(t);
    EXPECT_EQ(t.file_name(), L"\\en.lng");
}

TEST(StringTranslatorTest, Utf16AndCodePageFilesGiveIdenticalTables) {
    liba::StringTranslator wide(write_file("wide.lng", utf16_file(sample)));
    liba::StringTranslator narrow(write_file("narrow.lng", plat::to_cp1252(sample)));
    expect_sample_table(narrow);
    EXPECT_EQ(wide.table(), narrow.table());
    EXPECT_FALSE(wide.table().empty());
}

TEST(StringTranslatorTest, MissingFileLeavesTheTableAsItWas) {
    liba::StringTranslator t(write_file("a.lng", "a one\nb two\n"));
    EXPECT_FALSE(t.load_file(L"\\missing.lng"));
    EXPECT_EQ(t.translate(L"a", L"?"), L"one");
    EXPECT_EQ(t.file_name(), L"\\a.lng");

    liba::StringTranslator none(L"\\missing.lng");
    EXPECT_TRUE(none.table().empty());
}

TEST(StringTranslatorTest, LoadingASecondFileMergesAndReplaces) {
    liba::StringTranslator t(write_file("a.lng", "a one\nb two\n"));
    ASSERT_TRUE(t.load_file(write_file("b.lng", "b zwei\nc drei\n")));
    EXPECT_EQ(t.translate(L"a", L"?"), L"one");
    EXPECT_EQ(t.translate(L"b", L"?"), L"zwei");
    EXPECT_EQ(t.translate(L"c", L"?"), L"drei");
    EXPECT_EQ(t.file_name(), L"\\b.lng");
}

TEST(StringTranslatorTest, TranslateReturnsACopyThatOutlivesATemporaryDefault) {
    liba::StringTranslator t;
    std::wstring text = t.translate(L"nothing", std::wstring(L"a default long enough to live on the heap"));
    EXPECT_EQ(text, L"a default long enough to live on the heap");
}

TEST(StringTranslatorTest, ShortOrOddFilesAreCodePageText) {
    // Three bytes are 8-bit text even when they begin with FF FE.
    liba::StringTranslator three(write_file("three.lng", "\xFF\xFE" "a"));
    EXPECT_EQ(three.translate(L"\u00ff\u00fea", L"?"), L"");
    liba::StringTranslator empty(write_file("empty.lng", ""));
    EXPECT_TRUE(empty.table().empty());
    liba::StringTranslator mark(write_file("mark.lng", "\xFF\xFE"));
    EXPECT_TRUE(mark.table().empty());
}

} // namespace
