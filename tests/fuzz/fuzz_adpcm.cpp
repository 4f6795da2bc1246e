// Crafted ADPCM WAV files must end cleanly: no crash, no hang, no overread.
#include "fuzz_audio_file.h"
#include "audio/DecoderADPCM.h"
#include "audio/FileReaderWAVADPCM.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_audio::run<audio::FileReaderWAVADPCM, audio::DecoderADPCM>(data, size);
    return 0;
}
