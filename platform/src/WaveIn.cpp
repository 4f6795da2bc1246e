#include "AudioBackend.h"
#include "WaveCallback.h"
#include "WaveDeviceTable.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
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

constexpr int kChunkMs = 20;
constexpr int kPollMs = 5;

// One open wave-in handle and the thread that captures into its buffers.
class WaveInDevice {
public:
    WaveInDevice(HWAVEIN handle, const Format& format, audio_backend::WaveCallback callback)
        : handle_(handle), format_(format), callback_(callback), input_(audio_backend::open_input(format)) {
        chunk_frames_ = static_cast<size_t>(std::max(1, format.rate * kChunkMs / 1000));
        worker_ = std::thread([this] { run(); });
    }

    // A device still open when the process ends stops its thread rather than abort the exit.
    ~WaveInDevice() {
        if (worker_.joinable()) {
            {
                std::lock_guard<std::mutex> lock(lock_);
                quit_ = true;
                wake_.notify_all();
            }
            worker_.join();
        }
    }
    WaveInDevice(const WaveInDevice&) = delete;
    WaveInDevice& operator=(const WaveInDevice&) = delete;

    void post_open() { callback_.post(MM_WIM_OPEN, handle_, nullptr); }

    MMRESULT add_buffer(WAVEHDR* header) {
        std::lock_guard<std::mutex> lock(lock_);
        if (!(header->flags & WHDR_PREPARED))
            return WAVERR_UNPREPARED;
        if (header->flags & WHDR_INQUEUE)
            return WAVERR_STILLPLAYING;
        header->flags = (header->flags & ~WHDR_DONE) | WHDR_INQUEUE;
        header->bytes_recorded = 0;
        queued_.push_back(header);
        return MMSYSERR_NOERROR;
    }

    bool in_queue(WAVEHDR* header) {
        std::lock_guard<std::mutex> lock(lock_);
        return header->flags & WHDR_INQUEUE;
    }

    void start() {
        std::lock_guard<std::mutex> lock(lock_);
        if (started_)
            return;
        started_ = true;
        resume_pending_ = true;
        frames_captured_ = 0;
        clock_start_us_ = now_us();
        wake_.notify_all();
    }

    // The buffer in progress comes back with what it holds.
    void stop() {
        std::lock_guard<std::mutex> lock(lock_);
        if (!started_)
            return;
        started_ = false;
        pause_pending_ = true;
        if (!queued_.empty() && queued_.front()->bytes_recorded > 0) {
            complete(queued_.front());
            queued_.pop_front();
        }
        wake_.notify_all();
    }

    void reset() {
        std::lock_guard<std::mutex> lock(lock_);
        if (started_)
            pause_pending_ = true;
        started_ = false;
        for (WAVEHDR* header : queued_)
            complete(header);
        queued_.clear();
        wake_.notify_all();
    }

    bool busy() {
        std::lock_guard<std::mutex> lock(lock_);
        return !queued_.empty();
    }

    void close() {
        {
            std::lock_guard<std::mutex> lock(lock_);
            quit_ = true;
            wake_.notify_all();
        }
        worker_.join();
        input_.reset();
        callback_.post(MM_WIM_CLOSE, handle_, nullptr);
    }

private:
    void complete(WAVEHDR* header) {
        header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        callback_.post(MM_WIM_DATA, handle_, header);
    }

    // Fills the queued buffers in order; what finds no buffer is lost, as on the device.
    void deliver(const uint8_t* data, size_t bytes) {
        while (bytes > 0 && !queued_.empty()) {
            WAVEHDR* header = queued_.front();
            const size_t room = header->data ? header->buffer_length - header->bytes_recorded : 0;
            const size_t n = std::min(room, bytes);
            if (n > 0)
                std::memcpy(header->data + header->bytes_recorded, data, n);
            header->bytes_recorded += static_cast<uint32_t>(n);
            data += n;
            bytes -= n;
            if (header->bytes_recorded >= header->buffer_length || !header->data) {
                complete(header);
                queued_.pop_front();
            }
        }
    }

    void run() {
        const size_t frame_size = static_cast<size_t>(format_.frame_size());
        std::vector<uint8_t> chunk(chunk_frames_ * frame_size);
        std::unique_lock<std::mutex> lock(lock_);
        while (!quit_) {
            if (pause_pending_ || resume_pending_) {
                const bool resume = resume_pending_ && started_;
                pause_pending_ = resume_pending_ = false;
                lock.unlock();
                if (resume)
                    input_->resume();
                else
                    input_->pause();
                lock.lock();
                continue;
            }
            // An input that failed for good is read no more; the buffers added since wait for reset.
            if (!started_ || failed_) {
                wake_.wait(lock);
                continue;
            }
            size_t frames = chunk_frames_;
            if (input_->paced()) {
                lock.unlock();
                frames = input_->read(chunk.data(), chunk_frames_);
                lock.lock();
            } else {
                const int64_t elapsed = now_us() - clock_start_us_;
                const uint64_t due = static_cast<uint64_t>(std::max<int64_t>(0, elapsed)) *
                                     static_cast<uint64_t>(format_.rate) / 1000000;
                if (due <= frames_captured_) {
                    wake_.wait_for(lock, std::chrono::milliseconds(kPollMs));
                    continue;
                }
                frames = input_->read(chunk.data(), std::min<uint64_t>(chunk_frames_, due - frames_captured_));
            }
            // A stop or reset while the input was read drops what came after it.
            if (!started_ || pause_pending_)
                continue;
            frames_captured_ += frames;
            deliver(chunk.data(), frames * frame_size);
            if (!input_->failure().empty())
                give_up();
        }
    }

    // The recording ends with what was captured: every buffer comes back with what it holds, and
    // the reason is told once.
    void give_up() {
        std::fprintf(stderr, "wave-in: the sound input failed, recording ends: %s\n", input_->failure().c_str());
        failed_ = true;
        for (WAVEHDR* header : queued_)
            complete(header);
        queued_.clear();
    }

    HWAVEIN handle_ = 0;
    Format format_;
    audio_backend::WaveCallback callback_;
    std::unique_ptr<audio_backend::Input> input_;
    size_t chunk_frames_ = 0;

    std::mutex lock_;  // everything below, and the headers while they are queued
    std::condition_variable wake_;
    std::deque<WAVEHDR*> queued_;
    bool started_ = false;
    bool pause_pending_ = false;
    bool resume_pending_ = false;
    bool quit_ = false;
    bool failed_ = false;
    uint64_t frames_captured_ = 0;
    int64_t clock_start_us_ = 0;
    std::thread worker_;
};

audio_backend::WaveDeviceTable<HWAVEIN, WaveInDevice> g_devices;

std::shared_ptr<WaveInDevice> find(HWAVEIN handle) { return g_devices.find(handle); }

} // namespace

uint32_t wave_in_get_num_devs() { return 1; }

MMRESULT wave_in_open(HWAVEIN* handle, uint32_t device_id, const WAVEFORMATEX* format, std::uintptr_t callback,
                      std::uintptr_t, uint32_t flags) {
    return g_devices.open(handle, device_id, wave_in_get_num_devs(), format, callback, flags);
}

MMRESULT wave_in_prepare_header(HWAVEIN handle, WAVEHDR* header, uint32_t size) {
    return g_devices.prepare_header(handle, header, size);
}

MMRESULT wave_in_unprepare_header(HWAVEIN handle, WAVEHDR* header, uint32_t size) {
    return g_devices.unprepare_header(handle, header, size);
}

MMRESULT wave_in_add_buffer(HWAVEIN handle, WAVEHDR* header, uint32_t size) {
    std::shared_ptr<WaveInDevice> device;
    if (MMRESULT rc = g_devices.find_with_header(handle, header, size, device); rc != MMSYSERR_NOERROR)
        return rc;
    return device->add_buffer(header);
}

MMRESULT wave_in_start(HWAVEIN handle) {
    auto device = find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    device->start();
    return MMSYSERR_NOERROR;
}

MMRESULT wave_in_stop(HWAVEIN handle) {
    auto device = find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    device->stop();
    return MMSYSERR_NOERROR;
}

MMRESULT wave_in_reset(HWAVEIN handle) {
    auto device = find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    device->reset();
    return MMSYSERR_NOERROR;
}

MMRESULT wave_in_close(HWAVEIN handle) { return g_devices.close(handle); }

} // namespace plat
