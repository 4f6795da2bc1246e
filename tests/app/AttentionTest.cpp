#include "app/FormAttention.h"

#include "EditorFixture.h"

#include <gtest/gtest.h>

using namespace editor_fixture;

namespace {

class AttentionTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        for (const char* file : {"b.wav", "a.mp3", "c.ogg", "d.wma", "Old/e.mp3"}) {
            const std::filesystem::path path = std::filesystem::path(testing_support::process_root()) / "Sounds" / file;
            std::filesystem::create_directories(path.parent_path());
            std::ofstream(path) << "x";
        }
    }
    std::vector<std::wstring> names(FormAttention& chooser) {
        std::vector<std::wstring> shown;
        for (const ControlFiles::Entry& entry : chooser.get_files().rows())
            shown.push_back(entry.name);
        return shown;
    }
};

} // namespace

TEST_F(AttentionTest, ApplyAndTheActionKeyAnswerTheFileCancelAndFoldersNothing) {
    {
        FormAttention chooser(nullptr, properties, L"\\Sounds\\b.wav");
        EXPECT_EQ(names(chooser), (std::vector<std::wstring>{L"...", L"Old", L"a.mp3", L"b.wav", L"c.ogg"}));
        EXPECT_EQ(chooser.get_files().get_selected_path(), L"\\Sounds\\b.wav");
        run_steps({click(L"btnApply")});
        EXPECT_EQ(chooser.run(), L"\\Sounds\\b.wav");
    }
    {
        FormAttention chooser(nullptr, properties, L"\\Sounds\\b.wav");
        run_steps({click(L"btnCancel")});
        EXPECT_EQ(chooser.run(), L"");
    }
    {
        // A folder selected: Play and Apply are off, and an Apply anyway answers nothing.
        FormAttention chooser(nullptr, properties, L"\\Sounds\\b.wav");
        chooser.get_files().select_path(L"\\Sounds\\Old", false);
        EXPECT_FALSE(button_of(chooser, L"btnApply")->is_own_enabled());
        EXPECT_FALSE(button_of(chooser, L"btnPlay")->is_own_enabled());
        run_steps({act([&] { chooser.on_click(button_of(chooser, L"btnApply")); })});
        EXPECT_EQ(chooser.run(), L"");
    }
    {
        // The action key on a file: the list asks for Ok, which applies.
        FormAttention chooser(nullptr, properties, L"\\Sounds\\a.mp3");
        EXPECT_TRUE(button_of(chooser, L"btnApply")->is_own_enabled());
        run_steps({act([&] {
            chooser.get_files().on_key_down(skinner::key::down);
            chooser.get_files().on_key_down(skinner::key::action);
        })});
        EXPECT_EQ(chooser.run(), L"\\Sounds\\b.wav");
    }
}

TEST_F(AttentionTest, PlayMakesANewPlayerEachTimeAndStopKeepsIt) {
    FormAttention chooser(nullptr, properties, L"\\Sounds\\a.mp3");
    button_of(chooser, L"btnPlay")->click();
    FilePlayer* first = chooser.get_player();
    ASSERT_NE(first, nullptr);
    button_of(chooser, L"btnStop")->click();
    EXPECT_EQ(chooser.get_player(), first);
    button_of(chooser, L"btnPlay")->click();
    EXPECT_NE(chooser.get_player(), nullptr);
    // Up and down always land in the list, wherever the focus was.
    chooser.on_key_down(skinner::key::right);
    chooser.on_key_down(skinner::key::down);
    ASSERT_NE(chooser.get_focused_child(), nullptr);
    EXPECT_EQ(chooser.get_focused_child()->get_name(), L"listFiles");
}
