#include "base/Xml.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace liba;

namespace {

std::string root_file(const std::string& relative) {
    return testing_support::process_root() + "/" + relative;
}

void write_root_file(const std::string& relative, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(root_file(relative)).parent_path());
    std::ofstream out(root_file(relative), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string read_root_file(const std::string& relative) {
    std::ifstream in(root_file(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring attribute(const XmlNode& node, const wchar_t* name) {
    std::wstring value = L"<missing>";
    xml_get_attribute(node, name, value);
    return value;
}

// UTF-16 little-endian bytes of ASCII text.
std::string utf16le(const std::string& ascii) {
    std::string bytes;
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

const std::wstring unusual = L"Gr\u00FC\u00DFe \u20AC \u4E2D\u6587 \U0001F600 & < > \" ' \t\nend";

} // namespace

TEST(Xml, WrittenDocumentReadsBackWithNamesOrderAndValues) {
    std::filesystem::create_directories(root_file("Program Files/Chimely"));
    XmlNode document = xml_create_document();
    XmlNode alarms = xml_add_child(document, L"Alarms");
    for (int i = 0; i < 3; ++i) {
        XmlNode alarm = xml_add_child(alarms, i == 1 ? L"Skip" : L"Alarm");
        xml_set_attribute(alarm, L"index", std::to_wstring(i));
        xml_set_attribute(alarm, L"subject", unusual);
    }
    xml_set_attribute(xml_child_at(alarms, 0), L"index", L"replaced");
    ASSERT_TRUE(xml_save_document(document, L"\\Program Files\\Chimely\\alarms.ini"));

    const std::string bytes = read_root_file("Program Files/Chimely/alarms.ini");
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << bytes;
    EXPECT_NE(bytes.find("Gr\xC3\xBC\xC3\x9F" "e"), std::string::npos) << bytes;

    XmlNode loaded = xml_load_document(L"/program files/CHIMELY/alarms.ini");
    ASSERT_FALSE(loaded.is_null());
    XmlNode root = xml_find_child(loaded, L"Alarms");
    ASSERT_EQ(xml_child_count(root), 3);
    EXPECT_EQ(xml_node_name(xml_child_at(root, 0)), L"Alarm");
    EXPECT_EQ(xml_node_name(xml_child_at(root, 1)), L"Skip");
    EXPECT_EQ(xml_node_name(xml_child_at(root, 2)), L"Alarm");
    EXPECT_EQ(attribute(xml_child_at(root, 0), L"index"), L"replaced");
    EXPECT_EQ(attribute(xml_child_at(root, 2), L"index"), L"2");
    EXPECT_EQ(attribute(xml_child_at(root, 1), L"subject"), unusual);
}

TEST(Xml, TwoTopLevelElementsSaveAndLoad) {
    std::filesystem::create_directories(root_file("windows"));
    XmlNode document = xml_create_document();
    xml_set_attribute(xml_add_child(document, L"Next"), L"time", L"08 : 05");
    xml_set_attribute(xml_add_child(document, L"Unviewed"), L"quantity", L"2");
    ASSERT_TRUE(xml_save_document(document, L"%windows%/qevachimely.ini"));

    XmlNode loaded = xml_load_document(L"%windows%\\qevachimely.ini");
    ASSERT_EQ(xml_child_count(loaded), 2);
    EXPECT_EQ(attribute(xml_find_child(loaded, L"Next"), L"time"), L"08 : 05");
    EXPECT_EQ(attribute(xml_find_child(loaded, L"Unviewed"), L"quantity"), L"2");
}

TEST(Xml, TextBesideTheTopElementStaysForTheReaderToJudge) {
    write_root_file("beside.xml", "<?xml version='1.0'?>\n<!-- c -->\n<Alarms/>\n stray \n<![CDATA[x]]>\n");
    XmlNode document = xml_load_document(L"\\beside.xml");
    ASSERT_EQ(xml_child_count(document), 4);
    EXPECT_EQ(xml_node_name(xml_child_at(document, 1)), L"Alarms");
    EXPECT_EQ(xml_node_name(xml_child_at(document, 2)), L"#text");
    EXPECT_EQ(xml_node_name(xml_child_at(document, 3)), L"#cdata-section");
}

TEST(Xml, LoadsUtf16AndUtf8WithByteOrderMarks) {
    const std::string text = "<Dictionary><h7 value='x\xC3\xA9'/></Dictionary>";
    write_root_file("utf8.xml", "\xEF\xBB\xBF" + text);
    std::string le = "\xFF\xFE" + utf16le("<Dictionary><h7 value='x") + std::string("\xE9\0", 2) +
                     utf16le("'/></Dictionary>");
    write_root_file("utf16le.xml", le);
    std::string be;
    for (size_t i = 2; i + 1 < le.size(); i += 2) {
        be += le[i + 1];
        be += le[i];
    }
    write_root_file("utf16be.xml", "\xFE\xFF" + be);
    for (const wchar_t* path : {L"\\utf8.xml", L"\\utf16le.xml", L"\\utf16be.xml"}) {
        XmlNode word = xml_find_child(xml_find_child(xml_load_document(path), L"Dictionary"), L"h7");
        EXPECT_EQ(attribute(word, L"value"), L"x\u00E9") << path;
    }
}

TEST(Xml, NodeKindsAndWhitespace) {
    write_root_file("kinds.xml", "<?xml version='1.0'?>\n<Root>\n  <!-- note -->\n  <Alarm/>\n"
                                 "  text <![CDATA[raw]]>\n  <alarm/>\n</Root>\n");
    XmlNode root = xml_find_child(xml_load_document(L"\\kinds.xml"), L"Root");
    ASSERT_FALSE(root.is_null());
    // Whitespace-only text between elements is gone; the rest keeps its order.
    ASSERT_EQ(xml_child_count(root), 5);
    EXPECT_EQ(xml_node_name(xml_child_at(root, 0)), L"#comment");
    EXPECT_EQ(xml_node_name(xml_child_at(root, 1)), L"Alarm");
    EXPECT_EQ(xml_node_name(xml_child_at(root, 2)), L"#text");
    EXPECT_EQ(xml_node_name(xml_child_at(root, 3)), L"#cdata-section");
    EXPECT_EQ(xml_node_name(xml_child_at(root, 4)), L"alarm");
    EXPECT_TRUE(xml_child_at(root, 5).is_null());
    EXPECT_TRUE(xml_child_at(root, -1).is_null());
    EXPECT_EQ(xml_node_name(xml_find_child(root, L"alarm")), L"alarm");
    XmlNode found;
    EXPECT_TRUE(xml_find_child_into(root, L"Alarm", found));
    EXPECT_EQ(xml_node_name(found), L"Alarm");
    EXPECT_FALSE(xml_find_child_into(root, L"ALARM", found));
    EXPECT_TRUE(found.is_null());
    EXPECT_TRUE(xml_find_child(root, L"Alarm ").is_null());
    EXPECT_EQ(xml_node_name(xml_find_child(root, L"#cdata-section")), L"#cdata-section");
    EXPECT_TRUE(xml_find_child(root, std::wstring_view(L"Alarm\0x", 7)).is_null());
    EXPECT_EQ(xml_node_name(xml_load_document(L"\\kinds.xml")), L"#document");
    EXPECT_TRUE(xml_is_element(xml_child_at(root, 1)));
    for (int i : {0, 2, 3})
        EXPECT_FALSE(xml_is_element(xml_child_at(root, i))) << i;
    EXPECT_FALSE(xml_is_element(xml_load_document(L"\\kinds.xml")));
    EXPECT_FALSE(xml_is_element(XmlNode()));
}

TEST(Xml, MissingOrBrokenFilesGiveNull) {
    EXPECT_TRUE(xml_load_document(L"\\missing.xml").is_null());
    write_root_file("empty.xml", "");
    EXPECT_TRUE(xml_load_document(L"\\empty.xml").is_null());
    write_root_file("broken.xml", "<Alarms><Alarm></Alarms>");
    EXPECT_TRUE(xml_load_document(L"\\broken.xml").is_null());
    write_root_file("cut.xml", "<Alarms><Alarm time=\"1");
    EXPECT_TRUE(xml_load_document(L"\\cut.xml").is_null());
    write_root_file("text.xml", "just text");
    EXPECT_TRUE(xml_load_document(L"\\text.xml").is_null());
    std::filesystem::create_directories(root_file("folder.xml"));
    EXPECT_TRUE(xml_load_document(L"\\folder.xml").is_null());
}

TEST(Xml, AttributesMissingOrEmpty) {
    write_root_file("attr.xml", "<A empty=\"\" full=\"1\" long=\"a longer value\" n\xc3\xa4me=\"\xe2\x82\xac\" "
                                "name_of_forty_characters_long_1234567890=\"x\"/>");
    XmlNode a = xml_find_child(xml_load_document(L"\\attr.xml"), L"A");
    std::wstring value = L"kept";
    EXPECT_FALSE(xml_get_attribute(a, L"missing", value));
    EXPECT_EQ(value, L"kept");
    EXPECT_FALSE(xml_get_attribute(a, L"FULL", value));
    EXPECT_TRUE(xml_get_attribute(a, L"empty", value));
    EXPECT_EQ(value, L"");
    // One string reused for many reads holds exactly the last value.
    EXPECT_TRUE(xml_get_attribute(a, L"long", value));
    EXPECT_TRUE(xml_get_attribute(a, L"full", value));
    EXPECT_EQ(value, L"1");
    EXPECT_TRUE(xml_get_attribute(a, L"n\u00e4me", value));
    EXPECT_EQ(value, L"\u20ac");
    EXPECT_TRUE(xml_get_attribute(a, L"name_of_forty_characters_long_1234567890", value));
    EXPECT_EQ(value, L"x");
}

TEST(Xml, NullHandlesDoNothing) {
    const XmlNode null;
    EXPECT_TRUE(xml_add_child(null, L"A").is_null());
    xml_set_attribute(null, L"a", L"b");
    std::wstring value = L"kept";
    EXPECT_FALSE(xml_get_attribute(null, L"a", value));
    EXPECT_EQ(value, L"kept");
    EXPECT_EQ(xml_child_count(null), 0);
    EXPECT_TRUE(xml_child_at(null, 0).is_null());
    EXPECT_TRUE(xml_find_child(null, L"A").is_null());
    EXPECT_EQ(xml_node_name(null), L"");
    EXPECT_FALSE(xml_save_document(null, L"\\null.xml"));
    EXPECT_FALSE(std::filesystem::exists(root_file("null.xml")));
}

TEST(Xml, OnlyDocumentsSave) {
    XmlNode document = xml_create_document();
    XmlNode root = xml_add_child(document, L"Root");
    EXPECT_FALSE(xml_save_document(root, L"\\element.xml"));
    EXPECT_FALSE(std::filesystem::exists(root_file("element.xml")));
    EXPECT_FALSE(xml_save_document(document, L"\\no such folder\\a.xml"));
}

TEST(Xml, SaveReplacesTheFileAndLeavesNothingBehind) {
    std::filesystem::create_directories(root_file("save"));
    write_root_file("save/settings.ini", "old contents");
    XmlNode document = xml_create_document();
    xml_add_child(document, L"Settings");
    ASSERT_TRUE(xml_save_document(document, L"\\save\\settings.ini"));
    EXPECT_EQ(xml_node_name(xml_child_at(xml_load_document(L"\\save\\settings.ini"), 0)), L"Settings");

    // A target that cannot be replaced fails and leaves neither it nor a temporary file changed.
    std::filesystem::create_directories(root_file("save/taken"));
    EXPECT_FALSE(xml_save_document(document, L"\\save\\taken"));
    EXPECT_TRUE(std::filesystem::is_directory(root_file("save/taken")));
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root_file("save"))) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 2);
}

TEST(Xml, DeepNestingIsWrittenAtASizeLinearInTheInput) {
    // 20,000 levels: indented, the tabs alone would come to 400 MB.
    const int depth = 20000;
    std::string nested;
    for (int i = 0; i < depth; ++i)
        nested += "<a>";
    for (int i = 0; i < depth; ++i)
        nested += "</a>";
    write_root_file("deep.xml", nested);
    XmlNode document = xml_load_document(L"\\deep.xml");
    ASSERT_TRUE(document);
    ASSERT_TRUE(xml_save_document(document, L"\\deep-copy.xml"));
    EXPECT_LT(std::filesystem::file_size(root_file("deep-copy.xml")), 2 * nested.size());
    XmlNode node = xml_load_document(L"\\deep-copy.xml");
    int levels = 0;
    while ((node = xml_find_child(node, L"a")))
        ++levels;
    EXPECT_EQ(levels, depth);

    // Files of ordinary depth keep their indentation.
    write_root_file("shallow.xml", "<a><b><c/></b></a>");
    ASSERT_TRUE(xml_save_document(xml_load_document(L"\\shallow.xml"), L"\\shallow-copy.xml"));
    EXPECT_EQ(read_root_file("shallow-copy.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\n\t<b>\n\t\t<c />\n\t</b>\n</a>\n");
}

TEST(Xml, InvalidNamesAreRefusedSoTheFileStaysReadable) {
    XmlNode document = xml_create_document();
    XmlNode root = xml_add_child(document, L"Dictionary");
    EXPECT_TRUE(xml_add_child(root, L"").is_null());
    EXPECT_TRUE(xml_add_child(root, L"two words").is_null());
    EXPECT_TRUE(xml_add_child(root, L"7h").is_null());
    EXPECT_TRUE(xml_add_child(root, L"a<b").is_null());
    XmlNode word = xml_add_child(root, L"m15");
    xml_set_attribute(word, L"bad name", L"x");
    xml_set_attribute(word, L"value", std::wstring(L"a\x01" L"b\xFFFE", 4));
    EXPECT_EQ(xml_child_count(root), 1);
    ASSERT_TRUE(xml_save_document(document, L"\\names.xml"));
    XmlNode loaded = xml_find_child(xml_find_child(xml_load_document(L"\\names.xml"), L"Dictionary"), L"m15");
    ASSERT_FALSE(loaded.is_null());
    EXPECT_EQ(attribute(loaded, L"value"), L"a\uFFFDb\uFFFD");
    EXPECT_EQ(attribute(loaded, L"bad name"), L"<missing>");
}

TEST(Xml, ChildHandleKeepsItsDocumentAlive) {
    XmlNode child;
    {
        XmlNode document = xml_create_document();
        child = xml_add_child(xml_add_child(document, L"Root"), L"Leaf");
    }
    xml_set_attribute(child, L"a", L"1");
    EXPECT_EQ(xml_node_name(child), L"Leaf");
    EXPECT_EQ(attribute(child, L"a"), L"1");
    // Only documents and elements take children.
    write_root_file("leaf.xml", "<R>text</R>");
    XmlNode text = xml_child_at(xml_find_child(xml_load_document(L"\\leaf.xml"), L"R"), 0);
    EXPECT_EQ(xml_node_name(text), L"#text");
    EXPECT_TRUE(xml_add_child(text, L"A").is_null());
}

// Index walks remember where they stood; adding and removing children between calls, walking
// two parents in turn and walking backwards must give what a walk from the first child gives.
TEST(Xml, ChildWalksStayRightWhileChildrenComeAndGo) {
    XmlNode document = xml_create_document();
    XmlNode root = xml_add_child(document, L"R");
    XmlNode other = xml_add_child(document, L"S");
    std::vector<std::wstring> names;
    for (int i = 0; i < 8; ++i) {
        names.push_back(L"c" + std::to_wstring(i));
        xml_add_child(root, names.back());
        xml_add_child(other, L"o" + std::to_wstring(i));
    }
    auto expect_walk = [&](int from, int to, int step) {
        for (int i = from; i != to; i += step) {
            ASSERT_EQ(xml_node_name(xml_child_at(root, i)), names[i]) << i;
            ASSERT_EQ(xml_node_name(xml_child_at(other, i % 8)), L"o" + std::to_wstring(i % 8)) << i;
        }
    };
    expect_walk(0, 5, 1);
    names.push_back(L"added");
    xml_add_child(root, names.back());
    expect_walk(5, 9, 1);
    // The remembered child itself, and one before it.
    EXPECT_TRUE(xml_remove_child(root, xml_child_at(root, 8)));
    names.erase(names.begin() + 8);
    EXPECT_TRUE(xml_remove_child(root, xml_child_at(root, 2)));
    names.erase(names.begin() + 2);
    ASSERT_EQ(xml_child_count(root), static_cast<int>(names.size()));
    expect_walk(static_cast<int>(names.size()) - 1, -1, -1);
    EXPECT_TRUE(xml_child_at(root, static_cast<int>(names.size())).is_null());
    // Not a child of that parent: nothing happens.
    EXPECT_FALSE(xml_remove_child(other, xml_child_at(root, 0)));
    EXPECT_FALSE(xml_remove_child(XmlNode(), xml_child_at(root, 0)));
    expect_walk(0, static_cast<int>(names.size()), 1);
}
