#include "audio/FilePlayer.h"

#include <mutex>

namespace {

// The master volume before the first live player, and how many live.
std::mutex g_volume_lock;
double g_base_volume = 0.0;
int g_live_players = 0;

} // namespace

FilePlayer::FilePlayer(const std::wstring& path, double volume) {
    {
        std::lock_guard<std::mutex> lock(g_volume_lock);
        if (g_live_players++ == 0)
            g_base_volume = audio::get_master_volume();
    }
    chain_ = audio::open_play_chain(path);
    if (chain_)
        audio::connect(chain_->provider(), static_cast<audio::Consumer<audio::PCMData>*>(&player_));
    if (volume > 0)
        audio::set_master_volume(volume);
}

FilePlayer::~FilePlayer() {
    player_.stop();
    {
        std::lock_guard<std::mutex> lock(g_volume_lock);
        if (--g_live_players == 0)
            audio::set_master_volume(g_base_volume);
    }
    // The player (and its thread) goes before the chain it pulls from.
    if (chain_)
        audio::connect<audio::PCMData>(chain_->provider(), nullptr);
}

void FilePlayer::start() { player_.play(); }
void FilePlayer::stop() { player_.stop(); }
bool FilePlayer::is_open() const { return chain_ != nullptr; }
bool FilePlayer::is_playing() { return chain_ && !player_.is_finished(); }
