// Crafted GSM WAV files must end cleanly: no crash, no hang, no overread.
#include "fuzz_audio_file.h"
#include "audio/DecoderGSM.h"
#include "audio/FileReaderWAVGSM.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_audio::run<audio::FileReaderWAVGSM, audio::DecoderGSM>(data, size);
    return 0;
}
