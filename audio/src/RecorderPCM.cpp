#include "audio/RecorderPCM.h"

#include "base/Log.h"
#include "plat/Messages.h"
#include "plat/Wave.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <vector>

namespace audio {
namespace {

constexpr int kBufferCount = 20;
constexpr int kFramesPerBuffer = 5000;
constexpr int kThreadPriorityStep = 1;

} // namespace

// The recorder's thread receives the device's messages and pushes each returned buffer downstream
// while it holds the recorder's mutex (and then, inside deliver, the consumer's link lock).
class RecorderPCMImpl : public liba::Thread {
public:
    RecorderPCMImpl(RecorderPCM* owner, int channels, int rate, int bits)
        : owner_(owner), channels_(channels), rate_(rate), bits_(bits) {
        if (!start()) {
            liba::get_log() << L"RecorderPCM: the recorder thread could not be started\n";
            return;
        }
        queue_ready_.wait();
        started_ = true;
        plat::WAVEFORMATEX format;
        format.format_tag = plat::WAVE_FORMAT_PCM;
        format.channels = static_cast<uint16_t>(channels);
        format.samples_per_sec = static_cast<uint32_t>(rate);
        format.bits_per_sample = static_cast<uint16_t>(bits);
        format.block_align = static_cast<uint16_t>(channels * ((bits + 7) / 8));
        format.avg_bytes_per_sec = static_cast<uint32_t>(rate) * format.block_align;
        buffer_size_ = static_cast<size_t>(format.block_align) * kFramesPerBuffer;

        liba::MutexLock lock(mutex_);
        const plat::MMRESULT result = plat::wave_in_open(&device_, plat::WAVE_MAPPER, &format,
                                                         static_cast<std::uintptr_t>(thread_id_), 0, plat::CALLBACK_THREAD);
        if (result != plat::MMSYSERR_NOERROR) {
            liba::get_log() << L"RecorderPCM: wave-in open failed (" << static_cast<unsigned>(result) << L")\n";
            device_ = 0;
            return;
        }
        for (int i = 0; i < kBufferCount; ++i) {
            buffers_[i].assign(buffer_size_, 0);
            plat::WAVEHDR& header = headers_[i];
            header = plat::WAVEHDR();
            header.data = buffers_[i].data();
            header.buffer_length = static_cast<uint32_t>(buffer_size_);
            plat::wave_in_prepare_header(device_, &header, sizeof header);
            plat::wave_in_add_buffer(device_, &header, sizeof header);
        }
    }

    ~RecorderPCMImpl() override {
        {
            liba::MutexLock lock(mutex_);
            closing_ = true;
            if (device_) {
                // Every buffer comes back as a data message and is still delivered.
                plat::wave_in_reset(device_);
                plat::wave_in_close(device_);
            }
        }
        // The data handlers need the mutex, so the join happens without it.
        if (started_) {
            plat::post_thread_message(thread_id_, plat::WM_QUIT, 0, 0);
            join();
        }
    }

    bool start_device() {
        liba::MutexLock lock(mutex_);
        if (!device_)
            return false;
        const bool ok = plat::wave_in_start(device_) == plat::MMSYSERR_NOERROR;
        stopped_ = !ok;
        return ok;
    }

    bool stop_device() {
        liba::MutexLock lock(mutex_);
        if (stopped_)
            return true;
        stopped_ = plat::wave_in_stop(device_) == plat::MMSYSERR_NOERROR;
        return stopped_;
    }

    bool is_stopped() {
        liba::MutexLock lock(mutex_);
        return stopped_;
    }

    bool is_recording() {
        liba::MutexLock lock(mutex_);
        return device_ != 0 && outstanding_;
    }

protected:
    void run() override {
        set_priority(kThreadPriorityStep);
        plat::MSG msg;
        plat::peek_message(msg, nullptr, 0, 0, plat::PM_NOREMOVE);
        thread_id_ = plat::current_thread_id();
        queue_ready_.set();
        while (!stop_requested()) {
            if (plat::get_message(msg, nullptr, 0, 0) <= 0)
                break;
            switch (msg.message) {
            case plat::MM_WIM_OPEN: {
                liba::MutexLock lock(mutex_);
                break;
            }
            case plat::MM_WIM_CLOSE: {
                liba::MutexLock lock(mutex_);
                device_ = 0;
                stopped_ = true;
                break;
            }
            case plat::MM_WIM_DATA:
                on_data(reinterpret_cast<plat::WAVEHDR*>(msg.lparam));
                break;
            default:
                break;
            }
        }
    }

private:
    bool is_ours(const plat::WAVEHDR* header) const {
        return std::any_of(headers_.begin(), headers_.end(), [&](const plat::WAVEHDR& h) { return &h == header; });
    }

    void on_data(plat::WAVEHDR* header) {
        liba::MutexLock lock(mutex_);
        if (!is_ours(header))
            return;
        plat::wave_in_unprepare_header(device_, header, sizeof *header);
        PCMData block;
        block.buffer = liba::SharedBuffer(std::min<size_t>(header->bytes_recorded, buffer_size_), header->data);
        block.channels = channels_;
        block.bits_per_sample = bits_;
        block.sample_rate = rate_;
        owner_->deliver(block);
        outstanding_ = !std::all_of(headers_.begin(), headers_.end(),
                                    [](const plat::WAVEHDR& h) { return (h.flags & plat::WHDR_DONE) != 0; });
        if (outstanding_) {
            header->bytes_recorded = 0;
            header->user = 0;
            header->flags = 0;
            if (!closing_ && device_) {
                plat::wave_in_prepare_header(device_, header, sizeof *header);
                plat::wave_in_add_buffer(device_, header, sizeof *header);
            }
        }
    }

    RecorderPCM* owner_ = nullptr;
    int channels_ = 0;
    int rate_ = 0;
    int bits_ = 0;
    bool started_ = false;
    liba::Event queue_ready_;
    std::atomic<int> thread_id_{0};

    liba::Mutex mutex_;  // everything below
    plat::HWAVEIN device_ = 0;
    std::array<plat::WAVEHDR, kBufferCount> headers_{};
    std::array<std::vector<uint8_t>, kBufferCount> buffers_;
    size_t buffer_size_ = 0;
    bool outstanding_ = true;
    bool stopped_ = false;
    bool closing_ = false;
};

RecorderPCM::RecorderPCM(int channels, int sample_rate, int bits_per_sample)
    : channels_(channels), sample_rate_(sample_rate), bits_(bits_per_sample),
      impl_(std::make_unique<RecorderPCMImpl>(this, channels, sample_rate, bits_per_sample)) {}

RecorderPCM::~RecorderPCM() { impl_.reset(); }

void RecorderPCM::get_data(PCMData& out, int) {
    out = PCMData();
    liba::report_error(L"RecorderPCM::get_data", L"get_data unexpected - recorder is active object");
}

bool RecorderPCM::start() { return impl_->start_device(); }
bool RecorderPCM::stop() { return impl_->stop_device(); }
bool RecorderPCM::is_stopped() { return impl_->is_stopped(); }
bool RecorderPCM::is_recording() { return impl_->is_recording(); }
int RecorderPCM::channels() { return channels_; }
int RecorderPCM::bits_per_sample() { return bits_; }
int RecorderPCM::sample_rate() { return sample_rate_; }
int RecorderPCM::bit_rate() { return sample_rate_ * channels_ * ((bits_ + 7) / 8) * 8; }

} // namespace audio
