#include "plat/Input.h"
#include "ui/Presenter.h"

#include <array>
#include <atomic>

namespace plat {

// A standard cursor is its number; the presenter turns it into a pointer shape.
struct CursorHandle {
    int id = IDC_ARROW;
};

namespace {

std::array<CursorHandle, 13> g_cursors{{{IDC_ARROW}, {IDC_IBEAM}, {IDC_WAIT}, {IDC_CROSS}, {IDC_SIZENWSE},
                                        {IDC_SIZENESW}, {IDC_SIZEWE}, {IDC_SIZENS}, {IDC_SIZEALL}, {IDC_NO},
                                        {IDC_HAND}, {IDC_APPSTARTING}, {IDC_HELP}}};
std::atomic<HCURSOR> g_current{nullptr};

} // namespace

HCURSOR load_cursor(int id) {
    for (CursorHandle& cursor : g_cursors)
        if (cursor.id == id)
            return &cursor;
    return nullptr;
}

HCURSOR set_cursor(HCURSOR cursor) {
    HCURSOR previous = g_current.exchange(cursor);
    if (previous != cursor)
        ui::Presenter::instance().show_cursor(cursor_id(cursor));
    return previous;
}

HCURSOR get_cursor() { return g_current.load(); }

int cursor_id(HCURSOR cursor) { return cursor ? cursor->id : IDC_ARROW; }

} // namespace plat
