#include "ui/TitleOk.h"

#include "plat/Errors.h"
#include "plat/Font.h"
#include "plat/Menu.h"
#include "plat/Screen.h"
#include "plat/System.h"
#include "plat/Window.h"
#include "ui/WindowManager.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <vector>

namespace plat::ui {
namespace {

constexpr COLORREF button_colour = rgb(0x3A, 0x6E, 0xB4);
constexpr COLORREF label_colour = rgb(0xFF, 0xFF, 0xFF);
constexpr wchar_t label[] = L"ok";
constexpr int inset = 3;  // pixels at 96 dots per inch, around the button inside the band

struct OkState {
    std::mutex mutex;
    std::set<HWND> windows;  // top-level windows that show the OK
};

OkState& state() {
    static auto* s = new OkState;
    return *s;
}

HFONT label_font(int band) {
    static HFONT font = nullptr;
    static int made_for = 0;
    if (font && made_for == band)
        return font;
    delete_font(font);
    LogFont log_font;
    log_font.height = -std::max(8, band * 11 / 20);
    log_font.weight = FW_BOLD;
    log_font.face_name = L"Tahoma";
    font = create_font(log_font);
    made_for = band;
    return font;
}

int scale() { return std::max(1, screen_profile().dpi_y / 96); }

} // namespace

HWND TitleOk::shown_for() {
    HWND foreground = get_foreground_window();
    if (!foreground || top_band_height() == 0)
        return nullptr;
    std::lock_guard lock(state().mutex);
    return state().windows.count(foreground) ? foreground : nullptr;
}

RECT TitleOk::place() {
    if (!shown_for())
        return {};
    const int band = top_band_height();
    const int width = band * 8 / 5;
    const int right = screen_profile().width;
    return RECT{right - width, 0, right, band};
}

int TitleOk::paint(HDC dc, const RECT& band) {
    const RECT where = place();
    if (where.empty())
        return 0;
    const int s = scale();
    RECT button{where.left + inset * s, where.top + inset * s, where.right - inset * s, where.bottom - inset * s};
    fill_rect(dc, button, button_colour);
    const HFONT previous_font = select_font(dc, label_font(band.bottom - band.top));
    const COLORREF previous_colour = set_text_color(dc, label_colour);
    draw_text(dc, label, button, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    set_text_color(dc, previous_colour);
    select_font(dc, previous_font);
    return where.right - where.left;
}

} // namespace plat::ui

namespace plat {

bool sh_done_button(HWND window, uint32_t state) {
    if (state != SHDB_SHOW && state != SHDB_HIDE) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    HWND top = ui::top_level_of(window);
    if (!top || !is_window(top)) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    // Windows that went away are forgotten, so no later window inherits their OK.
    std::vector<HWND> known;
    {
        std::lock_guard lock(ui::state().mutex);
        known.assign(ui::state().windows.begin(), ui::state().windows.end());
    }
    std::vector<HWND> gone;
    for (HWND w : known)
        if (!is_window(w))
            gone.push_back(w);
    std::lock_guard lock(ui::state().mutex);
    for (HWND w : gone)
        ui::state().windows.erase(w);
    if (state == SHDB_SHOW)
        ui::state().windows.insert(top);
    else
        ui::state().windows.erase(top);
    return true;
}

} // namespace plat
