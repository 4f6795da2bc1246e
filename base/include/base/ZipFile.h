#pragma once
#include "base/File.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace liba {

// A zip archive whose entries are stored without compression, read by walking
// the local headers from the start (the central directory is never read).
// The current entry reads through the reader interface. The walk ends at the
// first entry it cannot serve: a compressed one (method other than stored,
// sizes that differ, or sizes in a trailing data descriptor), or one whose
// data would lie past the end of the archive.
class ZipFile : public ResourceReaderWriterBase {
public:
    // A missing archive shows as an error in the reader's list and empty reads.
    explicit ZipFile(std::wstring_view archive_path);
    ~ZipFile() override = default;
    ZipFile(const ZipFile&) = delete;
    ZipFile& operator=(const ZipFile&) = delete;

    // The next entry's name (it becomes current), or empty at the end of the walk.
    std::wstring read_entry_header();
    // Walks from the start; true when an entry's name equals name as paths do
    // (letter case, separator kind, a trailing separator ignored). On false
    // there is no current entry.
    bool find_entry(std::wstring_view name);

    // On the current entry; never past its end.
    uint32_t read(void* buffer, uint32_t count) override;
    uint32_t skip(uint32_t count) override;
    uint32_t get_size() override;
    // False (and nothing moves) past the entry's end.
    bool seek(uint32_t position) override;
    uint32_t tell() override;
    // Archive offset of the current entry's data.
    uint32_t data_offset() const { return data_offset_; }

    // The archive is read-only: nothing is stored.
    uint32_t write(const void* data, uint32_t count) override;

private:
    bool read_u16(uint16_t& value);
    bool read_u32(uint32_t& value);
    void clear_entry();

    os::File archive_;
    uint32_t archive_size_ = 0;
    uint32_t next_header_ = 0;
    uint32_t position_ = 0;
    uint32_t data_offset_ = 0;
    uint32_t size_ = 0;
};

} // namespace liba
