#include "AudioBackend.h"
#include "PosixIo.h"
#include "Switches.h"
#include "WaveCallback.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <thread>

namespace plat::audio_backend {
namespace {

// ALSA prints its own complaints to standard error; a missing sound card is normal here.
void quiet_alsa_errors(const char*, int, const char*, int, const char*, ...) {}

void silence_alsa_once() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(quiet_alsa_errors); });
}

bool use_alsa() {
    const std::string choice = switches::value("CHIMELY_AUDIO");
    if (choice == "null")
        return false;
    if (!choice.empty() && choice != "alsa")
        switches::warn("CHIMELY_AUDIO", "is neither alsa nor null; using alsa");
    return true;
}

// What is asked of ALSA: periods short enough for a sound server's scheduling (a server behind the
// pulse plugin renders in periods, so they also bound its start latency), and a buffer that outlasts
// a writer or reader held up for a quarter of a second and more on a loaded machine. The device may
// give other sizes; those it gives are the ones used.
constexpr unsigned kPeriodUs = 25000;
constexpr unsigned kPlaybackBufferUs = 400000;
constexpr unsigned kCaptureBufferUs = 500000;
// A device that takes or gives nothing for this long is given up for the session.
constexpr int64_t kStallUs = 3000000;
constexpr int kWaitMs = 20;
// How long a drain may wait beyond the sound the device still holds (a server that is behind).
constexpr int64_t kDrainGraceUs = 1000000;

// An open ALSA device and the sizes it was configured with.
struct AlsaPcm {
    snd_pcm_t* pcm = nullptr;
    snd_pcm_uframes_t period = 0;
    snd_pcm_uframes_t buffer = 0;
};

bool configure(snd_pcm_t* pcm, snd_pcm_stream_t stream, const Format& format, AlsaPcm& out) {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    unsigned rate = static_cast<unsigned>(format.rate);
    unsigned period_us = kPeriodUs;
    unsigned buffer_us = stream == SND_PCM_STREAM_PLAYBACK ? kPlaybackBufferUs : kCaptureBufferUs;
    const snd_pcm_format_t sample = format.bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    if (snd_pcm_hw_params_any(pcm, hw) < 0 || snd_pcm_hw_params_set_rate_resample(pcm, hw, 1) < 0 ||
        snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(pcm, hw, sample) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, hw, static_cast<unsigned>(format.channels)) < 0 ||
        snd_pcm_hw_params_set_rate_near(pcm, hw, &rate, nullptr) < 0 || rate != static_cast<unsigned>(format.rate) ||
        snd_pcm_hw_params_set_period_time_near(pcm, hw, &period_us, nullptr) < 0 ||
        snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &buffer_us, nullptr) < 0 || snd_pcm_hw_params(pcm, hw) < 0)
        return false;
    if (snd_pcm_hw_params_get_period_size(hw, &out.period, nullptr) < 0 ||
        snd_pcm_hw_params_get_buffer_size(hw, &out.buffer) < 0 || out.period == 0 || out.buffer < out.period)
        return false;
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    // Playback starts by itself once the buffer is full, and by hand whenever the writer has handed over
    // all it has (Output::start), so it never waits for sound that is not there; capture at the first read.
    const snd_pcm_uframes_t start = stream == SND_PCM_STREAM_PLAYBACK ? out.buffer : 1;
    return snd_pcm_sw_params_current(pcm, sw) >= 0 && snd_pcm_sw_params_set_start_threshold(pcm, sw, start) >= 0 &&
           snd_pcm_sw_params_set_avail_min(pcm, sw, out.period) >= 0 && snd_pcm_sw_params(pcm, sw) >= 0;
}

bool open_alsa(const char* name, snd_pcm_stream_t stream, const Format& format, AlsaPcm& out) {
    silence_alsa_once();
    // Non-blocking, so a busy device fails at once and a stalled one never holds the caller for ever.
    if (snd_pcm_open(&out.pcm, name, stream, SND_PCM_NONBLOCK) < 0)
        return false;
    if (!configure(out.pcm, stream, format, out)) {
        snd_pcm_close(out.pcm);
        out.pcm = nullptr;
        return false;
    }
    return true;
}

// What a drain shares with the thread that waits in it: a drain that outlives its bound is left
// to that thread, which closes the device when the drain ends.
struct DrainWait {
    std::mutex lock;
    std::condition_variable done_changed;
    bool done = false;
    bool abandoned = false;
};

class AlsaOutput : public Output {
public:
    AlsaOutput(const AlsaPcm& device, int rate) : pcm_(device.pcm), period_(device.period), buffer_(device.buffer), rate_(rate) {}
    ~AlsaOutput() override {
        if (pcm_)
            snd_pcm_close(pcm_);
    }

    void write(const uint8_t* data, size_t frames) override {
        const int frame_size = static_cast<int>(snd_pcm_frames_to_bytes(pcm_, 1));
        int64_t progress_us = now_us();
        while (frames > 0 && !failed_) {
            const snd_pcm_sframes_t n = snd_pcm_writei(pcm_, data, frames);
            if (n > 0) {
                frames -= static_cast<size_t>(n);
                data += n * frame_size;
                progress_us = now_us();
            } else if (n == -EAGAIN || n == 0) {
                // The device is full while it plays; a device that never makes room is given up.
                start();
                if (now_us() - progress_us > kStallUs)
                    failed_ = true;
                else
                    snd_pcm_wait(pcm_, kWaitMs);
            } else if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) {
                failed_ = true;  // the device is gone: the pace falls back to the clock
            }
        }
    }
    // A device that was given sound and has not begun (less than its start threshold) begins now.
    void start() override {
        if (!failed_ && snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED &&
            snd_pcm_avail(pcm_) < static_cast<snd_pcm_sframes_t>(buffer_))
            snd_pcm_start(pcm_);
    }
    int64_t delay_frames() override {
        // After an underrun a server's plugin keeps answering its last delay, which never falls.
        if (failed_ || snd_pcm_state(pcm_) != SND_PCM_STATE_RUNNING)
            return -1;
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(pcm_, &delay) < 0 || delay < 0)
            return -1;
        return delay;
    }
    int64_t latency_frames() const override { return static_cast<int64_t>(buffer_ + period_); }
    void drop() override {
        snd_pcm_drop(pcm_);
        snd_pcm_prepare(pcm_);
    }
    // A blocking drain returns once the device (or the server behind it) has played everything: a
    // delay that reaches zero only says that the time for it has passed, and a server that was held
    // up is still playing then. The drain waits on a thread of its own, so that a device that never
    // finishes holds the caller no longer than the sound it holds and a grace.
    void drain() override {
        start();
        if (failed_ || snd_pcm_state(pcm_) != SND_PCM_STATE_RUNNING) {
            snd_pcm_drop(pcm_);
            return;
        }
        auto wait = std::make_shared<DrainWait>();
        snd_pcm_nonblock(pcm_, 0);
        std::thread([pcm = pcm_, wait] {
            snd_pcm_drain(pcm);
            std::lock_guard<std::mutex> lock(wait->lock);
            wait->done = true;
            if (wait->abandoned)
                snd_pcm_close(pcm);
            wait->done_changed.notify_all();
        }).detach();
        const auto bound = std::chrono::microseconds(latency_frames() * 1000000 / rate_ + kDrainGraceUs);
        std::unique_lock<std::mutex> lock(wait->lock);
        if (!wait->done_changed.wait_for(lock, bound, [&] { return wait->done; })) {
            wait->abandoned = true;
            pcm_ = nullptr;
        }
    }

private:
    snd_pcm_t* pcm_ = nullptr;  // null once a drain that did not end took it over
    snd_pcm_uframes_t period_ = 0;
    snd_pcm_uframes_t buffer_ = 0;
    int rate_ = 0;
    bool failed_ = false;
};

// Through a sound server the capture device delivers in bursts and may run over; each read
// gathers every frame asked for, and only a device that fails for good ends it early.
class AlsaInput : public Input {
public:
    explicit AlsaInput(const AlsaPcm& device) : pcm_(device.pcm) {}
    ~AlsaInput() override { snd_pcm_close(pcm_); }

    bool paced() const override { return true; }
    size_t read(uint8_t* data, size_t frames) override {
        const size_t frame_size = static_cast<size_t>(snd_pcm_frames_to_bytes(pcm_, 1));
        size_t got = 0;
        int64_t progress_us = now_us();
        while (got < frames && failure_.empty()) {
            const snd_pcm_sframes_t n = snd_pcm_readi(pcm_, data + got * frame_size, frames - got);
            if (n > 0) {
                got += static_cast<size_t>(n);
                progress_us = now_us();
                continue;
            }
            if (now_us() - progress_us > kStallUs) {
                failure_ = n < 0 && n != -EAGAIN ? snd_strerror(static_cast<int>(n)) : "no sound arrives";
            } else if (n == -EAGAIN || n == 0) {
                snd_pcm_wait(pcm_, kWaitMs);
            } else if (int rc = snd_pcm_recover(pcm_, static_cast<int>(n), 1); rc < 0) {
                failure_ = snd_strerror(rc);  // an overrun is recovered; anything else ends here
            } else if (snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED) {
                snd_pcm_start(pcm_);
            }
        }
        return got;
    }
    void pause() override { snd_pcm_drop(pcm_); }
    void resume() override {
        snd_pcm_prepare(pcm_);
        snd_pcm_start(pcm_);
    }

private:
    snd_pcm_t* pcm_ = nullptr;
};

// Prepared samples, then silence for ever.
class SamplesInput : public Input {
public:
    SamplesInput(std::vector<uint8_t> samples, const Format& format)
        : samples_(std::move(samples)), frame_size_(static_cast<size_t>(format.frame_size())),
          silence_(format.bits == 8 ? 0x80 : 0) {}

    bool paced() const override { return false; }
    size_t read(uint8_t* data, size_t frames) override {
        const size_t wanted = frames * frame_size_;
        const size_t from_file = std::min(wanted, samples_.size() - position_);
        if (from_file > 0)  // an empty file has no data pointer to copy from
            std::memcpy(data, samples_.data() + position_, from_file);
        std::memset(data + from_file, silence_, wanted - from_file);
        position_ += from_file;
        return frames;
    }

private:
    std::vector<uint8_t> samples_;
    size_t position_ = 0;
    size_t frame_size_ = 0;
    uint8_t silence_ = 0;
};

uint32_t le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }
uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void put_le32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void put_le16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

std::mutex g_dump_lock;  // numbering and log.txt

// Set by tests only, before the devices they replace are opened.
std::function<std::unique_ptr<Output>(const Format&)> g_output_factory;
std::function<std::unique_ptr<Input>(const Format&)> g_input_factory;

void append_log_line(const std::string& folder, const std::string& line) {
    int fd = ::open((folder + "/log.txt").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const std::string text = line + "\n";
    write_all(fd, text.data(), text.size());
    ::close(fd);
}

} // namespace

bool read_format(const WAVEFORMATEX* format, Format& out) {
    if (!format || format->format_tag != WAVE_FORMAT_PCM)
        return false;
    if (format->channels < 1 || format->channels > 2)
        return false;
    if (format->bits_per_sample != 8 && format->bits_per_sample != 16)
        return false;
    if (format->samples_per_sec < 1000 || format->samples_per_sec > 192000)
        return false;
    if (format->block_align != format->channels * format->bits_per_sample / 8)
        return false;
    out = Format{format->channels, static_cast<int>(format->samples_per_sec), format->bits_per_sample};
    return true;
}

std::unique_ptr<Output> open_output(const Format& format) {
    if (g_output_factory)
        return g_output_factory(format);
    if (!use_alsa())
        return nullptr;
    AlsaPcm device;
    if (!open_alsa("default", SND_PCM_STREAM_PLAYBACK, format, device) &&
        !open_alsa("null", SND_PCM_STREAM_PLAYBACK, format, device))
        return nullptr;
    return std::make_unique<AlsaOutput>(device, format.rate);
}

std::unique_ptr<Input> open_input(const Format& format) {
    if (g_input_factory)
        return g_input_factory(format);
    if (const std::string file = switches::value("CHIMELY_AUDIO_IN"); !file.empty()) {
        std::vector<uint8_t> samples;
        if (!load_wav_as(file, format, samples))
            switches::warn("CHIMELY_AUDIO_IN", "is not a readable PCM WAV file; the microphone hears silence");
        return std::make_unique<SamplesInput>(std::move(samples), format);
    }
    if (AlsaPcm device; use_alsa() && open_alsa("default", SND_PCM_STREAM_CAPTURE, format, device))
        return std::make_unique<AlsaInput>(device);
    return std::make_unique<SamplesInput>(std::vector<uint8_t>(), format);
}

void set_output_factory(std::function<std::unique_ptr<Output>(const Format&)> factory) {
    g_output_factory = std::move(factory);
}

void set_input_factory(std::function<std::unique_ptr<Input>(const Format&)> factory) {
    g_input_factory = std::move(factory);
}

bool load_wav_as(const std::string& path, const Format& format, std::vector<uint8_t>& samples) {
    samples.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::vector<uint8_t> f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (f.size() < 12 || std::memcmp(f.data(), "RIFF", 4) != 0 || std::memcmp(f.data() + 8, "WAVE", 4) != 0)
        return false;
    Format source;
    const uint8_t* data = nullptr;
    size_t data_size = 0;
    size_t at = 12;
    while (f.size() - at >= 8) {
        const uint64_t size = le32(f.data() + at + 4);
        const size_t body = at + 8;
        const size_t available = f.size() - body;
        if (std::memcmp(f.data() + at, "fmt ", 4) == 0 && size >= 16 && available >= 16) {
            if (le16(f.data() + body) != WAVE_FORMAT_PCM)
                return false;
            source = Format{le16(f.data() + body + 2), static_cast<int>(le32(f.data() + body + 4)),
                            le16(f.data() + body + 14)};
        } else if (std::memcmp(f.data() + at, "data", 4) == 0) {
            data = f.data() + body;
            data_size = static_cast<size_t>(std::min<uint64_t>(size, available));
        }
        if (size > available)
            break;
        at = body + static_cast<size_t>(size) + (size & 1);
    }
    // A rate outside what the devices take would stretch a small file into gigabytes.
    if (!data || (source.channels != 1 && source.channels != 2) || (source.bits != 8 && source.bits != 16) ||
        source.rate < 1000 || source.rate > 192000 || format.rate <= 0)
        return false;

    auto sample_at = [&](uint64_t frame, int channel) -> int {
        const uint8_t* p = data + frame * static_cast<uint64_t>(source.frame_size()) +
                           static_cast<uint64_t>(channel * source.bits / 8);
        return source.bits == 16 ? static_cast<int16_t>(le16(p)) : (p[0] - 128) * 256;
    };
    const uint64_t source_frames = data_size / static_cast<size_t>(source.frame_size());
    const uint64_t frames = source_frames * static_cast<uint64_t>(format.rate) / static_cast<uint64_t>(source.rate);
    samples.resize(static_cast<size_t>(frames) * static_cast<size_t>(format.frame_size()));
    uint8_t* out = samples.data();
    for (uint64_t i = 0; i < frames; ++i) {
        const uint64_t from = i * static_cast<uint64_t>(source.rate) / static_cast<uint64_t>(format.rate);
        for (int ch = 0; ch < format.channels; ++ch) {
            int value = 0;
            if (source.channels == format.channels)
                value = sample_at(from, ch);
            else if (source.channels == 1)
                value = sample_at(from, 0);
            else
                value = (sample_at(from, 0) + sample_at(from, 1)) / 2;
            if (format.bits == 16) {
                put_le16(out, static_cast<uint16_t>(static_cast<int16_t>(value)));
                out += 2;
            } else {
                *out++ = static_cast<uint8_t>((value >> 8) + 128);
            }
        }
    }
    return true;
}

DumpSession::DumpSession(const Format& format) : format_(format) {
    folder_ = switches::value("CHIMELY_AUDIO_DUMP");
    if (folder_.empty())
        return;
    std::lock_guard<std::mutex> lock(g_dump_lock);
    static std::map<std::string, int> last_numbers;
    int& last_number = last_numbers[folder_];
    char last_name[16];
    std::snprintf(last_name, sizeof last_name, "%04d.wav", last_number);
    if (::access((folder_ + "/" + last_name).c_str(), F_OK) != 0)
        last_number = 0;  // the folder was emptied meanwhile
    // Numbers already taken (by this or an earlier process) are skipped.
    for (int number = last_number + 1; number < 100000; ++number) {
        char name[16];
        std::snprintf(name, sizeof name, "%04d.wav", number);
        fd_ = ::open((folder_ + "/" + name).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd_ >= 0) {
            last_number = number;
            name_ = name;
            break;
        }
        if (errno != EEXIST) {
            switches::warn("CHIMELY_AUDIO_DUMP", "is not a folder this program can write (" +
                                                     std::string(std::strerror(errno)) + "); sounds are not dumped");
            return;
        }
    }
    if (fd_ < 0)
        return;
    update_header();
    append_log_line(folder_, "open " + name_ + " " + std::to_string(format_.rate) + " " +
                                 std::to_string(format_.channels) + " " + std::to_string(format_.bits));
}

DumpSession::~DumpSession() {
    if (fd_ < 0)
        return;
    update_header();
    ::close(fd_);
    std::lock_guard<std::mutex> lock(g_dump_lock);
    append_log_line(folder_, "close " + name_ + " " + std::to_string(data_bytes_ / static_cast<uint64_t>(format_.frame_size())));
}

void DumpSession::write(const uint8_t* data, size_t bytes) {
    if (fd_ < 0 || bytes == 0)
        return;
    if (::lseek(fd_, 0, SEEK_END) < 0 || !write_all(fd_, data, bytes))
        return;
    data_bytes_ += bytes;
    update_header();
}

// Kept current after every write, so the file is readable while the session lasts.
void DumpSession::update_header() {
    uint8_t h[44];
    const uint32_t size = static_cast<uint32_t>(std::min<uint64_t>(data_bytes_, 0xFFFFFFFFu - 36));
    std::memcpy(h, "RIFF", 4);
    put_le32(h + 4, 36 + size);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put_le32(h + 16, 16);
    put_le16(h + 20, WAVE_FORMAT_PCM);
    put_le16(h + 22, static_cast<uint16_t>(format_.channels));
    put_le32(h + 24, static_cast<uint32_t>(format_.rate));
    put_le32(h + 28, static_cast<uint32_t>(format_.rate * format_.frame_size()));
    put_le16(h + 32, static_cast<uint16_t>(format_.frame_size()));
    put_le16(h + 34, static_cast<uint16_t>(format_.bits));
    std::memcpy(h + 36, "data", 4);
    put_le32(h + 40, size);
    ::pwrite(fd_, h, sizeof h, 0);
}

void apply_gain(uint8_t* data, size_t frames, const Format& format, uint32_t gain_left, uint32_t gain_right) {
    if (gain_left >= 0xFFFF && gain_right >= 0xFFFF)
        return;
    for (size_t i = 0; i < frames; ++i)
        for (int ch = 0; ch < format.channels; ++ch) {
            // A mono device follows the left volume.
            const int64_t gain = ch == 0 ? gain_left : gain_right;
            if (format.bits == 16) {
                const int64_t s = static_cast<int16_t>(le16(data));
                put_le16(data, static_cast<uint16_t>(static_cast<int16_t>(s * gain / 0xFFFF)));
                data += 2;
            } else {
                const int64_t s = *data - 128;
                *data = static_cast<uint8_t>(s * gain / 0xFFFF + 128);
                data += 1;
            }
        }
}

} // namespace plat::audio_backend
