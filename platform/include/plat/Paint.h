#pragma once
#include "plat/Gdi.h"
#include "plat/Messages.h"

// Painting. A window's update region is kept as one bounding box; WM_PAINT
// is generated for it by the queue (parents first) until it is validated,
// which begin_paint and the default procedure do. Each top-level window owns
// a surface; its children draw into that surface at their offset, so a child
// reads what its parent drew, and a child is repainted over any painted area
// of its parent that it covers.
namespace plat {

struct PAINTSTRUCT {
    HDC hdc = nullptr;
    bool erase = false;  // the background still had to be erased (WM_ERASEBKGND answered 0)
    RECT paint;          // the update box, client coordinates
};

// Null rect: the whole client area. erase asks for WM_ERASEBKGND at the next begin_paint.
bool invalidate_rect(HWND window, const RECT* rect, bool erase);
bool validate_rect(HWND window, const RECT* rect);
// False when nothing waits; rect may be null.
bool get_update_rect(HWND window, RECT* rect, bool erase);
// Sends WM_PAINT at once when the update region is not empty.
bool update_window(HWND window);

// Validates the update region and answers a context clipped to it (sending
// WM_ERASEBKGND first only when erasing was asked for).
HDC begin_paint(HWND window, PAINTSTRUCT& paint);
bool end_paint(HWND window, const PAINTSTRUCT& paint);

// A context over the window's client area (null window: the whole screen);
// free it with release_dc.
HDC get_dc(HWND window);
int release_dc(HWND window, HDC dc);

} // namespace plat
