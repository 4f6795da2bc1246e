#include "audio/DecoderADPCM.h"

#include "audio/ADPCMCodec.h"

namespace audio {

PCMData DecoderADPCM::decode(const ADPCMData& data) {
    const int channels = data.channels, align = data.block_align;
    const int spb = adpcm_samples_per_block(align, channels);
    if (spb == 0 || data.sample_rate <= 0) return PCMData();
    const size_t blocks = data.buffer.length() / size_t(align);
    const size_t block_bytes = size_t(spb) * channels * 2;
    PCMData out;
    out.buffer = liba::SharedBuffer(blocks * block_bytes);
    out.buffer.fill(0);
    out.channels = channels;
    out.bits_per_sample = 16;
    out.sample_rate = data.sample_rate;
    auto* samples = reinterpret_cast<int16_t*>(out.buffer.writable_data());
    for (size_t b = 0; b < blocks; ++b)
        adpcm_decode_block(data.buffer.data() + b * align, samples + b * spb * channels, channels, spb);
    return out;
}

} // namespace audio
