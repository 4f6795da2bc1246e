#pragma once
#include "audio/mp3enc/GranuleInfo.h"

#include <array>
#include <cstdint>

namespace audio::mp3enc {

class BitWriter;

// Noise allocation across the long scale-factor bands of the lower sample rates (MPEG-2 and 2.5).
// With one step for the whole granule, the quiet bands of speech (the fricatives above 3 kHz)
// quantise to nothing at low bit rates; a scale factor refines a band's step so that its noise
// follows its own level part of the way instead of the loudest band's.
class ScaleFactors {
public:
    // Chooses the scale factors of gi for the magnitudes xrpow (|xr|^(3/4)) and sets
    // scalefac_compress, scalefac_scale and part2_length to carry them.
    static void choose(const std::array<uint64_t, kGranuleLines>& xrpow, const int16_t* band_starts, GranuleInfo& gi);
    // Zero scale factors that cost no bits.
    static void clear(GranuleInfo& gi);
    // Multiplies each band's magnitudes by its scale factor's gain, 2^(3/8 sf) (or 2^(3/4 sf)).
    static void apply(std::array<uint64_t, kGranuleLines>& xrpow, const int16_t* band_starts, const GranuleInfo& gi);
    // The scale factors at the start of the granule's main data.
    static void write(BitWriter& out, const GranuleInfo& gi);
};

} // namespace audio::mp3enc
