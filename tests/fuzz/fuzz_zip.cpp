// The stored-only zip reader over arbitrary archive bytes: walk every entry,
// read, skip and seek inside it, then find each entry again by name.
#include "base/ZipFile.h"
#include "fuzz_root.h"
#include "plat/Text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr uint32_t local_header_size = 30;

struct Entry {
    std::wstring name;
    uint32_t offset = 0;
    uint32_t size = 0;
    bool operator==(const Entry&) const = default;
};

// The walk as the format describes it, written apart from the reader.
std::vector<Entry> expected_entries(const uint8_t* data, size_t size) {
    auto u16 = [&](size_t at) { return uint32_t(data[at] | data[at + 1] << 8); };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    std::vector<Entry> entries;
    for (uint64_t at = 0; at + local_header_size <= size;) {
        const uint32_t flags = u16(at + 6), method = u16(at + 8);
        const uint32_t compressed = u32(at + 18), stored = u32(at + 22);
        const uint64_t name_at = at + local_header_size;
        const uint64_t data_at = name_at + u16(at + 26) + u16(at + 28);
        if (u32(at) != 0x04034b50 || data_at > size || method != 0 || (flags & 8) || compressed != stored ||
            data_at + stored > size || u16(at + 26) == 0)
            break;
        std::string name(reinterpret_cast<const char*>(data + name_at), u16(at + 26));
        entries.push_back({plat::from_cp1252(name), uint32_t(data_at), stored});
        at = data_at + stored;
    }
    return entries;
}

// Reads the current entry to its end in small pieces; the count must match its size
// and the bytes must be the archive's bytes at its data offset.
void read_whole(liba::ZipFile& zip, const uint8_t* data, size_t size) {
    const uint32_t entry_size = zip.get_size();
    const uint32_t offset = zip.data_offset();
    if (uint64_t(offset) + entry_size > size || zip.tell() != 0)
        __builtin_trap();
    std::vector<uint8_t> bytes(entry_size + 7);
    uint32_t total = 0;
    for (uint32_t n; (n = zip.read(bytes.data() + total, 7)) != 0;)
        total += n;
    if (total != entry_size || zip.tell() != entry_size)
        __builtin_trap();
    for (uint32_t i = 0; i < entry_size; ++i)
        if (bytes[i] != data[offset + i])
            __builtin_trap();
}

void move_around(liba::ZipFile& zip, const uint8_t* data) {
    const uint32_t entry_size = zip.get_size();
    if (zip.seek(entry_size + 1) || !zip.seek(entry_size / 2) || zip.tell() != entry_size / 2)
        __builtin_trap();
    if (zip.skip(0xFFFFFFFFu) != entry_size - entry_size / 2 || zip.tell() != entry_size)
        __builtin_trap();
    uint8_t byte = 0;
    if (zip.read(&byte, 1) != 0 || !zip.seek(0))
        __builtin_trap();
    if (entry_size && (zip.read(&byte, 1) != 1 || byte != data[zip.data_offset()]))
        __builtin_trap();
    if (zip.write(&byte, 1) != 0)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::write_input("in.zip", data, size);
    liba::ZipFile zip(L"\\in.zip");
    if (zip.has_error())
        __builtin_trap();

    std::vector<Entry> entries;
    for (std::wstring name; !(name = zip.read_entry_header()).empty();) {
        // Each header takes at least its fixed part, so the walk ends.
        if (entries.size() > size / local_header_size)
            __builtin_trap();
        entries.push_back({name, zip.data_offset(), zip.get_size()});
        read_whole(zip, data, size);
        move_around(zip, data);
    }
    if (entries != expected_entries(data, size))
        __builtin_trap();
    for (const Entry& entry : entries) {
        if (!zip.find_entry(entry.name))
            __builtin_trap();
        // The first entry of that name wins; a later namesake is found at an earlier one.
        if (zip.data_offset() > entry.offset)
            __builtin_trap();
        read_whole(zip, data, size);
    }
    if (!zip.find_entry(L"\x1F") && (zip.get_size() != 0 || zip.read(nullptr, 1) != 0))
        __builtin_trap();
    return 0;
}
