#include "base/Path.h"

#include "base/File.h"
#include "plat/Paths.h"
#include "TempRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace liba;

namespace {

struct ProgramAt {
    explicit ProgramAt(const wchar_t* path) { plat::set_module_file_name(path); }
    ~ProgramAt() { plat::set_module_file_name(L""); }
};

} // namespace

TEST(PathMacros, LeadingMacroIsReplacedAndSeparatorsNormalised) {
    ProgramAt program(L"\\Program Files\\Chimely\\Chimely");
    EXPECT_EQ(expand_path_macros(L"%app_path%/skin/Default.skin"), L"\\Program Files\\Chimely\\skin\\Default.skin");
    EXPECT_EQ(expand_path_macros(L"%app_full_name%.txt"), L"\\Program Files\\Chimely\\Chimely.txt");
    EXPECT_EQ(expand_path_macros(L"%app_name%"), L"Chimely");
    EXPECT_EQ(expand_path_macros(L"%windows%/qevachimely.ini"), L"\\windows\\qevachimely.ini");
    EXPECT_EQ(expand_path_macros(L"%my_documents%"), L"\\My Documents");
    EXPECT_EQ(expand_path_macros(L"%startup%"), L"\\windows\\StartUp");
    EXPECT_EQ(expand_path_macros(L"%programs%"), L"\\windows\\Start Menu\\Programs");
    EXPECT_EQ(expand_path_macros(L"%start_menu%"), L"\\windows\\Start Menu");
    EXPECT_EQ(expand_path_macros(L"%program_files%/x"), L"\\Program Files\\x");
    EXPECT_EQ(expanded_path(L"a/b\\c"), L"a\\b\\c");
}

TEST(PathMacros, OnlyExactCaseAtTheStart) {
    ProgramAt program(L"\\Program Files\\Chimely\\Chimely");
    EXPECT_EQ(expand_path_macros(L"%APP_PATH%/skin"), L"%APP_PATH%\\skin");
    EXPECT_EQ(expand_path_macros(L"x/%app_path%/y"), L"x\\%app_path%\\y");
    EXPECT_EQ(expand_path_macros(L"%app_pat"), L"%app_pat");
    EXPECT_EQ(expand_path_macros(L""), L"");
}

TEST(PathMacros, AppPathFollowsTheProgramName) {
    ProgramAt program(L"\\Program Files\\Chimely\\Bellcue.exe");
    EXPECT_EQ(expand_path_macros(L"%app_name%"), L"Bellcue.exe");
    EXPECT_EQ(expand_path_macros(L"%app_path%\\Bellcue.exe"), L"\\Program Files\\Chimely\\Bellcue.exe");
}

TEST(PathParts, SplitAndJoin) {
    EXPECT_EQ(strip_trailing_separator(L"a\\b\\"), L"a\\b");
    EXPECT_EQ(strip_trailing_separator(L"a//"), L"a/");
    EXPECT_EQ(strip_trailing_separator(L""), L"");
    EXPECT_EQ(directory_part(L"\\x\\song.mp3"), L"\\x\\");
    EXPECT_EQ(directory_part(L"song.mp3"), L"");
    EXPECT_EQ(file_name_part(L"\\x/song.mp3"), L"song.mp3");
    EXPECT_EQ(file_name_part(L"\\x\\"), L"");
    EXPECT_EQ(file_name_part(L"plain"), L"plain");
    EXPECT_EQ(extension_part(L"a.b\\c"), L"");
    EXPECT_EQ(extension_part(L"\\x\\song.MP3"), L"MP3");
    EXPECT_EQ(extension_part(L"archive.tar.gz"), L"gz");
    EXPECT_EQ(base_name_part(L"\\x\\song.mp3"), L"song");
    EXPECT_EQ(base_name_part(L"\\x.y\\README"), L"README");
    EXPECT_EQ(parent_directory(L"\\a\\b\\"), L"\\a\\");
    EXPECT_EQ(parent_directory(L"\\a\\b"), L"\\a\\");
    EXPECT_EQ(join_path(L"", L"a"), L"a");
    EXPECT_EQ(join_path(L"d\\", L"a"), L"d\\a");
    EXPECT_EQ(join_path(L"d/", L"a"), L"d\\a");
    EXPECT_EQ(join_path(L"d", L"a"), L"d\\a");
}

TEST(PathCompare, IgnoresCaseSeparatorsTrailingSeparatorAndMacros) {
    ProgramAt program(L"\\Program Files\\Chimely\\Chimely");
    EXPECT_TRUE(paths_equal(L"c:\\a\\", L"c:/A"));
    EXPECT_TRUE(paths_equal(L"%app_path%\\Alarms.ini", L"\\PROGRAM FILES\\chimely\\alarms.INI"));
    EXPECT_FALSE(paths_equal(L"\\a\\b", L"\\a\\c"));
    EXPECT_EQ(canonical_path(L"%windows%\\X\\"), L"\\windows\\x");
}

TEST(PathCompare, RelativePaths) {
    EXPECT_EQ(relative_path(L"\\a\\", L"\\b\\x"), L"..\\b\\x");
    EXPECT_EQ(relative_path(L"\\windows\\a\\", L"\\Windows\\B\\x.Lng"), L"..\\b\\x.Lng");
    EXPECT_EQ(relative_path(L"\\windows\\", L"\\windows\\x.Lng"), L"x.Lng");
    EXPECT_EQ(relative_path(L"a\\", L"b\\x"), L"");  // no shared first component
    EXPECT_EQ(relative_path(L"nofolder", L"\\x"), L"");
    // With "//" the first component runs through it.
    EXPECT_EQ(relative_path(L"//server/share/a/", L"//server/share/b/f"), L"..\\b\\f");
}

TEST(PathText, CaseAndClassesAreLocaleFree) {
    EXPECT_EQ(to_lower_case(L"ABC\u00C9\u0416"), L"abc\u00E9\u0436");
    EXPECT_EQ(to_upper_case(L"abc\u00E9\u0436"), L"ABC\u00C9\u0416");
    EXPECT_TRUE(is_blank(L' '));
    EXPECT_TRUE(is_blank(L'\t'));
    EXPECT_FALSE(is_blank(L'x'));
    EXPECT_TRUE(is_digit(L'0'));
    EXPECT_FALSE(is_digit(L'a'));
}

namespace {

std::wstring decode_file(const std::string& bytes, uint32_t count, uint32_t skip = 0) {
    std::string path = testing_support::process_root() + "/decode.bin";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    os::File file(L"\\decode.bin", os::File::mode_read);
    file.skip(skip);
    return decode_text(file, count);
}

} // namespace

TEST(DecodeText, Utf16WithMarkOrEightBit) {
    EXPECT_EQ(decode_file(std::string("\xFF\xFE" "A\0\xAC\x20", 6), 100), L"A\u20AC");
    EXPECT_EQ(decode_file("caf\xE9 \x80", 100), L"caf\u00E9 \u20AC");
    EXPECT_EQ(decode_file("\xFF\xFE" "A", 100), L"\u00FF\u00FE" L"A");  // odd: always 8-bit
    EXPECT_EQ(decode_file("abcdef", 4), L"abcd");
    EXPECT_EQ(decode_file("abcdef", 100, 4), L"ef");
    EXPECT_EQ(decode_file("x", 100), L"x");
    EXPECT_EQ(decode_file("", 100), L"");
}
