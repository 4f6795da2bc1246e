// wav2mp3 IN.wav OUT.mp3 [KBPS]: encodes a PCM WAV file (8 or 16 bits, mono or stereo) to MP3.
#include "audio/mp3enc/Mp3Enc.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Wav {
    int channels = 0;
    int rate = 0;
    int bits = 0;
    std::vector<int16_t> left, right;
};

uint32_t le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }
uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Reads the fmt and data chunks; every length is checked against the file.
bool read_wav(const std::vector<uint8_t>& f, Wav& wav, std::string& error) {
    if (f.size() < 12 || std::memcmp(f.data(), "RIFF", 4) != 0 || std::memcmp(f.data() + 8, "WAVE", 4) != 0) {
        error = "not a RIFF WAVE file";
        return false;
    }
    size_t at = 12;
    const uint8_t* data = nullptr;
    size_t data_size = 0;
    // A last chunk of odd size may lack its pad byte: at can then lie one past the end.
    while (at <= f.size() && f.size() - at >= 8) {
        const uint32_t size = le32(f.data() + at + 4);
        const size_t body = at + 8;
        const size_t available = f.size() - body;
        if (std::memcmp(f.data() + at, "fmt ", 4) == 0) {
            if (size < 16 || available < 16) {
                error = "fmt chunk too short";
                return false;
            }
            if (le16(f.data() + body) != 1) {
                error = "only PCM WAV files are encoded";
                return false;
            }
            wav.channels = le16(f.data() + body + 2);
            wav.rate = static_cast<int>(le32(f.data() + body + 4));
            wav.bits = le16(f.data() + body + 14);
        } else if (std::memcmp(f.data() + at, "data", 4) == 0) {
            data = f.data() + body;
            data_size = std::min<size_t>(size, available);  // a cut-off file keeps what is there
        }
        if (size > available)
            break;
        at = body + size + (size & 1);
    }
    if (!wav.channels || !data) {
        error = "no fmt or data chunk";
        return false;
    }
    if ((wav.channels != 1 && wav.channels != 2) || (wav.bits != 8 && wav.bits != 16) || wav.rate <= 0) {
        error = "unsupported format: " + std::to_string(wav.channels) + " channels, " + std::to_string(wav.bits) + " bits";
        return false;
    }
    const size_t frame = static_cast<size_t>(wav.channels * wav.bits / 8);
    const size_t frames = data_size / frame;
    wav.left.resize(frames);
    wav.right.resize(wav.channels == 2 ? frames : 0);
    for (size_t i = 0; i < frames; ++i)
        for (int ch = 0; ch < wav.channels; ++ch) {
            const uint8_t* p = data + i * frame + static_cast<size_t>(ch * wav.bits / 8);
            const int16_t s = wav.bits == 16 ? static_cast<int16_t>(le16(p)) : static_cast<int16_t>((p[0] - 128) * 256);
            (ch == 0 ? wav.left : wav.right)[i] = s;
        }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: wav2mp3 IN.wav OUT.mp3 [KBPS]\n");
        return 2;
    }
    const int kbps = argc == 4 ? std::atoi(argv[3]) : 32;
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "wav2mp3: cannot open %s\n", argv[1]);
        return 1;
    }
    // Read in large blocks: a byte-wise stream iterator took a tenth of the whole run.
    std::vector<uint8_t> file;
    std::vector<char> block(1 << 16);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0)
        file.insert(file.end(), block.begin(), block.begin() + in.gcount());
    Wav wav;
    std::string error;
    if (!read_wav(file, wav, error)) {
        std::fprintf(stderr, "wav2mp3: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::unique_ptr<audio::Mp3EncHandle, void (*)(audio::Mp3EncHandle*)> enc(
        audio::mp3enc_create(wav.rate, wav.channels, kbps), audio::mp3enc_destroy);
    if (!enc) {
        std::fprintf(stderr, "wav2mp3: cannot encode %d kbit/s from %d Hz (rates 1000 to 192000 Hz, layer III bit rates)\n", kbps, wav.rate);
        return 1;
    }
    const size_t step = static_cast<size_t>(audio::mp3enc_frame_samples(enc.get()));
    std::vector<uint8_t> mp3, buffer(16384);
    for (size_t i = 0; i < wav.left.size(); i += step) {
        const int n = static_cast<int>(std::min(step, wav.left.size() - i));
        const int written = audio::mp3enc_encode(enc.get(), wav.left.data() + i, wav.right.empty() ? nullptr : wav.right.data() + i,
                                                 n, buffer.data(), static_cast<int>(buffer.size()));
        if (written < 0) {
            std::fprintf(stderr, "wav2mp3: encoding failed\n");
            return 1;
        }
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + written);
    }
    const int written = audio::mp3enc_flush(enc.get(), buffer.data(), static_cast<int>(buffer.size()));
    if (written < 0) {
        std::fprintf(stderr, "wav2mp3: encoding failed\n");
        return 1;
    }
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + written);

    // Written beside the target and renamed, so a failure never leaves a truncated file.
    const std::string temp = std::string(argv[2]) + ".tmp";
    std::ofstream out(temp, std::ios::binary);
    out.write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
    out.close();
    if (!out || std::rename(temp.c_str(), argv[2]) != 0) {
        std::remove(temp.c_str());
        std::fprintf(stderr, "wav2mp3: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
