#pragma once
#include "audio/EncoderMP3.h"
#include "audio/FileReaderMP3.h"
#include "audio/FileWriterMP3.h"
#include "audio/RecordChain.h"

namespace audio {

using RecordChainMP3 = RecordChainBase<EncoderMP3, FileWriterMP3, FileReaderMP3>;

// The "mp3" row of the record-chain factory; bit_rate in bits per second.
std::unique_ptr<RecordChain> create_record_chain_mp3(const std::wstring& path, int bit_rate, bool append);

} // namespace audio
