#pragma once
// MP3 bytes built by hand: frame headers followed by zeroed side information and main data, which
// decode as silence; junk and ID3v1 tags around them.
#include <cstdint>
#include <string>

namespace mp3_fixture {

inline std::string header(uint8_t b1, uint8_t b2, uint8_t b3) { return std::string{char(0xFF), char(b1), char(b2), char(b3)}; }

// A whole frame: the header, then zeros up to length.
inline std::string frame(const std::string& head, size_t length) { return head + std::string(length - 4, '\0'); }

// MPEG-1 layer III, 128 kbps, 44100 Hz, joint stereo: 417 bytes, 418 padded.
inline std::string mpeg1_frame(bool padding = false) {
    return frame(header(0xFB, padding ? 0x92 : 0x90, 0x64), padding ? 418 : 417);
}

// MPEG-2 layer III, 32 kbps, 22050 Hz, mono: 104 bytes, 105 padded.
inline std::string mpeg2_frame(bool padding = false) {
    return frame(header(0xF3, padding ? 0x42 : 0x40, 0xC4), padding ? 105 : 104);
}

// MPEG-2 layer III, 32 kbps, 24000 Hz, mono: 96 bytes; a foreign rate beside mpeg2_frame.
inline std::string mpeg2_24k_frame() { return frame(header(0xF3, 0x44, 0xC4), 96); }

// MPEG-2.5 layer III, 32 kbps, 12000 Hz, mono: 192 bytes.
inline std::string mpeg25_12k_frame() { return frame(header(0xE3, 0x44, 0xC4), 192); }

// MPEG-2.5 layer II, 160 kbps, 8000 Hz, mono: 2880 bytes, longer than a block.
inline std::string mpeg25_long_frame() { return frame(header(0xE5, 0xE8, 0xC4), 2880); }

inline std::string repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

inline std::string field(const std::string& text, size_t size) {
    std::string out = text.substr(0, size);
    out.resize(size, '\0');
    return out;
}

// "TAG" and 125 bytes; a track number goes into the last two comment bytes as 0, track.
inline std::string id3v1(const std::string& title, const std::string& artist, const std::string& comment, int track,
                         int genre) {
    std::string c = field(comment, 30);
    if (track) {
        c[28] = '\0';
        c[29] = char(track);
    }
    return "TAG" + field(title, 30) + field(artist, 30) + field("Album", 30) + "2024" + c + char(genre);
}

} // namespace mp3_fixture
