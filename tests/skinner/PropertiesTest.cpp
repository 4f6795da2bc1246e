#include "skinner/Properties.h"

#include "SkinFixture.h"
#include "skinner/Container.h"
#include "plat/Input.h"

#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

using namespace skinner;
using namespace skin_fixture;

namespace {

const char* const getters_skin = R"(<skin id="getters" devices="">
  <design width="240" height="320"/>
  <picturefile name="face"/>
  <fontface value="10 0 0 0 Courier New"/>
  <form name="Main">
    <point name="Size" x="240" y="260"/>
    <int name="Start" value="3"/>
    <control name="btnOk">
      <point name="Pos" x="-3" y="5"/>
      <int name="Left" value="7"/>
      <string name="Title" value="mitTitle"/>
      <string name="Plain" value="no key here"/>
      <string name="Hand" value="HAND"/>
      <string name="Odd" value="hand"/>
      <color name="Back" value="#102030"/>
      <picture name="Face" image="face" p0="0 0" p1="1 1" p2="3 3" p3="4 4" stretch="1"/>
      <picture name="Lost" image="face" p0="0 0" p1="1 1" p2="3 3" p3="4 4"/>
      <font name="Font" value="10 0 0 0 Courier New"/>
      <font name="LostFont" value="10 0 0 0 Courier New"/>
    </control>
  </form>
  <kind name="Button"><int name="Height" value="26"/></kind>
</skin>)";

// Points the picture "Lost" and the font "LostFont" past the skin's tables.
std::vector<uint8_t> with_numbers_past_the_tables(std::vector<uint8_t> image) {
    SkinFile skin;
    EXPECT_TRUE(skin.assign(image));
    const SkinOffset control = skin.find_element(skin.control_root(skin.find_form(L"Main")), L"btnOk");
    const SkinOffset picture = skin.find_property(control, SkinPropertyType::picture, L"Lost");
    const SkinOffset font = skin.find_property(control, SkinPropertyType::font, L"LostFont");
    EXPECT_NE(picture, 0u);
    EXPECT_NE(font, 0u);
    image[picture + 18] = 9;
    image[font + 4] = 5;
    return image;
}

void write_language(const std::string& text) {
    std::ofstream(skins_folder() / "English.lng", std::ios::binary) << text;
}

} // namespace

TEST(Properties, GettersGiveStoredValuesScaledOrTheDefaultAsGiven) {
    set_profile(480, 640, plat::PlatformType::pocketpc);
    write_picture("face", 4, 4, plat::rgb(10, 20, 30));
    const std::wstring path = write_skin_image(with_numbers_past_the_tables(compile_skin(getters_skin)));
    write_language("mitTitle Hello\ndflt Translated\n");
    Properties p;
    p.load(path, L"/skins/English.lng", {480, 640});
    ASSERT_FALSE(p.get_impl().empty());
    EXPECT_EQ(p.get_impl().get_scale(), 2);

    EXPECT_EQ(p.get_point(L"Main", L"btnOk", L"Pos", {1, 1}).x, -6);
    EXPECT_EQ(p.get_point(L"Main", L"btnOk", L"Pos", {1, 1}).y, 10);
    EXPECT_EQ(p.get_point(L"Main", L"btnOk", L"None", {1, 1}).x, 1);
    EXPECT_EQ(p.get_int(L"Main", L"btnOk", L"Left", 0), 7);
    EXPECT_EQ(p.get_scaled_int(L"Main", L"btnOk", L"Left", 0), 14);
    EXPECT_EQ(p.get_scaled_int(L"Main", L"btnOk", L"None", 5), 5);
    EXPECT_EQ(p.get_string(L"Main", L"btnOk", L"Title", L""), L"Hello");
    EXPECT_EQ(p.get_string(L"Main", L"btnOk", L"Plain", L""), L"no key here");
    EXPECT_EQ(p.get_string(L"Main", L"btnOk", L"None", L"dflt"), L"dflt");
    EXPECT_EQ(p.get_color(L"Main", L"btnOk", L"Back", {}), (SkinColour{0x10, 0x20, 0x30, 0}));
    EXPECT_EQ(plat::cursor_id(p.get_cursor(L"Main", L"btnOk", L"Hand", nullptr)), plat::IDC_HAND);
    EXPECT_EQ(p.get_cursor(L"Main", L"btnOk", L"Odd", nullptr), nullptr);

    const Picture face = p.get_picture(L"Main", L"btnOk", L"Face", Picture());
    EXPECT_TRUE(face.loaded());
    EXPECT_EQ(face.p2().x, 6);
    EXPECT_EQ(face.p3().y, 8);
    EXPECT_TRUE(face.stretch());
    EXPECT_FALSE(p.get_font(L"Main", L"btnOk", L"Font", Font()).empty());
    // Numbers outside the tables give the default instead of reading past them.
    EXPECT_FALSE(p.get_picture(L"Main", L"btnOk", L"Lost", Picture()).loaded());
    EXPECT_TRUE(p.get_font(L"Main", L"btnOk", L"LostFont", Font()).empty());

    EXPECT_EQ(p.get_form_int(L"Main", L"Start", 0), 3);
    EXPECT_EQ(p.get_form_point(L"Main", L"Size", {}).y, 520);
    EXPECT_EQ(p.get_int(L"", L"Button", L"Height", 0), 26);
    // No form and no kind name: every default, nothing reported.
    EXPECT_EQ(p.get_int(L"", L"", L"Height", 4), 4);
    EXPECT_GT(p.get_impl().get_lookups(), 0u);
    p.refresh_forms();
    EXPECT_EQ(p.get_impl().get_lookups(), 0u);
    EXPECT_EQ(p.get_impl().get_comparisons(), 0u);

    EXPECT_FALSE(p.load_language(L"/skins/Missing.lng"));
    EXPECT_EQ(p.translate(L"mitTitle"), L"Hello");
    EXPECT_EQ(p.translate(L"nothing"), L"nothing");
}

TEST(Properties, ScaleIsTheExactOrElseTheNearestFit) {
    const std::wstring path = write_skin(R"(<skin id="s" devices="P">
      <design width="176" height="220"/><design width="240" height="320"/>
      <form name="F"/></skin>)");
    const std::vector<std::tuple<int, int, int>> cases = {
        {480, 640, 2}, {240, 320, 1}, {176, 220, 1}, {352, 440, 2},
        {250, 330, 1}, {500, 700, 2}, {1000, 1400, 4}, {0, 0, 1}, {100, 100, 1},
    };
    for (const auto& [w, h, scale] : cases)
        EXPECT_EQ(PropertiesImpl(path, {w, h}).get_scale(), scale) << w << "x" << h;
    const std::wstring flat = write_skin(R"(<skin id="s"><design width="0" height="320"/></skin>)", "flat");
    EXPECT_EQ(PropertiesImpl(flat, {480, 640}).get_scale(), 1);
}

// The variants of one form for each screen and device kind: the widest
// that fits wins, then the tallest; full-screen ones measure against the screen.
class FormChoice : public testing::TestWithParam<std::tuple<plat::PlatformType, int, int, const wchar_t*>> {};

TEST_P(FormChoice, PicksTheWidestThenTallestSuitableVariant) {
    const auto [platform, w, h, expected] = GetParam();
    set_profile(w, h, platform);
    const std::wstring path = write_skin(R"(<skin id="c">
      <design width="176" height="220"/><design width="240" height="320"/>
      <form name="Main_a"><point name="Size" x="176" y="168"/></form>
      <form name="Main_b"><point name="Size" x="240" y="268"/><string name="Devices" value="P"/></form>
      <form name="Main_c"><point name="Size" x="240" y="266"/><string name="Devices" value="S"/></form>
      <form name="Main_d"><point name="Size" x="240" y="320"/><string name="Devices" value="S"/>
        <int name="Fullscreen" value="1"/></form>
      <form name="Other"><point name="Size" x="10" y="10"/></form>
    </skin>)");
    PropertiesImpl impl(path, {w, h});
    const SkinOffset chosen = impl.choose_form(L"Main");
    ASSERT_NE(chosen, 0u) << impl.get_forms_log();
    EXPECT_EQ(impl.get_skin().element_name(chosen).value_or(L""), expected) << impl.get_forms_log();
    EXPECT_NE(impl.get_forms_log().find(L"-Other\n"), std::wstring::npos);
}

std::string screen_name(const testing::TestParamInfo<FormChoice::ParamType>& info) {
    static const char* const platforms[] = {"pocketpc", "pocketpc_old", "smartphone"};
    return std::string(platforms[int(std::get<0>(info.param))]) + "_" + std::to_string(std::get<1>(info.param)) +
           "x" + std::to_string(std::get<2>(info.param));
}

INSTANTIATE_TEST_SUITE_P(
    Screens, FormChoice,
    testing::Values(std::make_tuple(plat::PlatformType::pocketpc, 176, 220, L"Main_a"),
                    std::make_tuple(plat::PlatformType::pocketpc, 240, 320, L"Main_b"),
                    std::make_tuple(plat::PlatformType::pocketpc, 480, 640, L"Main_b"),
                    std::make_tuple(plat::PlatformType::pocketpc_old, 176, 220, L"Main_a"),
                    std::make_tuple(plat::PlatformType::pocketpc_old, 240, 320, L"Main_b"),
                    std::make_tuple(plat::PlatformType::pocketpc_old, 480, 640, L"Main_b"),
                    std::make_tuple(plat::PlatformType::smartphone, 176, 220, L"Main_a"),
                    std::make_tuple(plat::PlatformType::smartphone, 240, 320, L"Main_d"),
                    std::make_tuple(plat::PlatformType::smartphone, 480, 640, L"Main_d")),
    screen_name);

TEST(Properties, EqualWidthsGoToTheTallerThatFitsAndEqualSizesToTheLastVisited) {
    const std::string xml = R"(<skin id="t"><design width="240" height="320"/>
      <form name="Main_1"><point name="Size" x="240" y="268"/></form>
      <form name="Main_2"><point name="Size" x="240" y="294"/></form>
      <form name="Same_1"><point name="Size" x="100" y="100"/></form>
      <form name="Same_2"><point name="Size" x="100" y="100"/></form>
      <form name="Same_3"><point name="Size" x="100" y="100"/></form></skin>)";
    set_profile(240, 346, plat::PlatformType::pocketpc);  // work area 240 x 294
    PropertiesImpl roomy(write_skin(xml), {240, 346});
    EXPECT_EQ(roomy.get_skin().element_name(roomy.choose_form(L"Main")), L"Main_2");
    const std::wstring log = [&] {
        roomy.choose_form(L"Same");
        return roomy.get_forms_log();
    }();
    const size_t last = log.rfind(L"+Same_");
    ASSERT_NE(last, std::wstring::npos);
    EXPECT_EQ(roomy.get_skin().element_name(roomy.choose_form(L"Same")), log.substr(last + 1, 6));

    set_profile(240, 322, plat::PlatformType::pocketpc);  // work area 240 x 270
    PropertiesImpl tight(write_skin(xml, "tight"), {240, 322});
    EXPECT_EQ(tight.get_skin().element_name(tight.choose_form(L"Main")), L"Main_1");
}

TEST(Properties, ANewSkinOrLanguageReloadsTheFormsBuiltFromIt) {
    const std::wstring small = write_skin(R"(<skin id="a"><form name="F"><point name="Size" x="10" y="20"/></form></skin>)");
    const std::wstring large =
        write_skin(R"(<skin id="b"><form name="F"><point name="Size" x="30" y="40"/></form></skin>)", "large");
    write_language("k v\n");
    Properties p, other;
    p.load_skin(small, {240, 320});
    other.load_skin(small, {240, 320});
    Container mine(nullptr, &p, L"F", creation_named, nullptr);
    Container theirs(nullptr, &other, L"F", creation_named, nullptr);
    static std::vector<Container*> forms;
    forms = {&mine, &theirs};
    Properties::set_form_list([] { return forms; });
    p.load_skin(large, {240, 320});
    EXPECT_EQ(mine.get_reference_size().x, 30);
    EXPECT_EQ(theirs.get_reference_size().x, 10);
    EXPECT_TRUE(p.load_language(L"/skins/English.lng"));
    EXPECT_EQ(p.translate(L"k"), L"v");
    Properties::set_form_list(nullptr);
}

TEST(PropertiesDeath, LookupsOfWhatTheSkinLacksEndTheProcess) {
    set_profile(240, 320, plat::PlatformType::pocketpc);
    const std::wstring path = write_skin(R"(<skin id="d"><design width="240" height="320"/>
      <form name="Main_b"><point name="Size" x="240" y="268"/><string name="Devices" value="P"/>
        <control name="btnOk"/></form>
      <form name="Wide"><point name="Size" x="300" y="100"/></form></skin>)");
    Properties p;
    EXPECT_EXIT(p.get_int(L"Main", L"x", L"k", 0), testing::ExitedWithCode(70),
                "Skin file \\{\\} was invalid, but no check_version performed @ report_no_skin");
    p.load_skin(path, {240, 320});
    EXPECT_EXIT(p.get_int(L"Main", L"nope", L"k", 0), testing::ExitedWithCode(70),
                "Skin file \\{/skins/test.skin\\} form \\{Main\\} has no control \\{nope\\} @ report_no_control");
    EXPECT_EXIT(p.get_int(L"", L"Ghost", L"k", 0), testing::ExitedWithCode(70),
                "Skin file \\{/skins/test.skin\\} has no kind \\{Ghost\\} @ report_no_form");
    EXPECT_EXIT(p.get_form_int(L"Wide", L"k", 0), testing::ExitedWithCode(70),
                "Skin file \\{/skins/test.skin\\} has no form \\{Wide\\} for workarea_size=240 268\\. list of all "
                "forms:.*\\+Wide Size=300 100 Devices= good_for_device");
    EXPECT_EQ(p.get_int(L"Main", L"btnOk", L"k", 9), 9);
}
