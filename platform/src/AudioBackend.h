#pragma once
#include "plat/Wave.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// What lies under the wave devices: ALSA or nothing, the dump folder and the
// file that stands in for the microphone.
namespace plat::audio_backend {

struct Format {
    int channels = 0;
    int rate = 0;
    int bits = 0;

    int frame_size() const { return channels * bits / 8; }
};

// PCM, 1 or 2 channels, 8 or 16 bits, 1000..192000 Hz, with a matching block align.
bool read_format(const WAVEFORMATEX* format, Format& out);

// A sound output that plays whole frames. write may block while the device is full, but never
// for ever: a device that takes nothing for a while is given up for the session.
class Output {
public:
    virtual ~Output() = default;
    virtual void write(const uint8_t* data, size_t frames) = 0;
    // The writer has handed over all it has for now: a device still waiting to fill up plays.
    virtual void start() {}
    // Frames written but not yet heard; -1 when the device cannot say (it failed, underran, or
    // answers nonsense), and the caller keeps time by the clock.
    virtual int64_t delay_frames() = 0;
    // The most that can lie between a write and its sound: the device's buffer and a period's
    // allowance for a sound server behind it.
    virtual int64_t latency_frames() const = 0;
    virtual void drop() = 0;   // forget what has not been heard
    virtual void drain() = 0;  // wait, within a bound, until the device has played everything written
};

// The output for a session, or null for our own null device (CHIMELY_AUDIO=null,
// or neither the ALSA "default" nor the ALSA "null" device opens).
std::unique_ptr<Output> open_output(const Format& format);

// A sound input. A paced input's read blocks until the frames were captured;
// an unpaced one answers at once and the caller keeps the pace. Fewer frames than asked
// come back only from an input that failed for good; failure() then says why.
class Input {
public:
    virtual ~Input() = default;
    virtual bool paced() const = 0;
    virtual size_t read(uint8_t* data, size_t frames) = 0;
    virtual void pause() {}
    virtual void resume() {}
    virtual const std::string& failure() const { return failure_; }

protected:
    std::string failure_;  // empty while the input works
};

// CHIMELY_AUDIO_IN's file (its samples in the asked format, then silence),
// else the ALSA capture device, else silence.
std::unique_ptr<Input> open_input(const Format& format);

// Test seams: the outputs and inputs that the next sessions get, in place of the devices
// (an empty function restores them). An output factory may answer null for the null device.
void set_output_factory(std::function<std::unique_ptr<Output>(const Format&)> factory);
void set_input_factory(std::function<std::unique_ptr<Input>(const Format&)> factory);

// The samples of a PCM WAV file converted to another format (nearest-sample
// rate conversion, channels mixed or copied); empty when the file is not a
// PCM WAV this can read.
bool load_wav_as(const std::string& path, const Format& format, std::vector<uint8_t>& samples);

// One wave-out session in the dump folder: NNNN.wav, and its open and close
// lines in log.txt. Does nothing when CHIMELY_AUDIO_DUMP is unset.
class DumpSession {
public:
    explicit DumpSession(const Format& format);
    ~DumpSession();
    DumpSession(const DumpSession&) = delete;
    DumpSession& operator=(const DumpSession&) = delete;

    void write(const uint8_t* data, size_t bytes);

private:
    void update_header();

    int fd_ = -1;
    std::string folder_;
    std::string name_;
    Format format_;
    uint64_t data_bytes_ = 0;
};

// The gain of a 16-bit volume channel pair applied to whole frames in place.
void apply_gain(uint8_t* data, size_t frames, const Format& format, uint32_t gain_left, uint32_t gain_right);

} // namespace plat::audio_backend
