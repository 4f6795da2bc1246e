#pragma once
#include "plat/Gdi.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace skinner {

// A skin colour: red, green, blue and a fourth byte that drawing ignores.
using SkinColour = std::array<uint8_t, 4>;

// A device context and a stack of clip rectangles; the first rectangle is
// pushed by the constructor and never popped.
class CanvasImpl {
public:
    CanvasImpl(plat::HDC dc, plat::POINT origin, plat::POINT size);
    virtual ~CanvasImpl() = default;
    CanvasImpl(const CanvasImpl&) = delete;
    CanvasImpl& operator=(const CanvasImpl&) = delete;

    // Narrows the clip to its intersection with (position, position + size).
    void push_clip(plat::POINT position, plat::POINT size);
    // Restores the previous clip; popping the first rectangle is refused and logged.
    void pop_clip();
    void fill_rect(plat::POINT position, plat::POINT size, const SkinColour& colour);

    plat::HDC dc() const { return dc_; }
    const plat::RECT& clip() const { return clips_.back(); }
    size_t clip_depth() const { return clips_.size(); }

private:
    void apply();

    plat::HDC dc_ = nullptr;
    std::vector<plat::RECT> clips_;
};

// What controls paint into: a handle over the canvas of one paint.
class Canvas {
public:
    explicit Canvas(CanvasImpl* impl) : impl_(impl) {}

    CanvasImpl* impl() const { return impl_; }
    plat::HDC dc() const { return impl_->dc(); }
    void push_clip(plat::POINT position, plat::POINT size) { impl_->push_clip(position, size); }
    void pop_clip() { impl_->pop_clip(); }
    void fill_rect(plat::POINT position, plat::POINT size, const SkinColour& colour) {
        impl_->fill_rect(position, size, colour);
    }

private:
    CanvasImpl* impl_ = nullptr;
};

} // namespace skinner
