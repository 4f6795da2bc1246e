#include "FormFixture.h"

#include "skinner/MenuManager.h"
#include "skinner/controls/ControlTab.h"
#include "skinner/controls/ControlTabElement.h"

#include "plat/Clock.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace skinner;

const char* const tab_skin = R"(<skin id="tabs" devices="">
  <design width="240" height="320"/>
  <kind name="Strip"/>
  <kind name="Arrow"/>
  <form name="Tabs">
    <point name="Size" x="240" y="260"/>
    <control name="tabTest"><point name="Position" x="0" y="0"/><point name="Size" x="200" y="100"/>
      <string name="FormTemplate" value="TabPages"/>
      <string name="KindGrid" value="Strip"/><string name="KindMin" value="Arrow"/><string name="KindMax" value="Arrow"/>
      <int name="HeaderHeight" value="20"/><int name="ButtonWidth" value="16"/><int name="TextBorder" value="4"/></control>
  </form>
  <form name="TabPages">
    <point name="Size" x="200" y="100"/>
    <control name="tabDay"><string name="Text" value="Every single day of the week"/></control>
    <control name="tabWeek"><string name="Text" value="The whole working week"/></control>
    <control name="tabMonth"><string name="Text" value="Month"/></control>
  </form>
</skin>)";

class TabTest : public testing::Test {
protected:
    void open() {
        plat::set_fake_clock(plat::SystemTime{2026, 3, 0, 7, 6, 0, 0, 0}, false);
        application = std::make_unique<os::Application>(nullptr);
        properties.load_skin(skin_fixture::write_skin(tab_skin), {240, 320});
        form = std::make_unique<form_fixture::TestForm>(&properties, L"Tabs");
        tab = std::make_unique<ControlTab>(form.get(), L"tabTest");
        for (const wchar_t* name : {L"tabDay", L"tabWeek", L"tabMonth"})
            pages.push_back(new ControlTabElement(*tab, name));
    }
    void TearDown() override {
        tab.reset();  // deletes the pages that are left
        form.reset();
        application.reset();
        plat::clear_fake_clock();
    }
    void paint_strip() {
        skin_fixture::Screen screen(240, 260);
        tab->get_header().get_painter().paint(*screen.canvas, {0, 0}, {240, 260});
    }
    std::vector<bool> shown() const {
        std::vector<bool> flags;
        for (ControlTabElement* page : tab->get_pages())
            flags.push_back(page->is_own_visible());
        return flags;
    }

    std::unique_ptr<os::Application> application;
    Properties properties;
    std::unique_ptr<form_fixture::TestForm> form;
    std::unique_ptr<ControlTab> tab;
    std::vector<ControlTabElement*> pages;
};

TEST_F(TabTest, OverflowingCaptionsGetBothArrowsThatScrollByHalfTheStrip) {
    open();
    ControlTab::Grid& strip = tab->get_header();
    EXPECT_EQ(strip.get_position().y, 0);
    EXPECT_EQ(strip.get_size().x, 168);  // 200 less two arrows of 16
    EXPECT_EQ(tab->get_button_min().get_position().x, 168);
    EXPECT_EQ(tab->get_button_max().get_position().x, 184);
    EXPECT_EQ(tab->get_button_max().get_size().y, 20);
    EXPECT_EQ(pages[0]->get_position().y, 20);
    EXPECT_EQ(pages[0]->get_size().y, 80);
    const int32_t month = strip.get_item_style(false, false).font.get_text_extent(L"Month").x;
    EXPECT_EQ(strip.widths[2], month + 8);
    ASSERT_GT(strip.get_horizontal_bar().get_max(), 168 + 84);

    tab->get_button_max().click();
    EXPECT_EQ(strip.get_horizontal_offset(), 84);
    tab->get_button_max().click();
    EXPECT_EQ(strip.get_horizontal_offset(), std::min(168, strip.get_horizontal_bar().get_max() - 168));
    tab->get_button_min().click();
    tab->get_button_min().click();
    tab->get_button_min().click();
    EXPECT_EQ(strip.get_horizontal_offset(), 0);
}

TEST_F(TabTest, PageKeysStopAtTheEndsButAreUsed) {
    open();
    tab->get_container()->activate(true);  // as when the tab has the form's focus
    EXPECT_EQ(shown(), (std::vector<bool>{true, false, false}));
    EXPECT_TRUE(pages[0]->is_focused());
    EXPECT_EQ(tab->get_header().get_selected_column(), 0);
    EXPECT_EQ(pages[0]->on_key_down(key::left), 1);
    EXPECT_EQ(shown(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(pages[0]->on_key_down(key::right), 1);
    EXPECT_EQ(pages[1]->on_key_down(key::right), 1);
    EXPECT_EQ(pages[2]->on_key_down(key::right), 1);
    EXPECT_EQ(shown(), (std::vector<bool>{false, false, true}));
    EXPECT_TRUE(pages[2]->is_focused());
    EXPECT_EQ(tab->get_header().get_selected_column(), 2);
    EXPECT_EQ(pages[2]->on_key_down(key::up), 0);
    // The strip's own keys pick the page.
    EXPECT_EQ(tab->get_header().on_key_down(key::home), 1);
    EXPECT_EQ(shown(), (std::vector<bool>{true, false, false}));
}

TEST_F(TabTest, RemovingPagesDownToNoneKeepsTheStripInStep) {
    open();
    delete pages[2];  // hidden: the strip must still lose its column before it paints
    EXPECT_EQ(tab->get_header().get_column_starts().size(), 3u);
    paint_strip();
    delete pages[0];  // the visible one: the first left is shown
    EXPECT_EQ(shown(), (std::vector<bool>{true}));
    EXPECT_EQ(tab->get_header().get_selected_column(), 0);
    paint_strip();
    delete pages[1];
    EXPECT_TRUE(tab->get_pages().empty());
    EXPECT_EQ(tab->get_header().get_selected_column(), -1);
    paint_strip();
}

TEST_F(TabTest, SmartphoneListsThePagesInASubMenuWithTheVisibleOneChecked) {
    skin_fixture::set_profile(240, 320, plat::PlatformType::smartphone);
    open();
    EXPECT_FALSE(tab->get_header().is_own_visible());
    EXPECT_EQ(pages[1]->get_position().y, 0);
    EXPECT_EQ(pages[1]->get_size().y, 100);
    ASSERT_EQ(MenuManager::items(*form), (std::vector<MenuManager::Item*>{tab.get()}));
    EXPECT_EQ(tab->on_menu_command(tab.get(), L"tabWeek"), 1);
    const MenuRecord menu = MenuManager::fill(*tab);
    ASSERT_EQ(menu.entries.size(), 3u);
    std::vector<std::wstring> entries;
    for (const MenuRecord& entry : menu.entries)
        entries.push_back(entry.command + L"|" + entry.caption + (entry.checked ? L"|x" : L""));
    EXPECT_EQ(entries, (std::vector<std::wstring>{L"tabDay|Every single day of the week",
                                                  L"tabWeek|The whole working week|x", L"tabMonth|Month"}));
    EXPECT_EQ(menu.entries[0].owner, tab.get());
    tab.reset();  // the tab leaves the menu bar
    EXPECT_TRUE(MenuManager::items(*form).empty());
}

} // namespace
