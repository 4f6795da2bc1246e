// Crafted MP3 files must end cleanly: no crash, no hang, no overread in the frame reader, the
// decoder behind it, the tag reader or the frame listing.
#include "fuzz_audio_file.h"
#include "audio/DecoderMP3.h"
#include "audio/FileReaderMP3.h"
#include "audio/Mp3Id3Tag.h"
#include "audio/Mp3Tool.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_audio::run<audio::FileReaderMP3, audio::DecoderMP3>(data, size);
    audio::read_id3v1_tag(L"\\input");
    audio::mp3_info_text(L"\\input");
    return 0;
}
