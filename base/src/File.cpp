#include "base/File.h"

#include "base/Log.h"
#include "base/Path.h"
#include "plat/Errors.h"

namespace os {
namespace {

plat::OpenMode open_mode(int mode) {
    switch (mode) {
    case File::mode_read: return plat::OpenMode::read_existing;
    case File::mode_write: return plat::OpenMode::write_truncate;
    case File::mode_append: return plat::OpenMode::write_append;
    default: return plat::OpenMode::read_write;
    }
}

} // namespace

File::File(std::wstring_view path, int mode) : File(path, open_mode(mode)) {}

File::File(std::wstring_view path, plat::OpenMode mode) {
    const std::wstring device_path = liba::expanded_path(path);
    if (handle_.open(device_path, mode))
        return;
    reader().add_error(L"can't open file");
    log_if_refused(device_path);
}

uint32_t File::read(void* buffer, uint32_t count) {
    uint32_t done = 0;
    if (count == 0 || ResourceReader::has_error() || !handle_.read(buffer, count, done))
        return 0;
    return done;
}

uint32_t File::skip(uint32_t count) {
    uint64_t before = 0, after = 0;
    if (ResourceReader::has_error() || !handle_.seek(0, plat::SeekFrom::current, before) ||
        !handle_.seek(int64_t(count), plat::SeekFrom::current, after))
        return 0;
    return uint32_t(after - before);
}

uint32_t File::write(const void* data, uint32_t count) {
    uint32_t done = 0;
    if (count == 0 || ResourceWriter::has_error() || !handle_.write(data, count, done))
        return 0;
    return done;
}

uint32_t File::get_size() {
    uint64_t size = 0;
    if (failed() || !handle_.size(size))
        return 0;
    return uint32_t(size);
}

bool File::seek(uint32_t position) {
    uint64_t reached = 0;
    return !failed() && handle_.seek(int64_t(position), plat::SeekFrom::begin, reached);
}

uint32_t File::tell() {
    uint64_t position = 0;
    if (failed() || !handle_.seek(0, plat::SeekFrom::current, position))
        return 0;
    return uint32_t(position);
}

bool File::set_size(uint32_t size) {
    return seek(size) && handle_.truncate_here();
}

void File::flush() {
    if (!failed())
        handle_.flush();
}

FileInfo::FileInfo(std::wstring_view looked_up) : path(looked_up) {
    plat::FileFinder finder;
    plat::FindData data;
    if (finder.first(liba::strip_trailing_separator(liba::expanded_path(looked_up)), data)) {
        attributes = data.attributes;
        size = uint32_t(data.size);
        creation_time.set_file_time(plat::file_time_to_local(data.creation_time));
        last_write_time.set_file_time(plat::file_time_to_local(data.last_write_time));
    }
    last_error = plat::last_error();
    finder.close();
}

bool FileInfo::remove() {
    std::wstring target = liba::expanded_path(path);
    bool removed = (attributes != plat::INVALID_FILE_ATTRIBUTES && (attributes & plat::FILE_ATTRIBUTE_DIRECTORY))
                       ? plat::remove_directory(target)
                       : plat::delete_file(target);
    last_error = plat::last_error();
    return removed;
}

void delete_file(std::wstring_view path) { plat::delete_file(liba::expanded_path(path)); }

void log_if_refused(std::wstring_view device_path) {
    const uint32_t error = plat::last_error();
    const auto is_folder = [&] {
        const uint32_t attributes = plat::get_file_attributes(device_path);
        return attributes != plat::INVALID_FILE_ATTRIBUTES && (attributes & plat::FILE_ATTRIBUTE_DIRECTORY);
    };
    if (error == plat::ERROR_NOT_SUPPORTED || (error == plat::ERROR_ACCESS_DENIED && is_folder()))
        liba::get_log() << L"os::File refused {" << device_path << L"}: not a regular file\n";
    plat::set_last_error(error);
}

} // namespace os
