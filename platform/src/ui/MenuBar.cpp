#include "ui/MenuBar.h"

#include "plat/Errors.h"
#include "plat/Font.h"
#include "plat/Input.h"
#include "plat/Paths.h"
#include "plat/Picture.h"
#include "plat/Screen.h"
#include "plat/System.h"
#include "plat/Text.h"
#include "ui/PopupMenu.h"
#include "ui/ShellInput.h"
#include "ui/WindowManager.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>

namespace plat::ui {
namespace {

constexpr wchar_t class_name[] = L"ChimelyMenuBar";

// Our plain look, on the bands' slate; sizes at 96 dots per inch.
constexpr COLORREF text_colour = band_text_colour;
constexpr COLORREF dim_text_colour = rgb(0x78, 0x84, 0x90);
constexpr COLORREF pressed_colour = rgb(0x4A, 0x58, 0x6A);
constexpr COLORREF divider_colour = rgb(0x50, 0x5C, 0x6A);
constexpr int button_padding = 8;
constexpr int min_button_width = 32;
constexpr int separator_width = 6;
constexpr int arrow_width = 10;
constexpr wchar_t drop_down_arrow[] = L"\u25B4";
constexpr size_t max_owner_chain = 64;

// One image of a bar's image list; the list owns it.
using BarImage = std::shared_ptr<Surface>;

struct BarRecord {
    HWND owner = nullptr;
    std::vector<MenuBarButton> buttons;
    std::vector<BarImage> images;  // a button's image is an index here
    uint32_t back_flags = 0;
    int pressed = -1;
    uint64_t order = 0;  // later bars of one owner come first
};

struct BarTable {
    std::mutex mutex;
    std::map<HWND, BarRecord> bars;
    uint64_t next_order = 0;
};

BarTable& bars() {
    static auto* table = new BarTable;  // never destroyed: bars may go during exit
    return *table;
}

BarImage new_image(int32_t width, int32_t height) { return BarImage(create_bitmap(width, height), delete_bitmap); }

int32_t image_width(Surface& image) {
    BitmapInfo info;
    return get_bitmap_info(&image, info) ? info.width : 0;
}

int32_t image_height(Surface& image) {
    BitmapInfo info;
    return get_bitmap_info(&image, info) ? info.height : 0;
}

// The button's image in the bar's list; null for none or an index past it.
BarImage image_of(const MenuBarButton& button, const std::vector<BarImage>& images) {
    return button.image >= 0 && size_t(button.image) < images.size() ? images[size_t(button.image)] : nullptr;
}

// Copies width x height pixels at (x, y) of one bitmap to (to_x, to_y) of another.
void copy_pixels(HBITMAP from, int32_t x, int32_t y, HBITMAP to, int32_t to_x, int32_t to_y, int32_t width,
                 int32_t height) {
    HDC source = create_compatible_dc(nullptr);
    HDC target = create_compatible_dc(nullptr);
    select_bitmap(source, from);
    select_bitmap(target, to);
    bit_blt(target, to_x, to_y, width, height, source, x, y, SRCCOPY);
    delete_dc(target);
    delete_dc(source);
}

void draw_image(HDC dc, Surface& image, int32_t x, int32_t y) {
    HDC source = create_compatible_dc(nullptr);
    select_bitmap(source, &image);
    bit_blt(dc, x, y, image_width(image), image_height(image), source, 0, 0, SRCCOPY);
    delete_dc(source);
}

// Locked. Null, with the last error set, for no bar.
BarRecord* find_locked(HWND bar) {
    auto it = bars().bars.find(bar);
    if (it != bars().bars.end())
        return &it->second;
    set_last_error(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
}

// Locked. The button with a command; -1 for none.
int index_of_locked(const BarRecord& bar, uint32_t command) {
    for (size_t i = 0; i < bar.buttons.size(); ++i)
        if (!(bar.buttons[i].style & TBSTYLE_SEP) && bar.buttons[i].command == command)
            return int(i);
    return -1;
}

// Locked. The bar's button with a command; null (with the error set) for none.
MenuBarButton* button_locked(HWND bar, uint32_t command) {
    BarRecord* record = find_locked(bar);
    if (!record)
        return nullptr;
    const int index = index_of_locked(*record, command);
    if (index < 0) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return &record->buttons[size_t(index)];
}

MenuBarButton plain(uint32_t command, std::wstring text) {
    MenuBarButton button;
    button.command = command;
    button.text = std::move(text);
    return button;
}

HMENU popup_with(std::wstring_view text, uint32_t command) {
    HMENU menu = create_popup_menu();
    append_menu(menu, MF_STRING, command, text);
    return menu;
}

// The buttons of a built-in template; false for an id that names none.
bool template_buttons(uint32_t id, std::vector<MenuBarButton>& buttons) {
    if (id >= MENU_BAR_OLD_SHELL_FIRST && id <= MENU_BAR_OLD_SHELL_LAST) {
        buttons = {plain(MENU_BAR_TEMPLATE_BUTTON, L"Empty")};
    } else if (id >= MENU_BAR_NEW_SHELL_FIRST && id <= MENU_BAR_NEW_SHELL_LAST) {
        MenuBarButton drop_down = plain(MENU_BAR_TEMPLATE_DROP_DOWN, L"Menu");
        drop_down.style |= TBSTYLE_DROPDOWN;
        drop_down.popup = popup_with(L"New", MENU_BAR_TEMPLATE_NEW);
        buttons = {plain(MENU_BAR_TEMPLATE_BUTTON, L""), drop_down};
    } else if (id == MENU_BAR_SOFT_KEYS) {
        buttons = {plain(SOFT_KEY_LEFT, L""), plain(SOFT_KEY_RIGHT, L"")};
    } else {
        return false;
    }
    return true;
}


int scale() { return std::max(1, screen_profile().dpi_y / 96); }

int button_at(HWND bar, POINT screen) {
    const std::vector<RECT> places = MenuBar::lay_out(bar, bottom_band_rect());
    for (size_t i = 0; i < places.size(); ++i)
        if (places[i].contains(screen.x, screen.y))
            return int(i);
    return -1;
}

void set_pressed(HWND bar, int index) {
    std::lock_guard lock(bars().mutex);
    if (BarRecord* record = find_locked(bar))
        record->pressed = index;
}

// A plain button's command, or a drop-down's popup and the entry chosen there.
void press(HWND bar, int index) {
    MenuBarButton button;
    HWND owner = nullptr;
    {
        std::lock_guard lock(bars().mutex);
        BarRecord* record = find_locked(bar);
        if (!record || index < 0 || size_t(index) >= record->buttons.size())
            return;
        button = record->buttons[size_t(index)];
        owner = record->owner;
    }
    if ((button.style & TBSTYLE_SEP) || !(button.state & TBSTATE_ENABLED) || !MenuBar::takes_input(bar))
        return;
    if (!(button.style & TBSTYLE_DROPDOWN) || !is_menu(button.popup)) {
        send_message(owner, WM_COMMAND, button.command & 0xFFFF, 0);
        return;
    }
    const RECT band = bottom_band_rect();
    const RECT place = MenuBar::lay_out(bar, band)[size_t(index)];
    send_message(owner, WM_INITMENUPOPUP, WPARAM(button.popup), LPARAM(button.command & 0xFFFF));
    if (!is_window(owner) || !is_menu(button.popup))
        return;
    // A menu of the right half opens towards the left, so it stays under its key.
    const bool right_half = place.left > (band.left + band.right) / 2;
    const uint32_t align = (right_half ? TPM_RIGHTALIGN : TPM_LEFTALIGN) | TPM_BOTTOMALIGN | TPM_RETURNCMD;
    const int chosen = track_popup_menu(button.popup, align, right_half ? place.right : place.left, band.top, owner);
    if (chosen && is_window(owner))
        send_message(owner, WM_COMMAND, WPARAM(chosen) & 0xFFFF, 0);
}

// Soft key n: on a smartphone the key of that side, elsewhere the nth button.
void press_soft_key(HWND bar, int n) {
    int index = -1;
    {
        std::lock_guard lock(bars().mutex);
        BarRecord* record = find_locked(bar);
        if (!record)
            return;
        if (screen_profile().platform == PlatformType::smartphone)
            index = index_of_locked(*record, n == 1 ? SOFT_KEY_LEFT : n == 2 ? SOFT_KEY_RIGHT : 0);
        for (size_t i = 0, seen = 0; i < record->buttons.size() && index < 0; ++i)
            if (!(record->buttons[i].style & TBSTYLE_SEP) && int(++seen) == n)
                index = int(i);
    }
    press(bar, index);
}

void forget(HWND bar) {
    std::vector<HMENU> popups;
    {
        std::lock_guard lock(bars().mutex);
        auto it = bars().bars.find(bar);
        if (it == bars().bars.end())
            return;
        for (const MenuBarButton& b : it->second.buttons)
            popups.push_back(b.popup);
        bars().bars.erase(it);
    }
    for (HMENU popup : popups)
        if (popup)
            destroy_menu(popup);
}

const char shell_library = 0;  // its address is the library's handle

} // namespace

RECT bottom_band_rect() {
    const ScreenProfile& p = screen_profile();
    return RECT{0, std::max(0, p.height - bottom_band_height()), p.width, p.height};
}

HWND MenuBar::current() {
    std::vector<HWND> chain;
    for (HWND w = get_active_window(); w && chain.size() < max_owner_chain; w = get_owner(w))
        chain.push_back(w);
    for (HWND w : chain) {
        std::vector<std::pair<uint64_t, HWND>> candidates;
        {
            std::lock_guard lock(bars().mutex);
            for (const auto& [bar, record] : bars().bars)
                if (record.owner == w)
                    candidates.emplace_back(record.order, bar);
        }
        std::sort(candidates.rbegin(), candidates.rend());
        for (const auto& [order, bar] : candidates)
            if (is_window_visible(bar))
                return bar;
    }
    return nullptr;
}

bool MenuBar::takes_input(HWND bar) {
    HWND owner = owner_of(bar);
    return owner && accepts_input(owner);
}

HWND MenuBar::owner_of(HWND bar) {
    std::lock_guard lock(bars().mutex);
    auto it = bars().bars.find(bar);
    return it == bars().bars.end() ? nullptr : it->second.owner;
}

uint32_t MenuBar::back_key_flags(HWND bar) {
    std::lock_guard lock(bars().mutex);
    auto it = bars().bars.find(bar);
    return it == bars().bars.end() ? 0 : it->second.back_flags;
}

std::vector<RECT> MenuBar::lay_out(HWND bar, const RECT& band) {
    std::vector<MenuBarButton> buttons;
    std::vector<BarImage> images;
    {
        std::lock_guard lock(bars().mutex);
        if (BarRecord* record = find_locked(bar)) {
            buttons = record->buttons;
            images = record->images;
        }
    }
    std::vector<RECT> places(buttons.size());
    const int s = scale();
    if (screen_profile().platform != PlatformType::pocketpc_old) {
        // Soft keys: the buttons share the band.
        const int count = int(std::count_if(buttons.begin(), buttons.end(),
                                            [](const MenuBarButton& b) { return !(b.style & TBSTYLE_SEP); }));
        const int width = band.right - band.left;
        for (size_t i = 0, at = 0; i < buttons.size() && count > 0; ++i) {
            if (buttons[i].style & TBSTYLE_SEP)
                continue;
            places[i] = RECT{band.left + int(at) * width / count, band.top, band.left + int(at + 1) * width / count,
                             band.bottom};
            ++at;
        }
        return places;
    }
    // Tool-bar buttons from the left, each as wide as its text.
    HDC dc = create_compatible_dc(nullptr);
    select_font(dc, band_font(band.bottom - band.top));
    int x = band.left;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const MenuBarButton& b = buttons[i];
        if (b.style & TBSTYLE_SEP) {
            x += separator_width * s;
            continue;
        }
        SIZE text{};
        if (!b.text.empty())
            get_text_extent(dc, b.text, text);
        int width = text.cx + 2 * button_padding * s;
        if (const BarImage image = image_of(b, images))
            width += image_width(*image) + (b.text.empty() ? 0 : button_padding * s);
        width = std::max(min_button_width * s, width);
        if (b.style & TBSTYLE_DROPDOWN)
            width += arrow_width * s;
        places[i] = RECT{x, band.top, x + width, band.bottom};
        x += width;
    }
    delete_dc(dc);
    return places;
}

void MenuBar::paint_band(HDC dc, const RECT& band) {
    fill_rect(dc, band, band_colour);
    HWND bar = current();
    if (!bar)
        return;
    std::vector<MenuBarButton> buttons;
    std::vector<BarImage> images;
    int pressed = -1;
    {
        std::lock_guard lock(bars().mutex);
        if (BarRecord* record = find_locked(bar)) {
            buttons = record->buttons;
            images = record->images;
            pressed = record->pressed;
        }
    }
    const std::vector<RECT> places = lay_out(bar, band);
    const bool live = takes_input(bar);
    const bool tool_bar = screen_profile().platform == PlatformType::pocketpc_old;
    const int s = scale();
    set_bk_mode(dc, TRANSPARENT);
    select_font(dc, band_font(band.bottom - band.top));
    for (size_t i = 0; i < buttons.size(); ++i) {
        const MenuBarButton& b = buttons[i];
        if (b.style & TBSTYLE_SEP)
            continue;
        RECT place = places[i];
        if (int(i) == pressed && live)
            fill_rect(dc, place, pressed_colour);
        // A divider before the next button, a third of the band high.
        const bool more = std::any_of(buttons.begin() + ptrdiff_t(i) + 1, buttons.end(),
                                      [](const MenuBarButton& next) { return !(next.style & TBSTYLE_SEP); });
        if (more) {
            const int third = (band.bottom - band.top) / 3;
            fill_rect(dc, {place.right - s, band.top + third, place.right, band.bottom - third}, divider_colour);
        }
        set_text_color(dc, live && (b.state & TBSTATE_ENABLED) ? text_colour : dim_text_colour);
        if (tool_bar && (b.style & TBSTYLE_DROPDOWN)) {
            RECT arrow{place.right - (arrow_width + button_padding / 2) * s, place.top, place.right, place.bottom};
            draw_text(dc, drop_down_arrow, arrow, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            place.right -= arrow_width * s;
        }
        if (const BarImage image = image_of(b, images)) {
            // The picture first, the text after it.
            const int width = image_width(*image);
            const int height = image_height(*image);
            place.left += button_padding * s;
            draw_image(dc, *image, place.left, place.top + (place.bottom - place.top - height) / 2);
            place.left += width;
            if (b.text.empty())
                continue;
        }
        draw_text(dc, b.text, place, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

LRESULT MenuBar::procedure(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_LBUTTONDOWN:
        set_pressed(window, button_at(window, lparam_point(lparam)));
        return 0;
    case WM_LBUTTONUP: {
        int pressed = -1;
        {
            std::lock_guard lock(bars().mutex);
            if (BarRecord* record = find_locked(window)) {
                pressed = record->pressed;
                record->pressed = -1;
            }
        }
        if (pressed >= 0 && button_at(window, lparam_point(lparam)) == pressed)
            press(window, pressed);
        return 0;
    }
    case WM_KEYDOWN:
        if (!(lparam & KEY_PREVIOUS_DOWN) && (wparam == left_soft_key || wparam == right_soft_key))
            press_soft_key(window, wparam == left_soft_key ? 1 : 2);
        return 0;
    case bar_soft_key_message:
        press_soft_key(window, int(wparam));
        return 0;
    case WM_DESTROY:
        forget(window);
        return 0;
    default:
        return def_window_proc(window, message, wparam, lparam);
    }
}

} // namespace plat::ui

namespace plat {

using ui::BarRecord;

bool create_menu_bar(MenuBarInfo& info) {
    info.bar = nullptr;
    if (info.size != MENU_BAR_INFO_SIZE) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!is_window(info.owner)) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    std::vector<MenuBarButton> buttons;
    if (!(info.flags & SHCMBF_EMPTYBAR) && !ui::template_buttons(info.template_id, buttons)) {
        set_last_error(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    ui::install_shell_menus();
    register_class(WindowClass{0, &ui::MenuBar::procedure, nullptr, 0, 0, 0, ui::class_name});
    const uint32_t style = WS_CHILD | WS_DISABLED | ((info.flags & SHCMBF_HIDDEN) ? 0 : WS_VISIBLE);
    HWND bar = create_window(0, ui::class_name, L"", style, 0, 0, 0, 0, info.owner, 0, info.instance, nullptr);
    if (!bar) {
        for (const MenuBarButton& b : buttons)
            destroy_menu(b.popup);
        return false;
    }
    {
        std::lock_guard lock(ui::bars().mutex);
        BarRecord& record = ui::bars().bars[bar];
        record.owner = info.owner;
        record.buttons = std::move(buttons);
        record.order = ui::bars().next_order++;
    }
    info.bar = bar;
    return true;
}

int menu_bar_button_count(HWND bar) {
    std::lock_guard lock(ui::bars().mutex);
    BarRecord* record = ui::find_locked(bar);
    return record ? int(record->buttons.size()) : -1;
}

bool menu_bar_get_button(HWND bar, int index, MenuBarButton& button) {
    std::lock_guard lock(ui::bars().mutex);
    BarRecord* record = ui::find_locked(bar);
    if (!record)
        return false;
    if (index < 0 || size_t(index) >= record->buttons.size()) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    button = record->buttons[size_t(index)];
    return true;
}

bool menu_bar_add_button(HWND bar, const MenuBarButton& button) {
    if (button.popup && !ui::is_menu(button.popup)) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    std::lock_guard lock(ui::bars().mutex);
    BarRecord* record = ui::find_locked(bar);
    if (!record)
        return false;
    MenuBarButton added = button;
    if (added.style & TBSTYLE_SEP)
        added = MenuBarButton{I_IMAGENONE, 0, 0, TBSTYLE_SEP, L"", nullptr};
    record->buttons.push_back(std::move(added));
    return true;
}

bool menu_bar_delete_button(HWND bar, int index) {
    HMENU popup = nullptr;
    {
        std::lock_guard lock(ui::bars().mutex);
        BarRecord* record = ui::find_locked(bar);
        if (!record)
            return false;
        if (index < 0 || size_t(index) >= record->buttons.size()) {
            set_last_error(ERROR_INVALID_PARAMETER);
            return false;
        }
        popup = record->buttons[size_t(index)].popup;
        record->buttons.erase(record->buttons.begin() + index);
        record->pressed = -1;
    }
    if (popup)
        destroy_menu(popup);
    return true;
}

bool menu_bar_set_button_text(HWND bar, uint32_t command, std::wstring_view text) {
    std::lock_guard lock(ui::bars().mutex);
    MenuBarButton* button = ui::button_locked(bar, command);
    if (!button)
        return false;
    button->text = std::wstring(text);
    return true;
}

bool menu_bar_enable_button(HWND bar, uint32_t command, bool enabled) {
    std::lock_guard lock(ui::bars().mutex);
    MenuBarButton* button = ui::button_locked(bar, command);
    if (!button)
        return false;
    uint8_t& state = button->state;
    state = enabled ? uint8_t(state | TBSTATE_ENABLED) : uint8_t(state & ~TBSTATE_ENABLED);
    return true;
}

void* load_bitmap(void*, uint32_t id) {
    // The program's bitmaps are picture files beside it, named by their number.
    const std::wstring program = module_file_name();
    const std::wstring folder = program.substr(0, program.find_last_of(L"\\/") + 1);
    std::ifstream in(native_path(folder + std::to_wstring(id) + L".bmp"), std::ios::binary);
    HBITMAP bitmap = nullptr;
    if (in) {
        PictureRequest request;
        request.read = [&in](uint8_t* buffer, uint32_t size) {
            in.read(reinterpret_cast<char*>(buffer), size);
            return uint32_t(in.gcount());
        };
        bitmap = decode_picture(request);
    }
    if (!bitmap)
        set_last_error(ERROR_RESOURCE_NAME_NOT_FOUND);
    return bitmap;
}

int32_t menu_bar_add_bitmap(HWND bar, void* bitmap, int32_t image_width) {
    BitmapInfo info;
    if (!bitmap || image_width <= 0 || !get_bitmap_info(static_cast<HBITMAP>(bitmap), info) ||
        info.width < image_width) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return -1;
    }
    std::vector<ui::BarImage> images;
    for (int32_t x = 0; x + image_width <= info.width; x += image_width) {
        ui::BarImage image = ui::new_image(image_width, info.height);
        if (!image)
            return -1;
        ui::copy_pixels(static_cast<HBITMAP>(bitmap), x, 0, image.get(), 0, 0, image_width, info.height);
        images.push_back(std::move(image));
    }
    std::lock_guard lock(ui::bars().mutex);
    ui::BarRecord* record = ui::find_locked(bar);
    if (!record)
        return -1;
    const int32_t first = int32_t(record->images.size());
    record->images.insert(record->images.end(), images.begin(), images.end());
    return first;
}

void* load_library_ex(std::wstring_view name, uint32_t flags) {
    if ((flags & LOAD_LIBRARY_AS_DATAFILE) && to_lower(name) == SHELL_RESOURCE_LIBRARY)
        return const_cast<char*>(&ui::shell_library);
    set_last_error(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

bool free_library(void* library) {
    if (library == &ui::shell_library)
        return true;
    set_last_error(ERROR_INVALID_HANDLE);
    return false;
}

bool override_menu_bar_key(HWND bar, uint32_t virtual_key, uint32_t mask, uint32_t flags) {
    std::lock_guard lock(ui::bars().mutex);
    BarRecord* record = ui::find_locked(bar);
    if (!record)
        return false;
    if (virtual_key != VK_TBACK) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    mask &= SHMBOF_NODEFAULT | SHMBOF_NOTIFY;
    record->back_flags = (record->back_flags & ~mask) | (flags & mask);
    return true;
}

bool send_back_to_focus_window(uint32_t message, WPARAM wparam, LPARAM lparam) {
    HWND focus = get_focus();
    if (!focus)
        return false;
    send_message(focus, message, wparam, lparam);
    return true;
}

} // namespace plat
