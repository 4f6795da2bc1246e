#include "base/TextStream.h"

#include "base/Convert.h"
#include "base/TimeStamp.h"
#include "plat/Text.h"

#include <type_traits>

namespace liba {
namespace {

TextOStream<wchar_t>& put(TextOStream<wchar_t>& out, std::wstring_view text) {
    out.write(text.data(), text.data() + text.size());
    return out;
}

TextOStream<wchar_t>& put_narrow(TextOStream<wchar_t>& out, std::string_view text) {
    return out.discards() ? out : put(out, plat::from_cp1252(text));
}

// A switched-off log is written to often (a long alarm list traces every alarm): the value is
// formatted only for a stream that keeps it.
template <class Format>
TextOStream<wchar_t>& put_formatted(TextOStream<wchar_t>& out, Format format) {
    if (out.discards())
        return out;
    const auto text = format();
    if constexpr (std::is_same_v<decltype(text), const std::wstring>)
        return put(out, text);
    else
        return put_narrow(out, text);
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
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, int value) {
    return put_formatted(out, [&] { return format_int_text(value); });
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, unsigned value) {
    return put_formatted(out, [&] { return std::to_string(value); });
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, long value) {
    return put_formatted(out, [&] { return format_long_text(value); });
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, unsigned long value) {
    return put_formatted(out, [&] { return std::to_string(value); });
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, long long value) {
    return put_formatted(out, [&] { return std::to_string(value); });
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, unsigned long long value) {
    return put_formatted(out, [&] { return std::to_string(value); });
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, double value) {
    return put_formatted(out, [&] { return format_double_text(value); });
}
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, const TimeStamp& value) {
    return put_formatted(out, [&] { return value.to_text(); });
}

} // namespace liba

namespace os {
namespace {

const unsigned char byte_order_mark[2] = {0xFF, 0xFE};

} // namespace

TextOStreamFile<wchar_t>::TextOStreamFile(std::wstring_view path)
    : file_(std::make_unique<File>(path, File::mode_write)) {
    file_->write(byte_order_mark, sizeof byte_order_mark);
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

namespace {

std::unique_ptr<File> open_shared_log(std::wstring_view path) {
    auto file = std::make_unique<File>(path, plat::OpenMode::append_each_write);
    plat::FileHandle& handle = file->handle();
    // Alone: a new, empty log, begun with its mark before anyone else writes.
    // Then every writer holds the shared lock.
    if (handle.try_lock_exclusive()) {
        file->set_size(0);
        file->write(byte_order_mark, sizeof byte_order_mark);
    }
    handle.lock_shared();
    return file;
}

} // namespace

Log<wchar_t>::Log(std::wstring_view path) : TextOStreamFile<wchar_t>(open_shared_log(path)) {}

void Log<wchar_t>::write(const wchar_t* first, const wchar_t* last) {
    liba::MutexLock lock(mutex_);
    auto held = unfinished_.try_emplace(std::this_thread::get_id()).first;
    std::wstring& text = held->second;
    text.append(first, last);
    const size_t line_end = text.rfind(L'\n');
    if (line_end == std::wstring::npos)
        return;
    TextOStreamFile<wchar_t>::write(text.data(), text.data() + line_end + 1);
    text.erase(0, line_end + 1);
    if (text.empty())
        unfinished_.erase(held);
}

void Log<wchar_t>::flush() {
    liba::MutexLock lock(mutex_);
    if (auto held = unfinished_.find(std::this_thread::get_id()); held != unfinished_.end()) {
        TextOStreamFile<wchar_t>::write(held->second.data(), held->second.data() + held->second.size());
        unfinished_.erase(held);
    }
    TextOStreamFile<wchar_t>::flush();
}

void Log<wchar_t>::close() {
    liba::MutexLock lock(mutex_);
    for (const auto& [thread, text] : unfinished_)
        TextOStreamFile<wchar_t>::write(text.data(), text.data() + text.size());
    unfinished_.clear();
    TextOStreamFile<wchar_t>::close();
}

} // namespace os
