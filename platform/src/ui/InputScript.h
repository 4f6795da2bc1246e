#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat::ui {

// How long `hold X Y` keeps the press down, in device-clock milliseconds.
constexpr uint32_t script_hold_ms = 600;

// Input lines from a file or FIFO (CHIMELY_INPUT), applied one at a time
// while the program is idle. A FIFO is read as it fills and never ends, so
// a later writer can go on where the last one stopped.
class InputScript {
public:
    InputScript() = default;
    ~InputScript();
    InputScript(const InputScript&) = delete;
    InputScript& operator=(const InputScript&) = delete;

    // False, reported on standard error, when the path cannot be opened.
    bool open(const std::string& linux_path);
    // Called while the screen's thread is idle: ends a held press or a wait
    // whose time has come, else applies the next command line (skipping
    // blank, comment and bad lines).
    void step();
    bool finished() const;
    // Before the idle screen thread waits: the milliseconds until step has
    // work (negative: once the descriptor it adds has input).
    int32_t plan(std::vector<int>& fds) const;

private:
    bool next_line(std::string& line);
    void apply(std::string_view line);
    void report(std::string_view problem) const;

    int fd_ = -1;
    int fifo_writer_ = -1;  // our own writer keeps an idle FIFO from polling as hung up
    bool fifo_ = false;
    bool at_end_ = false;
    std::string buffer_;
    int line_number_ = 0;
    bool holding_ = false;
    int32_t hold_x_ = 0, hold_y_ = 0;
    bool waiting_ = false;
    uint32_t due_tick_ = 0;  // end of the hold or the wait
};

} // namespace plat::ui
