#pragma once
#include "base/TimeStamp.h"
#include "plat/Files.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace liba {

// An error list: once it holds a message the reader or writer that owns it is
// dead for I/O for good; nothing ever removes an entry.
class ErrorBase {
public:
    virtual void add_error(const std::wstring& message) { errors_.push_back(message); }
    virtual ~ErrorBase() = default;

    bool has_error() const { return !errors_.empty(); }
    const std::vector<std::wstring>& errors() const { return errors_; }

private:
    std::vector<std::wstring> errors_;
};

// Sequential reading. Sizes and positions are 32-bit.
class StreamReader : public ErrorBase {
public:
    // Bytes read; fewer than count (or 0) at the end or after an error.
    virtual uint32_t read(void* buffer, uint32_t count) = 0;
    // Moves forward by count; the distance actually moved.
    virtual uint32_t skip(uint32_t count) = 0;
};

// Random-access reading.
class ResourceReader : public StreamReader {
public:
    virtual uint32_t get_size() = 0;
    virtual bool seek(uint32_t position) = 0;
    virtual uint32_t tell() = 0;
};

class StreamWriter : public ErrorBase {
public:
    // Bytes written; 0 on failure.
    virtual uint32_t write(const void* data, uint32_t count) = 0;
};

class ResourceWriter : public StreamWriter {
public:
    virtual uint32_t get_size() = 0;
    virtual bool seek(uint32_t position) = 0;
    virtual uint32_t tell() = 0;
};

// A reader part followed by a writer part, each with its own error list.
class ResourceReaderWriterBase : public ResourceReader, public ResourceWriter {
public:
    ResourceReader& reader() { return *this; }
    ResourceWriter& writer() { return *this; }
    // The error test of the system: the reader part's list is not empty.
    bool has_error() const { return ResourceReader::has_error(); }
    // Either list holds an error.
    bool failed() const { return ResourceReader::has_error() || ResourceWriter::has_error(); }
};

} // namespace liba

namespace os {

// A device file that is at once a random-access reader and writer. The path
// may begin with a path macro.
class File : public liba::ResourceReaderWriterBase {
public:
    static constexpr int mode_read = 0;        // existing file only
    static constexpr int mode_write = 1;       // create, or empty an existing file
    static constexpr int mode_append = 2;      // open or create, then go to the end
    static constexpr int mode_read_write = 3;  // (any other value) open or create

    // A file that cannot be opened records "can't open file" in the reader's list. Opening never
    // blocks: what is no regular file (a FIFO, a device, a socket, a folder) is refused with
    // one log line.
    File(std::wstring_view path, int mode);
    File(std::wstring_view path, plat::OpenMode mode);
    ~File() override = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    uint32_t read(void* buffer, uint32_t count) override;
    uint32_t skip(uint32_t count) override;
    uint32_t write(const void* data, uint32_t count) override;
    uint32_t get_size() override;
    bool seek(uint32_t position) override;
    uint32_t tell() override;
    // Moves to size and cuts the file there.
    bool set_size(uint32_t size);
    void flush();
    plat::FileHandle& handle() { return handle_; }

private:
    plat::FileHandle handle_;
};

// The result of looking a path up: attributes 0xFFFFFFFF when not found.
class FileInfo {
public:
    explicit FileInfo(std::wstring_view path);

    bool exists() const { return attributes != plat::INVALID_FILE_ATTRIBUTES; }
    // Removes a folder (attribute 0x10) or a file; stores the last error.
    bool remove();

    std::wstring path;
    uint32_t attributes = plat::INVALID_FILE_ATTRIBUTES;
    uint32_t last_error = 0;
    uint32_t size = 0;  // low 32 bits
    liba::TimeStamp creation_time;    // local time
    liba::TimeStamp last_write_time;  // local time
};

// Expands the path's macros and deletes the file; the outcome is not reported.
void delete_file(std::wstring_view path);

// Right after an open of the device path failed: one log line when the path names something
// that is no regular file, which the device refuses to open.
void log_if_refused(std::wstring_view device_path);

} // namespace os
