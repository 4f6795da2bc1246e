#include "app/FormAbout.h"

#include "../skinner/SkinFixture.h"
#include "os/Application.h"
#include "skinner/Properties.h"
#include "plat/Paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace skin_fixture;

namespace {

// frmLOGO is 100 x 50: a 90 x 40 medium logo fits, a 120 x 40 one does not.
const char* const about_skin = R"(<skin id="d"><design width="240" height="320"/>
  <form name="About">
    <point name="Size" x="240" y="200"/>
    <control name="frmProduct"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="20"/></control>
    <control name="frmLOGO"><point name="Position" x="0" y="30"/><point name="Size" x="100" y="50"/></control>
    <control name="btnLOGO"><point name="Position" x="0" y="90"/><point name="Size" x="100" y="20"/></control>
    <control name="btnQEVA"><point name="Position" x="0" y="120"/><point name="Size" x="100" y="20"/></control>
  </form></skin>)";

std::filesystem::path app_folder() {
    return std::filesystem::path(testing_support::process_root()) / "Program Files" / "Chimely";
}

void write_text(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

void write_logo(const std::string& name, int w, int h) {
    write_picture(name, w, h, plat::rgb(0, 128, 0));
    std::filesystem::create_directories(app_folder() / "fun");
    std::filesystem::rename(skins_folder() / (name + ".png"), app_folder() / "fun" / (name + ".png"));
}

struct AboutTest : testing::Test {
    AboutTest() { plat::set_module_file_name(L"\\Program Files\\Chimely\\Chimely"); }
    // The box over the language text given; its controls are built at once.
    std::unique_ptr<dialogs::FormAbout> open(const std::string& language) {
        write_text(app_folder() / "test.lng", language);
        properties.load(write_skin(about_skin), L"%app_path%/test.lng", {240, 320});
        return std::make_unique<dialogs::FormAbout>(nullptr, properties, L"About", L"Chimely v1.0");
    }
    os::Application application{nullptr};
    skinner::Properties properties;
};

// Language-file lines: the key, blanks, the text.
const std::string keys = "ACME_LOGO_S small\nACME_LOGO_M medium.png\nACME_LOGO_URL https://shop.example.org/\n"
                         "QEVA_LOGO_S small\nQEVA_LOGO_URL https://qeva.example.org/logo\n"
                         "QEVA_URL https://chimely.example.org/\n";

} // namespace

TEST_F(AboutTest, TheDefaultPrefixAndTheLinks) {
    write_logo("small", 40, 20);
    auto about = open(keys);
    dialogs::AboutControls& controls = about->get_controls();
    EXPECT_EQ(controls.get_prefix(), L"QEVA");  // no portal.txt
    EXPECT_TRUE(controls.get_logo().is_own_visible());
    EXPECT_EQ(controls.get_logo().get_picture().get_size().x, 40);

    testing::internal::CaptureStderr();
    controls.get_maker_link().click();
    controls.get_logo_link().click();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "open_url: https://chimely.example.org/\nopen_url: https://qeva.example.org/logo\n");
}

TEST_F(AboutTest, TheMediumLogoOnlyWhereItFits) {
    write_text(app_folder() / "portal.txt", "Portal ACME\n");
    write_logo("small", 40, 20);
    write_logo("medium", 90, 40);
    write_logo("wide", 120, 40);
    {
        auto about = open(keys);
        EXPECT_EQ(about->get_controls().get_prefix(), L"ACME");
        EXPECT_EQ(about->get_controls().get_logo().get_picture().get_size().x, 90);
    }
    auto wide = open(keys + "ACME_LOGO_M wide\n");
    EXPECT_EQ(wide->get_controls().get_logo().get_picture().get_size().x, 40);
}

TEST_F(AboutTest, NoUsableLogoHidesTheLogoAndItsLink) {
    write_text(app_folder() / "fun" / "broken.png", "not a picture");
    for (const std::string& language :
         {std::string("QEVA_URL mailto:team@example.org\n"),                         // no logo keys at all
          std::string("QEVA_LOGO_S broken\nQEVA_LOGO_M missing\nQEVA_URL mailto:team@example.org\n")}) {
        auto about = open(language);
        dialogs::AboutControls& controls = about->get_controls();
        EXPECT_FALSE(controls.get_logo().is_own_visible());
        EXPECT_FALSE(controls.get_logo_link().is_own_visible());
        testing::internal::CaptureStderr();
        about->on_click(&controls.get_logo_link());  // its key is missing: nothing opens
        about->on_click(&controls.get_maker_link());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "open_url: mailto:team@example.org\n");
    }
}
