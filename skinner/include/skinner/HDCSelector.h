#pragma once
#include "plat/Gdi.h"

namespace skinner {

// A memory device context with a bitmap selected into it for one scope.
// An empty bitmap gives no context at all.
class HDCSelector {
public:
    // A bitmap that cannot be selected is a fatal report.
    HDCSelector(plat::HDC like, plat::HBITMAP bitmap);
    ~HDCSelector();
    HDCSelector(const HDCSelector&) = delete;
    HDCSelector& operator=(const HDCSelector&) = delete;

    plat::HDC dc() const { return dc_; }

private:
    plat::HDC dc_ = nullptr;
    plat::HBITMAP previous_ = nullptr;
};

} // namespace skinner
