// Plays a 1 kHz tone of three seconds in 200 ms buffers, resets the device after about half a
// second of it and closes it: reset must hand every buffer back before it returns, and neither it
// nor close may wait for the sound. Prints the times; exits 1 when a bound is broken.
#include "plat/Messages.h"
#include "plat/Wave.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kRate = 22050;
constexpr int kBuffers = 15;
constexpr uint32_t kBufferFrames = kRate / 5;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main() {
    plat::WAVEFORMATEX format;
    format.format_tag = plat::WAVE_FORMAT_PCM;
    format.channels = 1;
    format.samples_per_sec = kRate;
    format.bits_per_sample = 16;
    format.block_align = 2;
    format.avg_bytes_per_sec = kRate * 2;
    plat::HWAVEOUT h = 0;
    if (plat::wave_out_open(&h, plat::WAVE_MAPPER, &format, static_cast<std::uintptr_t>(plat::current_thread_id()), 0,
                            plat::CALLBACK_THREAD) != plat::MMSYSERR_NOERROR) {
        std::fprintf(stderr, "wave-reset: the device does not open\n");
        return 1;
    }
    std::vector<std::vector<int16_t>> samples(kBuffers, std::vector<int16_t>(kBufferFrames));
    std::vector<plat::WAVEHDR> headers(kBuffers);
    for (int b = 0; b < kBuffers; ++b) {
        for (uint32_t i = 0; i < kBufferFrames; ++i)
            samples[b][i] = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 1000 * (b * kBufferFrames + i) / kRate));
        headers[b].data = reinterpret_cast<uint8_t*>(samples[b].data());
        headers[b].buffer_length = kBufferFrames * 2;
        plat::wave_out_prepare_header(h, &headers[b], sizeof headers[b]);
        plat::wave_out_write(h, &headers[b], sizeof headers[b]);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    auto start = Clock::now();
    plat::wave_out_reset(h);
    const double reset_ms = ms_since(start);
    int back = 0;
    for (const plat::WAVEHDR& header : headers)
        back += (header.flags & plat::WHDR_DONE) && !(header.flags & plat::WHDR_INQUEUE);
    start = Clock::now();
    const plat::MMRESULT closed = plat::wave_out_close(h);
    const double close_ms = ms_since(start);
    std::printf("reset %.1f ms, %d of %d buffers back, close %.1f ms\n", reset_ms, back, kBuffers, close_ms);
    return back == kBuffers && closed == plat::MMSYSERR_NOERROR && reset_ms < 100 && close_ms < 500 ? 0 : 1;
}
