#include "skinner/Font.h"

#include "base/Convert.h"
#include "base/Log.h"
#include "plat/Screen.h"

#include <algorithm>

namespace skinner {

namespace {
constexpr wchar_t ellipsis = L'\x2026';
constexpr uint32_t horizontal_formats[] = {plat::DT_LEFT, plat::DT_CENTER, plat::DT_RIGHT};
constexpr uint32_t vertical_formats[] = {plat::DT_TOP, plat::DT_VCENTER, plat::DT_BOTTOM};

bool high_surrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool low_surrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
} // namespace

bool FontDescription::parse(std::wstring_view text) {
    const wchar_t* at = text.data();
    const wchar_t* end = text.data() + text.size();
    int32_t values[4] = {};
    for (int i = 0; i < 4; ++i) {
        const wchar_t* next = liba::read_int(values[i], at, end);
        if (!next)
            return false;
        at = next;
        switch (i) {
        case 0: size = values[0]; break;
        case 1: bold = values[1] != 0; break;
        case 2: italic = values[2] != 0; break;
        case 3: underline = values[3] != 0; break;
        }
    }
    at = liba::skip_blanks(at, end);
    face.assign(at, end);
    return true;
}

int32_t FontDescription::logical_height() const {
    const int64_t height = -(int64_t(size) * int64_t(scale)) * 96 / 72;
    return int32_t(std::clamp(height, -max_height, max_height));
}

FontRep::FontRep(const FontDescription& description) {
    plat::LogFont log_font;
    log_font.height = description.logical_height();
    log_font.weight = description.bold ? plat::FW_BOLD : plat::FW_NORMAL;
    log_font.italic = description.italic;
    log_font.underline = description.underline;
    log_font.char_set = plat::DEFAULT_CHARSET;
    log_font.face_name = description.face.substr(0, plat::LF_FACESIZE - 1);
    liba::get_log() << L"dpiy=" << plat::get_device_caps(nullptr, plat::LOGPIXELSY)
                    << L" log_font.lfHeight=" << log_font.height << L"}\n";
    font_ = plat::create_font(log_font);
    if (!font_)
        liba::get_log() << L"ERROR: FontRep::FontRep() Failed to create font\n";
}

FontRep::~FontRep() { plat::delete_font(font_); }

// The cache lives from the first handle to the last.
struct Font::Entry {
    std::map<FontDescription, Entry>::iterator self;
    int count = 0;
    std::unique_ptr<FontRep> rep;
};

namespace {
using FontCache = std::map<FontDescription, Font::Entry>;
std::unique_ptr<FontCache>& cache() {
    static std::unique_ptr<FontCache> instance;
    return instance;
}
} // namespace

Font::Font(const FontDescription& description) {
    if (!cache())
        cache() = std::make_unique<FontCache>();
    auto [it, created] = cache()->try_emplace(description);
    if (created) {
        it->second.self = it;
        it->second.rep = std::make_unique<FontRep>(description);
    }
    entry_ = &it->second;
    ++entry_->count;
}

Font::Font(const Font& other) : entry_(other.entry_) {
    if (entry_)
        ++entry_->count;
}

Font& Font::operator=(const Font& other) {
    Entry* entry = other.entry_;  // other may be this handle
    if (entry)
        ++entry->count;
    release();
    entry_ = entry;
    return *this;
}

Font::~Font() { release(); }

void Font::release() {
    if (!entry_)
        return;
    if (--entry_->count == 0) {
        cache()->erase(entry_->self);
        if (cache()->empty())
            cache().reset();
    }
    entry_ = nullptr;
}

size_t Font::cache_size() { return cache() ? cache()->size() : 0; }

plat::HFONT Font::get_font() const { return entry_ ? entry_->rep->font() : nullptr; }

plat::POINT Font::get_text_extent(std::wstring_view text) const {
    plat::HDC dc = plat::get_screen_dc();
    plat::HFONT previous = get_font() ? plat::select_font(dc, get_font()) : nullptr;
    plat::RECT r{0, 0, 1, 1};
    const int height =
        plat::draw_text(dc, text, r, plat::DT_CALCRECT | plat::DT_NOPREFIX | plat::DT_VCENTER | plat::DT_SINGLELINE);
    if (previous)
        plat::select_font(dc, previous);
    plat::delete_dc(dc);
    return {text.empty() ? 0 : r.right, height};
}

void Font::draw(Canvas& canvas, const SkinColour& colour, std::wstring_view text, plat::POINT position,
                plat::POINT size, int horizontal, int vertical, uint32_t extra) const {
    if (!entry_)
        return;
    // Indexes come from skin data: anything outside 0..2 takes the nearest alignment.
    const uint32_t format = horizontal_formats[std::clamp(horizontal, 0, 2)] |
                            vertical_formats[std::clamp(vertical, 0, 2)] | extra | plat::DT_SINGLELINE;
    plat::HDC dc = canvas.dc();
    const plat::COLORREF previous_colour = plat::set_text_color(dc, plat::skin_colour(colour));
    plat::HFONT previous_font = get_font() ? plat::select_font(dc, get_font()) : nullptr;
    const int previous_mode = plat::set_bk_mode(dc, plat::TRANSPARENT);
    plat::RECT r{position.x, position.y, int32_t(std::clamp<int64_t>(int64_t(position.x) + size.x, INT32_MIN, INT32_MAX)),
                 int32_t(std::clamp<int64_t>(int64_t(position.y) + size.y, INT32_MIN, INT32_MAX))};
    plat::draw_text(dc, text, r, format);
    if (previous_mode)
        plat::set_bk_mode(dc, previous_mode);
    if (previous_font)
        plat::select_font(dc, previous_font);
    plat::set_text_color(dc, previous_colour);
}

void Font::draw_text(Canvas& canvas, const SkinColour& colour, std::wstring_view text, plat::POINT position,
                     plat::POINT size, int horizontal, int vertical) const {
    draw(canvas, colour, text, position, size, horizontal, vertical, plat::DT_NOPREFIX);
}

size_t Font::ellipsis_length(std::wstring_view text, int32_t width) const {
    if (text.empty() || get_text_extent(text).x <= width)
        return text.size();
    const int32_t e = get_text_extent(std::wstring_view(&ellipsis, 1)).x;
    size_t lo = 0, hi = text.size();
    for (;;) {
        const size_t mid = (lo + hi) / 2;
        if (int64_t(get_text_extent(text.substr(0, mid)).x) + e >= width) {
            if (hi == mid)
                break;
            hi = mid;
        } else {
            if (lo == mid)
                break;
            lo = mid;
        }
    }
    // Never end the kept part between the two halves of a surrogate pair.
    if (lo > 0 && lo < text.size() && high_surrogate(text[lo - 1]) && low_surrogate(text[lo]))
        --lo;
    return lo;
}

void Font::draw_text_ellipsis(Canvas& canvas, const SkinColour& colour, std::wstring_view text,
                              plat::POINT position, plat::POINT size, int horizontal, int vertical) const {
    if (!entry_)
        return;
    const size_t keep = ellipsis_length(text, size.x);
    if (keep == text.size()) {
        draw_text(canvas, colour, text, position, size, horizontal, vertical);
        return;
    }
    std::wstring cut(text.substr(0, keep));
    cut += ellipsis;
    draw_text(canvas, colour, cut, position, size, horizontal, vertical);
}

} // namespace skinner
