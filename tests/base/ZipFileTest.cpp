#include "base/ZipFile.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using testing_support::process_root;

struct Entry {
    Entry(std::string n, std::string d, uint16_t m = 0, uint16_t f = 0, uint32_t cs = 0, uint32_t s = 0,
          std::string e = {})
        : name(std::move(n)), data(std::move(d)), method(m), flags(f), compressed_size(cs), size(s), extra(std::move(e)) {}
    std::string name;
    std::string data;
    uint16_t method = 0;  // stored
    uint16_t flags = 0;
    uint32_t compressed_size = 0;  // 0: the data's size
    uint32_t size = 0;             // 0: the data's size
    std::string extra;
};

void put16(std::string& out, uint32_t v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}

void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Local headers and data only: the reader never looks at the central directory.
std::string make_zip(const std::vector<Entry>& entries) {
    std::string out;
    for (const Entry& e : entries) {
        put32(out, 0x04034b50);
        put16(out, 10);
        put16(out, e.flags);
        put16(out, e.method);
        put32(out, 0);  // time, date
        put32(out, 0);  // CRC-32, not checked
        put32(out, e.compressed_size ? e.compressed_size : uint32_t(e.data.size()));
        put32(out, e.size ? e.size : uint32_t(e.data.size()));
        put16(out, uint32_t(e.name.size()));
        put16(out, uint32_t(e.extra.size()));
        out += e.name;
        out += e.extra;
        out += e.data;
    }
    return out;
}

std::wstring write_zip(const std::string& name, const std::string& bytes) {
    std::string path = process_root() + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return L"\\" + std::wstring(name.begin(), name.end());
}

std::string read_all(liba::ZipFile& zip) {
    std::string out;
    char buffer[7];
    for (uint32_t n; (n = zip.read(buffer, sizeof buffer)) > 0;)
        out.append(buffer, n);
    return out;
}

// A committed archive, copied into the device root.
std::wstring fixture(const char* name) {
    const char* source = std::getenv("CHIMELY_SOURCE");
    std::filesystem::copy_file(std::string(source ? source : ".") + "/tests/base/data/" + name,
                               process_root() + "/" + name, std::filesystem::copy_options::overwrite_existing);
    return L"\\" + std::wstring(name, name + std::strlen(name));
}

TEST(ZipFileTest, StoredEntriesAreFoundInAnyLetterCaseAndReadWhole) {
    std::string skin(300, 'x');
    for (size_t i = 0; i < skin.size(); ++i)
        skin[i] = char(i * 7);
    std::wstring path = write_zip("skin.zip", make_zip({{"Default.skin", skin},
                                                         {"pictures/Back.png", "PNGDATA", 0, 0, 0, 0, "EXTRA"},
                                                         {"empty", ""}}));
    liba::ZipFile zip(path);
    ASSERT_FALSE(zip.has_error());

    ASSERT_TRUE(zip.find_entry(L"PICTURES\\back.PNG"));
    EXPECT_EQ(zip.get_size(), 7u);
    EXPECT_EQ(read_all(zip), "PNGDATA");

    ASSERT_TRUE(zip.find_entry(L"default.skin"));
    EXPECT_EQ(zip.get_size(), 300u);
    EXPECT_EQ(zip.data_offset(), 30u + 12u);
    EXPECT_EQ(read_all(zip), skin);

    ASSERT_TRUE(zip.find_entry(L"empty"));
    EXPECT_EQ(zip.get_size(), 0u);
    EXPECT_EQ(read_all(zip), "");

    EXPECT_FALSE(zip.find_entry(L"missing.png"));
    EXPECT_EQ(zip.get_size(), 0u);
}

TEST(ZipFileTest, ReadsStopAtTheEntryEndAndSeekStaysInside) {
    std::wstring path = write_zip("two.zip", make_zip({{"a.txt", "0123456789"}, {"b.txt", "NEXTENTRY"}}));
    liba::ZipFile zip(path);
    ASSERT_TRUE(zip.find_entry(L"a.txt"));

    char buffer[32] = {};
    ASSERT_TRUE(zip.seek(6));
    EXPECT_EQ(zip.tell(), 6u);
    EXPECT_EQ(zip.read(buffer, sizeof buffer), 4u);
    EXPECT_EQ(std::string(buffer, 4), "6789");
    EXPECT_EQ(zip.read(buffer, sizeof buffer), 0u);

    EXPECT_TRUE(zip.seek(10));  // the end itself is a position
    EXPECT_FALSE(zip.seek(11));
    EXPECT_EQ(zip.tell(), 10u);
    EXPECT_EQ(zip.read(buffer, sizeof buffer), 0u);

    ASSERT_TRUE(zip.seek(2));
    EXPECT_EQ(zip.skip(3), 3u);
    EXPECT_EQ(zip.skip(100), 5u);
    EXPECT_EQ(zip.tell(), 10u);

    ASSERT_TRUE(zip.seek(0));
    EXPECT_EQ(zip.read(buffer, 3), 3u);
    EXPECT_EQ(std::string(buffer, 3), "012");
    EXPECT_EQ(zip.write("zz", 2), 0u);
}

TEST(ZipFileTest, ACompressedEntryEndsTheWalk) {
    std::wstring path = write_zip("mixed.zip", make_zip({{"first.txt", "1"},
                                                          {"packed.txt", "\x03\x00", 8, 0, 2, 40},
                                                          {"third.txt", "3"}}));
    liba::ZipFile zip(path);
    EXPECT_TRUE(zip.find_entry(L"first.txt"));
    EXPECT_FALSE(zip.find_entry(L"packed.txt"));
    EXPECT_FALSE(zip.find_entry(L"third.txt"));
}

TEST(ZipFileTest, DeflatedEntryOfARealArchiveEndsTheWalk) {
    liba::ZipFile stored(fixture("stored.zip"));
    ASSERT_FALSE(stored.has_error());
    ASSERT_TRUE(stored.find_entry(L"pictures\\back.png"));
    EXPECT_EQ(stored.get_size(), 960u);
    std::string text = read_all(stored);
    EXPECT_EQ(text.size(), 960u);
    EXPECT_EQ(text.substr(0, 24), "Chimely rings at seven.\n");
    EXPECT_TRUE(stored.find_entry(L"EMPTY.TXT"));

    liba::ZipFile mixed(fixture("mixed.zip"));
    ASSERT_TRUE(mixed.find_entry(L"first.txt"));
    EXPECT_EQ(read_all(mixed), "first entry\n");
    EXPECT_FALSE(mixed.find_entry(L"packed.txt"));
    EXPECT_FALSE(mixed.find_entry(L"third.txt"));
}

TEST(ZipFileTest, StoredEntryWithDataDescriptorOrOtherMethodEndsTheWalk) {
    // Sizes that happen to agree do not make a compressed entry readable.
    std::wstring described = write_zip("described.zip", make_zip({{"a", "A"}, {"b", "B", 0, 0x0008}, {"c", "C"}}));
    liba::ZipFile first(described);
    EXPECT_TRUE(first.find_entry(L"a"));
    EXPECT_FALSE(first.find_entry(L"b"));
    EXPECT_FALSE(first.find_entry(L"c"));

    std::wstring shrunk = write_zip("method.zip", make_zip({{"a", "A"}, {"b", "B", 1}, {"c", "C"}}));
    liba::ZipFile second(shrunk);
    EXPECT_FALSE(second.find_entry(L"b"));
    EXPECT_FALSE(second.find_entry(L"c"));
}

TEST(ZipFileTest, WrappedOrOverlongSizesEndTheWalkInsteadOfLooping) {
    // Header of 30 + 1 bytes: a size of 2^32 - 31 brings a 32-bit next offset back to 0.
    std::string wrap = make_zip({{"a", "AAAA", 0, 0, 0xFFFFFFE1, 0xFFFFFFE1}});
    liba::ZipFile wrapped(write_zip("wrap.zip", wrap));
    EXPECT_FALSE(wrapped.find_entry(L"missing"));
    EXPECT_FALSE(wrapped.find_entry(L"a"));

    std::string longer = make_zip({{"ok", "fine"}, {"b", "BB", 0, 0, 1000, 1000}});
    liba::ZipFile overlong(write_zip("long.zip", longer));
    EXPECT_TRUE(overlong.find_entry(L"ok"));
    EXPECT_FALSE(overlong.find_entry(L"b"));
    EXPECT_EQ(overlong.get_size(), 0u);
}

TEST(ZipFileTest, TruncatedHeadersAndNonArchivesHaveNoEntries) {
    std::string whole = make_zip({{"name.txt", "data"}});
    for (size_t cut : {size_t(3), size_t(20), size_t(29), size_t(33), size_t(38)}) {
        liba::ZipFile zip(write_zip("cut.zip", whole.substr(0, cut)));
        EXPECT_EQ(zip.read_entry_header(), L"") << "cut at " << cut;
    }
    liba::ZipFile text(write_zip("text.zip", "just some text, not an archive"));
    EXPECT_EQ(text.read_entry_header(), L"");

    liba::ZipFile missing(L"\\nowhere.zip");
    EXPECT_TRUE(missing.has_error());
    EXPECT_FALSE(missing.find_entry(L"a"));
    char c = 0;
    EXPECT_EQ(missing.read(&c, 1), 0u);
    EXPECT_EQ(missing.get_size(), 0u);
}

TEST(ZipFileTest, WalkListsEntriesInArchiveOrder) {
    liba::ZipFile zip(write_zip("walk.zip", make_zip({{"one", "1"}, {"two", "22"}, {"three", "333"}})));
    std::vector<std::wstring> names;
    std::vector<uint32_t> sizes;
    for (std::wstring n = zip.read_entry_header(); !n.empty(); n = zip.read_entry_header()) {
        names.push_back(n);
        sizes.push_back(zip.get_size());
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"one", L"two", L"three"}));
    EXPECT_EQ(sizes, (std::vector<uint32_t>{1, 2, 3}));
}

TEST(ZipFileTest, EntriesWithoutANameAreSteppedOver) {
    liba::ZipFile zip(write_zip("unnamed.zip", make_zip({{"one", "1"}, {"", "skipped"}, {"", ""}, {"three", "333"}})));
    std::vector<std::wstring> names;
    for (std::wstring n = zip.read_entry_header(); !n.empty(); n = zip.read_entry_header())
        names.push_back(n);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"one", L"three"}));
    ASSERT_TRUE(zip.find_entry(L"three"));
    EXPECT_EQ(read_all(zip), "333");
    EXPECT_FALSE(zip.find_entry(L""));
}

} // namespace
