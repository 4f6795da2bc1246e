#pragma once
#include <cstdint>

// Wave-out and wave-in devices with the device's buffer and message semantics.
// Buffers handed to a device come back once each, in order, marked done and
// announced by a message to the callback; reset is synchronous (once it
// returns the device never touches a buffer again); close fails while buffers
// are queued. Handles are never reused, so late calls on a closed handle fail
// harmlessly.
//
// Underneath: ALSA ("default", else the ALSA "null" device), or our own null
// device (CHIMELY_AUDIO=null), paced in real time either way. CHIMELY_AUDIO_DUMP
// names a folder that receives every wave-out session as NNNN.wav (the samples
// as played, after volume) and a line per open and close in log.txt;
// CHIMELY_AUDIO_IN names a WAV file that stands in for the microphone.
namespace plat {

using MMRESULT = uint32_t;
using HWAVEOUT = std::uintptr_t;  // 0 is no device
using HWAVEIN = std::uintptr_t;

// Device messages; wparam is the handle, lparam the WAVEHDR* for done/data.
constexpr uint32_t MM_WOM_OPEN = 0x3BB;
constexpr uint32_t MM_WOM_CLOSE = 0x3BC;
constexpr uint32_t MM_WOM_DONE = 0x3BD;
constexpr uint32_t MM_WIM_OPEN = 0x3BE;
constexpr uint32_t MM_WIM_CLOSE = 0x3BF;
constexpr uint32_t MM_WIM_DATA = 0x3C0;

constexpr uint32_t WAVE_MAPPER = 0xFFFFFFFF;
constexpr uint16_t WAVE_FORMAT_PCM = 1;

// Open flags: where the messages go.
constexpr uint32_t CALLBACK_NULL = 0x00000;
constexpr uint32_t CALLBACK_WINDOW = 0x10000;  // callback is an HWND
constexpr uint32_t CALLBACK_THREAD = 0x20000;  // callback is a thread id
constexpr uint32_t WAVE_FORMAT_QUERY = 0x0001; // only check the format

// Header flags.
constexpr uint32_t WHDR_DONE = 0x01;
constexpr uint32_t WHDR_PREPARED = 0x02;
constexpr uint32_t WHDR_INQUEUE = 0x10;

// Results.
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;

struct WAVEFORMATEX {
    uint16_t format_tag = 0;
    uint16_t channels = 0;
    uint32_t samples_per_sec = 0;
    uint32_t avg_bytes_per_sec = 0;
    uint16_t block_align = 0;
    uint16_t bits_per_sample = 0;
    uint16_t extra_size = 0;
};

struct WAVEHDR {
    uint8_t* data = nullptr;
    uint32_t buffer_length = 0;
    uint32_t bytes_recorded = 0;  // wave-in: bytes filled
    std::uintptr_t user = 0;      // the caller's own word
    uint32_t flags = 0;
    uint32_t loops = 0;           // not used
    WAVEHDR* next = nullptr;      // not used
    std::uintptr_t reserved = 0;
};

// Volumes: low 16 bits left, high 16 bits right, 0xFFFF is full. The device
// volume (per process, by device index) and the handle's own volume multiply;
// both are software gains, the system mixer is never touched.
uint32_t wave_out_get_num_devs();
MMRESULT wave_out_open(HWAVEOUT* handle, uint32_t device_id, const WAVEFORMATEX* format,
                       std::uintptr_t callback, std::uintptr_t instance, uint32_t flags);
MMRESULT wave_out_prepare_header(HWAVEOUT handle, WAVEHDR* header, uint32_t size);
MMRESULT wave_out_unprepare_header(HWAVEOUT handle, WAVEHDR* header, uint32_t size);
MMRESULT wave_out_write(HWAVEOUT handle, WAVEHDR* header, uint32_t size);
MMRESULT wave_out_reset(HWAVEOUT handle);
MMRESULT wave_out_close(HWAVEOUT handle);
MMRESULT wave_out_set_volume(HWAVEOUT handle, uint32_t volume);
MMRESULT wave_out_get_volume(HWAVEOUT handle, uint32_t* volume);
MMRESULT wave_out_set_device_volume(uint32_t device_id, uint32_t volume);
MMRESULT wave_out_get_device_volume(uint32_t device_id, uint32_t* volume);

// Wave-in: buffers are filled in the order added; stop hands back the buffer
// in progress, partly filled; start again goes on with the next one.
uint32_t wave_in_get_num_devs();
MMRESULT wave_in_open(HWAVEIN* handle, uint32_t device_id, const WAVEFORMATEX* format,
                      std::uintptr_t callback, std::uintptr_t instance, uint32_t flags);
MMRESULT wave_in_prepare_header(HWAVEIN handle, WAVEHDR* header, uint32_t size);
MMRESULT wave_in_unprepare_header(HWAVEIN handle, WAVEHDR* header, uint32_t size);
MMRESULT wave_in_add_buffer(HWAVEIN handle, WAVEHDR* header, uint32_t size);
MMRESULT wave_in_start(HWAVEIN handle);
MMRESULT wave_in_stop(HWAVEIN handle);
MMRESULT wave_in_reset(HWAVEIN handle);
MMRESULT wave_in_close(HWAVEIN handle);

} // namespace plat
