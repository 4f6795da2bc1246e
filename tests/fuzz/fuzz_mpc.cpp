// Crafted or cut MPC streams must end cleanly in our stage: no crash, no hang.
#include "fuzz_audio_file.h"
#include "audio/DecoderMPC.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_audio::run<audio::DecoderMPC>(data, size);
    return 0;
}
