#pragma once
#include "audio/RecordChain.h"
#include "audio/RecorderPCM.h"

#include <memory>
#include <string>

// Records the microphone into one new MP3 file (mono, 16 bits, 22050 Hz, 32 kbit/s); lives on the
// GUI thread. Without a file that can be created it holds nothing and does nothing.
class FileRecorder {
public:
    static constexpr int channels = 1;
    static constexpr int bits_per_sample = 16;
    static constexpr int sample_rate = 22050;
    static constexpr int bit_rate = 32000;

    explicit FileRecorder(const std::wstring& path);
    ~FileRecorder();
    FileRecorder(const FileRecorder&) = delete;
    FileRecorder& operator=(const FileRecorder&) = delete;

    void start();
    void stop();

private:
    std::unique_ptr<audio::RecordChain> chain_;
    std::unique_ptr<audio::RecorderPCM> recorder_;
};
