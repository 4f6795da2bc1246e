#pragma once
#include "audio/Data.h"
#include "audio/FileReader.h"
#include "audio/Link.h"

#include <memory>
#include <string>
#include <type_traits>

namespace audio {

class FileReaderWAVPCM;
class FileReaderWAVADPCM;
class FileReaderWAVGSM;
class DecoderVorbis;
class DecoderMPC;
class FileReaderMP3;
class FileWriterWAVPCM;

// The sink side of recording for one output file: the consumer the recorder pushes PCM to, an
// encoder, and the file writer behind it.
class RecordChain {
public:
    virtual ~RecordChain() = default;
    virtual Encoder* encoder() = 0;
    virtual Consumer<PCMData>* consumer() = 0;
    virtual FileWriter* file_writer() = 0;
    virtual std::wstring format_name() = 0;
    // When the chain writes that reader's own coded format, links the reader straight to the file
    // writer (no re-encoding) and answers true.
    virtual bool append_from_mpc(DecoderMPC*) { return false; }
    virtual bool append_from_vorbis(DecoderVorbis*) { return false; }
    virtual bool append_from_wav_gsm(FileReaderWAVGSM*) { return false; }
    virtual bool append_from_wav_adpcm(FileReaderWAVADPCM*) { return false; }
    virtual bool append_from_wav_pcm(FileReaderWAVPCM*) { return false; }
    virtual bool append_from_mp3(FileReaderMP3*) { return false; }
};

// "PCM": the WAV writer is both the consumer and the encoder.
class RecordChainWAV : public RecordChain {
public:
    RecordChainWAV(const std::wstring& path, bool append);
    ~RecordChainWAV() override;

    Encoder* encoder() override;
    Consumer<PCMData>* consumer() override;
    FileWriter* file_writer() override;
    std::wstring format_name() override;
    bool append_from_wav_pcm(FileReaderWAVPCM* reader) override;

private:
    std::unique_ptr<FileWriterWAVPCM> writer_;
};

// An encoder E linked to a writer W of E's coded data; R is the reader type of that coded format.
template <class E, class W, class R> class RecordChainBase : public RecordChain {
    using Coded = typename W::DataType;

public:
    RecordChainBase(std::unique_ptr<E> encoder, const std::wstring& path, std::wstring_view format_name, bool append)
        : writer_(std::make_unique<W>(path, append)), encoder_(std::move(encoder)), format_name_(format_name) {
        connect<Coded>(encoder_.get(), writer_.get());
    }

    // The encoder goes first; then the writer completes the file.
    ~RecordChainBase() override { encoder_.reset(); }

    Encoder* encoder() override { return encoder_.get(); }
    Consumer<PCMData>* consumer() override { return encoder_.get(); }
    FileWriter* file_writer() override { return writer_.get(); }
    std::wstring format_name() override { return format_name_; }

    bool append_from_mpc(DecoderMPC* reader) override { return append(reader); }
    bool append_from_vorbis(DecoderVorbis* reader) override { return append(reader); }
    bool append_from_wav_gsm(FileReaderWAVGSM* reader) override { return append(reader); }
    bool append_from_wav_adpcm(FileReaderWAVADPCM* reader) override { return append(reader); }
    bool append_from_wav_pcm(FileReaderWAVPCM* reader) override { return append(reader); }
    bool append_from_mp3(FileReaderMP3* reader) override { return append(reader); }

private:
    template <class X> bool append(X* reader) {
        if constexpr (std::is_same_v<X, R>) {
            connect<Coded>(reader, writer_.get());
            return true;
        } else {
            return false;
        }
    }

    std::unique_ptr<W> writer_;
    std::unique_ptr<E> encoder_;
    std::wstring format_name_;
};

// The record chain for a format name ("PCM", "mp3", "ADPCM", "GSM", compared exactly), or null.
// channels, bits and rate are not used: encoders take the format of the data that reaches them.
std::unique_ptr<RecordChain> create_record_chain(const std::wstring& path, std::wstring_view format_name,
                                                 int channels, int bits, int rate, int bit_rate, bool append);

} // namespace audio
