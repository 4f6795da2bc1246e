#pragma once
#include "skinner/Canvas.h"
#include "plat/Gdi.h"
#include "plat/Picture.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace skinner {

class Image32;

// A loaded image, shared by every picture of its cache key.
struct PictureRep {
    PictureRep() = default;
    ~PictureRep();
    PictureRep(const PictureRep&) = delete;
    PictureRep& operator=(const PictureRep&) = delete;

    int32_t width = 0;   // as decoded (a scale variant: the variant's size)
    int32_t height = 0;
    plat::HBITMAP image = nullptr;  // as drawn, at the skin's scale
    plat::HBITMAP mask = nullptr;   // transparency mask or alpha picture, as drawn; may be none
    bool alpha = false;             // the second bitmap is an alpha picture
    int scale = 1;
    plat::HBITMAP decoded_image = nullptr;  // only while loading
    plat::HBITMAP decoded_mask = nullptr;
};

// A handle to a part of a cached image with its nine-grid: outer top-left P0,
// inner top-left P1, inner bottom-right P2, outer bottom-right P3, in pixels of
// the drawn bitmap. Copies share the image; the last one frees it.
class Picture {
public:
    Picture() = default;
    Picture(const Picture& other);
    Picture& operator=(const Picture& other);
    ~Picture();

    // Finds or loads the image of (scale, source path, name); the points cover
    // the whole drawn image.
    static Picture load(std::wstring_view source_path, std::wstring_view name, bool stretch, int scale);
    static Picture from_name(std::wstring_view source_path, std::wstring_view name, bool stretch) {
        return load(source_path, name, stretch, 1);
    }

    const PictureRep* get_rep() const;
    // The name and the folder it was loaded by; empty for an empty picture.
    std::wstring get_name() const;
    std::wstring get_source_path() const;
    // The record exists and has a drawn image.
    bool loaded() const;
    plat::POINT get_size() const { return {p3_.x - p0_.x, p3_.y - p0_.y}; }
    plat::POINT get_border_size() const {
        return {(p1_.x - p0_.x) + (p3_.x - p2_.x), (p1_.y - p0_.y) + (p3_.y - p2_.y)};
    }

    plat::POINT p0() const { return p0_; }
    plat::POINT p1() const { return p1_; }
    plat::POINT p2() const { return p2_; }
    plat::POINT p3() const { return p3_; }
    bool stretch() const { return stretch_; }
    void set_p0(plat::POINT p) { p0_ = p; }
    void set_p1(plat::POINT p) { p1_ = p; }
    void set_p2(plat::POINT p) { p2_ = p; }
    void set_p3(plat::POINT p) { p3_ = p; }
    void set_stretch(bool stretch) { stretch_ = stretch; }

    // Draws into (position, position + size); false for an empty picture.
    bool draw_shifted(Canvas& canvas, plat::POINT position, plat::POINT size) const;
    // For the picture drawn into that rectangle: whether the point shows nothing of it.
    bool is_transparent(plat::POINT point, plat::POINT position, plat::POINT size) const;

    // Renders into the top-left of a 32-bit image at the given size: with an
    // alpha picture its blue channel becomes the alpha, otherwise every alpha is 255.
    void render_into(Image32& image, plat::POINT size) const;

    // Nine-grid mapping of a destination coordinate in [start, end) to the
    // source axis p0..p3; -1 outside the range.
    static int32_t map_axis(int32_t a, int32_t start, int32_t end, int32_t p0, int32_t p1, int32_t p2, int32_t p3,
                            bool stretch);

    // Images alive in the cache (0 when the cache does not exist).
    static size_t cache_size();
    // The decoder of GIF, BMP and JPEG pictures; without one the own BMP
    // reader serves BMP archive entries. Returns the previous one.
    using PlatformDecoder = plat::HBITMAP (*)(const plat::PictureRequest&);
    static PlatformDecoder set_platform_decoder(PlatformDecoder decoder);

    // A cache entry; defined with the cache.
    struct Entry;

private:
    void release();

    Entry* entry_ = nullptr;
    plat::POINT p0_;
    plat::POINT p1_;
    plat::POINT p2_;
    plat::POINT p3_;
    bool stretch_ = false;
};

} // namespace skinner
