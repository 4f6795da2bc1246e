#include "audio/RecordChain.h"

#include "audio/EncoderADPCM.h"
#include "audio/EncoderGSM.h"
#include "audio/FileReaderWAVADPCM.h"
#include "audio/FileReaderWAVGSM.h"
#include "audio/FileWriterWAVADPCM.h"
#include "audio/FileWriterWAVGSM.h"
#include "audio/FormatNames.h"
#include "audio/MP3RecordChain.h"

namespace audio {

RecordChainWAV::RecordChainWAV(const std::wstring& path, bool append)
    : writer_(std::make_unique<FileWriterWAVPCM>(path, append)) {}

RecordChainWAV::~RecordChainWAV() = default;

Encoder* RecordChainWAV::encoder() { return writer_.get(); }
Consumer<PCMData>* RecordChainWAV::consumer() { return writer_.get(); }
FileWriter* RecordChainWAV::file_writer() { return writer_.get(); }
std::wstring RecordChainWAV::format_name() { return std::wstring(kFormatPCM); }

bool RecordChainWAV::append_from_wav_pcm(FileReaderWAVPCM* reader) {
    connect<PCMData>(reader, writer_.get());
    return true;
}

using RecordChainADPCM = RecordChainBase<EncoderADPCM, FileWriterWAVADPCM, FileReaderWAVADPCM>;
using RecordChainGSM = RecordChainBase<EncoderGSM, FileWriterWAVGSM, FileReaderWAVGSM>;

std::unique_ptr<RecordChain> create_record_chain(const std::wstring& path, std::wstring_view format_name, int, int,
                                                 int, int bit_rate, bool append) {
    if (format_name == kFormatPCM) return std::make_unique<RecordChainWAV>(path, append);
    if (format_name == kFormatMP3) return create_record_chain_mp3(path, bit_rate, append);
    if (format_name == kFormatADPCM)
        return std::make_unique<RecordChainADPCM>(std::make_unique<EncoderADPCM>(), path, kFormatADPCM, append);
    if (format_name == kFormatGSM)
        return std::make_unique<RecordChainGSM>(std::make_unique<EncoderGSM>(), path, kFormatGSM, append);
    return nullptr;
}

} // namespace audio
