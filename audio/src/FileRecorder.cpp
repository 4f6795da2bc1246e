#include "audio/FileRecorder.h"

#include "audio/FormatNames.h"
#include "base/File.h"

FileRecorder::FileRecorder(const std::wstring& path) {
    {
        os::File file(path, os::File::mode_write);
        if (file.failed())
            return;
    }
    chain_ = audio::create_record_chain(path, audio::kFormatMP3, channels, bits_per_sample, sample_rate, bit_rate, false);
    if (!chain_)
        return;
    recorder_ = std::make_unique<audio::RecorderPCM>(channels, sample_rate, bits_per_sample);
    audio::connect(static_cast<audio::Provider<audio::PCMData>*>(recorder_.get()), chain_->consumer());
}

// The recorder goes while it is still linked: its last, partly filled buffer and everything the
// device hands back are delivered into the chain; then the chain completes the file, with the
// encoder's last output.
FileRecorder::~FileRecorder() {
    if (recorder_)
        recorder_->stop();
    recorder_.reset();
    chain_.reset();
}

void FileRecorder::start() {
    if (recorder_)
        recorder_->start();
}

void FileRecorder::stop() {
    if (recorder_)
        recorder_->stop();
}
