#pragma once
#include <array>
#include <cstdint>

namespace audio::mp3enc {

constexpr int kSubbands = 32;
constexpr int kSlots = 18;
// The analysis window of the first time slot of a granule starts this many samples before the
// granule's first sample.
constexpr int kWindowLead = 480;

using SubbandSamples = std::array<std::array<int64_t, kSubbands>, kSlots>;

// Polyphase analysis, lowpass band weights, 36-point MDCT with the long-block window, alias
// reduction and mid/side, all in 64-bit fixed point. Coefficients are computed once in double
// precision; the window is the standard's table.
class FilterBank {
public:
    FilterBank();

    // Bands from the one at normalised frequency lowpass (1.0 = half the rate) upwards carry nothing.
    void set_lowpass(double normalized);
    int lowpass_band() const { return lowpass_band_; }

    // Eighteen time slots of 32 subband samples (2^28 per unit) from 16-bit samples
    // pcm[0 .. kWindowLead + 575]; the granule's own samples start at pcm[kWindowLead].
    void analyze(const int16_t* pcm, SubbandSamples& out) const;
    // 576 lines of one granule from the previous and the current granule's subband samples.
    void mdct(const SubbandSamples& previous, const SubbandSamples& current, int64_t* xr) const;
    // Left/right to mid/side in place.
    static void mid_side(int64_t* left, int64_t* right);

private:
    void analyze_slot(const int16_t* newest, int64_t* bands) const;

    // Q14 cos((2k + 1) m pi / 64) of the bands k = 0..7 at m = 0 and 2 (mod 4), and of k = 0..15 at
    // odd m; the other bands' rows follow from these by symmetry.
    std::array<std::array<int32_t, 8>, 8> rows4_ = {};
    std::array<std::array<int32_t, 8>, 8> rows2_ = {};
    std::array<std::array<int32_t, 16>, 16> rows1_ = {};
    std::array<std::array<int32_t, 36>, 18> mdct_ = {};            // Q18, window and 1/9 included
    std::array<int32_t, 8> cs_ = {};                                // Q14
    std::array<int32_t, 8> ca_ = {};                                // Q14
    // Taps i, i + 64, ... i + 448 of the analysis window, which make the windowed sum y[i].
    std::array<std::array<int32_t, 8>, 64> window_ = {};
    int lowpass_band_ = kSubbands;
};

} // namespace audio::mp3enc
