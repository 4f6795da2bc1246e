#include "ModelFixture.h"

#include "app/Settings.h"
#include "base/Xml.h"

using model_fixture::ModelTest;

namespace {

class SettingsTest : public ModelTest {
protected:
    // Two skins and two languages, each pair with one that sorts before the default.
    void install_skins_and_languages() {
        write("skin/Default.skin", "x");
        write("skin/Aqua/Aqua.skin", "x");
        write("English.lng", "x");
        write("Deutsch.lng", "x");
    }
    void write_settings(const std::string& appearance, const std::string& preference) {
        write("settings.ini", "<Settings><Appearance " + appearance + "/><Preference " + preference +
                                  "/></Settings>");
    }
};

} // namespace

TEST_F(SettingsTest, FirstStartTakesTheShippedSkinAndLanguageNotTheFirstByName) {
    install_skins_and_languages();
    write("data/en/Clock.script", "x");
    Settings settings;
    EXPECT_EQ(settings.get_skin(), L"%app_path%/skin/Default.skin");
    EXPECT_EQ(settings.get_language(), L"%app_path%/English.lng");
    EXPECT_EQ(settings.get_script(), L"%app_path%/data\\en\\Clock.script");
    EXPECT_EQ(settings.get_volume(), L"VolumeLow");
    EXPECT_EQ(settings.get_attention(), L"");
    EXPECT_EQ(settings.get_startday(), 1);
    EXPECT_TRUE(settings.get_pronounce());
    EXPECT_DOUBLE_EQ(settings.volume_factor(), 0.33);
}

TEST_F(SettingsTest, StoredFilesAreKeptAsWrittenOrReplacedByOnesThatExist) {
    install_skins_and_languages();
    // Found in other letter case and separators: kept as written.
    write_settings("skin=\"%app_path%\\SKIN\\aqua\\AQUA.skin\" language=\"%app_path%/deutsch.lng\"",
                   "script=\"%app_path%/data/gone.script\"");
    {
        Settings settings;
        EXPECT_EQ(settings.get_skin(), L"%app_path%\\SKIN\\aqua\\AQUA.skin");
        EXPECT_EQ(settings.get_language(), L"%app_path%/deutsch.lng");
        EXPECT_EQ(settings.get_script(), L"");   // no script at all: the time is not spoken
    }
    // A stored skin that was deleted falls back to the shipped one, and without that to the first found.
    write_settings("skin=\"%app_path%/skin/Gone.skin\"", "");
    EXPECT_EQ(Settings().get_skin(), L"%app_path%/skin/Default.skin");
    std::filesystem::remove(app_file("skin/Default.skin"));
    std::filesystem::remove(app_file("English.lng"));
    Settings without_defaults;
    EXPECT_EQ(without_defaults.get_skin(), L"%app_path%/skin\\Aqua\\Aqua.skin");
    EXPECT_EQ(without_defaults.get_language(), L"%app_path%\\Deutsch.lng");
    // Subfolders of the program's folder hold no language files.
    std::filesystem::remove(app_file("Deutsch.lng"));
    write("skin/Other.lng", "x");
    EXPECT_EQ(Settings().get_language(), L"");
}

TEST_F(SettingsTest, PreferencesReadAsStoredAndBooleansOnlyFromTheirWords) {
    write_settings("", "volume=\"\" attention=\"%my_documents%/bell.wav\" startday=\"false\" pronounce=\"FALSE\"");
    Settings settings;
    EXPECT_EQ(settings.get_volume(), L"");
    EXPECT_DOUBLE_EQ(settings.volume_factor(), 1.0);
    EXPECT_EQ(settings.get_attention(), L"%my_documents%/bell.wav");
    EXPECT_EQ(settings.get_startday(), 0);
    EXPECT_FALSE(settings.get_pronounce());

    write_settings("", "volume=\"VolumeMedium\" startday=\"yes\" pronounce=\"0\"");
    Settings other;
    EXPECT_DOUBLE_EQ(other.volume_factor(), 0.66);
    EXPECT_EQ(other.get_startday(), 1);   // not a boolean word: the default stays
    EXPECT_FALSE(other.get_pronounce());
    // A file that is not XML gives the defaults.
    write("settings.ini", "<Settings");
    EXPECT_EQ(Settings().get_volume(), L"VolumeLow");
}

TEST_F(SettingsTest, ChangingOneSettingRewritesAllSeven) {
    install_skins_and_languages();
    Settings settings;
    settings.set_startday(0);
    settings.set_volume(L"VolumeHi");

    liba::XmlNode root = liba::xml_find_child(liba::xml_load_document(L"%app_path%/settings.ini"), L"Settings");
    ASSERT_EQ(liba::xml_child_count(root), 2);
    EXPECT_EQ(liba::xml_node_name(liba::xml_child_at(root, 0)), L"Appearance");
    using Attributes = std::vector<std::pair<std::wstring, std::wstring>>;
    EXPECT_EQ(liba::xml_attributes(liba::xml_child_at(root, 0)),
              (Attributes{{L"skin", L"%app_path%/skin/Default.skin"}, {L"language", L"%app_path%/English.lng"}}));
    EXPECT_EQ(liba::xml_attributes(liba::xml_find_child(root, L"Preference")),
              (Attributes{{L"volume", L"VolumeHi"},
                          {L"attention", L""},
                          {L"script", L""},
                          {L"startday", L"false"},
                          {L"pronounce", L"true"}}));
    // Written through a temporary file that is gone again.
    for (const auto& entry : std::filesystem::directory_iterator(app_file("")))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();

    Settings again;
    EXPECT_EQ(again.get_volume(), L"VolumeHi");
    EXPECT_EQ(again.get_startday(), 0);
}
