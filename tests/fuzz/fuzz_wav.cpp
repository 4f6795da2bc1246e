// Crafted WAV WAV files must end cleanly: no crash, no hang, no overread.
#include "fuzz_audio_file.h"
#include "audio/FileReaderWAV.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_audio::run<audio::FileReaderWAVPCM>(data, size);
    return 0;
}
