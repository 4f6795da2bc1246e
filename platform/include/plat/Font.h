#pragma once
#include "plat/Gdi.h"

#include <string>
#include <string_view>

// Fonts and single-line text over FreeType, found through a fontconfig setup
// of our own (see platform/fonts.conf): "Tahoma" is DejaVu Sans and "Courier
// New" DejaVu Sans Mono, so text measures the same everywhere.
namespace plat {

constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr uint8_t DEFAULT_CHARSET = 1;
constexpr size_t LF_FACESIZE = 32;  // with the terminating zero

// draw_text format flags.
constexpr uint32_t DT_LEFT = 0x0000;
constexpr uint32_t DT_TOP = 0x0000;
constexpr uint32_t DT_CENTER = 0x0001;
constexpr uint32_t DT_RIGHT = 0x0002;
constexpr uint32_t DT_VCENTER = 0x0004;
constexpr uint32_t DT_BOTTOM = 0x0008;
constexpr uint32_t DT_SINGLELINE = 0x0020;
constexpr uint32_t DT_NOCLIP = 0x0100;
constexpr uint32_t DT_CALCRECT = 0x0400;
constexpr uint32_t DT_NOPREFIX = 0x0800;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

struct LogFont {
    int32_t height = 0;  // < 0: pixel height of the characters; > 0: of the whole cell; 0: default
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = FW_NORMAL;  // 600 and above is bold
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strike_out = 0;
    uint8_t char_set = DEFAULT_CHARSET;
    uint8_t out_precision = 0;
    uint8_t clip_precision = 0;
    uint8_t quality = 0;
    uint8_t pitch_and_family = 0;
    std::wstring face_name;  // at most LF_FACESIZE - 1 characters are used
};

class FontObject;
using HFONT = FontObject*;

// Null when no face can be opened.
HFONT create_font(const LogFont& log_font);
// Null and the stock font are skipped.
void delete_font(HFONT font);
// Returns the previous font (the stock font of a fresh context); null for a null argument.
HFONT select_font(HDC dc, HFONT font);
COLORREF set_text_color(HDC dc, COLORREF colour);
COLORREF get_text_color(HDC dc);
// Returns the previous mode. The background behind text is never filled: the
// system always draws transparently.
int set_bk_mode(HDC dc, int mode);

// What a font resolved to; for the tests and the log.
struct FontDetails {
    std::string file;
    int pixel_height = 0;
    int ascent = 0;
    int descent = 0;
    bool synthetic_bold = false;
    bool synthetic_italic = false;
};
FontDetails get_font_details(HFONT font);

// Width of the text and the line height, in the context's font.
bool get_text_extent(HDC dc, std::wstring_view text, SIZE& size);

// Draws one line in the rectangle, aligned by the format flags, clipped to the
// rectangle (unless DT_NOCLIP) and the context's clip, anti-aliased in the text
// colour. Without DT_NOPREFIX "&x" draws x and "&&" draws '&'. DT_CALCRECT
// only sets the rectangle's right and bottom to fit the text. Returns the
// line height (0 on failure).
int draw_text(HDC dc, std::wstring_view text, RECT& rect, uint32_t format);

} // namespace plat
