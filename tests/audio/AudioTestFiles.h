#pragma once
// Fixtures for the audio tests: files in the process's device root, and WAV bytes built by hand.
#include "TempRoot.h"
#include "audio/Data.h"

#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace audio_test {

inline std::string linux_path(const std::string& name) { return testing_support::process_root() + "/" + name; }
inline std::wstring device_path(const std::string& name) { return L"\\" + std::wstring(name.begin(), name.end()); }

inline void write_file(const std::string& name, const std::string& bytes) {
    std::ofstream(linux_path(name), std::ios::binary) << bytes;
}

inline std::string read_file(const std::string& name) {
    std::ifstream in(linux_path(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool file_exists(const std::string& name) { return std::ifstream(linux_path(name)).good(); }

inline std::string u16(uint32_t v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; }
inline std::string u32(uint32_t v) { return u16(v & 0xFFFF) + u16(v >> 16); }
inline uint32_t get_u32(const std::string& s, size_t at) {
    return uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8) | (uint8_t(s[at + 2]) << 16) | (uint32_t(uint8_t(s[at + 3])) << 24);
}
inline uint16_t get_u16(const std::string& s, size_t at) { return uint16_t(uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8)); }

// "RIFF" + size + "WAVE" + "fmt " chunk of 16 bytes (+ extra), then the chunks given.
inline std::string wav_bytes(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t align, uint16_t bits,
                             const std::string& fmt_extra, const std::string& chunks) {
    std::string fmt = u16(tag) + u16(channels) + u32(rate) + u32(rate * align) + u16(align) + u16(bits) + fmt_extra;
    std::string body = "WAVE" + std::string("fmt ") + u32(uint32_t(fmt.size())) + fmt + chunks;
    return "RIFF" + u32(uint32_t(body.size())) + body;
}

inline std::string chunk(const std::string& id, const std::string& data) {
    return id + u32(uint32_t(data.size())) + data + (data.size() % 2 ? std::string(1, '\0') : std::string());
}

inline audio::PCMData pcm_block(const std::vector<int16_t>& samples, int channels, int rate) {
    audio::PCMData block;
    block.buffer = liba::SharedBuffer(samples.size() * 2, samples.data());
    block.channels = channels;
    block.bits_per_sample = 16;
    block.sample_rate = rate;
    return block;
}

inline std::vector<int16_t> samples_of(const audio::PCMData& block) {
    std::vector<int16_t> out(block.buffer.length() / 2);
    if (!out.empty()) std::memcpy(out.data(), block.buffer.data(), out.size() * 2);
    return out;
}

inline std::vector<int16_t> sine(size_t count, int channels, int rate, double amplitude = 10000) {
    std::vector<int16_t> out(count * channels);
    for (size_t i = 0; i < out.size(); ++i) {
        double t = double(i / channels) / rate;
        out[i] = int16_t(amplitude * std::sin(2 * M_PI * (i % channels ? 330 : 440) * t));
    }
    return out;
}

// The samples of a 16-bit PCM WAV file with a 44-byte header.
inline std::vector<int16_t> wav_samples(const std::string& bytes) {
    std::vector<int16_t> out;
    if (bytes.size() < 44) return out;
    out.resize((bytes.size() - 44) / 2);
    if (!out.empty()) std::memcpy(out.data(), bytes.data() + 44, out.size() * 2);
    return out;
}

inline bool have_sox() { return std::system("sox --version >/dev/null 2>&1") == 0; }

} // namespace audio_test
