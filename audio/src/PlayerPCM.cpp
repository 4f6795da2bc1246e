#include "audio/PlayerPCM.h"

#include "base/Log.h"
#include "plat/Messages.h"
#include "plat/Wave.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

namespace audio {
namespace {

constexpr int kBufferCount = 6;
constexpr int kBufferMs = 200;
constexpr int kFramesPerPull = 0x4000;
constexpr uint32_t kCommand = plat::WM_USER;
constexpr uint32_t kFullVolume = 0xFFFFFFFF;
constexpr int kThreadPriorityStep = 1;

enum State { kIdle = 0, kPlaying = 1, kDraining = 2 };

} // namespace

// The player's thread: every device call and message happens here, under the owner's link lock.
class PlayerPCMImpl : public liba::Thread {
public:
    explicit PlayerPCMImpl(PlayerPCM* owner) : owner_(owner) {
        started_ = start();
        if (!started_)
            liba::get_log() << L"PlayerPCM: the player thread could not be started\n";
    }

    ~PlayerPCMImpl() override {
        if (started_) {
            request_stop();
            queue_ready_.wait();
            plat::post_thread_message(thread_id_, kCommand, 0, 0);
            join();
        }
    }

    bool play() {
        // Without a thread nothing could ever finish the sound, so it is over at once.
        if (!started_)
            return false;
        queue_ready_.wait();
        playing_ = true;
        finished_ = false;
        if (post_command())
            return true;
        finished_ = true;
        return false;
    }

    bool stop() {
        if (!started_)
            return false;
        queue_ready_.wait();
        playing_ = false;
        finished_ = true;
        stop_pending_ = true;
        return post_command();
    }

    bool is_finished() {
        liba::MutexLock lock(owner_->link_lock);
        return finished_;
    }

protected:
    void run() override {
        set_priority(kThreadPriorityStep);
        plat::MSG msg;
        plat::peek_message(msg, nullptr, 0, 0, plat::PM_NOREMOVE);
        thread_id_ = plat::current_thread_id();
        queue_ready_.set();
        while (!stop_requested()) {
            if (plat::get_message(msg, nullptr, 0, 0) <= 0 || stop_requested())
                break;
            const auto device = static_cast<plat::HWAVEOUT>(msg.wparam);
            switch (msg.message) {
            case plat::MM_WOM_OPEN:
                on_open(device);
                break;
            case plat::MM_WOM_DONE:
                on_done(device, reinterpret_cast<plat::WAVEHDR*>(msg.lparam));
                break;
            case plat::MM_WOM_CLOSE:
                on_close(device);
                break;
            case kCommand:
                on_command();
                break;
            default:
                break;
            }
        }
        liba::MutexLock lock(owner_->link_lock);
        if (device_)
            abandon_device();
    }

private:
    bool post_command() { return plat::post_thread_message(thread_id_, kCommand, 0, 0); }

    // Messages of a device this player already gave up carry another handle and are ignored.
    void on_open(plat::HWAVEOUT device) {
        liba::MutexLock lock(owner_->link_lock);
        if (device != device_ || !device_)
            return;
        // The audible level is the master volume; the handle itself plays at full volume.
        plat::wave_out_set_volume(device_, kFullVolume);
        follow_up();
    }

    void on_done(plat::HWAVEOUT device, plat::WAVEHDR* header) {
        liba::MutexLock lock(owner_->link_lock);
        if (device != device_ || !device_ || !header)
            return;
        header->user = 0;
        plat::wave_out_unprepare_header(device_, header, sizeof(plat::WAVEHDR));
        follow_up();
    }

    void on_close(plat::HWAVEOUT device) {
        liba::MutexLock lock(owner_->link_lock);
        if (device != device_ || !device_ || state_ != kDraining)
            return;
        closed_step();
        // A close for a format change is not the end of the sound: the reopen follows.
        if (!(playing_ && !current_.empty()))
            finished_ = true;
    }

    void on_command() {
        liba::MutexLock lock(owner_->link_lock);
        if (playing_ && stop_pending_) {
            stop_pending_ = false;
            // A play that follows a stop gives up the draining device at once.
            if (state_ == kDraining) {
                abandon_device();
                closed_step();
            }
        }
        if (playing_ && state_ == kIdle) {
            if (current_.empty())
                pull_current();
            if (!current_.empty()) {
                channels_ = current_.channels;
                bits_ = current_.bits_per_sample;
                rate_ = current_.sample_rate;
                state_ = kPlaying;
                open_device();
            } else if (!any_in_use()) {
                finished_ = true;
            }
        } else if (!playing_ && state_ != kIdle) {
            // A stop silences a draining device too: short sounds are all queued at once.
            state_ = kDraining;
            plat::wave_out_reset(device_);
            current_ = PCMData();
        }
    }

    // Refill while playing; close once every buffer is back while draining.
    void follow_up() {
        if (state_ == kPlaying) {
            if (!fill_buffers())
                state_ = kDraining;
        }
        if (state_ == kDraining && !any_in_use())
            plat::wave_out_close(device_);
    }

    // A block without a frame size or rate cannot be played: it counts as the end of the data.
    void pull_current() {
        owner_->pull(current_, kFramesPerPull);
        if (!current_.empty() && (current_.frame_size() <= 0 || current_.sample_rate <= 0)) {
            liba::get_log() << L"PlayerPCM: unplayable block (" << current_.channels << L" channels, "
                            << current_.bits_per_sample << L" bits, " << current_.sample_rate << L" Hz) ends the sound\n";
            current_ = PCMData();
        }
    }

    bool same_as_device(const PCMData& block) const {
        return block.channels == channels_ && block.bits_per_sample == bits_ && block.sample_rate == rate_;
    }

    void open_device() {
        if (device_)
            return;
        plat::WAVEFORMATEX format;
        format.format_tag = plat::WAVE_FORMAT_PCM;
        format.channels = static_cast<uint16_t>(channels_);
        format.samples_per_sec = static_cast<uint32_t>(rate_);
        format.bits_per_sample = static_cast<uint16_t>(bits_);
        format.block_align = static_cast<uint16_t>(bits_ * channels_ / 8);
        format.avg_bytes_per_sec = static_cast<uint32_t>(rate_) * format.block_align;
        const plat::MMRESULT result = plat::wave_out_open(&device_, plat::WAVE_MAPPER, &format,
                                                          static_cast<std::uintptr_t>(thread_id_), 0, plat::CALLBACK_THREAD);
        if (result != plat::MMSYSERR_NOERROR) {
            // Nothing will ever come back from a device that did not open: the sound is over.
            liba::get_log() << L"PlayerPCM: wave-out open failed (" << static_cast<unsigned>(result) << L") for "
                            << rate_ << L" Hz, " << channels_ << L" channels, " << bits_ << L" bits\n";
            device_ = 0;
            state_ = kIdle;
            channels_ = bits_ = rate_ = 0;
            current_ = PCMData();
            playing_ = false;
            finished_ = true;
            return;
        }
        const size_t size = static_cast<size_t>(format.block_align) * static_cast<size_t>(rate_ * kBufferMs / 1000);
        if (size != buffer_size_) {
            for (auto& buffer : buffers_)
                buffer.assign(size, 0);
            buffer_size_ = size;
        }
        for (int i = 0; i < kBufferCount; ++i) {
            headers_[i] = plat::WAVEHDR();
            headers_[i].data = buffers_[i].data();
        }
    }

    // Answers false when the data ran short (end, or a change of format), also when that happens
    // exactly at the end of a buffer: the next buffer must not take a block of another format.
    bool fill_buffers() {
        for (auto& header : headers_) {
            if (header.user)
                continue;
            header.buffer_length = 0;
            size_t room = buffer_size_;
            bool ran_short = false;
            for (;;) {
                const size_t n = std::min(static_cast<size_t>(current_.length()), room);
                if (n > 0) {
                    std::memcpy(header.data + header.buffer_length, current_.buffer.data(), n);
                    header.buffer_length += static_cast<uint32_t>(n);
                    room -= n;
                    current_.buffer = drop_front_bytes(current_.buffer, n);
                }
                if (current_.empty()) {
                    pull_current();
                    ran_short = current_.empty() || !same_as_device(current_);
                    if (ran_short)
                        break;
                }
                if (room == 0)
                    break;
            }
            header.user = 1;
            plat::wave_out_prepare_header(device_, &header, sizeof header);
            plat::wave_out_write(device_, &header, sizeof header);
            if (ran_short)
                return false;
        }
        return true;
    }

    bool any_in_use() const {
        return std::any_of(headers_.begin(), headers_.end(), [](const plat::WAVEHDR& h) { return h.user != 0; });
    }

    void closed_step() {
        for (auto& header : headers_)
            if (header.user) {
                plat::wave_out_unprepare_header(device_, &header, sizeof header);
                header.user = 0;
            }
        state_ = kIdle;
        channels_ = bits_ = rate_ = 0;
        device_ = 0;
        post_command();
    }

    // Reset hands every buffer back at once, so the close cannot fail; its late messages are ignored.
    void abandon_device() {
        plat::wave_out_reset(device_);
        for (auto& header : headers_) {
            plat::wave_out_unprepare_header(device_, &header, sizeof header);
            header.user = 0;
        }
        plat::wave_out_close(device_);
    }

    PlayerPCM* owner_ = nullptr;
    bool started_ = false;
    liba::Event queue_ready_;
    std::atomic<int> thread_id_{0};
    std::atomic<bool> playing_{false};
    std::atomic<bool> finished_{true};
    std::atomic<bool> stop_pending_{false};

    // Touched on the player thread under the owner's link lock.
    plat::HWAVEOUT device_ = 0;
    std::array<plat::WAVEHDR, kBufferCount> headers_{};
    std::array<std::vector<uint8_t>, kBufferCount> buffers_;
    size_t buffer_size_ = 0;
    int state_ = kIdle;
    int channels_ = 0;
    int bits_ = 0;
    int rate_ = 0;
    PCMData current_;
};

PlayerPCM::PlayerPCM() : impl_(std::make_unique<PlayerPCMImpl>(this)) {}

PlayerPCM::~PlayerPCM() { impl_.reset(); }

bool PlayerPCM::play() { return impl_->play(); }
bool PlayerPCM::stop() { return impl_->stop(); }
bool PlayerPCM::is_finished() { return impl_->is_finished(); }

void PlayerPCM::on_data(const PCMData&) {
    liba::report_error(L"PlayerPCM::on_data", L"on_data unexpected - player is active object");
}

void set_master_volume(double volume) {
    // NaN has no level to clamp to: the volume stays as it is; infinities clamp like any number.
    if (std::isnan(volume))
        return;
    const auto v = static_cast<uint32_t>(std::clamp(volume, 0.0, 1.0) * 65535.0);
    for (uint32_t device = 0; device < plat::wave_out_get_num_devs(); ++device)
        plat::wave_out_set_device_volume(device, v | (v << 16));
}

double get_master_volume() {
    uint32_t volume = 0;
    if (plat::wave_out_get_device_volume(0, &volume) != plat::MMSYSERR_NOERROR)
        return 0.0;
    return (volume & 0xFFFF) * (1.0 / 65535.0);
}

} // namespace audio
