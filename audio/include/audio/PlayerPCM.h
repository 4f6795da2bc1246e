#pragma once
#include "audio/Data.h"
#include "audio/Link.h"

#include <memory>

namespace audio {

class PlayerPCMImpl;

// Plays the PCM its provider yields through the wave-out device, on a thread of its own: it opens
// the device in the stream's format, keeps six buffers queued, reopens the device when the format
// changes and closes it at the end of the data. Push is a fault: the player pulls.
class PlayerPCM : public Consumer<PCMData> {
public:
    PlayerPCM();
    ~PlayerPCM() override;

    // Both only post a command to the player's thread; false when it could not be posted.
    bool play();
    bool stop();
    bool is_finished();

    void on_data(const PCMData& block) override;

private:
    std::unique_ptr<PlayerPCMImpl> impl_;
};

// The per-process master volume (0..1) of every wave-out device; a software gain.
void set_master_volume(double volume);
double get_master_volume();

} // namespace audio
