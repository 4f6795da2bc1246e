#pragma once
#include "audio/Data.h"
#include "audio/FileReader.h"
#include "audio/Link.h"
#include "audio/RecordChain.h"

#include <memory>
#include <string>

namespace audio {

// The source side of playback for one sound file: a reader, perhaps a decoder, ending in the
// provider of PCM that the player pulls from.
class PlayChain {
public:
    virtual ~PlayChain() = default;
    virtual Provider<PCMData>* provider() = 0;
    virtual FileReader* reader() = 0;
    virtual bool is_stream() { return false; }
    virtual bool is_remote() { return false; }
    virtual bool can_seek() { return true; }
    virtual std::wstring format_name() = 0;
    virtual std::wstring title() = 0;
    // Hands the chain's reader to the record chain's operation for its type.
    virtual bool visit(RecordChain& record_chain) = 0;
};

// What follows the last '\' or '/' of the path.
std::wstring file_name_of(const std::wstring& path);

inline bool append_reader(RecordChain& chain, DecoderMPC* reader) { return chain.append_from_mpc(reader); }
inline bool append_reader(RecordChain& chain, DecoderVorbis* reader) { return chain.append_from_vorbis(reader); }
inline bool append_reader(RecordChain& chain, FileReaderWAVGSM* reader) { return chain.append_from_wav_gsm(reader); }
inline bool append_reader(RecordChain& chain, FileReaderWAVADPCM* reader) { return chain.append_from_wav_adpcm(reader); }
inline bool append_reader(RecordChain& chain, FileReaderWAVPCM* reader) { return chain.append_from_wav_pcm(reader); }
inline bool append_reader(RecordChain& chain, FileReaderMP3* reader) { return chain.append_from_mp3(reader); }

template <class R> class PlayChainReaderOnlyBase : public PlayChain {
public:
    PlayChainReaderOnlyBase(std::unique_ptr<R> reader, const std::wstring& path, std::wstring_view format_name)
        : format_name_(format_name), reader_(std::move(reader)), title_(file_name_of(path)) {}

    FileReader* reader() override { return reader_.get(); }
    std::wstring format_name() override { return format_name_; }
    std::wstring title() override { return title_; }
    bool visit(RecordChain& record_chain) override { return append_reader(record_chain, reader_.get()); }

protected:
    std::wstring format_name_;
    std::unique_ptr<R> reader_;
    std::wstring title_;
};

// R already yields PCM.
template <class R> class PlayChainReaderOnly : public PlayChainReaderOnlyBase<R> {
public:
    using PlayChainReaderOnlyBase<R>::PlayChainReaderOnlyBase;
    Provider<PCMData>* provider() override { return this->reader_.get(); }
};

template <class R, class D> class PlayChainReaderDecoder : public PlayChainReaderOnlyBase<R> {
public:
    PlayChainReaderDecoder(std::unique_ptr<R> reader, const std::wstring& path, std::wstring_view format_name)
        : PlayChainReaderOnlyBase<R>(std::move(reader), path, format_name), decoder_(std::make_unique<D>()) {
        connect<typename D::InputType>(this->reader_.get(), decoder_.get());
    }
    // The decoder goes before the reader it is linked to.
    ~PlayChainReaderDecoder() override { decoder_.reset(); }

    Provider<PCMData>* provider() override { return decoder_.get(); }

protected:
    std::unique_ptr<D> decoder_;
};

// Tries the readers in a fixed order (PCM WAV, ADPCM WAV, GSM WAV, Ogg Vorbis, Musepack, MP3) and
// answers the first chain whose reader accepts the file, or null.
std::unique_ptr<PlayChain> open_play_chain(const std::wstring& path);

} // namespace audio
