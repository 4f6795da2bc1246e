#include "audio/Mp3Tool.h"

#include "audio/FileReaderMP3.h"
#include "audio/MP3RecordChain.h"
#include "audio/PlayChain.h"
#include "base/File.h"

#include <cstdio>

namespace audio {

namespace {

const char* version_text(int version) {
    return version == kMpegVersion1 ? "1" : version == kMpegVersion2 ? "2" : "2.5";
}

std::string format(const char* pattern, auto... values) {
    char line[200];
    std::snprintf(line, sizeof line, pattern, values...);
    return line;
}

} // namespace

std::string mp3_info_text(const std::wstring& path) {
    FileReaderMP3 reader(path);
    if (!reader.is_valid()) return {};
    std::string text;
    int64_t frames = 0, bytes = 0, samples = 0;
    for (;;) {
        MP3Data block;
        reader.get_data(block, 1);
        MpegFrameInfo info;
        if (block.empty() || !parse_mpeg_audio_header(block.buffer.data(), info)) break;
        const int padding = mpeg_header_padding(mpeg_header_word(block.buffer.data()));
        text += format("%lld version=%s layer=%d rate=%d kbps=%d padding=%d length=%d\n", (long long)frames,
                       version_text(info.version), info.layer, info.sample_rate, info.kbps, padding,
                       info.frame_length);
        ++frames;
        bytes += info.frame_length;
        samples += info.samples_per_frame;
    }
    const int rate = reader.sample_rate();
    const double seconds = rate > 0 ? double(samples) / rate : 0;
    text += format("frames=%lld bytes=%lld samples=%lld seconds=%.3f kbps=%.1f\n", (long long)frames,
                   (long long)bytes, (long long)samples, seconds, seconds > 0 ? bytes * 8 / seconds / 1000 : 0.0);
    return text;
}

std::string encode_to_mp3(const std::wstring& in_path, const std::wstring& out_path, int kbps) {
    auto play = open_play_chain(in_path);
    if (!play) return "not a sound file this program can play";
    auto record = create_record_chain_mp3(out_path, kbps * 1000, false);
    if (!record->file_writer()->is_open()) return "cannot be written";
    FileReader* reader = play->reader();
    connect(play->provider(), record->consumer());
    reader->transfer(reader->length() - reader->position());
    connect<PCMData>(play->provider(), nullptr);
    const bool open = record->file_writer()->is_open();
    record.reset();   // ends the stream and completes the file
    if (!open) return "cannot be written";
    // The writer leaves no file when the encoder refused the sound's rate or the bit rate.
    if (!os::FileInfo(out_path).exists()) return format("cannot be encoded at %d kbit/s", kbps);
    return {};
}

} // namespace audio
