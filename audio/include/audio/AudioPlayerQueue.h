#pragma once
#include "audio/FilePlayer.h"
#include "base/Timer.h"

#include <memory>
#include <string>
#include <vector>

// Plays sound files one after another from a timer on the GUI thread: a finished file is dropped at
// the first tick after it ends and the next one starts at the tick after that; a file that cannot
// be played is skipped.
class AudioPlayerQueue : public liba::Timer::Listener {
public:
    static constexpr double tick_seconds = 0.02;

    explicit AudioPlayerQueue(double volume);
    ~AudioPlayerQueue() override;

    void on_timer(liba::Timer* timer) override;

    void play(const std::wstring& path);
    // Empties the list; the current sound stops at the next tick.
    void stop();
    // For the players made from now on.
    void set_volume(double volume);
    // Nothing playing and nothing waiting.
    bool is_empty() const;
    // The files still waiting, next first.
    const std::vector<std::wstring>& waiting() const { return paths_; }

private:
    double volume_ = 0.0;
    int stop_ = 0;
    liba::Timer timer_;
    std::vector<std::wstring> paths_;
    std::unique_ptr<FilePlayer> player_;
};
