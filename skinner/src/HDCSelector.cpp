#include "skinner/HDCSelector.h"

#include "base/Log.h"

namespace skinner {

HDCSelector::HDCSelector(plat::HDC like, plat::HBITMAP bitmap) {
    if (!bitmap)
        return;
    dc_ = plat::create_compatible_dc(like);
    previous_ = plat::select_bitmap(dc_, bitmap);
    if (!previous_)
        liba::report_error(L"HDCSelector::HDCSelector", L"Failed to select bitmap into context");
}

HDCSelector::~HDCSelector() {
    if (!dc_)
        return;
    plat::select_bitmap(dc_, previous_);
    plat::delete_dc(dc_);
}

} // namespace skinner
