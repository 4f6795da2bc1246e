#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A GIF with a 4-colour palette whose codes are all literals (a clear code
// every two pixels keeps the codes 3 bits wide).
inline std::string make_gif(int screen_w, int screen_h, int left, int top, int w, int h, const std::vector<int>& indexes,
                     bool interlaced = false) {
    std::string s = "GIF89a";
    auto put16 = [&](int v) {
        s += char(v & 0xFF);
        s += char(v >> 8);
    };
    put16(screen_w);
    put16(screen_h);
    s += char(0x81);  // global colour table of 4 entries
    s += char(3);     // background index
    s += char(0);
    const uint8_t palette[] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    s.append(reinterpret_cast<const char*>(palette), sizeof palette);
    s += ',';
    put16(left);
    put16(top);
    put16(w);
    put16(h);
    s += char(interlaced ? 0x40 : 0);
    s += char(2);  // minimum code size
    std::vector<uint8_t> data;
    uint32_t bits = 0;
    int count = 0;
    auto code = [&](uint32_t c) {
        bits |= c << count;
        count += 3;
        while (count >= 8) {
            data.push_back(uint8_t(bits));
            bits >>= 8;
            count -= 8;
        }
    };
    for (size_t i = 0; i < indexes.size(); ++i) {
        if (i % 2 == 0)
            code(4);
        code(uint32_t(indexes[i]));
    }
    code(5);
    if (count)
        data.push_back(uint8_t(bits));
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        s += char(n);
        s.append(data.begin() + std::ptrdiff_t(i), data.begin() + std::ptrdiff_t(i + n));
    }
    s += char(0);
    s += ';';
    return s;
}

} // namespace testing_support
