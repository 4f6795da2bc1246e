#include "audio/MP3PlayChain.h"

#include "audio/FormatNames.h"
#include "audio/Mp3Id3Tag.h"

namespace audio {

PlayChainMP3::PlayChainMP3(std::unique_ptr<FileReaderMP3> reader, const std::wstring& path,
                           std::wstring_view format_name)
    : PlayChainReaderDecoder<FileReaderMP3, DecoderMP3>(std::move(reader), path, format_name) {
    ID3Tag tag = read_id3v1_tag(path);
    if (!tag.title.empty()) title_ = tag.title;
}

std::unique_ptr<PlayChain> open_play_chain_mp3(const std::wstring& path) {
    auto chain = std::make_unique<PlayChainMP3>(std::make_unique<FileReaderMP3>(path), path, kFormatMP3);
    if (!chain->reader()->is_valid()) return nullptr;
    return chain;
}

} // namespace audio
