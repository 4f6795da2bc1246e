#include "AudioBackend.h"
#include "WaveCallback.h"
#include "WaveDeviceTable.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace plat {
namespace {

using audio_backend::Format;
using audio_backend::now_us;

constexpr int kChunkMs = 20;         // what the worker copies from the buffers at a time
constexpr int kNullLeadMs = 40;      // how far the null device runs ahead of the clock
constexpr int kIdlePollMs = 5;
constexpr int kStuckDelayMs = 50;    // a device's delay that stays the same this long is stuck

std::atomic<uint32_t> g_device_volume{0xFFFFFFFF};

// One open wave-out handle and the thread that feeds its sound output.
class WaveOutDevice {
public:
    WaveOutDevice(HWAVEOUT handle, const Format& format, audio_backend::WaveCallback callback)
        : handle_(handle), format_(format), callback_(callback), output_(audio_backend::open_output(format)),
          dump_(format) {
        chunk_bytes_ = static_cast<size_t>(format.rate * kChunkMs / 1000) * static_cast<size_t>(format.frame_size());
        // A device runs ahead by what it holds (its writes block once it is full), plus a chunk.
        lead_frames_ = static_cast<uint64_t>(format.rate) * kNullLeadMs / 1000;
        if (output_) {
            const int64_t latency = std::max<int64_t>(0, output_->latency_frames());
            lead_frames_ = static_cast<uint64_t>(latency) + static_cast<uint64_t>(format.rate) * kChunkMs / 1000;
            latency_us_ = latency * 1000000 / format.rate;
        }
        worker_ = std::thread([this] { run(); });
    }

    // A device still open when the process ends stops its thread rather than abort the exit.
    ~WaveOutDevice() {
        if (worker_.joinable()) {
            {
                std::lock_guard<std::mutex> lock(lock_);
                quit_ = true;
                wake_.notify_all();
            }
            worker_.join();
        }
    }
    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;

    void post_open() { callback_.post(MM_WOM_OPEN, handle_, nullptr); }

    MMRESULT write(WAVEHDR* header) {
        std::lock_guard<std::mutex> lock(lock_);
        if (!(header->flags & WHDR_PREPARED))
            return WAVERR_UNPREPARED;
        if (header->flags & WHDR_INQUEUE)
            return WAVERR_STILLPLAYING;
        header->flags = (header->flags & ~WHDR_DONE) | WHDR_INQUEUE;
        queued_.push_back(header);
        wake_.notify_all();
        return MMSYSERR_NOERROR;
    }

    bool in_queue(WAVEHDR* header) {
        std::lock_guard<std::mutex> lock(lock_);
        return header->flags & WHDR_INQUEUE;
    }

    // Every buffer comes back at once, in order; the worker never sees them again.
    void reset() {
        std::lock_guard<std::mutex> lock(lock_);
        for (const Sent& sent : sent_)
            complete(sent.header);
        for (WAVEHDR* header : queued_)
            complete(header);
        sent_.clear();
        queued_.clear();
        writes_.clear();
        surely_played_ = 0;
        front_offset_ = 0;
        bytes_sent_ = 0;
        clock_start_us_ = now_us();
        drop_pending_ = true;
        wake_.notify_all();
    }

    bool busy() {
        std::lock_guard<std::mutex> lock(lock_);
        return !queued_.empty() || !sent_.empty();
    }

    // The session drains before it ends, so the end of the sound is heard.
    void close() {
        {
            std::lock_guard<std::mutex> lock(lock_);
            quit_ = true;
            wake_.notify_all();
        }
        worker_.join();
        if (output_)
            output_->drain();
        output_.reset();
        callback_.post(MM_WOM_CLOSE, handle_, nullptr);
    }

    std::atomic<uint32_t> volume{0xFFFFFFFF};

private:
    struct Sent {
        WAVEHDR* header = nullptr;
        uint64_t end_byte = 0;  // position of its last byte in the session's stream
    };

    void complete(WAVEHDR* header) {
        header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        callback_.post(MM_WOM_DONE, handle_, header);
    }

    uint64_t frames_sent() const { return bytes_sent_ / static_cast<uint64_t>(format_.frame_size()); }

    // Frames the clock lets the device have played by then: the session's rate since its start.
    uint64_t frames_by_clock(int64_t at_us) const {
        const int64_t elapsed = std::max<int64_t>(0, at_us - clock_start_us_);
        return std::min<uint64_t>(frames_sent(), static_cast<uint64_t>(elapsed) * static_cast<uint64_t>(format_.rate) / 1000000);
    }

    // What has been heard: the clock's count, and the device's when it has one; the smaller wins,
    // so a buffer is done only when it was really played. A device that cannot say (failed,
    // underran) leaves the count to the clock, and so does a delay that stands still while the
    // clock runs (a server's plugin after the server ran out of sound keeps its last one). Whatever
    // it answers, a frame whose time has come and which the device took at least its latency ago
    // has been played: a delay never holds a buffer for ever. (Counting too early costs nothing at
    // the end: the close waits until the device has played everything.)
    uint64_t frames_heard() {
        const int64_t now = now_us();
        uint64_t heard = frames_by_clock(now);
        if (output_) {
            const uint64_t sent = frames_sent();
            const int64_t delay = output_->delay_frames();
            if (delay != last_delay_) {
                last_delay_ = delay;
                last_delay_since_us_ = now;
            }
            const bool stuck = delay > 0 && now - last_delay_since_us_ >= kStuckDelayMs * 1000;
            if (delay >= 0 && !stuck)
                heard = std::min(heard, sent > static_cast<uint64_t>(delay) ? sent - static_cast<uint64_t>(delay) : 0);
            heard = std::max(heard, std::min(frames_by_clock(now - latency_us_), frames_played_by_latency(now)));
        }
        return heard;
    }

    uint64_t frames_played_by_latency(int64_t now) {
        const int64_t late = now - latency_us_;
        while (!writes_.empty() && writes_.front().at_us <= late) {
            surely_played_ = writes_.front().frames_sent;
            writes_.pop_front();
        }
        return surely_played_;
    }

    void complete_heard() {
        const uint64_t heard = frames_heard();
        // A buffer that ends in part of a frame is done once every whole frame before it was heard;
        // its last bytes wait for the rest of their frame, which may never come.
        const uint64_t heard_bytes = heard == frames_sent() ? bytes_sent_ : heard * static_cast<uint64_t>(format_.frame_size());
        while (!sent_.empty() && sent_.front().end_byte <= heard_bytes) {
            complete(sent_.front().header);
            sent_.pop_front();
        }
    }

    // Copies up to one chunk from the queued buffers (under the lock); buffers copied to their end
    // wait in sent_ until they are heard.
    void gather(std::vector<uint8_t>& chunk) {
        while (!queued_.empty() && chunk.size() < chunk_bytes_) {
            WAVEHDR* header = queued_.front();
            const size_t length = header->data ? header->buffer_length : 0;
            const size_t n = std::min(length - front_offset_, chunk_bytes_ - chunk.size());
            chunk.insert(chunk.end(), header->data + front_offset_, header->data + front_offset_ + n);
            front_offset_ += n;
            bytes_sent_ += n;
            if (front_offset_ >= length) {
                sent_.push_back(Sent{header, bytes_sent_});
                queued_.pop_front();
                front_offset_ = 0;
            }
        }
    }

    void run() {
        std::vector<uint8_t> chunk;
        std::vector<uint8_t> carry;  // a partial frame waiting for the rest of its bytes
        std::unique_lock<std::mutex> lock(lock_);
        clock_start_us_ = now_us();
        for (;;) {
            if (drop_pending_) {
                drop_pending_ = false;
                carry.clear();
                if (output_) {
                    lock.unlock();
                    output_->drop();
                    lock.lock();
                }
                continue;
            }
            complete_heard();
            if (quit_)
                break;
            if (!queued_.empty() && frames_sent() < frames_heard() + lead_frames_) {
                // After a gap the clock starts again from what was sent.
                const int64_t due_us = static_cast<int64_t>(frames_sent() * 1000000 / static_cast<uint64_t>(format_.rate));
                if (now_us() - clock_start_us_ > due_us)
                    clock_start_us_ = now_us() - due_us;
                chunk = carry;
                carry.clear();
                gather(chunk);
                const size_t frame_size = static_cast<size_t>(format_.frame_size());
                const size_t whole = chunk.size() / frame_size * frame_size;
                carry.assign(chunk.begin() + static_cast<std::ptrdiff_t>(whole), chunk.end());
                chunk.resize(whole);
                const uint32_t device = g_device_volume.load();
                const uint32_t own = volume.load();
                const uint32_t left = (device & 0xFFFF) * (own & 0xFFFF) / 0xFFFF;
                const uint32_t right = (device >> 16) * (own >> 16) / 0xFFFF;
                audio_backend::apply_gain(chunk.data(), whole / frame_size, format_, left, right);
                lock.unlock();
                dump_.write(chunk.data(), chunk.size());
                if (output_)
                    output_->write(chunk.data(), whole / frame_size);
                lock.lock();
                writes_.push_back(Write{now_us(), frames_sent()});
                wrote_ = true;
                continue;
            }
            // Everything there is for now was handed over: a device waiting to fill up plays.
            if (wrote_ && output_) {
                wrote_ = false;
                lock.unlock();
                output_->start();
                lock.lock();
                continue;
            }
            if (queued_.empty() && sent_.empty())
                wake_.wait(lock);
            else
                wake_.wait_for(lock, std::chrono::milliseconds(kIdlePollMs));
        }
    }

    HWAVEOUT handle_ = 0;
    Format format_;
    audio_backend::WaveCallback callback_;
    std::unique_ptr<audio_backend::Output> output_;
    audio_backend::DumpSession dump_;
    uint64_t lead_frames_ = 0;
    int64_t latency_us_ = 0;
    size_t chunk_bytes_ = 0;

    std::mutex lock_;  // everything below, and the headers while they are queued
    std::condition_variable wake_;
    std::deque<WAVEHDR*> queued_;
    size_t front_offset_ = 0;  // bytes of queued_.front() already copied
    std::deque<Sent> sent_;
    struct Write {
        int64_t at_us = 0;
        uint64_t frames_sent = 0;  // the session's frames the device had taken by then
    };
    std::deque<Write> writes_;  // the device's recent writes, younger than its latency
    uint64_t surely_played_ = 0;
    int64_t last_delay_ = -1;  // the device's last answer, and since when it has given it
    int64_t last_delay_since_us_ = 0;
    uint64_t bytes_sent_ = 0;
    int64_t clock_start_us_ = 0;
    bool drop_pending_ = false;
    bool wrote_ = false;  // written since the device was last told to play
    bool quit_ = false;
    std::thread worker_;
};

audio_backend::WaveDeviceTable<HWAVEOUT, WaveOutDevice> g_devices;

std::shared_ptr<WaveOutDevice> find(HWAVEOUT handle) { return g_devices.find(handle); }

} // namespace

uint32_t wave_out_get_num_devs() { return 1; }

MMRESULT wave_out_open(HWAVEOUT* handle, uint32_t device_id, const WAVEFORMATEX* format, std::uintptr_t callback,
                       std::uintptr_t, uint32_t flags) {
    return g_devices.open(handle, device_id, wave_out_get_num_devs(), format, callback, flags);
}

MMRESULT wave_out_prepare_header(HWAVEOUT handle, WAVEHDR* header, uint32_t size) {
    return g_devices.prepare_header(handle, header, size);
}

MMRESULT wave_out_unprepare_header(HWAVEOUT handle, WAVEHDR* header, uint32_t size) {
    return g_devices.unprepare_header(handle, header, size);
}

MMRESULT wave_out_write(HWAVEOUT handle, WAVEHDR* header, uint32_t size) {
    std::shared_ptr<WaveOutDevice> device;
    if (MMRESULT rc = g_devices.find_with_header(handle, header, size, device); rc != MMSYSERR_NOERROR)
        return rc;
    return device->write(header);
}

MMRESULT wave_out_reset(HWAVEOUT handle) {
    auto device = find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    device->reset();
    return MMSYSERR_NOERROR;
}

MMRESULT wave_out_close(HWAVEOUT handle) { return g_devices.close(handle); }

MMRESULT wave_out_set_volume(HWAVEOUT handle, uint32_t volume) {
    auto device = find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    device->volume = volume;
    return MMSYSERR_NOERROR;
}

MMRESULT wave_out_get_volume(HWAVEOUT handle, uint32_t* volume) {
    auto device = find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!volume)
        return MMSYSERR_INVALPARAM;
    *volume = device->volume;
    return MMSYSERR_NOERROR;
}

MMRESULT wave_out_set_device_volume(uint32_t device_id, uint32_t volume) {
    if (device_id >= wave_out_get_num_devs())
        return MMSYSERR_BADDEVICEID;
    g_device_volume = volume;
    return MMSYSERR_NOERROR;
}

MMRESULT wave_out_get_device_volume(uint32_t device_id, uint32_t* volume) {
    if (device_id >= wave_out_get_num_devs())
        return MMSYSERR_BADDEVICEID;
    if (!volume)
        return MMSYSERR_INVALPARAM;
    *volume = g_device_volume;
    return MMSYSERR_NOERROR;
}

} // namespace plat
