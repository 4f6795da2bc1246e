// Sound file tool: what a file holds, and decoding or converting it through the play and record chains.
#include "audio/FileWriterWAV.h"
#include "audio/Mp3Tool.h"
#include "audio/PlayChain.h"
#include "audio/RecordChain.h"
#include "base/File.h"
#include "plat/Text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

void complain_unplayable(const char* path);

namespace {

constexpr int kFramesPerPull = 16384;
constexpr int kDefaultBitRate = 32000;   // what voice notes are recorded at

std::wstring wide(const char* text) { return plat::from_utf8(text); }

int usage() {
    std::fputs("usage: chimely-audio info FILE                  format, title, channels, bits, rate, length\n"
               "       chimely-audio decode FILE OUT.wav         to PCM WAV\n"
               "       chimely-audio convert IN OUT FORMAT       through a record chain: PCM, ADPCM, GSM or mp3\n"
               "       chimely-audio encode IN OUT.mp3 [KBPS]    our MP3 encoder at KBPS kbit/s (default 32)\n"
               "       chimely-audio mp3info FILE                one line per MP3 frame, then the totals\n"
               "       chimely-audio play FILE [VOLUME]          through a player (VOLUME 0..1)\n"
               "       chimely-audio queue FILE...               one after another through the player queue\n"
               "       chimely-audio record OUT FORMAT SECONDS   from the microphone: PCM, ADPCM, GSM or mp3\n"
               "       chimely-audio record-note OUT SECONDS     as the alarm editor records a voice note\n"
               "       chimely-audio speak SCRIPT HH:MM          the time through a speech script\n"
               "Files are device paths in CHIMELY_ROOT, or ordinary paths when it is unset.\n",
               stderr);
    return 2;
}

std::unique_ptr<audio::PlayChain> open_or_complain(const char* path) {
    auto chain = audio::open_play_chain(wide(path));
    if (!chain) complain_unplayable(path);
    return chain;
}

int info(const char* path) {
    auto chain = open_or_complain(path);
    if (!chain) return 1;
    audio::FileReader* reader = chain->reader();
    std::printf("format=%s title=%s channels=%d bits=%d rate=%d length=%lld\n",
                plat::to_utf8(chain->format_name()).c_str(), plat::to_utf8(chain->title()).c_str(),
                reader->channels(), reader->bits_per_sample(), reader->sample_rate(),
                static_cast<long long>(reader->length()));
    return 0;
}

int decode(const char* path, const char* out_path) {
    auto chain = open_or_complain(path);
    if (!chain) return 1;
    audio::FileWriterWAVPCM writer(wide(out_path), false);
    audio::connect<audio::PCMData>(chain->provider(), &writer);
    for (;;) {
        audio::PCMData block;
        writer.get_data(block, kFramesPerPull);
        if (block.empty()) break;
    }
    audio::connect<audio::PCMData>(chain->provider(), nullptr);
    if (!writer.is_open()) {
        std::fprintf(stderr, "chimely-audio: %s: could not be written\n", out_path);
        return 1;
    }
    return 0;
}

int convert(const char* path, const char* out_path, const char* format) {
    auto chain = open_or_complain(path);
    if (!chain) return 1;
    auto record = audio::create_record_chain(wide(out_path), wide(format), 0, 0, 0, kDefaultBitRate, false);
    if (!record) {
        std::fprintf(stderr, "chimely-audio: %s: not a format this program can write\n", format);
        return 2;
    }
    audio::FileReader* reader = chain->reader();
    audio::connect(chain->provider(), record->consumer());
    reader->transfer(reader->length() - reader->position());
    audio::connect<audio::PCMData>(chain->provider(), nullptr);
    bool ok = record->file_writer()->is_open();
    record.reset();   // completes the file
    if (!ok) {
        std::fprintf(stderr, "chimely-audio: %s: could not be written\n", out_path);
        return 1;
    }
    // An encoder drops a format it does not take (GSM only 8000 Hz mono, ADPCM only 16 bits), and
    // then no file is ever made.
    if (!os::FileInfo(wide(out_path)).exists()) {
        std::fprintf(stderr, "chimely-audio: %s: nothing written, %s does not take this sound\n", out_path, format);
        return 1;
    }
    return 0;
}

int mp3info(const char* path) {
    std::string text = audio::mp3_info_text(wide(path));
    if (text.empty()) {
        std::fprintf(stderr, "chimely-audio: %s: not an MP3 file\n", path);
        return 1;
    }
    std::fputs(text.c_str(), stdout);
    return 0;
}

int encode(const char* path, const char* out_path, const char* kbps_text) {
    char* end = nullptr;
    long kbps = std::strtol(kbps_text, &end, 10);
    if (end == kbps_text || *end != '\0' || kbps <= 0 || kbps > 1000) return usage();
    std::string error = audio::encode_to_mp3(wide(path), wide(out_path), int(kbps));
    if (!error.empty()) {
        std::fprintf(stderr, "chimely-audio: %s: %s\n", path, error.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int run_player_command(int argc, char** argv);  // play, queue, record, record-note, speak

// A missing file and a file that is no sound are told apart.
void complain_unplayable(const char* path) {
    std::fprintf(stderr, "chimely-audio: %s: %s\n", path,
                 os::FileInfo(wide(path)).exists() ? "not a sound file this program can play" : "no such file");
}

int main(int argc, char** argv) {
    if (int rc = run_player_command(argc, argv); rc >= 0) return rc;
    if (argc == 3 && std::strcmp(argv[1], "info") == 0) return info(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "decode") == 0) return decode(argv[2], argv[3]);
    if (argc == 5 && std::strcmp(argv[1], "convert") == 0) return convert(argv[2], argv[3], argv[4]);
    if (argc == 3 && std::strcmp(argv[1], "mp3info") == 0) return mp3info(argv[2]);
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "encode") == 0)
        return encode(argv[2], argv[3], argc == 5 ? argv[4] : "32");
    return usage();
}
