#include "audio/Mp3Id3Tag.h"

#include "FileAccess.h"
#include "base/Convert.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace audio {

namespace {

constexpr size_t kTagSize = 128;           // "TAG" and its 125 bytes
constexpr size_t kTagBody = kTagSize - 3;
constexpr size_t kSearchSize = 1000;

std::wstring tag_text(const uint8_t* field, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(field), size);
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
    return liba::to_wide(text);
}

// Where "TAG" starts in the tail: at the tag's proper place when it is there, else its last
// occurrence (a tag followed by some other trailer).
size_t find_tag(const std::vector<uint8_t>& tail) {
    auto is_tag_at = [&](size_t at) { return std::memcmp(tail.data() + at, "TAG", 3) == 0; };
    if (tail.size() >= kTagSize && is_tag_at(tail.size() - kTagSize)) return tail.size() - kTagSize;
    for (size_t at = tail.size() >= 3 ? tail.size() - 3 + 1 : 0; at-- > 0;)
        if (is_tag_at(at)) return at;
    return std::string_view::npos;
}

} // namespace

ID3Tag read_id3v1_tag(const std::wstring& path) {
    ID3Tag tag;
    os::File file(path, os::File::mode_read);
    if (file_failed(file)) return tag;
    const uint32_t length = file.get_size();
    std::vector<uint8_t> tail(std::min<size_t>(length, kSearchSize));
    if (tail.empty() || !file.seek(uint32_t(length - tail.size())) ||
        file.read(tail.data(), uint32_t(tail.size())) != tail.size())
        return tag;

    const size_t at = find_tag(tail);
    if (at == std::string_view::npos) return tag;
    uint8_t body[kTagBody] = {};
    const size_t available = std::min(kTagBody, tail.size() - at - 3);
    std::memcpy(body, tail.data() + at + 3, available);

    tag.title = tag_text(body, 30);
    tag.artist = tag_text(body + 30, 30);
    tag.album = tag_text(body + 60, 30);
    tag.year = tag_text(body + 90, 4);
    const uint8_t* comment = body + 94;
    tag.comment = tag_text(comment, 30);
    if (comment[28] == 0 && comment[29] != 0) tag.track = comment[29];
    if (available == kTagBody) {
        tag.genre = body[124];
        tag.present = 1;
    }
    return tag;
}

} // namespace audio
