#pragma once
#include "audio/DecoderMP3.h"
#include "audio/FileReaderMP3.h"
#include "audio/PlayChain.h"

namespace audio {

// The MP3 reader and decoder; the file's ID3v1 title, when it has one, is the chain's title.
class PlayChainMP3 : public PlayChainReaderDecoder<FileReaderMP3, DecoderMP3> {
public:
    PlayChainMP3(std::unique_ptr<FileReaderMP3> reader, const std::wstring& path, std::wstring_view format_name);
};

// The "mp3" row of the play-chain factory: the chain when the file is MP3, else null.
std::unique_ptr<PlayChain> open_play_chain_mp3(const std::wstring& path);

} // namespace audio
