#include "TempRoot.h"
#include "base/File.h"
#include "skinner/SkinCompiler.h"
#include "skinner/SkinDump.h"
#include "skinner/SkinFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

using skinner::SkinFile;
using skinner::SkinOffset;
using skinner::SkinPropertyType;
using Bytes = std::vector<uint8_t>;

namespace {

const char* const sample_source = R"(<skin id="Test skin" devices="PS">
  <design width="240" height="320"/>
  <design width="480" height="640"/>
  <picturefile name="main"/>
  <form name="FormMain_240">
    <point name="Size" x="240" y="294"/>
    <point name="SizeNoButtons" x="-3" y="5"/>
    <int name="Fullscreen" value="1"/>
    <string name="Devices" value="P"/>
    <string name="Title" value="mitTitle"/>
    <color name="Back" value="#FF000007"/>
    <picture name="Face" image="main" p0="1 2" p1="3 4" p2="50 60" p3="70 80" stretch="0"/>
    <font name="Font" value="12 1 0 0 Tahoma"/>
    <create name="btnOk" kind="Button"/>
    <create name="lblTime" kind="Label"/>
    <control name="btnOk"><int name="Left" value="-7"/></control>
    <control name="clock"><picture name="Hand" image="hand" p3="8 40"/></control>
  </form>
  <form name="FormMain_480"><point name="Size" x="480" y="588"/></form>
  <kind name="Button"><int name="Height" value="26"/><font name="Font" value="10 0 0 0 Courier New"/></kind>
  <kind name="Label"/>
  <kind name="Edit"/>
</skin>)";

Bytes compile(const std::string& xml) {
    skinner::SkinCompiler compiler;
    EXPECT_TRUE(compiler.compile(xml, ".")) << compiler.error();
    return compiler.output();
}

std::string compile_error(const std::string& xml) {
    skinner::SkinCompiler compiler;
    EXPECT_FALSE(compiler.compile(xml, "."));
    return compiler.error();
}

Bytes empty_header() {
    Bytes image(SkinFile::header_size, 0);
    for (int i = 0; i < 4; ++i) {
        image[size_t(2 * i)] = uint8_t(SkinFile::magic[i]);
        image[size_t(2 * i + 1)] = uint8_t(SkinFile::magic[i] >> 8);
    }
    return image;
}

void put32(Bytes& image, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        image[at + size_t(i)] = uint8_t(value >> (8 * i));
}

} // namespace

TEST(SkinFile, HeaderAcceptance) {
    SkinFile skin;
    EXPECT_TRUE(skin.assign(empty_header()));
    EXPECT_EQ(skin.form_root(), 0u);
    EXPECT_EQ(skin.find_form(L"Any"), 0u);
    EXPECT_EQ(skin.comparisons(), 0u);

    Bytes short_image = empty_header();
    short_image.pop_back();
    EXPECT_FALSE(skin.assign(short_image));

    Bytes no_nul = empty_header();
    for (size_t i = 0; i < 32; ++i)
        no_nul[SkinFile::at_identification + 2 * i] = 'A';
    EXPECT_FALSE(skin.assign(no_nul));

    Bytes after_nul = empty_header();
    after_nul[SkinFile::at_devices] = 'P';
    EXPECT_TRUE(skin.assign(after_nul));
    EXPECT_EQ(skin.devices(), L"P");
    after_nul[SkinFile::at_devices + 4] = 'S';
    EXPECT_FALSE(skin.assign(after_nul));

    Bytes bad_magic = empty_header();
    bad_magic[6] = 0;
    EXPECT_FALSE(skin.assign(bad_magic));
    // An invalid skin answers every question with "none".
    put32(bad_magic, SkinFile::at_form_root, 8);
    skin.assign(bad_magic);
    EXPECT_EQ(skin.form_root(), 0u);
    EXPECT_EQ(skin.picture_count(), 0u);
}

TEST(SkinFile, LookupsOfEveryPropertyType) {
    SkinFile skin;
    ASSERT_TRUE(skin.assign(compile(sample_source)));
    EXPECT_EQ(skin.identification(), L"Test skin");
    EXPECT_EQ(skin.devices(), L"PS");
    EXPECT_EQ(skin.design_size(1).width, 480);
    EXPECT_EQ(skin.design_size(2).width, 0);
    EXPECT_EQ(skin.design_size(32).width, 0);
    ASSERT_EQ(skin.picture_count(), 2u);
    EXPECT_EQ(skin.picture_name(0), L"main");
    EXPECT_EQ(skin.picture_name(1), L"hand");
    EXPECT_FALSE(skin.picture_name(2));
    ASSERT_EQ(skin.font_count(), 2u);
    EXPECT_EQ(skin.font_description(1), L"10 0 0 0 Courier New");

    SkinOffset form = skin.find_form(L"FormMain_240");
    ASSERT_NE(form, 0u);
    EXPECT_EQ(skin.find_form(L"FormMain"), 0u); // a prefix is not a name
    EXPECT_EQ(skin.integer_value(skin.find_property(form, SkinPropertyType::integer, L"Fullscreen")), 1);
    auto size = skin.point_value(skin.find_property(form, SkinPropertyType::point, L"SizeNoButtons"));
    EXPECT_EQ(size.x, -3);
    EXPECT_EQ(size.y, 5);
    EXPECT_EQ(skin.point_value(skin.find_property(form, SkinPropertyType::point, L"Size")).x, 240);
    EXPECT_EQ(skin.string_value(skin.find_property(form, SkinPropertyType::string, L"Title")), L"mitTitle");
    EXPECT_EQ(skin.color_value(skin.find_property(form, SkinPropertyType::color, L"Back")),
              (std::array<uint8_t, 4>{255, 0, 0, 7}));
    auto face = skin.picture_value(skin.find_property(form, SkinPropertyType::picture, L"Face"));
    EXPECT_EQ(face.points, (std::array<uint16_t, 8>{1, 2, 3, 4, 50, 60, 70, 80}));
    EXPECT_EQ(face.picture, 0);
    EXPECT_EQ(face.stretch, 0);
    EXPECT_EQ(skin.font_value(skin.find_property(form, SkinPropertyType::font, L"Font")), 0);
    EXPECT_EQ(skin.find_property(form, SkinPropertyType::integer, L"Missing"), 0u);
    // A name of one type is not found among the others.
    EXPECT_EQ(skin.find_property(form, SkinPropertyType::integer, L"Size"), 0u);

    ASSERT_EQ(skin.control_count(form), 2u);
    EXPECT_EQ(skin.control_entry(form, 1), std::make_pair(std::wstring(L"lblTime"), std::wstring(L"Label")));
    EXPECT_FALSE(skin.control_entry(form, 2));
    SkinOffset clock = skin.find_element(skin.control_root(form), L"clock");
    ASSERT_NE(clock, 0u);
    auto hand = skin.picture_value(skin.find_property(clock, SkinPropertyType::picture, L"Hand"));
    EXPECT_EQ(hand.points, (std::array<uint16_t, 8>{0, 0, 0, 0, 8, 40, 8, 40}));
    EXPECT_EQ(hand.picture, 1);
    EXPECT_EQ(hand.stretch, 1);
    EXPECT_EQ(skin.integer_value(skin.find_property(skin.find_kind(L"Button"), SkinPropertyType::integer, L"Height")), 26);
}

TEST(SkinFile, ComparisonOrderAndCounter) {
    SkinFile skin;
    ASSERT_TRUE(skin.assign(compile(sample_source)));
    auto stored = [&](const wchar_t* name) {
        SkinOffset form = skin.find_form(L"FormMain_240");
        SkinOffset record = skin.find_property(form, SkinPropertyType::point, name);
        uint32_t offset = uint32_t(skin.image()[record] | skin.image()[record + 1] << 8);
        return offset;
    };
    EXPECT_LT(*skin.compare(u"Size", stored(L"SizeNoButtons")), 0);
    EXPECT_GT(*skin.compare(u"SizeNoButtonsX", stored(L"SizeNoButtons")), 0);
    EXPECT_EQ(*skin.compare(u"Size", stored(L"Size")), 0);
    EXPECT_LT(*skin.compare(u"", stored(L"Size")), 0);
    // Code units, not code points: U+1F600 (D83D DE00) sorts before U+FF01.
    EXPECT_LT(SkinFile::to_units(L"\U0001F600")[0], u'\uFF01');
    EXPECT_FALSE(skin.compare(u"x", uint32_t(skin.image().size()) - 1));

    // Three kinds in a balanced tree: the middle one at the root.
    skin.reset_comparisons();
    EXPECT_NE(skin.find_kind(L"Edit"), 0u);
    EXPECT_EQ(skin.comparisons(), 1u);
    skin.reset_comparisons();
    EXPECT_NE(skin.find_kind(L"Button"), 0u);
    EXPECT_EQ(skin.comparisons(), 2u);
    skin.reset_comparisons();
    EXPECT_EQ(skin.find_kind(L"Zzz"), 0u);
    EXPECT_EQ(skin.comparisons(), 2u);
    // An empty array ends after no comparison: only the two of the tree search count.
    skin.reset_comparisons();
    EXPECT_EQ(skin.find_property(skin.find_kind(L"Label"), SkinPropertyType::integer, L"Height"), 0u);
    EXPECT_EQ(skin.comparisons(), 2u);
}

TEST(SkinFile, DumpCompilesBackToTheSameBytes) {
    Bytes first = compile(sample_source);
    SkinFile skin;
    ASSERT_TRUE(skin.assign(first));
    std::string text = skinner::dump_skin(skin);
    EXPECT_NE(text.find("<create name=\"lblTime\" kind=\"Label\""), std::string::npos) << text;
    EXPECT_EQ(compile(text), first) << text;
    EXPECT_EQ(skinner::dump_skin(SkinFile{}), "");
}

TEST(SkinFile, CompilerRefusesWhatTheFormatCannotHold) {
    EXPECT_NE(compile_error("<skin><form name='a'><point name='p' x='40000' y='0'/></form></skin>").find("outside"),
              std::string::npos);
    EXPECT_NE(compile_error("<skin><kind name='a'/><kind name='a'/></skin>").find("two kinds"), std::string::npos);
    EXPECT_NE(compile_error("<skin><kind name='a'><int name='x' value='1'/><int name='x' value='2'/></kind></skin>")
                  .find("twice"),
              std::string::npos);
    EXPECT_NE(compile_error("<skin id='" + std::string(32, 'x') + "'/>").find("31"), std::string::npos);
    // Names and texts longer than the reader takes are refused, the longest accepted ones compile.
    const std::string name128(128, 'n'), text260(260, 't');
    compile("<skin><kind name='" + name128 + "'><string name='s' value='" + text260 + "'/></kind></skin>");
    EXPECT_NE(compile_error("<skin><kind name='" + name128 + "n'/></skin>").find("128"), std::string::npos);
    EXPECT_NE(compile_error("<skin><kind name='k'><string name='s' value='" + text260 + "t'/></kind></skin>").find("260"),
              std::string::npos);
    std::string designs = "<skin>";
    for (int i = 0; i < 33; ++i)
        designs += "<design width='1' height='1'/>";
    EXPECT_NE(compile_error(designs + "</skin>").find("32"), std::string::npos);
    std::string pictures = "<skin>";
    for (int i = 0; i < 257; ++i)
        pictures += "<picturefile name='p" + std::to_string(i) + "'/>";
    EXPECT_NE(compile_error(pictures + "</skin>").find("256"), std::string::npos);
    std::string names = "<skin><kind name='k'>";
    for (int i = 0; i < 700; ++i)
        names += "<int name='" + std::string(50, 'n') + std::to_string(i) + "' value='1'/>";
    EXPECT_NE(compile_error(names + "</kind></skin>").find("64 KiB"), std::string::npos);
    EXPECT_NE(compile_error("<skin><kind name='k'><picture name='p' image='nowhere'/></kind></skin>").find("PNG"),
              std::string::npos);
    EXPECT_NE(compile_error("<skin><kind name='k'><color name='c' value='red'/></kind></skin>").find("colour"),
              std::string::npos);
    EXPECT_NE(compile_error("<skin><frm/></skin>").find("unknown"), std::string::npos);
    EXPECT_NE(compile_error("<skin").find("not XML"), std::string::npos);
    // A NUL would end the stored text early: refused, not cut.
    EXPECT_NE(compile_error("<skin><kind name='a&#0;b'/></skin>").find("U+0000"), std::string::npos);
    EXPECT_NE(compile_error("<skin><kind name='k'><string name='s' value='&#x00;z'/></kind></skin>").find("U+0000"),
              std::string::npos);
    EXPECT_TRUE(skinner::SkinCompiler().compile("<skin><kind name='&#10;&#x20;'/></skin>", "."));
}

TEST(SkinFile, BadReferencesAreNotFound) {
    // One kind record at 540 whose fields we spoil one by one.
    Bytes base = empty_header();
    base.resize(540 + 60 + 16, 0);
    put32(base, SkinFile::at_kind_root, 540);
    put32(base, 540 + 8, 600); // name "K" at 600
    base[600] = 'K';
    SkinFile skin;
    ASSERT_TRUE(skin.assign(base));
    EXPECT_EQ(skin.find_kind(L"K"), 540u);

    Bytes cyclic = base;
    put32(cyclic, 540 + 4, 540); // the right child is the record itself
    skin.assign(cyclic);
    EXPECT_EQ(skin.find_kind(L"Z"), 0u);
    int visits = 0;
    skin.visit_pre_order(skin.kind_root(), [&](SkinOffset) { ++visits; });
    skin.visit_in_order(skin.kind_root(), [&](SkinOffset) { ++visits; });
    EXPECT_LE(visits, 2);

    Bytes outside = base;
    put32(outside, 540 + 8, 0xFFFFFFF0); // name far outside
    skin.assign(outside);
    EXPECT_EQ(skin.find_kind(L"K"), 0u);
    EXPECT_FALSE(skin.element_name(540));

    Bytes unterminated = base;
    unterminated.resize(602);
    skin.assign(unterminated);
    EXPECT_EQ(skin.find_kind(L"K"), 0u);

    Bytes root_outside = base;
    put32(root_outside, SkinFile::at_kind_root, uint32_t(base.size()) - 10);
    skin.assign(root_outside);
    EXPECT_EQ(skin.find_kind(L"K"), 0u);

    // Arrays: end before begin is empty; a range past the image keeps what fits.
    Bytes arrays = base;
    put32(arrays, 540 + 12, 600);
    put32(arrays, 540 + 16, 592);
    put32(arrays, 540 + 20, 604);
    put32(arrays, 540 + 24, 0xFFFFFFFF);
    skin.assign(arrays);
    EXPECT_EQ(skin.property_count(540, SkinPropertyType::integer), 0u);
    EXPECT_EQ(skin.property_count(540, SkinPropertyType::point), 2u);
    EXPECT_EQ(skin.find_property(540, SkinPropertyType::point, L"x"), 0u);
    EXPECT_EQ(skin.property_record(540, SkinPropertyType::point, 2), 0u);

    // Picture and font indexes beyond the table.
    EXPECT_FALSE(skin.font_description(0));
    EXPECT_FALSE(skin.picture_name(0xFFFFFFFF));
    Bytes names = base;
    put32(names, SkinFile::at_picture_count, 0xFFFFFFFF);
    put32(names, SkinFile::at_name_table, 600);
    skin.assign(names);
    EXPECT_EQ(skin.picture_name(0), L"K");
    EXPECT_FALSE(skin.picture_name(1000));
}

// The header's picture and font counts are trusted only as far as the name table holds names:
// what loads a font per count does no more work than the file's bytes allow.
TEST(SkinFile, HeaderCountsAreBoundedByTheNamesInTheFile) {
    Bytes image = empty_header();
    const uint32_t table = uint32_t(image.size());
    for (char c : std::string("pic\0font\0", 9)) {
        image.push_back(uint8_t(c));
        image.push_back(0);
    }
    put32(image, SkinFile::at_name_table, table);
    put32(image, SkinFile::at_picture_count, 1);
    put32(image, SkinFile::at_font_count, 0x7fffffff);
    SkinFile skin;
    ASSERT_TRUE(skin.assign(image));
    EXPECT_EQ(skin.picture_count(), 1u);
    EXPECT_EQ(skin.font_count(), 1u);
    EXPECT_EQ(skin.font_description(0), L"font");
    EXPECT_FALSE(skin.font_description(1));

    put32(image, SkinFile::at_picture_count, 0x7fffffff);
    ASSERT_TRUE(skin.assign(image));
    EXPECT_EQ(skin.picture_count(), 2u);
    EXPECT_EQ(skin.picture_name(1), L"font");
    EXPECT_EQ(skin.font_count(), 0u);

    // A table of empty names as long as the file: one name per two bytes at most.
    image.assign(64 * 1024, 0);
    const Bytes header = empty_header();
    std::copy(header.begin(), header.end(), image.begin());
    put32(image, SkinFile::at_picture_count, 0);
    put32(image, SkinFile::at_font_count, 0xffffffff);
    put32(image, SkinFile::at_name_table, table);
    ASSERT_TRUE(skin.assign(image));
    EXPECT_EQ(skin.font_count(), (image.size() - table) / 2);
}

TEST(SkinFile, FormRecordsNearTheEnd) {
    Bytes image = empty_header();
    image.resize(540 + 68 + 4, 0);
    put32(image, SkinFile::at_form_root, 540);
    put32(image, 540 + 64, 1000000); // far more entries than the image holds
    SkinFile skin;
    ASSERT_TRUE(skin.assign(image));
    EXPECT_EQ(skin.control_count(540), 1u);
    EXPECT_TRUE(skin.control_entry(540, 0)); // both names at offset 0 read the magic... as a text
    EXPECT_EQ(skin.control_count(600), 0u);
    EXPECT_EQ(skin.control_root(550), 0u);
}

// Hostile skins of 82 KB whose counts are as large as the file allows: the dump costs a small
// multiple of the file, not the product of the counts and the name lengths.
TEST(SkinFile, HostileCountsCostNoMoreThanTheFile) {
    const size_t size = 82 * 1024;
    // A form whose control list claims every byte, its entries pointing into a run without a NUL.
    Bytes list = empty_header();
    list.resize(size, 0x41);
    std::fill(list.begin() + 540, list.begin() + 540 + 68, 0);
    put32(list, SkinFile::at_form_root, 540);
    put32(list, 540 + SkinFile::at_control_count, 0xFFFFFFFF);
    SkinFile skin;
    ASSERT_TRUE(skin.assign(list));
    EXPECT_GT(skin.control_count(540), 20000u);
    EXPECT_FALSE(skin.control_entry(540, 0)); // longer than any name
    std::string text = skinner::dump_skin(skin);
    EXPECT_EQ(text.find("<create"), std::string::npos);
    EXPECT_LT(text.size(), size_t(1000));

    // 600 kinds sharing one string array of 10,000 records, each naming a text of 127 units.
    Bytes shared = empty_header();
    shared.resize(size, 0);
    const uint32_t pool = 540, array = pool + 256, kinds = array + 40000;
    for (uint32_t i = 0; i < 127; ++i)
        shared[pool + 2 * i] = 'N';
    for (uint32_t r = 0; r < 10000; ++r) {
        put32(shared, array + 4 * r, pool | pool << 16);
    }
    put32(shared, SkinFile::at_kind_root, kinds);
    for (uint32_t k = 0; k < 600; ++k) {
        const uint32_t at = kinds + 60 * k;
        put32(shared, at + SkinFile::at_right, k + 1 < 600 ? at + 60 : 0);
        put32(shared, at + SkinFile::at_name, pool);
        put32(shared, at + SkinFile::at_arrays + 8 * 2, array);
        put32(shared, at + SkinFile::at_arrays + 8 * 2 + 4, array + 40000);
    }
    ASSERT_TRUE(skin.assign(shared));
    EXPECT_EQ(skin.property_count(kinds + 60 * 599, SkinPropertyType::string), 10000u);
    text = skinner::dump_skin(skin);
    // At most one record per 4 bytes of the file, each with two texts of 127 units.
    EXPECT_LT(text.size(), size / 4 * 300);
    EXPECT_GT(text.size(), size_t(10000) * 254); // the first kind is dumped whole
}

TEST(SkinFile, MutatedSkinsNeverCrash) {
    Bytes good = compile(sample_source);
    std::mt19937 random(1234);
    for (int round = 0; round < 3000; ++round) {
        Bytes image = good;
        int changes = 1 + int(random() % 8);
        for (int i = 0; i < changes; ++i) {
            size_t at = random() % image.size();
            image[at] = uint8_t(random() % 3 == 0 ? 0 : random());
        }
        if (round % 7 == 0)
            image.resize(random() % image.size());
        SkinFile skin;
        skin.assign(image);
        skinner::dump_skin(skin);
        SkinOffset form = skin.find_form(L"FormMain_240");
        skin.find_property(form, SkinPropertyType::picture, L"Face");
        skin.find_element(skin.control_root(form), L"clock");
        skin.find_kind(L"Button");
    }
}

namespace {
// Hands out at most `limit` bytes in total.
class ShortReader : public liba::ResourceReader {
public:
    ShortReader(Bytes data, uint32_t limit) : data_(std::move(data)), limit_(limit) {}
    uint32_t read(void* buffer, uint32_t count) override {
        uint32_t n = std::min<uint32_t>(count, std::min<uint32_t>(limit_, uint32_t(data_.size())) - pos_);
        std::memcpy(buffer, data_.data() + pos_, n);
        pos_ += n;
        return n;
    }
    uint32_t skip(uint32_t count) override { return count; }
    uint32_t get_size() override { return uint32_t(data_.size()); }
    bool seek(uint32_t) override { return false; }
    uint32_t tell() override { return pos_; }

private:
    Bytes data_;
    uint32_t limit_;
    uint32_t pos_ = 0;
};
} // namespace

TEST(SkinFile, ShortReadZeroFills) {
    Bytes image = compile(sample_source);
    Bytes dirty = image;
    SkinFile skin;
    ShortReader reader(image, 600);
    EXPECT_FALSE(skin.load(reader, uint32_t(image.size())));
    ASSERT_EQ(skin.image().size(), image.size());
    EXPECT_TRUE(std::equal(skin.image().begin(), skin.image().begin() + 600, image.begin()));
    EXPECT_TRUE(std::all_of(skin.image().begin() + 600, skin.image().end(), [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(skin.valid()); // the header arrived; lookups past it find zeros
    EXPECT_EQ(skin.find_form(L"FormMain_480"), 0u);
}

namespace {
// A zip archive of stored entries (local headers only; nobody reads the central directory).
std::string zip(const std::vector<std::pair<std::string, Bytes>>& entries, uint16_t method = 0) {
    std::string out;
    auto u16 = [&out](uint32_t v) { out += char(v & 0xFF); out += char((v >> 8) & 0xFF); };
    auto u32 = [&u16](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    for (const auto& [name, data] : entries) {
        u32(0x04034B50);
        u16(10);
        u16(0);
        u16(method);
        u16(0);
        u16(0);
        u32(0);
        u32(uint32_t(data.size()));
        u32(uint32_t(data.size()));
        u16(uint32_t(name.size()));
        u16(0);
        out += name;
        out.append(data.begin(), data.end());
    }
    return out;
}

struct DeviceRoot {
    testing_support::TempRoot root;
    DeviceRoot() { setenv("CHIMELY_ROOT", root.path().c_str(), 1); }
    ~DeviceRoot() { setenv("CHIMELY_ROOT", testing_support::process_root().c_str(), 1); }
};
} // namespace

TEST(SkinFile, LoadsAFileByDevicePath) {
    Bytes image = compile(sample_source);
    DeviceRoot device;
    device.root.write("Program Files/Chimely/Skin.skin", std::string(image.begin(), image.end()));
    SkinFile skin;
    EXPECT_TRUE(skin.load_path(L"\\program files\\chimely\\skin.skin"));
    EXPECT_TRUE(skin.valid());
    EXPECT_NE(skin.find_form(L"FormMain_480"), 0u);
    EXPECT_FALSE(skin.load_path(L"\\program files\\chimely\\missing.skin"));
    EXPECT_FALSE(skin.valid());
}

TEST(SkinFile, LoadsTheFirstSkinEntryOfAStoredArchive) {
    Bytes image = compile(sample_source);
    Bytes other = compile("<skin id='other'/>");
    DeviceRoot device;
    device.root.write("a.zip", zip({{"readme.txt", Bytes(5, 'x')}, {"Main.SKIN", image}, {"b.skin", other}}));
    SkinFile skin;
    EXPECT_TRUE(skin.load_path(L"\\a.zip"));
    EXPECT_TRUE(skin.valid());
    EXPECT_EQ(skin.identification(), L"Test skin");

    // No skin entry: the archive itself is read as a skin and fails the magic check.
    device.root.write("b.zip", zip({{"readme.txt", Bytes(5, 'x')}}));
    EXPECT_TRUE(skin.load_path(L"\\b.zip"));
    EXPECT_FALSE(skin.valid());

    // A compressed entry ends the walk before the skin entry.
    device.root.write("c.zip", zip({{"x.bin", Bytes(3, 'x')}, {"s.skin", image}}, 8));
    skin.load_path(L"\\c.zip");
    EXPECT_FALSE(skin.valid());
}
