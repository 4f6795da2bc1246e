#pragma once
#include "base/File.h"
#include "base/Thread.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace liba {

class TimeStamp;

// A sink of text; the log is used through this interface only.
template <class Char>
class TextOStream {
public:
    virtual ~TextOStream() = default;
    virtual void write(const Char* first, const Char* last) = 0;
    virtual void flush() = 0;
    // True when everything written is thrown away, so that values need not be formatted.
    virtual bool discards() const { return false; }
};

// The stream of a switched-off log: everything is discarded.
template <class Char>
class TextOStreamEmpty : public TextOStream<Char> {
public:
    void write(const Char*, const Char*) override {}
    void flush() override {}
    bool discards() const override { return true; }
};

// Each operator converts its value to text and writes it in one call, so a
// line from several threads may interleave between values, never inside one.
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, std::wstring_view text);
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, const wchar_t* text);
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, const std::wstring& text);
// 8-bit text is widened through the device code page.
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, std::string_view text);
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, const char* text);
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, const std::string& text);
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, wchar_t c);
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, int value);
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, unsigned value);
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, long value);
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, unsigned long value);
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, long long value);
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, unsigned long long value);
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, double value);
TextOStream<wchar_t>& operator<<(TextOStream<wchar_t>& out, const TimeStamp& value);

} // namespace liba

namespace os {

// A text file in UTF-16LE: created (or emptied) with the FF FE mark at once.
// A file that cannot be opened keeps the error in the file's list and the
// stream then writes nothing.
template <class Char>
class TextOStreamFile;

template <>
class TextOStreamFile<wchar_t> : public liba::TextOStream<wchar_t> {
public:
    explicit TextOStreamFile(std::wstring_view path);
    ~TextOStreamFile() override = default;
    TextOStreamFile(const TextOStreamFile&) = delete;
    TextOStreamFile& operator=(const TextOStreamFile&) = delete;

    void write(const wchar_t* first, const wchar_t* last) override;
    void flush() override;
    // Closes the file; later writes go nowhere.
    virtual void close();
    bool is_open() const { return file_ && !file_->failed(); }

protected:
    // An open file for a subclass that writes the mark itself.
    explicit TextOStreamFile(std::unique_ptr<File> file) : file_(std::move(file)) {}

private:
    std::unique_ptr<File> file_;
};

// The trace log: a text file that several threads, and several processes of
// the program (a later start handing its command line over, say), write at
// once. Each thread's text is held until its line ends; the whole line then
// goes to the end of the file in one write, so lines never interleave or
// vanish. The file is emptied when opened, unless another process still
// writes it: then it is added to.
template <class Char>
class Log;

template <>
class Log<wchar_t> : public TextOStreamFile<wchar_t> {
public:
    explicit Log(std::wstring_view path);

    void write(const wchar_t* first, const wchar_t* last) override;
    // Also writes out the calling thread's unfinished line.
    void flush() override;
    // Writes out every unfinished line first.
    void close() override;

private:
    liba::Mutex mutex_;
    std::map<std::thread::id, std::wstring> unfinished_;  // by writing thread
};

} // namespace os
