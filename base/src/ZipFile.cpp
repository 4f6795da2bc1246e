#include "base/ZipFile.h"

#include "base/Path.h"
#include "plat/Text.h"

#include <algorithm>

namespace liba {
namespace {

constexpr uint32_t local_header_signature = 0x04034b50;
constexpr uint16_t method_stored = 0;
constexpr uint16_t flag_data_descriptor = 0x0008;

} // namespace

ZipFile::ZipFile(std::wstring_view archive_path) : archive_(archive_path, os::File::mode_read) {
    if (archive_.has_error())
        reader().add_error(L"can't open file");
    else
        archive_size_ = archive_.get_size();
}

bool ZipFile::read_u16(uint16_t& value) {
    unsigned char b[2] = {};
    value = 0;
    if (archive_.read(b, 2) != 2)
        return false;
    value = uint16_t(b[0] | b[1] << 8);
    return true;
}

bool ZipFile::read_u32(uint32_t& value) {
    unsigned char b[4] = {};
    value = 0;
    if (archive_.read(b, 4) != 4)
        return false;
    value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

void ZipFile::clear_entry() {
    position_ = 0;
    data_offset_ = 0;
    size_ = 0;
}

std::wstring ZipFile::read_entry_header() {
    // An entry without a name can't be asked for, but the entries behind it can: step over it.
    for (;;) {
        if (ResourceReader::has_error() || next_header_ >= archive_size_ || !archive_.seek(next_header_))
            return {};
        uint32_t signature = 0;
        uint16_t version = 0, flags = 0, method = 0, name_length = 0, extra_length = 0;
        uint32_t compressed_size = 0, size = 0;
        // Version, flags and method are read; time, date and CRC-32 are skipped unchecked.
        if (!read_u32(signature) || signature != local_header_signature || !read_u16(version) || !read_u16(flags) ||
            !read_u16(method) || archive_.skip(8) != 8)
            return {};
        read_u32(compressed_size);
        read_u32(size);
        read_u16(name_length);
        read_u16(extra_length);

        std::string name(name_length, '\0');
        if (archive_.read(name.data(), name_length) != name_length)
            return {};
        if (extra_length && archive_.skip(extra_length) != extra_length)
            return {};
        // A compressed entry ends the walk: its stored length is unknown to us.
        if (method != method_stored || (flags & flag_data_descriptor) || compressed_size != size)
            return {};
        uint32_t data = archive_.tell();
        // 64-bit sum: a crafted size must not wrap the next header behind this one.
        uint64_t next = uint64_t(data) + size;
        if (data == 0 || next > archive_size_)
            return {};
        // Each header is at least 30 bytes long, so the walk always moves on.
        next_header_ = uint32_t(next);
        if (name.empty())
            continue;

        data_offset_ = data;
        size_ = size;
        position_ = 0;
        return plat::from_cp1252(name);
    }
}

bool ZipFile::find_entry(std::wstring_view name) {
    next_header_ = 0;
    for (;;) {
        std::wstring entry = read_entry_header();
        if (entry.empty()) {
            clear_entry();
            return false;
        }
        if (paths_equal(entry, name))
            return true;
    }
}

uint32_t ZipFile::read(void* buffer, uint32_t count) {
    if (ResourceReader::has_error() || !archive_.seek(data_offset_ + position_))
        return 0;
    uint32_t done = archive_.read(buffer, std::min(count, size_ - position_));
    position_ += done;
    return done;
}

uint32_t ZipFile::skip(uint32_t count) {
    if (ResourceReader::has_error())
        return 0;
    uint32_t moved = std::min(count, size_ - position_);
    position_ += moved;
    archive_.seek(data_offset_ + position_);
    return moved;
}

uint32_t ZipFile::get_size() { return ResourceReader::has_error() ? 0 : size_; }

bool ZipFile::seek(uint32_t position) {
    if (ResourceReader::has_error() || position > size_)
        return false;
    position_ = position;
    return archive_.seek(data_offset_ + position_);
}

uint32_t ZipFile::tell() { return ResourceReader::has_error() ? 0 : position_; }

uint32_t ZipFile::write(const void*, uint32_t) { return 0; }

} // namespace liba
