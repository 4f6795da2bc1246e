#include "audio/MP3RecordChain.h"

#include "audio/FormatNames.h"

namespace audio {

std::unique_ptr<RecordChain> create_record_chain_mp3(const std::wstring& path, int bit_rate, bool append) {
    return std::make_unique<RecordChainMP3>(std::make_unique<EncoderMP3>(bit_rate), path, kFormatMP3, append);
}

} // namespace audio
