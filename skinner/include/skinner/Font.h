#pragma once
#include "skinner/Canvas.h"
#include "plat/Font.h"

#include <compare>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace skinner {

// A skin font: the cache key of the platform fonts.
struct FontDescription {
    // Logical heights beyond this are cut: no screen shows larger characters.
    static constexpr int64_t max_height = 2000;

    explicit FontDescription(int32_t scale_factor = 1) : scale(scale_factor) {}

    // Size, then bold, italic and underline flags, then the rest of the text as
    // the face; stops at the first missing number, keeping what it read.
    // True when all four numbers were read.
    bool parse(std::wstring_view text);
    // The platform's logical height: -(size × scale) × 96 / 72, truncated, cut to ±max_height.
    int32_t logical_height() const;

    auto operator<=>(const FontDescription&) const = default;

    int32_t scale = 1;  // first: the cache is ordered by scale, then size, flags and face
    int32_t size = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    std::wstring face = L"Tahoma";
};

// The platform font of one description.
class FontRep {
public:
    explicit FontRep(const FontDescription& description);
    ~FontRep();
    FontRep(const FontRep&) = delete;
    FontRep& operator=(const FontRep&) = delete;

    plat::HFONT font() const { return font_; }

private:
    plat::HFONT font_ = nullptr;
};

// A handle into the process-wide font cache; copies share one platform font.
class Font {
public:
    Font() = default;
    explicit Font(const FontDescription& description);
    Font(const Font& other);
    Font& operator=(const Font& other);
    ~Font();

    // Width (0 for an empty text) and line height as drawing would give them.
    plat::POINT get_text_extent(std::wstring_view text) const;
    // One line in (position, position + size); alignment indexes 0 left/top,
    // 1 centre, 2 right/bottom (others are clamped). '&' is drawn as it stands.
    void draw_text(Canvas& canvas, const SkinColour& colour, std::wstring_view text, plat::POINT position,
                   plat::POINT size, int horizontal, int vertical) const;
    // The same, but a text wider than the rectangle is cut and ends in U+2026.
    void draw_text_ellipsis(Canvas& canvas, const SkinColour& colour, std::wstring_view text, plat::POINT position,
                            plat::POINT size, int horizontal, int vertical) const;
    // How many characters of the text the ellipsis cut keeps for the width.
    size_t ellipsis_length(std::wstring_view text, int32_t width) const;

    plat::HFONT get_font() const;
    bool empty() const { return entry_ == nullptr; }

    // Fonts alive in the cache (0 when the cache does not exist).
    static size_t cache_size();

    // A cache entry; defined with the cache.
    struct Entry;

private:
    void release();
    void draw(Canvas& canvas, const SkinColour& colour, std::wstring_view text, plat::POINT position,
              plat::POINT size, int horizontal, int vertical, uint32_t extra) const;

    Entry* entry_ = nullptr;
};

} // namespace skinner
