#include "skinner/Picture.h"

#include "skinner/HDCSelector.h"
#include "skinner/Image32.h"
#include "skinner/ImageBmp.h"
#include "skinner/PngDecoder.h"
#include "base/File.h"
#include "base/Log.h"
#include "base/Path.h"
#include "base/ZipFile.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace skinner {

PictureRep::~PictureRep() {
    plat::delete_bitmap(image);
    plat::delete_bitmap(mask);
    plat::delete_bitmap(decoded_image);
    plat::delete_bitmap(decoded_mask);
}

namespace {

struct Key {
    int scale = 1;
    std::wstring path;
    std::wstring name;
    auto operator<=>(const Key&) const = default;
};

Picture::PlatformDecoder g_platform_decoder = &plat::decode_picture;

// ---- Loading ----

plat::HBITMAP platform_decode(liba::ResourceReader& reader, int depth) {
    plat::PictureRequest request;
    request.bits_per_pixel = depth;
    request.read = [&reader](uint8_t* buffer, uint32_t size) { return reader.read(buffer, size); };
    return g_platform_decoder(request);
}

plat::HBITMAP bitmap_from_png(const QxRawPngDecoder& png) {
    plat::HBITMAP bitmap = plat::create_bitmap(int32_t(png.width()), int32_t(png.height()));
    plat::BitmapInfo info;
    if (!plat::get_bitmap_info(bitmap, info))
        return nullptr;
    const std::vector<uint8_t>& rgba = png.pixels();
    const size_t count = size_t(info.width) * size_t(info.height);
    // The fourth byte stays 0: transparency comes from the mask and alpha pictures.
    for (size_t i = 0; i < count && i * 4 + 3 < rgba.size(); ++i) {
        info.bits[i * 4] = rgba[i * 4 + 2];
        info.bits[i * 4 + 1] = rgba[i * 4 + 1];
        info.bits[i * 4 + 2] = rgba[i * 4];
    }
    return bitmap;
}

class Loader {
public:
    explicit Loader(std::wstring_view source_path)
        : archive_(source_path), folder_(liba::directory_part(source_path)) {}

    // The first of the seven places that yields a bitmap, in their fixed order.
    plat::HBITMAP decode(const std::wstring& base, int depth) {
        const bool platform = g_platform_decoder != nullptr;
        if (platform && archive_.find_entry(base + L".gif"))
            return platform_decode(archive_, depth);
        if (archive_.find_entry(base + L".bmp"))
            return platform ? platform_decode(archive_, depth) : read_bmp(archive_, base + L".bmp");
        if (auto file = open(base + L".png")) {
            std::vector<uint8_t> bytes(file->get_size());
            if (file->read(bytes.data(), uint32_t(bytes.size())) != bytes.size() || file->has_error())
                return nullptr;
            QxRawPngDecoder png;
            png.decode(bytes.data(), bytes.size());
            if (png.width() != 0 && png.height() != 0)
                return bitmap_from_png(png);
        }
        if (!platform)
            return nullptr;
        for (const wchar_t* extension : {L".bmp", L".gif", L".jpg"})
            if (auto file = open(base + extension))
                if (plat::HBITMAP bitmap = platform_decode(*file, depth))
                    return bitmap;
        return nullptr;
    }

private:
    std::unique_ptr<os::File> open(const std::wstring& name) {
        auto file = std::make_unique<os::File>(liba::expand_path_macros(folder_ + name), os::File::mode_read);
        if (file->has_error())
            return nullptr;
        return file;
    }

    liba::ZipFile archive_;
    std::wstring folder_;
};

bool load_by_name(std::wstring_view source_path, const std::wstring& name, PictureRep& rep) {
    Loader loader(source_path);
    plat::HBITMAP image = loader.decode(name, 0);
    if (!image)
        return false;
    plat::HBITMAP mask = loader.decode(name + L"_1", 0);
    bool alpha = false;
    if (!mask) {
        mask = loader.decode(name + L"_8", 24);
        alpha = mask != nullptr;
    }
    plat::BitmapInfo info;
    plat::get_bitmap_info(image, info);
    rep.decoded_image = image;
    rep.decoded_mask = mask;
    rep.alpha = alpha;
    rep.width = info.width;
    rep.height = info.height;
    return true;
}

plat::HBITMAP enlarged(plat::HBITMAP decoded, int scale) {
    plat::BitmapInfo info;
    plat::get_bitmap_info(decoded, info);
    const int32_t width = int32_t(double(info.width) * scale);
    const int32_t height = int32_t(double(info.height) * scale);
    plat::HBITMAP bitmap = plat::create_bitmap(width, height);
    if (!bitmap)
        return nullptr;
    HDCSelector from(nullptr, decoded);
    HDCSelector to(nullptr, bitmap);
    plat::stretch_blt(to.dc(), 0, 0, width, height, from.dc(), 0, 0, info.width, info.height, plat::SRCCOPY);
    return bitmap;
}

std::unique_ptr<PictureRep> load_rep(int scale, std::wstring_view source_path, const std::wstring& name) {
    auto rep = std::make_unique<PictureRep>();
    rep->scale = scale;
    if (scale != 1 && load_by_name(source_path, name + L"_x" + std::to_wstring(scale), *rep)) {
        rep->image = std::exchange(rep->decoded_image, nullptr);
        rep->mask = std::exchange(rep->decoded_mask, nullptr);
        return rep;
    }
    if (!load_by_name(source_path, name, *rep))
        return rep;
    if (scale == 1) {
        rep->image = std::exchange(rep->decoded_image, nullptr);
        rep->mask = std::exchange(rep->decoded_mask, nullptr);
        return rep;
    }
    plat::BitmapInfo info;
    plat::get_bitmap_info(rep->decoded_image, info);
    liba::get_log() << L"bmp: Width=" << info.width << L" Height=" << info.height << L" bmBitsPixel="
                    << int(info.bits_per_pixel) << L" bmPlanes=" << int(info.planes) << L"\n";
    rep->image = enlarged(rep->decoded_image, scale);
    bool ok = rep->image != nullptr;
    if (rep->decoded_mask) {
        plat::get_bitmap_info(rep->decoded_mask, info);
        liba::get_log() << L"bitmap_info_a: bmBitsPixel=" << int(info.bits_per_pixel) << L" bmPlanes="
                        << int(info.planes) << L"\n";
        rep->mask = enlarged(rep->decoded_mask, scale);
        ok = ok && rep->mask != nullptr;
    }
    if (!ok) {
        plat::delete_bitmap(std::exchange(rep->image, nullptr));
        plat::delete_bitmap(std::exchange(rep->mask, nullptr));
    }
    plat::delete_bitmap(std::exchange(rep->decoded_image, nullptr));
    plat::delete_bitmap(std::exchange(rep->decoded_mask, nullptr));
    return rep;
}

// ---- Nine-grid drawing ----

enum class Mode {
    copy,    // the image replaces the destination
    masked,  // the mask ORed, then the image ANDed
    paint,   // the image ORed (over an alpha layer)
};

enum class Part { corner, side_edge, top_edge, centre };

struct Grid {
    plat::HDC image = nullptr;
    plat::HDC mask = nullptr;  // masked mode only
    plat::POINT p0, p1, p2, p3;
    bool stretch = false;
    int scale = 1;
    Mode mode = Mode::copy;
};

void transfer(plat::HDC to, const Grid& g, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
              int32_t sw, int32_t sh) {
    auto one = [&](plat::HDC from, uint32_t rop) {
        if (w == sw && h == sh)
            plat::bit_blt(to, x, y, w, h, from, sx, sy, rop);
        else
            plat::stretch_blt(to, x, y, w, h, from, sx, sy, sw, sh, rop);
    };
    switch (g.mode) {
    case Mode::copy: one(g.image, plat::SRCCOPY); break;
    case Mode::paint: one(g.image, plat::SRCPAINT); break;
    case Mode::masked:
        one(g.mask, plat::SRCPAINT);
        one(g.image, plat::SRCAND);
        break;
    }
}

// A part that comes from one pixel of the decoded image is filled with that pixel's colour.
void fill_part(plat::HDC to, const Grid& g, Part part, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
               int32_t sy) {
    const plat::COLORREF colour = plat::get_pixel(g.image, sx, sy);
    const plat::COLORREF mask_pixel = g.mask ? plat::get_pixel(g.mask, sx, sy) : plat::CLR_INVALID;
    liba::get_log() << L"ffill: mask_pix=" << mask_pixel << L"\n";
    if (g.mask) {
        const bool skip = part == Part::centre ? mask_pixel == plat::rgb(0, 0, 0)
                                               : mask_pixel != plat::rgb(255, 255, 255);
        if (skip)
            return;
    }
    if (g.mode == Mode::paint)
        plat::stretch_blt(to, x, y, w, h, g.image, sx, sy, 1, 1, plat::SRCPAINT);
    else
        plat::fill_rect(to, {x, y, x + w, y + h}, colour);
}

void draw_part(plat::HDC to, const Grid& g, Part part, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
               int32_t sy, int32_t sw, int32_t sh) {
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0)
        return;
    // Edges pass their border as one source extent, so the test is the same for every part.
    if (sw == g.scale && sh == g.scale) {
        fill_part(to, g, part, x, y, w, h, sx, sy);
        return;
    }
    if (g.stretch) {
        transfer(to, g, x, y, w, h, sx, sy, sw, sh);
        return;
    }
    for (int32_t tx = 0; tx < w; tx += sw)
        for (int32_t ty = 0; ty < h; ty += sh) {
            const int32_t tw = std::min(sw, w - tx), th = std::min(sh, h - ty);
            transfer(to, g, x + tx, y + ty, tw, th, sx, sy, tw, th);
        }
}

// Cuts two borders to fit the destination, the first by the smaller half.
void fit_borders(int32_t& first, int32_t& second, int32_t extent) {
    const int64_t excess = int64_t(first) + second - extent;
    if (excess <= 0)
        return;
    int64_t a = first - excess / 2, b = second - (excess + 1) / 2;
    if (a < 0) {
        b += a;
        a = 0;
    }
    if (b < 0) {
        a += b;
        b = 0;
    }
    first = int32_t(std::max<int64_t>(a, 0));
    second = int32_t(std::max<int64_t>(b, 0));
}

void nine_grid(plat::HDC to, const Grid& g, plat::POINT d0, plat::POINT d1) {
    const int32_t width = d1.x - d0.x, height = d1.y - d0.y;
    int32_t l = g.p1.x - g.p0.x, r = g.p3.x - g.p2.x;
    int32_t t = g.p1.y - g.p0.y, b = g.p3.y - g.p2.y;
    fit_borders(l, r, width);
    fit_borders(t, b, height);
    auto corner = [&](int32_t w, int32_t h, int32_t x, int32_t y, int32_t sx, int32_t sy) {
        if (w > 0 && h > 0)
            transfer(to, g, x, y, w, h, sx, sy, w, h);
    };
    corner(l, t, d0.x, d0.y, g.p0.x, g.p0.y);
    corner(r, t, d1.x - r, d0.y, g.p3.x - r, g.p0.y);
    corner(l, b, d0.x, d1.y - b, g.p0.x, g.p3.y - b);
    corner(r, b, d1.x - r, d1.y - b, g.p3.x - r, g.p3.y - b);
    const int32_t cw = width - l - r, ch = height - t - b;
    const int32_t sw = g.p2.x - g.p1.x, sh = g.p2.y - g.p1.y;
    draw_part(to, g, Part::side_edge, d0.x, d0.y + t, l, ch, g.p0.x, g.p0.y + t, l, sh);
    draw_part(to, g, Part::side_edge, d1.x - r, d0.y + t, r, ch, g.p3.x - r, g.p0.y + t, r, sh);
    draw_part(to, g, Part::top_edge, d0.x + l, d0.y, cw, t, g.p0.x + l, g.p0.y, sw, t);
    draw_part(to, g, Part::top_edge, d0.x + l, d1.y - b, cw, b, g.p0.x + l, g.p3.y - b, sw, b);
    draw_part(to, g, Part::centre, d0.x + l, d0.y + t, cw, ch, g.p1.x, g.p1.y, sw, sh);
}

} // namespace

// ---- The cache ----

struct Picture::Entry {
    std::map<Key, Entry>::iterator self;
    int count = 0;
    std::unique_ptr<PictureRep> rep;
};

namespace {
using PictureCache = std::map<Key, Picture::Entry>;
std::unique_ptr<PictureCache>& cache() {
    static std::unique_ptr<PictureCache> instance;
    return instance;
}
} // namespace

Picture Picture::load(std::wstring_view source_path, std::wstring_view name, bool stretch, int scale) {
    if (!cache())
        cache() = std::make_unique<PictureCache>();
    auto [it, created] = cache()->try_emplace(Key{scale, std::wstring(source_path), std::wstring(name)});
    if (created) {
        it->second.self = it;
        it->second.rep = load_rep(scale, source_path, std::wstring(name));
    }
    Picture picture;
    picture.entry_ = &it->second;
    ++picture.entry_->count;
    picture.stretch_ = stretch;
    // The points cover the bitmap as drawn (an enlarged image is scale times its decoded size).
    plat::BitmapInfo info;
    if (plat::get_bitmap_info(picture.entry_->rep->image, info))
        picture.p2_ = picture.p3_ = {info.width, info.height};
    else
        picture.p2_ = picture.p3_ = {picture.entry_->rep->width, picture.entry_->rep->height};
    return picture;
}

Picture::Picture(const Picture& other)
    : entry_(other.entry_), p0_(other.p0_), p1_(other.p1_), p2_(other.p2_), p3_(other.p3_), stretch_(other.stretch_) {
    if (entry_)
        ++entry_->count;
}

Picture& Picture::operator=(const Picture& other) {
    if (this == &other)
        return *this;
    if (other.entry_)
        ++other.entry_->count;
    release();
    entry_ = other.entry_;
    p0_ = other.p0_;
    p1_ = other.p1_;
    p2_ = other.p2_;
    p3_ = other.p3_;
    stretch_ = other.stretch_;
    return *this;
}

Picture::~Picture() { release(); }

void Picture::release() {
    if (!entry_)
        return;
    if (--entry_->count == 0) {
        cache()->erase(entry_->self);
        if (cache()->empty())
            cache().reset();
    }
    entry_ = nullptr;
}

size_t Picture::cache_size() { return cache() ? cache()->size() : 0; }

Picture::PlatformDecoder Picture::set_platform_decoder(PlatformDecoder decoder) {
    return std::exchange(g_platform_decoder, decoder);
}

const PictureRep* Picture::get_rep() const { return entry_ ? entry_->rep.get() : nullptr; }

std::wstring Picture::get_name() const { return entry_ ? entry_->self->first.name : std::wstring(); }
std::wstring Picture::get_source_path() const { return entry_ ? entry_->self->first.path : std::wstring(); }

bool Picture::loaded() const { return entry_ && entry_->rep->image; }

// ---- Drawing ----

bool Picture::draw_shifted(Canvas& canvas, plat::POINT position, plat::POINT size) const {
    if (!loaded())
        return false;
    if (size.x <= 0 || size.y <= 0)
        return true;
    const PictureRep& rep = *entry_->rep;
    if (rep.alpha && rep.mask) {
        Image32 background, picture;
        if (!background.grab(canvas, position, size) || !picture.create(size))
            return true;
        render_into(picture, size);
        const Pixels32 back = background.pixels(), front = picture.pixels();
        for (int y = 0; y < back.height; ++y)
            for (int x = 0; x < back.width; ++x)
                back.set(x, y, blend_pixel(back.get(x, y), front.get(x, y)));
        background.put(canvas, position);
        return true;
    }
    HDCSelector image(canvas.dc(), rep.image);
    HDCSelector mask(canvas.dc(), rep.mask);
    const Grid grid{image.dc(), mask.dc(), p0_, p1_, p2_, p3_, stretch_, rep.scale,
                    rep.mask ? Mode::masked : Mode::copy};
    nine_grid(canvas.dc(), grid, position, {position.x + size.x, position.y + size.y});
    return true;
}

void Picture::render_into(Image32& target, plat::POINT size) const {
    if (!loaded() || !target.bitmap())
        return;
    const PictureRep& rep = *entry_->rep;
    const Pixels32 out = target.pixels();
    const int32_t width = std::min(size.x, out.width), height = std::min(size.y, out.height);
    HDCSelector to(nullptr, target.bitmap());
    HDCSelector image(nullptr, rep.image);
    if (rep.alpha && rep.mask) {
        HDCSelector alpha(nullptr, rep.mask);
        nine_grid(to.dc(), Grid{alpha.dc(), nullptr, p0_, p1_, p2_, p3_, stretch_, rep.scale, Mode::copy}, {0, 0},
                  size);
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x)
                out.set(x, y, out.get(x, y) << 24);
        nine_grid(to.dc(), Grid{image.dc(), nullptr, p0_, p1_, p2_, p3_, stretch_, rep.scale, Mode::paint}, {0, 0},
                  size);
        return;
    }
    // A mask's black pixels become transparent, so masked pictures rotate without their background.
    std::vector<bool> clear;
    if (rep.mask) {
        HDCSelector mask(nullptr, rep.mask);
        nine_grid(to.dc(), Grid{mask.dc(), nullptr, p0_, p1_, p2_, p3_, stretch_, rep.scale, Mode::copy}, {0, 0},
                  size);
        clear.assign(size_t(std::max(width, 0)) * size_t(std::max(height, 0)), false);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                clear[size_t(y) * size_t(width) + size_t(x)] = (out.get(x, y) & 0x00FFFFFFu) == 0;
    }
    nine_grid(to.dc(), Grid{image.dc(), nullptr, p0_, p1_, p2_, p3_, stretch_, rep.scale, Mode::copy}, {0, 0}, size);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool transparent = !clear.empty() && clear[size_t(y) * size_t(width) + size_t(x)];
            out.set(x, y, transparent ? 0u : (out.get(x, y) | 0xFF000000u));
        }
}

int32_t Picture::map_axis(int32_t a, int32_t start, int32_t end, int32_t p0, int32_t p1, int32_t p2, int32_t p3,
                          bool stretch) {
    if (a < start || a >= end)
        return -1;
    const int64_t o = int64_t(a) - start, extent = int64_t(end) - start;
    if (o <= int64_t(p1) - p0)
        return int32_t(p0 + o);
    if (o >= extent - (int64_t(p3) - p2))
        return int32_t(p3 - (int64_t(end) - a));
    const int64_t inner = o - (int64_t(p1) - p0);
    if (stretch)
        return int32_t(p1 + inner * (int64_t(p2) - p1) / (extent - (int64_t(p3) - p2) - (int64_t(p1) - p0)));
    if (p2 == p1)
        return 0;
    return int32_t(p1 + inner % (int64_t(p2) - p1));
}

bool Picture::is_transparent(plat::POINT point, plat::POINT position, plat::POINT size) const {
    if (!entry_)
        return true;
    const int32_t end_x = int32_t(std::min<int64_t>(int64_t(position.x) + size.x, INT32_MAX));
    const int32_t end_y = int32_t(std::min<int64_t>(int64_t(position.y) + size.y, INT32_MAX));
    const int32_t x = map_axis(point.x, position.x, end_x, p0_.x, p1_.x, p2_.x, p3_.x, stretch_);
    const int32_t y = map_axis(point.y, position.y, end_y, p0_.y, p1_.y, p2_.y, p3_.y, stretch_);
    if (x < 0 || y < 0)
        return true;
    const plat::HBITMAP mask = entry_->rep->mask;
    if (!mask)
        return false;
    HDCSelector selector(nullptr, mask);
    return plat::get_pixel(selector.dc(), x, y) == plat::rgb(0, 0, 0);
}

} // namespace skinner
