#include "base/Finder.h"

#include "TempRoot.h"
#include "plat/Paths.h"
#include "plat/Text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using testing_support::process_root;

void make_files(std::initializer_list<const char*> paths) {
    for (const char* p : paths) {
        std::filesystem::path full = std::filesystem::path(process_root()) / p;
        if (std::string(p).ends_with("/")) {
            std::filesystem::create_directories(full);
        } else {
            std::filesystem::create_directories(full.parent_path());
            std::ofstream(full) << "x";
        }
    }
}

// Records every visit as "F path" or "D path"; may refuse one path.
class Visits : public os::Finder {
public:
    bool on_file(const std::wstring& path) override {
        seen.push_back(L"F " + path);
        return path != refuse;
    }
    bool on_directory(const std::wstring& path) override {
        seen.push_back(L"D " + path);
        return path != refuse;
    }
    std::vector<std::wstring> seen;
    std::wstring refuse;
};

TEST(FolderWalkTest, FileMaskSelectsFilesAndSubfoldersAreNotFiles) {
    make_files({"skins/a.skin", "skins/b.lng", "skins/C.SKIN", "skins/d.skin/"});
    os::FinderCollector collector;
    os::Finder::find(collector, L"\\skins", L"*.skin", L"*", false);
    EXPECT_EQ(collector.files, (std::vector<std::wstring>{L"\\skins\\a.skin", L"\\skins\\C.SKIN"}));
}

TEST(FolderWalkTest, RecursiveWalkVisitsFilesFirstThenEachSubfolderInTurn) {
    make_files({"w/b.txt", "w/A.txt", "w/sub2/z.txt", "w/Sub1/y.txt", "w/Sub1/deep/x.txt", "w/sub2/other.dat",
                "w/empty/"});
    Visits visits;
    os::Finder::find(visits, L"\\w\\", L"*.txt", L"*", true);
    EXPECT_EQ(visits.seen, (std::vector<std::wstring>{
                               L"F \\w\\A.txt", L"F \\w\\b.txt",
                               L"D \\w\\empty",
                               L"D \\w\\Sub1", L"F \\w\\Sub1\\y.txt",
                               L"D \\w\\Sub1\\deep", L"F \\w\\Sub1\\deep\\x.txt",
                               L"D \\w\\sub2", L"F \\w\\sub2\\z.txt",
                           }));

    Visits flat;
    os::Finder::find(flat, L"\\w", L"*.txt", L"sub*", false);
    EXPECT_EQ(flat.seen, (std::vector<std::wstring>{L"F \\w\\A.txt", L"F \\w\\b.txt", L"D \\w\\Sub1", L"D \\w\\sub2"}));
}

TEST(FolderWalkTest, FalseEndsOnlyTheFolderWhereItWasReturned) {
    make_files({"v/a.txt", "v/s1/a.txt", "v/s1/b.txt", "v/s1/inner/c.txt", "v/s2/d.txt"});
    Visits visits;
    visits.refuse = L"\\v\\s1\\a.txt";
    os::Finder::find(visits, L"\\v", L"*", L"*", true);
    EXPECT_EQ(visits.seen, (std::vector<std::wstring>{L"F \\v\\a.txt", L"D \\v\\s1", L"F \\v\\s1\\a.txt", L"D \\v\\s2",
                                                      L"F \\v\\s2\\d.txt"}));

    Visits folders;
    folders.refuse = L"\\v\\s1";
    os::Finder::find(folders, L"\\v", L"*", L"*", true);
    EXPECT_EQ(folders.seen, (std::vector<std::wstring>{L"F \\v\\a.txt", L"D \\v\\s1"}));
}

TEST(FolderWalkTest, EmptyFolderSearchesTheBareMaskWithMacros) {
    make_files({"windows/English.lng", "windows/Deutsch.lng", "windows/x.txt"});
    os::FinderCollector collector;
    os::Finder::find(collector, L"", L"%windows%\\*.lng", L"%windows%\\none", false);
    EXPECT_EQ(collector.files, (std::vector<std::wstring>{L"Deutsch.lng", L"English.lng"}));
}

TEST(FolderWalkTest, MissingFolderAndLinkLoopsEndQuietly) {
    os::FinderCollector nothing;
    os::Finder::find(nothing, L"\\no\\such\\folder", L"*", L"*", true);
    EXPECT_TRUE(nothing.files.empty());

    make_files({"loop/file.txt"});
    std::filesystem::create_directory_symlink(process_root() + "/loop", process_root() + "/loop/again");
    os::FinderCollector collector;
    os::Finder::find(collector, L"\\loop", L"*", L"*", true);
    EXPECT_EQ(collector.files, (std::vector<std::wstring>{L"\\loop\\file.txt"}));
}

} // namespace
