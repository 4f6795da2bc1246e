#include "audio/PlayChain.h"

#include "audio/DecoderADPCM.h"
#include "audio/DecoderGSM.h"
#include "audio/DecoderMPC.h"
#include "audio/DecoderVorbis.h"
#include "audio/FileReaderWAVADPCM.h"
#include "audio/FileReaderWAVGSM.h"
#include "audio/FormatNames.h"
#include "audio/MP3PlayChain.h"

namespace audio {

std::wstring file_name_of(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

namespace {

template <class Chain, class R>
std::unique_ptr<PlayChain> try_chain(const std::wstring& path, std::wstring_view format_name) {
    auto chain = std::make_unique<Chain>(std::make_unique<R>(path), path, format_name);
    if (!chain->reader()->is_valid()) return nullptr;
    return chain;
}

} // namespace

std::unique_ptr<PlayChain> open_play_chain(const std::wstring& path) {
    if (auto chain = try_chain<PlayChainReaderOnly<FileReaderWAVPCM>, FileReaderWAVPCM>(path, kFormatPCM))
        return chain;
    if (auto chain = try_chain<PlayChainReaderDecoder<FileReaderWAVADPCM, DecoderADPCM>, FileReaderWAVADPCM>(
            path, kFormatADPCM))
        return chain;
    if (auto chain =
            try_chain<PlayChainReaderDecoder<FileReaderWAVGSM, DecoderGSM>, FileReaderWAVGSM>(path, kFormatGSM))
        return chain;
    if (auto chain = try_chain<PlayChainReaderOnly<DecoderVorbis>, DecoderVorbis>(path, kFormatVorbis)) return chain;
    if (auto chain = try_chain<PlayChainReaderOnly<DecoderMPC>, DecoderMPC>(path, kFormatMPC)) return chain;
    if (auto chain = open_play_chain_mp3(path)) return chain;
    return nullptr;
}

} // namespace audio
