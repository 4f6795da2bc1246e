#pragma once
#include <string>

namespace audio {

// The version 1 tag at the end of an MP3 file.
struct ID3Tag {
    std::wstring title;
    std::wstring artist;
    std::wstring album;
    std::wstring year;
    std::wstring comment;
    int track = 0;     // 0 when absent
    int genre = 0;     // 0 when absent
    int present = 0;   // 1 when a whole tag was read
};

// The file's tag; an empty tag when the file does not open or holds none.
ID3Tag read_id3v1_tag(const std::wstring& path);

} // namespace audio
