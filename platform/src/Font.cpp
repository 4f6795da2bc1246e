#include "plat/Font.h"
#include "FontsConf.h"
#include "GdiObjects.h"
#include "plat/Text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

namespace plat {

namespace {

constexpr int default_pixel_height = 16;
constexpr int max_pixel_height = 2000;

struct Glyph {
    int advance = 0;  // pixels
    int left = 0;     // bitmap position relative to the pen on the baseline
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<uint8_t> coverage;
};

// FreeType and fontconfig are used from any thread that draws, one at a time.
std::recursive_mutex g_mutex;

FT_Library library() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0)
            l = nullptr;
        return l;
    }();
    return lib;
}

// Our own configuration, never the user's: measurements must not depend on the machine.
FcConfig* font_config() {
    static FcConfig* config = [] {
        FcConfig* c = FcConfigCreate();
        if (!c)
            return c;
        if (!FcConfigParseAndLoadFromMemory(c, reinterpret_cast<const FcChar8*>(fonts_conf), FcTrue) ||
            !FcConfigBuildFonts(c)) {
            FcConfigDestroy(c);
            return static_cast<FcConfig*>(nullptr);
        }
        return c;
    }();
    return config;
}

// Every font of one file shares one face: its tables and the file's mapping are
// loaded once, and each font keeps only its own size (and its glyphs).
struct SharedFace {
    FT_Face face = nullptr;
    int users = 0;
};
std::map<std::pair<std::string, int>, SharedFace> g_faces;

FT_Face acquire_face(const std::string& file, int index) {
    SharedFace& shared = g_faces[{file, index}];
    if (!shared.face && FT_New_Face(library(), file.c_str(), index, &shared.face) != 0)
        shared.face = nullptr;
    if (!shared.face) {
        g_faces.erase({file, index});
        return nullptr;
    }
    ++shared.users;
    return shared.face;
}

void release_face(FT_Face face) {
    for (auto it = g_faces.begin(); it != g_faces.end(); ++it)
        if (it->second.face == face) {
            if (--it->second.users == 0) {
                FT_Done_Face(face);
                g_faces.erase(it);
            }
            return;
        }
}

constexpr FT_Matrix italic_shear{0x10000, 0x0366A, 0, 0x10000};  // about 12 degrees

} // namespace

class FontObject {
public:
    ~FontObject() {
        if (size)
            FT_Done_Size(size);
        if (face)
            release_face(face);
    }

    // The shared face takes this font's size and slant before it is used.
    bool activate() {
        if (FT_Activate_Size(size) != 0)
            return false;
        FT_Matrix shear = italic_shear;
        FT_Set_Transform(face, details.synthetic_italic ? &shear : nullptr, nullptr);
        return true;
    }
    const Glyph& glyph(char32_t c);
    int text_width(std::u32string_view text) {
        int width = 0;
        for (char32_t c : text)
            width += glyph(c).advance;
        return width;
    }
    int line_height() const { return details.ascent + details.descent; }

    FT_Face face = nullptr;
    FT_Size size = nullptr;
    FontDetails details;
    bool underline = false;
    bool stock = false;
    std::unordered_map<char32_t, Glyph> glyphs;
};

const Glyph& FontObject::glyph(char32_t c) {
    auto found = glyphs.find(c);
    if (found != glyphs.end())
        return found->second;
    Glyph g;
    FT_UInt index = FT_Get_Char_Index(face, c);
    if (activate() && FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) == 0) {
        FT_GlyphSlot slot = face->glyph;
        if (details.synthetic_bold)
            FT_GlyphSlot_Embolden(slot);
        g.advance = int((slot->advance.x + 32) >> 6);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0 && slot->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            const FT_Bitmap& bitmap = slot->bitmap;
            g.left = slot->bitmap_left;
            g.top = slot->bitmap_top;
            g.width = int(bitmap.width);
            g.rows = int(bitmap.rows);
            g.coverage.resize(size_t(g.width) * size_t(g.rows));
            for (int y = 0; y < g.rows; ++y)
                std::copy_n(bitmap.buffer + std::ptrdiff_t(y) * bitmap.pitch, g.width,
                            g.coverage.begin() + std::ptrdiff_t(y) * g.width);
        }
    }
    return glyphs.emplace(c, std::move(g)).first->second;
}

namespace {

struct Match {
    std::string file;
    int index = 0;
    bool bold = false;
    bool italic = false;
};

bool match_face(const std::wstring& face_name, bool bold, bool italic, Match& match) {
    FcConfig* config = font_config();
    if (!config)
        return false;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return false;
    if (!face_name.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(to_utf8(face_name).c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!found)
        return false;
    FcChar8* file = nullptr;
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    bool ok = FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch;
    if (ok) {
        match.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(found, FC_INDEX, 0, &match.index);
        FcPatternGetInteger(found, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(found, FC_SLANT, 0, &slant);
        match.bold = weight >= FC_WEIGHT_DEMIBOLD;
        match.italic = slant != FC_SLANT_ROMAN;
    }
    FcPatternDestroy(found);
    return ok;
}

FontObject* stock_font() {
    static FontObject* font = [] {
        LogFont log_font;
        log_font.height = -default_pixel_height;
        log_font.face_name = L"Tahoma";
        FontObject* f = create_font(log_font);
        if (f)
            f->stock = true;
        return f;
    }();
    return font;
}

FontObject* font_of(HDC dc) { return dc->font ? dc->font : stock_font(); }

// The text as drawn: code points, with the prefix characters taken out unless told otherwise.
std::u32string visible_text(std::wstring_view text, bool prefix) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (prefix && text[i] == L'&') {
            if (i + 1 == text.size())
                break;
            ++i;
        }
        out.push_back(char32_t(text[i]));
    }
    return out;
}

int floor_half(int64_t value) { return int(value >= 0 ? value / 2 : -((-value + 1) / 2)); }

void blend_coverage(uint32_t& pixel, uint32_t colour_word, unsigned coverage) {
    if (coverage == 0)
        return;
    if (coverage == 255) {
        pixel = (pixel & 0xFF000000u) | colour_word;
        return;
    }
    uint32_t result = pixel & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        int d = int((pixel >> shift) & 0xFF), s = int((colour_word >> shift) & 0xFF);
        result |= uint32_t(d + (s - d) * int(coverage) / 255) << shift;
    }
    pixel = result;
}

} // namespace

HFONT create_font(const LogFont& log_font) {
    std::lock_guard lock(g_mutex);
    if (!library())
        return nullptr;
    const bool bold = log_font.weight >= 600;
    const bool italic = log_font.italic != 0;
    std::wstring face_name = log_font.face_name.substr(0, LF_FACESIZE - 1);
    Match match;
    if (!match_face(face_name, bold, italic, match))
        return nullptr;
    auto font = std::make_unique<FontObject>();
    font->face = acquire_face(match.file, match.index);
    if (!font->face)
        return nullptr;
    FT_Face face = font->face;
    if (FT_New_Size(face, &font->size) != 0) {
        font->size = nullptr;
        return nullptr;
    }
    int pixels = default_pixel_height;
    if (log_font.height < 0)
        pixels = int(std::min<int64_t>(-int64_t(log_font.height), max_pixel_height));
    else if (log_font.height > 0 && face->ascender - face->descender > 0)
        // A cell height: the characters get the part of it that the em takes.
        pixels = int(std::clamp<int64_t>(int64_t(log_font.height) * face->units_per_EM /
                                             (face->ascender - face->descender),
                                         1, max_pixel_height));
    font->details.file = match.file;
    font->details.pixel_height = pixels;
    font->details.synthetic_bold = bold && !match.bold;
    font->details.synthetic_italic = italic && !match.italic;
    if (!font->activate() || FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixels)) != 0)
        return nullptr;
    font->details.ascent = int((font->size->metrics.ascender + 63) >> 6);
    font->details.descent = int((-font->size->metrics.descender + 63) >> 6);
    font->underline = log_font.underline != 0;
    return font.release();
}

void delete_font(HFONT font) {
    std::lock_guard lock(g_mutex);
    if (font && !font->stock)
        delete font;
}

HFONT select_font(HDC dc, HFONT font) {
    if (!dc || !font)
        return nullptr;
    std::lock_guard lock(g_mutex);
    HFONT previous = font_of(dc);
    dc->font = font->stock ? nullptr : font;
    return previous;
}

COLORREF set_text_color(HDC dc, COLORREF colour) {
    if (!dc)
        return CLR_INVALID;
    return std::exchange(dc->text_colour, colour);
}

COLORREF get_text_color(HDC dc) { return dc ? dc->text_colour : CLR_INVALID; }

int set_bk_mode(HDC dc, int mode) {
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE))
        return 0;
    return std::exchange(dc->background_mode, mode);
}

FontDetails get_font_details(HFONT font) { return font ? font->details : FontDetails{}; }

bool get_text_extent(HDC dc, std::wstring_view text, SIZE& size) {
    if (!dc)
        return false;
    std::lock_guard lock(g_mutex);
    FontObject* font = font_of(dc);
    if (!font)
        return false;
    size.cx = font->text_width(visible_text(text, false));
    size.cy = font->line_height();
    return true;
}

int draw_text(HDC dc, std::wstring_view text, RECT& rect, uint32_t format) {
    if (!dc)
        return 0;
    std::lock_guard lock(g_mutex);
    FontObject* font = font_of(dc);
    if (!font)
        return 0;
    const std::u32string line = visible_text(text, (format & DT_NOPREFIX) == 0);
    const int width = font->text_width(line);
    const int height = font->line_height();
    if (format & DT_CALCRECT) {
        rect.right = int32_t(std::clamp<int64_t>(int64_t(rect.left) + width, INT32_MIN, INT32_MAX));
        rect.bottom = int32_t(std::clamp<int64_t>(int64_t(rect.top) + height, INT32_MIN, INT32_MAX));
        return height;
    }
    int64_t x = rect.left;
    if (format & DT_CENTER)
        x = floor_half(int64_t(rect.left) + rect.right - width);
    else if (format & DT_RIGHT)
        x = int64_t(rect.right) - width;
    int64_t y = rect.top;
    if (format & DT_VCENTER)
        y = floor_half(int64_t(rect.top) + rect.bottom - height);
    else if (format & DT_BOTTOM)
        y = int64_t(rect.bottom) - height;

    Surface* surface = dc->surface;
    if (!surface || surface->stock)
        return height;
    RECT clip = dc->device_clip();
    if (!(format & DT_NOCLIP)) {
        RECT limit{int32_t(std::clamp<int64_t>(int64_t(rect.left) + dc->origin.x, INT32_MIN, INT32_MAX)),
                   int32_t(std::clamp<int64_t>(int64_t(rect.top) + dc->origin.y, INT32_MIN, INT32_MAX)),
                   int32_t(std::clamp<int64_t>(int64_t(rect.right) + dc->origin.x, INT32_MIN, INT32_MAX)),
                   int32_t(std::clamp<int64_t>(int64_t(rect.bottom) + dc->origin.y, INT32_MIN, INT32_MAX))};
        clip = intersect(clip, limit);
    }
    if (clip.empty())
        return height;
    const uint32_t colour = word_of(dc->text_colour);
    const int64_t baseline = y + dc->origin.y + font->details.ascent;
    int64_t pen = x + dc->origin.x;
    for (char32_t c : line) {
        const Glyph& g = font->glyph(c);
        for (int row = 0; row < g.rows; ++row) {
            int64_t py = baseline - g.top + row;
            if (py < clip.top || py >= clip.bottom)
                continue;
            uint32_t* out = surface->row(int32_t(py));
            const uint8_t* in = g.coverage.data() + size_t(row) * size_t(g.width);
            for (int col = 0; col < g.width; ++col) {
                int64_t px = pen + g.left + col;
                if (px >= clip.left && px < clip.right)
                    blend_coverage(out[px], colour, in[col]);
            }
        }
        pen += g.advance;
    }
    if (font->underline && width > 0) {
        FT_Face face = font->face;
        const FT_Fixed y_scale = font->size->metrics.y_scale;
        int64_t position = -(FT_MulFix(face->underline_position, y_scale) >> 6);
        int64_t thickness = std::max<int64_t>(1, (FT_MulFix(face->underline_thickness, y_scale) + 32) >> 6);
        RECT bar{int32_t(std::clamp<int64_t>(x + dc->origin.x, INT32_MIN, INT32_MAX)),
                 int32_t(std::clamp<int64_t>(baseline + position, INT32_MIN, INT32_MAX)),
                 int32_t(std::clamp<int64_t>(x + dc->origin.x + width, INT32_MIN, INT32_MAX)),
                 int32_t(std::clamp<int64_t>(baseline + position + thickness, INT32_MIN, INT32_MAX))};
        bar = intersect(bar, clip);
        for (int32_t py = bar.top; py < bar.bottom; ++py)
            for (int32_t px = bar.left; px < bar.right; ++px)
                blend_coverage(surface->row(py)[px], colour, 255);
    }
    return height;
}

} // namespace plat
