#include "skinner/Canvas.h"

#include "base/Log.h"

#include <algorithm>

namespace skinner {
namespace {

int32_t add(int32_t a, int32_t b) { return int32_t(std::clamp<int64_t>(int64_t(a) + b, INT32_MIN, INT32_MAX)); }

} // namespace

CanvasImpl::CanvasImpl(plat::HDC dc, plat::POINT origin, plat::POINT size) : dc_(dc) {
    clips_.push_back({origin.x, origin.y, add(origin.x, size.x), add(origin.y, size.y)});
    apply();
}

void CanvasImpl::push_clip(plat::POINT position, plat::POINT size) {
    const plat::RECT& top = clips_.back();
    plat::RECT r{std::max(top.left, position.x), std::max(top.top, position.y),
                 std::min(top.right, add(position.x, size.x)), std::min(top.bottom, add(position.y, size.y))};
    if (r.right < r.left || r.bottom < r.top) {
        r.right = r.left;
        r.bottom = r.top;
    }
    clips_.push_back(r);
    apply();
}

void CanvasImpl::pop_clip() {
    if (clips_.size() <= 1) {
        // An unpaired pop would leave the canvas without a clip; the caller is wrong, the paint goes on.
        liba::get_log() << L"ERROR: CanvasImpl::pop_clip() the first clip rectangle is never popped\n";
        return;
    }
    clips_.pop_back();
    apply();
}

void CanvasImpl::fill_rect(plat::POINT position, plat::POINT size, const SkinColour& colour) {
    plat::fill_rect(dc_, {position.x, position.y, add(position.x, size.x), add(position.y, size.y)},
                    plat::skin_colour(colour));
}

void CanvasImpl::apply() { plat::select_clip_rect(dc_, &clips_.back()); }

} // namespace skinner
