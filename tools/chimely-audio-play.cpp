// chimely-audio's playing and recording commands: through the players, the player queue, the
// recorders and the speech script, as the program uses them.
#include "alarm/SpeechScript.h"
#include "audio/AudioPlayerQueue.h"
#include "audio/FilePlayer.h"
#include "audio/FileRecorder.h"
#include "audio/RecordChain.h"
#include "audio/RecorderPCM.h"
#include "base/Scheduler.h"
#include "plat/Messages.h"
#include "plat/Text.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

void complain_unplayable(const char* path);  // chimely-audio.cpp

namespace {

constexpr int kPollMs = 20;
constexpr int kRecordBitRate = 32000;

std::wstring wide(const char* text) { return plat::from_utf8(text); }

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool parse_seconds(const char* text, double& seconds) {
    char* end = nullptr;
    seconds = std::strtod(text, &end);
    return end != text && *end == '\0' && seconds > 0 && seconds < 24 * 3600;
}

// The GUI thread's message loop, until the queue has played everything.
void run_queue(AudioPlayerQueue& queue) {
    plat::MSG msg;
    while (!queue.is_empty()) {
        if (plat::peek_message(msg, nullptr, 0, 0, plat::PM_REMOVE))
            plat::dispatch_message(msg);
        else
            sleep_ms(1);
    }
}

int play(const char* path, const char* volume_text) {
    double volume = 0;
    if (volume_text) {
        char* end = nullptr;
        volume = std::strtod(volume_text, &end);
        if (end == volume_text || *end != '\0' || volume < 0 || volume > 1) {
            std::fprintf(stderr, "chimely-audio: volume must be 0..1 (0 keeps the current volume)\n");
            return 2;
        }
    }
    FilePlayer player(wide(path), volume);
    if (!player.is_open()) {
        complain_unplayable(path);
        return 1;
    }
    player.start();
    while (player.is_playing())
        sleep_ms(kPollMs);
    return 0;
}

int queue(int count, char** paths) {
    CActiveScheduler scheduler;
    set_active_scheduler(&scheduler);
    {
        AudioPlayerQueue queue(0);
        for (int i = 0; i < count; ++i)
            queue.play(wide(paths[i]));
        run_queue(queue);
    }
    set_active_scheduler(nullptr);
    return 0;
}

// The recorder goes first, while still linked, so the last partly filled buffer reaches the file.
int record(const char* path, const char* format, const char* seconds_text) {
    double seconds = 0;
    if (!parse_seconds(seconds_text, seconds)) {
        std::fprintf(stderr, "chimely-audio: %s: not a number of seconds\n", seconds_text);
        return 2;
    }
    const std::wstring format_name = wide(format);
    // GSM 06.10 is 8000 Hz only.
    const int rate = format_name == L"GSM" ? 8000 : 22050;
    auto chain = audio::create_record_chain(wide(path), format_name, 1, 16, rate, kRecordBitRate, false);
    if (!chain) {
        std::fprintf(stderr, "chimely-audio: %s: not a format this program can write (PCM, ADPCM, GSM, mp3)\n", format);
        return 2;
    }
    auto recorder = std::make_unique<audio::RecorderPCM>(1, rate, 16);
    audio::connect(static_cast<audio::Provider<audio::PCMData>*>(recorder.get()), chain->consumer());
    if (!recorder->start()) {
        std::fprintf(stderr, "chimely-audio: the microphone could not be opened\n");
        return 1;
    }
    sleep_ms(static_cast<int>(seconds * 1000));
    recorder->stop();
    recorder.reset();
    const bool ok = chain->file_writer()->is_open();
    chain.reset();
    if (!ok) {
        std::fprintf(stderr, "chimely-audio: %s: could not be written\n", path);
        return 1;
    }
    return 0;
}

int record_note(const char* path, const char* seconds_text) {
    double seconds = 0;
    if (!parse_seconds(seconds_text, seconds)) {
        std::fprintf(stderr, "chimely-audio: %s: not a number of seconds\n", seconds_text);
        return 2;
    }
    FileRecorder recorder(wide(path));
    recorder.start();
    sleep_ms(static_cast<int>(seconds * 1000));
    recorder.stop();
    return 0;
}

int speak(const char* script_path, const char* time_text) {
    int hour = -1, minute = -1;
    char tail = 0;
    if (std::sscanf(time_text, "%d:%d%c", &hour, &minute, &tail) != 2 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59) {
        std::fprintf(stderr, "chimely-audio: %s: not a time HH:MM\n", time_text);
        return 2;
    }
    CActiveScheduler scheduler;
    set_active_scheduler(&scheduler);
    int rc = 0;
    {
        AudioPlayerQueue queue(0);
        SpeechScript script(&queue, wide(script_path));
        script.compose(hour, minute);
        if (queue.is_empty()) {
            std::fprintf(stderr, "chimely-audio: %s: the script has nothing to say at %s\n", script_path, time_text);
            rc = 1;
        }
        run_queue(queue);
    }
    set_active_scheduler(nullptr);
    return rc;
}

} // namespace

// -1 when the command is not one of these with its arguments.
int run_player_command(int argc, char** argv) {
    if (argc < 2)
        return -1;
    const std::string command = argv[1];
    if (command == "play" && (argc == 3 || argc == 4))
        return play(argv[2], argc == 4 ? argv[3] : nullptr);
    if (command == "queue" && argc >= 3)
        return queue(argc - 2, argv + 2);
    if (command == "record" && argc == 5)
        return record(argv[2], argv[3], argv[4]);
    if (command == "record-note" && argc == 4)
        return record_note(argv[2], argv[3]);
    if (command == "speak" && argc == 4)
        return speak(argv[2], argv[3]);
    return -1;
}
