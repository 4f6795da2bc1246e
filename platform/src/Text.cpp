#include "plat/Text.h"

#include <cstdint>

namespace plat {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool is_surrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// A wchar_t that cannot stand for a Unicode scalar value is written as U+FFFD.
char32_t scalar(wchar_t w) {
    char32_t c = char32_t(uint32_t(w));
    return (c > 0x10FFFF || is_surrogate(c)) ? kReplacement : c;
}

// Bytes 0x80..0x9F of Windows-1252; the five holes map to the C1 controls of
// the same number, as the device does, so every byte round-trips.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct Range {
    char32_t first;
    char32_t last;
};

// Letters outside ASCII and Latin-1 (which are handled inline).
constexpr Range kLetters[] = {
    {0x0100, 0x02AF}, {0x0370, 0x0373}, {0x0376, 0x0377}, {0x037B, 0x037D}, {0x037F, 0x037F},
    {0x0386, 0x0386}, {0x0388, 0x03FF}, {0x0400, 0x0481}, {0x048A, 0x052F}, {0x0531, 0x0556},
    {0x0561, 0x0587}, {0x05D0, 0x05EA}, {0x0620, 0x064A}, {0x0E01, 0x0E30}, {0x10A0, 0x10FF},
    {0x1E00, 0x1FBC}, {0x1FC2, 0x1FCC}, {0x1FD0, 0x1FDB}, {0x1FE0, 0x1FEC}, {0x1FF2, 0x1FFC},
    {0x3041, 0x3096}, {0x30A1, 0x30FA}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xAC00, 0xD7A3},
    {0xFF21, 0xFF3A}, {0xFF41, 0xFF5A},
};

// Blocks where upper and lower case alternate: upper at even (or odd) code points.
struct PairBlock {
    char32_t first;
    char32_t last;
    bool upper_is_even;
};
constexpr PairBlock kPairBlocks[] = {
    {0x0100, 0x012F, true},  {0x0132, 0x0137, true},  {0x0139, 0x0148, false},
    {0x014A, 0x0177, true},  {0x0179, 0x017E, false}, {0x01A0, 0x01A5, true},
    {0x01CD, 0x01DC, false}, {0x01DE, 0x01EF, true},  {0x01F8, 0x021F, true},
    {0x0222, 0x0233, true},  {0x0246, 0x024F, true},  {0x03D8, 0x03EF, true},
    {0x0460, 0x0481, true},  {0x048A, 0x04BF, true},  {0x04C1, 0x04CE, false},
    {0x04D0, 0x052F, true},  {0x1E00, 0x1E95, true},  {0x1EA0, 0x1EFF, true},
};

// Blocks where lower = upper + offset.
struct ShiftBlock {
    char32_t first;  // first upper-case code point
    char32_t last;
    char32_t offset;
};
constexpr ShiftBlock kShiftBlocks[] = {
    {0x0041, 0x005A, 32}, {0x00C0, 0x00D6, 32}, {0x00D8, 0x00DE, 32},
    {0x0388, 0x038A, 37}, {0x038E, 0x038F, 63}, {0x0391, 0x03A1, 32},
    {0x03A3, 0x03AB, 32}, {0x0400, 0x040F, 80}, {0x0410, 0x042F, 32},
    {0x0531, 0x0556, 48}, {0x10A0, 0x10C5, 7264}, {0xFF21, 0xFF3A, 32},
};

// Single pairs that fit no block.
struct Pair {
    char32_t upper;
    char32_t lower;
};
constexpr Pair kPairs[] = {
    {0x0178, 0x00FF}, {0x0386, 0x03AC}, {0x038C, 0x03CC}, {0x04C0, 0x04CF},
    {0x0130, 0x0069}, {0x0049, 0x0131},
};

char32_t lower_of(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    for (const ShiftBlock& b : kShiftBlocks)
        if (c >= b.first && c <= b.last)
            return c + b.offset;
    for (const PairBlock& b : kPairBlocks)
        if (c >= b.first && c <= b.last)
            return ((c % 2 == 0) == b.upper_is_even) ? c + 1 : c;
    for (const Pair& p : kPairs)
        if (p.upper == c && p.upper != 0x0049)
            return p.lower;
    return c;
}

char32_t upper_of(char32_t c) {
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? c - 32 : c;
    for (const ShiftBlock& b : kShiftBlocks)
        if (c >= b.first + b.offset && c <= b.last + b.offset)
            return c - b.offset;
    for (const PairBlock& b : kPairBlocks)
        if (c >= b.first && c <= b.last)
            return ((c % 2 == 0) == b.upper_is_even) ? c : c - 1;
    for (const Pair& p : kPairs)
        if (p.lower == c && p.lower != 0x0069)
            return p.upper;
    if (c == 0x03C2)  // final sigma
        return 0x03A3;
    return c;
}

void put_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

void put_unit(std::string& out, char32_t unit) {
    out += char(unit & 0xFF);
    out += char((unit >> 8) & 0xFF);
}

} // namespace

std::string to_utf16le(std::wstring_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (wchar_t w : text) {
        char32_t c = scalar(w);
        if (c >= 0x10000) {
            c -= 0x10000;
            put_unit(out, 0xD800 + (c >> 10));
            put_unit(out, 0xDC00 + (c & 0x3FF));
        } else {
            put_unit(out, c);
        }
    }
    return out;
}

std::wstring from_utf16le(const void* bytes, size_t count) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    size_t units = count / 2;
    std::wstring out;
    out.reserve(units);
    auto unit_at = [p](size_t i) { return char32_t(p[2 * i] | (p[2 * i + 1] << 8)); };
    for (size_t i = 0; i < units; ++i) {
        char32_t u = unit_at(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            char32_t low = unit_at(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out += wchar_t(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        out += wchar_t(is_surrogate(u) ? kReplacement : u);
    }
    return out;
}

size_t utf16_length(std::wstring_view text) {
    size_t n = 0;
    for (wchar_t w : text)
        n += scalar(w) >= 0x10000 ? 2 : 1;
    return n;
}

std::string to_utf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t w : text)
        put_utf8(out, scalar(w));
    return out;
}

std::wstring from_utf8(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out += wchar_t(b);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t c = 0;
        char32_t min = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1, c = b & 0x1F, min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2, c = b & 0x0F, min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3, c = b & 0x07, min = 0x10000;
        } else {
            out += wchar_t(kReplacement);
            ++i;
            continue;
        }
        // Consume continuation bytes as long as they could still form a valid
        // character; a broken sequence yields one U+FFFD for its valid prefix.
        size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < extra; ++k, ++j) {
            if (j >= n || (static_cast<unsigned char>(bytes[j]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (static_cast<unsigned char>(bytes[j]) & 0x3F);
            // Reject overlong forms, surrogates and values above U+10FFFF as early as the second byte.
            if (k == 0) {
                char32_t top = c << (6 * (extra - 1));
                if (top < min || top > 0x10FFFF || (extra == 2 && is_surrogate(top & ~0x3Fu))) {
                    ok = false;
                    break;
                }
            }
        }
        if (ok && c >= min && c <= 0x10FFFF && !is_surrogate(c)) {
            out += wchar_t(c);
            i = j;
        } else {
            out += wchar_t(kReplacement);
            i = (j > i + 1 && j <= n && !ok) ? j : i + 1;
        }
    }
    return out;
}

std::string to_cp1252(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t w : text) {
        char32_t c = char32_t(uint32_t(w));
        char byte = '?';
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            byte = char(c);
        } else {
            for (int i = 0; i < 32; ++i)
                if (kCp1252High[i] == c) {
                    byte = char(0x80 + i);
                    break;
                }
        }
        out += byte;
    }
    return out;
}

std::wstring from_cp1252(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        out += (b >= 0x80 && b < 0xA0) ? wchar_t(kCp1252High[b - 0x80]) : wchar_t(b);
    }
    return out;
}

bool is_space(wchar_t w) {
    char32_t c = char32_t(uint32_t(w));
    return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x2006) || (c >= 0x2008 && c <= 0x200A) || c == 0x2028 ||
           c == 0x2029 || c == 0x205F || c == 0x3000;
}

bool is_digit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool is_alpha(wchar_t w) {
    char32_t c = char32_t(uint32_t(w));
    if (c < 0x80)
        return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    if (c <= 0xFF)
        return c == 0xAA || c == 0xB5 || c == 0xBA || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
    for (const Range& r : kLetters)
        if (c >= r.first && c <= r.last)
            return c != 0x03F6;  // Greek reversed lunate epsilon symbol
    return false;
}

wchar_t to_lower(wchar_t c) {
    uint32_t u = uint32_t(c);
    return u > 0x10FFFF ? c : wchar_t(lower_of(u));
}

wchar_t to_upper(wchar_t c) {
    uint32_t u = uint32_t(c);
    return u > 0x10FFFF ? c : wchar_t(upper_of(u));
}

std::wstring to_lower(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out)
        c = to_lower(c);
    return out;
}

std::wstring to_upper(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out)
        c = to_upper(c);
    return out;
}

int compare_no_case(std::wstring_view a, std::wstring_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        uint32_t x = uint32_t(to_lower(a[i]));
        uint32_t y = uint32_t(to_lower(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool equal_no_case(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && compare_no_case(a, b) == 0;
}

} // namespace plat
