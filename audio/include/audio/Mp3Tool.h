#pragma once
#include <string>

namespace audio {

// One line per frame (version, layer, rate, kbps, padding, length) and a line of totals; empty
// when the file holds no MP3 stream.
std::string mp3_info_text(const std::wstring& path);

// Encodes any playable sound file to MP3 at kbps kbit/s; an error message, empty on success.
std::string encode_to_mp3(const std::wstring& in_path, const std::wstring& out_path, int kbps);

} // namespace audio
