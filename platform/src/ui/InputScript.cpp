#include "ui/InputScript.h"

#include "plat/Clock.h"
#include "plat/Presenter.h"
#include "plat/Text.h"
#include "plat/UiTest.h"
#include "ui/Presenter.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace plat::ui {
namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The first word, and the rest of the line after it.
std::string_view split_word(std::string_view& text) {
    text = trim(text);
    size_t end = text.find_first_of(" \t");
    std::string_view word = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : trim(text.substr(end));
    return word;
}

// Whole decimal numbers within the given range, and nothing after the last one.
std::optional<std::vector<int>> read_numbers(std::string_view text, size_t count, int low, int high) {
    std::vector<int> numbers;
    while (numbers.size() < count) {
        std::string_view word = split_word(text);
        int value = 0;
        auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (word.empty() || error != std::errc() || end != word.data() + word.size() || value < low || value > high)
            return std::nullopt;
        numbers.push_back(value);
    }
    if (!text.empty())
        return std::nullopt;
    return numbers;
}

bool tick_reached(uint32_t due) { return int32_t(tick_count() - due) >= 0; }

} // namespace

InputScript::~InputScript() {
    if (fd_ >= 0)
        ::close(fd_);
    if (fifo_writer_ >= 0)
        ::close(fifo_writer_);
}

bool InputScript::open(const std::string& linux_path) {
    fd_ = ::open(linux_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        std::fprintf(stderr, "CHIMELY_INPUT: cannot open %s: %s\n", linux_path.c_str(), std::strerror(errno));
        at_end_ = true;
        return false;
    }
    struct stat info {};
    fifo_ = ::fstat(fd_, &info) == 0 && S_ISFIFO(info.st_mode);
    // Once its last writer has gone, a FIFO polls as readable for ever; with
    // a writer of our own it polls readable only when a line arrives.
    if (fifo_)
        fifo_writer_ = ::open(linux_path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    return true;
}

bool InputScript::finished() const { return at_end_ && buffer_.empty() && !holding_ && !waiting_; }

int32_t InputScript::plan(std::vector<int>& fds) const {
    if (holding_ || waiting_)
        return std::max<int32_t>(int32_t(due_tick_ - tick_count()), 0);
    if (buffer_.find('\n') != std::string::npos || (at_end_ && !buffer_.empty()))
        return 0;
    if (fd_ >= 0)
        fds.push_back(fd_);
    return -1;
}

void InputScript::step() {
    if (holding_ || waiting_) {
        if (!tick_reached(due_tick_))
            return;
        waiting_ = false;
        if (holding_) {
            holding_ = false;
            inject_pointer_up(hold_x_, hold_y_);
            return;  // the release runs before the next line
        }
    }
    std::string line;
    while (next_line(line)) {
        ++line_number_;
        std::string_view text = line;
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        if (trim(text).empty() || trim(text).front() == '#')
            continue;
        // Only the left is trimmed: the text of `char` keeps its spaces.
        apply(text.substr(text.find_first_not_of(" \t")));
        return;
    }
}

// Reads what has arrived; a FIFO with no writer answers end of file, which
// only ends a plain file.
bool InputScript::next_line(std::string& line) {
    size_t newline = 0;
    while ((newline = buffer_.find('\n')) == std::string::npos && fd_ >= 0) {
        char chunk[4096];
        ssize_t got = ::read(fd_, chunk, sizeof chunk);
        if (got > 0) {
            buffer_.append(chunk, size_t(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        const bool failed = got < 0 && errno != EAGAIN;
        if (failed)
            std::fprintf(stderr, "CHIMELY_INPUT: cannot read on: %s\n", std::strerror(errno));
        if (failed || (got == 0 && !fifo_)) {
            ::close(fd_);
            fd_ = -1;
            at_end_ = true;
        }
        break;
    }
    if (newline == std::string::npos) {
        if (!at_end_ || buffer_.empty())
            return false;
        newline = buffer_.size();  // a last line without its line end
    }
    line = buffer_.substr(0, newline);
    buffer_.erase(0, std::min(buffer_.size(), newline + 1));
    return true;
}

void InputScript::report(std::string_view problem) const {
    std::fprintf(stderr, "CHIMELY_INPUT line %d: %.*s\n", line_number_, int(problem.size()), problem.data());
}

void InputScript::apply(std::string_view line) {
    std::string_view rest = line;
    const std::string_view command = split_word(rest);
    constexpr int max_key = 255;
    constexpr int max_coordinate = 32767;
    constexpr int max_ms = 0x7FFFFFFF;
    auto numbers = [&](size_t count, int low, int high) {
        auto values = read_numbers(rest, count, low, high);
        if (!values)
            report("missing or bad number in \"" + std::string(line) + "\"; skipped");
        return values;
    };
    if (command == "key" || command == "keydown" || command == "keyup") {
        if (auto n = numbers(1, 1, max_key)) {
            const auto key = uint32_t((*n)[0]);
            if (command == "key")
                inject_key_press(key);
            else
                inject_key(key, command == "keydown");
        }
    } else if (command == "char") {
        // The text is everything after the one blank that ends the command.
        std::string_view text = line.substr(std::min(line.size(), command.size() + 1));
        if (text.empty())
            report("char without text; skipped");
        else
            inject_text(from_utf8(text));
    } else if (command == "tap" || command == "hold") {
        if (auto n = numbers(2, 0, max_coordinate)) {
            inject_pointer_down((*n)[0], (*n)[1]);
            if (command == "tap") {
                inject_pointer_up((*n)[0], (*n)[1]);
            } else {
                holding_ = true;
                hold_x_ = (*n)[0];
                hold_y_ = (*n)[1];
                due_tick_ = tick_count() + script_hold_ms;
            }
        }
    } else if (command == "wait") {
        if (auto n = numbers(1, 0, max_ms)) {
            waiting_ = true;
            due_tick_ = tick_count() + uint32_t((*n)[0]);
        }
    } else if (command == "soft") {
        if (auto n = numbers(1, 1, 2)) {
            if (script_menu_hooks().soft)
                script_menu_hooks().soft((*n)[0]);
            else
                report("soft keys are not available; skipped");
        }
    } else if (command == "choose") {
        if (auto n = numbers(1, 0, max_ms)) {
            if (script_menu_hooks().choose)
                script_menu_hooks().choose((*n)[0]);
            else
                report("popup choices are not available; skipped");
        }
    } else if (command == "shot") {
        if (rest.empty())
            report("shot without a path; skipped");
        else if (!write_screenshot(std::string(rest)))
            report("cannot write the screenshot " + std::string(rest));
    } else {
        report("unknown command \"" + std::string(command) + "\"; skipped");
    }
}

} // namespace plat::ui
