#include "app/PanelFileExplorer.h"

#include "../skinner/SkinFixture.h"
#include "TempRoot.h"
#include "os/Application.h"
#include "skinner/Container.h"
#include "skinner/Properties.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace skinner;
using namespace skin_fixture;

namespace {

const char* const explorer_skin = R"(<skin id="f"><design width="240" height="320"/>
  <form name="Form">
    <point name="Size" x="240" y="200"/>
    <control name="listFiles"><string name="FormTemplate" value="PanelFileExplorer"/>
      <point name="Position" x="0" y="0"/><point name="Size" x="240" y="200"/></control>
  </form>
  <form name="PanelFileExplorer">
    <point name="Size" x="240" y="200"/>
    <control name="lstFiles"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="200"/>
      <int name="ItemHeight" value="20"/><int name="IconWidth" value="20"/>
      <picture name="IconUp" image="red"/><picture name="IconFolder" image="green"/>
      <picture name="IconFile" image="blue"/><picture name="IconAudio" image="black"/></control>
  </form></skin>)";

struct Events : Listener {
    int32_t on_menu_command(Control* sender, const std::wstring& command) override {
        log.push_back(sender->get_name() + L" " + command);
        return 1;
    }
    std::vector<std::wstring> log;
};

struct FileExplorerTest : testing::Test {
    FileExplorerTest() {
        write_picture("red", 8, 8, plat::rgb(255, 0, 0));
        write_picture("green", 8, 8, plat::rgb(0, 255, 0));
        write_picture("blue", 8, 8, plat::rgb(0, 0, 255));
        write_picture("black", 8, 8, plat::rgb(0, 0, 0));
        properties.load_skin(write_skin(explorer_skin), {240, 320});
        for (const char* file : {"Sounds/b.txt", "Sounds/c.WAV", "Sounds/a.mp3", "Sounds/d.wma", "Sounds/.hidden.mp3",
                                 "Sounds/Zed/x.mp3", "Sounds/alpha/y.mp3", "Sounds/.git/z.mp3"})
            root.write(file, "x");
        owner = std::make_unique<Container>(&form, &properties, L"Form", creation_named, &events);
        owner->activate(true);
        panel = std::make_unique<PanelFileExplorer>(owner.get(), L"listFiles", &properties);
    }
    std::vector<std::wstring> names() {
        std::vector<std::wstring> shown;
        for (const ControlFiles::Entry& entry : files().rows())
            shown.push_back(entry.name);
        return shown;
    }
    ControlFiles& files() { return panel->get_files(); }
    struct Root {
        void write(const std::string& relative, const std::string& bytes) {
            const std::filesystem::path path = std::filesystem::path(testing_support::process_root()) / relative;
            std::filesystem::create_directories(path.parent_path());
            std::ofstream(path) << bytes;
        }
    } root;
    os::Application application{nullptr};
    Properties properties;
    FormStandIn form;
    Events events;
    std::unique_ptr<Container> owner;
    std::unique_ptr<PanelFileExplorer> panel;
};

} // namespace

TEST_F(FileExplorerTest, FoldersThenFilteredFilesInNameOrderWithoutDotNames) {
    files().open_folder(L"\\Sounds");
    EXPECT_EQ(names(), (std::vector<std::wstring>{L"...", L"alpha", L"Zed", L"a.mp3", L"b.txt", L"c.WAV", L"d.wma"}));
    files().add_extension(L"mp3");
    files().add_extension(L"song.WAV");
    files().add_extension(L"MP3");
    EXPECT_EQ(names(), (std::vector<std::wstring>{L"...", L"alpha", L"Zed", L"a.mp3", L"c.WAV"}));

    // The icons: up, folder, audio by extension, plain file.
    files().add_extension(L"txt");
    files().add_extension(L"wma");
    Screen screen(240, 200);
    panel->paint(*screen.canvas, {0, 0}, {240, 200});
    const plat::COLORREF expected[] = {plat::rgb(255, 0, 0), plat::rgb(0, 255, 0), plat::rgb(0, 255, 0),
                                       plat::rgb(0, 0, 0),   plat::rgb(0, 0, 255), plat::rgb(0, 0, 0),
                                       plat::rgb(0, 0, 0)};
    for (int row = 0; row < 7; ++row)
        EXPECT_EQ(screen.at(10, row * 20 + 10), expected[row]) << "row " << row;
}

TEST_F(FileExplorerTest, UpLeavesTheCursorOnTheFolderLeftAndTheRootHasNoUpLine) {
    EXPECT_TRUE(ControlFiles::is_root(files().get_folder()));
    EXPECT_NE(files().rows().front().kind, ControlFiles::kind_up);  // no up line at the root
    EXPECT_EQ(files().on_key_down(key::escape), 0);

    files().select_path(L"\\Sounds\\Zed\\x.mp3", true);
    EXPECT_EQ(names(), (std::vector<std::wstring>{L"...", L"x.mp3"}));
    EXPECT_EQ(files().get_selected_path(), L"\\Sounds\\Zed\\x.mp3");
    EXPECT_EQ(files().get_selected_kind(), ControlFiles::kind_file);
    EXPECT_EQ(files().on_key_down(key::escape), 1);
    EXPECT_EQ(files().get_folder(), L"\\Sounds");
    EXPECT_EQ(files().get_selected_path(), L"\\Sounds\\Zed");

    // The action key opens a folder, goes up on the up line, and on a file asks the form for "Ok".
    files().on_key_down(key::action);
    EXPECT_EQ(files().get_folder(), L"\\Sounds\\Zed");
    files().on_key_down(key::down);
    files().on_key_down(key::action);
    EXPECT_EQ(events.log, (std::vector<std::wstring>{L"lstFiles Ok"}));
    files().on_key_down(key::up);
    files().on_key_down(key::action);
    EXPECT_EQ(files().get_folder(), L"\\Sounds");
    // A folder opened from its row starts on the up line, whatever row it stood on.
    files().select_path(L"\\Sounds\\alpha", false);
    files().on_key_down(key::action);
    EXPECT_EQ(files().get_folder(), L"\\Sounds\\alpha");
    EXPECT_EQ(files().get_selected_kind(), ControlFiles::kind_up);
    files().on_key_down(key::escape);
    files().select_path(L"\\Sounds\\nothing.mp3", false);
    EXPECT_EQ(files().get_selected_kind(), ControlFiles::kind_up);  // row 0
}

TEST_F(FileExplorerTest, AVanishedFolderShowsTheRoot) {
    files().open_folder(L"\\Sounds\\alpha\\");
    EXPECT_EQ(files().get_folder(), L"\\Sounds\\alpha");
    std::filesystem::remove_all(std::filesystem::path(testing_support::process_root()) / "Sounds" / "alpha");
    files().open_folder(L"\\Sounds\\alpha");
    EXPECT_TRUE(ControlFiles::is_root(files().get_folder()));
    files().open_folder(L"\\Sounds\\a.mp3");  // a file is no folder
    EXPECT_TRUE(ControlFiles::is_root(files().get_folder()));
    files().select_path(L"", false);
    EXPECT_EQ(files().get_selected_path(), files().rows().front().path);  // row 0
}
