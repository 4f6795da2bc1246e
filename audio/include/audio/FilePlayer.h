#pragma once
#include "audio/PlayChain.h"
#include "audio/PlayerPCM.h"

#include <memory>
#include <string>

// Plays one sound file at a chosen volume; lives on the GUI thread. While any file player lives the
// master volume is the one the latest of them set; when the last one goes, the volume from before
// the first one comes back (players may overlap and end in any order).
class FilePlayer {
public:
    // A volume of 0 keeps the current master volume. Playback starts with start().
    FilePlayer(const std::wstring& path, double volume);
    ~FilePlayer();
    FilePlayer(const FilePlayer&) = delete;
    FilePlayer& operator=(const FilePlayer&) = delete;

    void start();
    void stop();
    // A reader accepted the file.
    bool is_open() const;
    bool is_playing();

private:
    std::unique_ptr<audio::PlayChain> chain_;
    audio::PlayerPCM player_;
};
