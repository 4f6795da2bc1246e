#pragma once
#include <cstdint>

namespace audio::mp3enc {

// Analysis window of the polyphase filter bank (ISO 11172-3, Table C.1) times 2^21, as the smooth
// prototype: entries 0..256; the window is symmetric about 256 and its sign flips every 64 taps.
constexpr int kWindowScaleBits = 21;
extern const int32_t kAnalysisWindowHalf[257];
// Tap i (0..511) of the analysis window C[i] times 2^21.
int32_t analysis_window(int i);

// Long-block scale-factor band starts (23 values, the last is 576) for an output rate.
const int16_t* long_band_starts(int sample_rate);

// Layer III bit rates (kbit/s) by index 1..14; mpeg1 selects the ISO 11172-3 row.
int layer3_kbps(bool mpeg1, int index);

} // namespace audio::mp3enc
