#include "audio/AudioPlayerQueue.h"

AudioPlayerQueue::AudioPlayerQueue(double volume) : volume_(volume), timer_(this) {}

AudioPlayerQueue::~AudioPlayerQueue() {
    player_.reset();
    paths_.clear();
    timer_.stop();
}

void AudioPlayerQueue::play(const std::wstring& path) {
    paths_.push_back(path);
    timer_.start(tick_seconds);
}

void AudioPlayerQueue::stop() {
    paths_.clear();
    stop_ = 1;
}

void AudioPlayerQueue::set_volume(double volume) { volume_ = volume; }

bool AudioPlayerQueue::is_empty() const { return !player_ && paths_.empty(); }

void AudioPlayerQueue::on_timer(liba::Timer* timer) {
    if (timer != &timer_)
        return;
    if (stop_ == 1 && player_)
        player_->stop();
    stop_ = 0;
    if (!player_ && !paths_.empty()) {
        player_ = std::make_unique<FilePlayer>(paths_.front(), volume_);
        paths_.erase(paths_.begin());
        player_->start();
    }
    if (player_ && !player_->is_playing())
        player_.reset();
    if (player_ || !paths_.empty())
        timer_.start(tick_seconds);
    else
        timer_.stop();
}
