// Crafted or cut Vorbis streams must end cleanly in our stage: no crash, no hang.
#include "fuzz_audio_file.h"
#include "audio/DecoderVorbis.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_audio::run<audio::DecoderVorbis>(data, size);
    return 0;
}
