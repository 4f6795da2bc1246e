#include "base/TextStream.h"

#include "base/Convert.h"
#include "base/TimeStamp.h"
#include "plat/Text.h"

namespace liba {
namespace {

TextOStream<wchar_t>& put(TextOStream<wchar_t>& out, std::wstring_view text) {
    out.write(text.data(), text.data() + text.size());
    return out;
}

TextOStream<wchar_t>& put_narrow(TextOStream<wchar_t>& out, std::string_view text) {
    return put(out, plat::from_cp1252(text));
}

} // namespace

TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, std::wstring_view text) { return put(out, text); }
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, const wchar_t* text) {
    return put(out, text ? std::wstring_view(text) : std::wstring_view());
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, const std::wstring& text) { return put(out, text); }
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, std::string_view text) { return put_narrow(out, text); }
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, const char* text) {
    return put_narrow(out, text ? std::string_view(text) : std::string_view());
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, const std::string& text) { return put_narrow(out, text); }
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, wchar_t c) { return put(out, std::wstring_view(&c, 1)); }
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, int value) { return put_narrow(out, format_int_text(value)); }
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, unsigned value) {
    return put_narrow(out, std::to_string(value));
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, long value) {
    return put_narrow(out, format_long_text(value));
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, unsigned long value) {
    return put_narrow(out, std::to_string(value));
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, long long value) {
    return put_narrow(out, std::to_string(value));
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, unsigned long long value) {
    return put_narrow(out, std::to_string(value));
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, double value) {
    return put_narrow(out, format_double_text(value));
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, const TimeStamp& value) {
    return put(out, value.to_text());
}

} // namespace liba

namespace os {

TextOStreamFile<wchar_t>::TextOStreamFile(std::wstring_view path)
    : file_(std::make_unique<File>(path, File::mode_write)) {
    static const unsigned char mark[2] = {0xFF, 0xFE};
    file_->write(mark, sizeof mark);
}

void TextOStreamFile<wchar_t>::write(const wchar_t* first, const wchar_t* last) {
    if (!file_ || first >= last)
        return;
    std::string bytes = plat::to_utf16le(std::wstring_view(first, size_t(last - first)));
    file_->write(bytes.data(), uint32_t(bytes.size()));
}

void TextOStreamFile<wchar_t>::flush() {
    if (file_)
        file_->flush();
}

void TextOStreamFile<wchar_t>::close() { file_.reset(); }

void TextOStreamFile<wchar_t>::move_to_end() {
    if (file_)
        file_->seek(file_->get_size());
}

namespace {

std::unique_ptr<File> open_shared_log(std::wstring_view path) {
    auto file = std::make_unique<File>(path, File::mode_read_write);
    plat::FileHandle& handle = file->handle();
    // Alone: a new, empty log. Then every writer holds the shared lock.
    const bool alone = handle.try_lock_exclusive();
    if (alone)
        file->set_size(0);
    handle.lock_shared();
    if (file->get_size() == 0) {
        static const unsigned char mark[2] = {0xFF, 0xFE};
        file->seek(0);
        file->write(mark, sizeof mark);
    }
    return file;
}

} // namespace

Log<wchar_t>::Log(std::wstring_view path) : TextOStreamFile<wchar_t>(open_shared_log(path)) {}

void Log<wchar_t>::write(const wchar_t* first, const wchar_t* last) {
    liba::MutexLock lock(mutex_);
    // Other processes of the program may write the same file.
    move_to_end();
    TextOStreamFile<wchar_t>::write(first, last);
}

void Log<wchar_t>::flush() {
    liba::MutexLock lock(mutex_);
    TextOStreamFile<wchar_t>::flush();
}

void Log<wchar_t>::close() {
    liba::MutexLock lock(mutex_);
    TextOStreamFile<wchar_t>::close();
}

} // namespace os
