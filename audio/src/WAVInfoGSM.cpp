#include "audio/WAVInfoGSM.h"

namespace audio {

WAVInfoGSM::WAVInfoGSM() {
    format_tag = 49;
    channels = 1;
    sample_rate = kGSMSampleRate;
    avg_bytes_per_sec = 1625;
    block_align = kGSMBlockAlign;
    bits_per_sample = 0;
    fmt_size = 20;
}

bool WAVInfoGSM::read_extension(os::File& file) {
    uint16_t extension_size = 0;
    if (fmt_size < 20 || !read_u16(file, extension_size) || !read_u16(file, samples_per_block)) return false;
    uint32_t fact_size = 0;
    fact_samples = 0;
    if (seek_after_format(file) && find_chunk(file, "fact", fact_size) && fact_size >= 4)
        read_u32(file, fact_samples);
    return format_tag == 49 && channels == 1 && sample_rate == kGSMSampleRate &&
           samples_per_block == kGSMSamplesPerBlock && block_align == kGSMBlockAlign;
}

bool WAVInfoGSM::write_extension(os::File& file) {
    return write_u16(file, 2) && write_u16(file, samples_per_block) && write_id(file, "fact") &&
           write_u32(file, 4) && write_u32(file, fact_samples);
}

} // namespace audio
