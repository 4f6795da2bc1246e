#include "skinner/MenuManagerImplPocket.h"

#include "skinner/Form.h"
#include "os/Application.h"
#include "base/Log.h"
#include "plat/Gdi.h"
#include "plat/Screen.h"
#include "plat/Window.h"

#include <algorithm>

namespace skinner {
namespace {

constexpr int high_dpi = 192;

// Filled once, last id taken first: 121 (1121) down to 117 (1117).
const std::vector<uint32_t> first_old_ids{117, 118, 119, 120, 121};
const std::vector<uint32_t> first_new_ids{1117, 1118, 1119, 1120, 1121};

std::vector<uint32_t>& pool(bool new_shell) {
    static std::vector<uint32_t> old_ids = first_old_ids;
    static std::vector<uint32_t> new_ids = first_new_ids;
    return new_shell ? new_ids : old_ids;
}

void* resource_instance() {
    os::Application* application = os::Application::get_instance();
    return application ? application->get_module_instance() : nullptr;
}

std::wstring without_ampersands(std::wstring text) {
    text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
    return text;
}

} // namespace

MenuManagerImplPocket::MenuManagerImplPocket(bool new_shell) : new_shell_(new_shell) {}

MenuManagerImplPocket::~MenuManagerImplPocket() {
    // The bar usually went with its owner window already.
    if (info_.bar && plat::is_window(info_.bar))
        plat::destroy_window(info_.bar);
    info_.bar = nullptr;
    give_back_id();
}

const std::vector<uint32_t>& MenuManagerImplPocket::free_ids(bool new_shell) { return pool(new_shell); }

void MenuManagerImplPocket::refill_free_ids() {
    pool(false) = first_old_ids;
    pool(true) = first_new_ids;
}

void MenuManagerImplPocket::give_back_id() {
    if (!held_id_)
        return;
    liba::get_log() << L"~MenuManagerImplPocket() returning id" << held_id_ << L"\n";
    pool(new_shell_).push_back(held_id_);
    held_id_ = 0;
}

bool MenuManagerImplPocket::create_bar(Form& form) {
    std::vector<uint32_t>& ids = pool(new_shell_);
    if (ids.empty())
        liba::report_error(L"ControlMenuMainImpl", L"Add more tolbar ids to the resource file! :)");
    held_id_ = ids.back();
    ids.pop_back();
    liba::get_log() << L"MenuManagerImplPocket::build() creating " << held_id_ << L"\n";
    info_ = plat::MenuBarInfo();
    info_.owner = form.get_window();
    info_.template_id = held_id_;
    info_.instance = resource_instance();
    if (!plat::create_menu_bar(info_)) {
        liba::get_log() << L"ERROR: SHCreateMenuBar failed\n";
        info_.bar = nullptr;
        give_back_id();  // a failed bar must not use up the pool
        return false;
    }
    if (new_shell_) {
        liba::get_log() << L"MenuManagerImplPocket::build() creating softbuttons\n";
        plat::menu_bar_set_button_text(info_.bar, plat::MENU_BAR_TEMPLATE_BUTTON, L"");
        plat::menu_bar_set_button_text(info_.bar, plat::MENU_BAR_TEMPLATE_DROP_DOWN, L"");
    } else {
        load_bitmaps();
        reset_commands();
    }
    return true;
}

void MenuManagerImplPocket::load_bitmaps() {
    liba::get_log() << L"MenuManagerImplPocket::build() loading bitmaps\n";
    image_base_ = 0;
    image_count_ = 0;
    void* bitmap = nullptr;
    int32_t image_size = image_high_dpi;
    if (plat::screen_profile().dpi_x == high_dpi)
        bitmap = plat::load_bitmap(resource_instance(), bitmap_high_dpi);
    if (!bitmap) {
        bitmap = plat::load_bitmap(resource_instance(), bitmap_low_dpi);
        image_size = image_low_dpi;
    }
    if (!bitmap) {
        liba::get_log() << L"ERROR: LoadBitmap failed\n";
        return;
    }
    plat::BitmapInfo info;
    plat::get_bitmap_info(static_cast<plat::HBITMAP>(bitmap), info);
    const int32_t base = plat::menu_bar_add_bitmap(info_.bar, bitmap, image_size);
    plat::delete_bitmap(static_cast<plat::HBITMAP>(bitmap));
    if (base < 0) {
        liba::get_log() << L"ERROR: Toolbar image failed to load\n";
        return;
    }
    image_base_ = base;
    image_count_ = info.width / image_size;
}

void MenuManagerImplPocket::reset_commands() {
    while (plat::menu_bar_button_count(info_.bar) > 0)
        plat::menu_bar_delete_button(info_.bar, 0);
    commands_.reset(first_command);
}

void MenuManagerImplPocket::rebuild(Form& form) {
    if (!dirty_)
        return;
    dirty_ = false;
    if (!info_.bar && plat::is_window_visible(form.get_window()))
        create_bar(form);
    if (!info_.bar)
        return;
    reset_commands();
    if (new_shell_) {
        const MenuRecord action = MenuManager::action_collection(form, placeholder);
        const MenuRecord menu = MenuManager::menu_collection(form, placeholder);
        add_button(action, !action.entries.empty(), true);
        add_button(menu, !menu.entries.empty(), false);
    } else {
        const std::vector<MenuManager::Item*> items = MenuManager::items(form);
        for (size_t i = 0; i < items.size(); ++i) {
            MenuRecord record;
            items[i]->fill_record(record);
            add_button(record, items[i]->has_submenu() != 0, i + 1 < items.size());
        }
    }
    command_count_ = commands_.size();
}

void MenuManagerImplPocket::add_button(const MenuRecord& record, bool drop_down, bool more_follow) {
    liba::get_log() << L"wince_bug_resource_id=" << record.image << L" text=" << record.caption
                    << L" id=" << record.command << L"\n";
    plat::MenuBarButton button;
    if (record.image >= 0 && image_count_ > 0) {
        if (record.image < image_count_) {
            button.image = image_base_ + record.image;
            liba::get_log() << L"Using bitmap with wince_bug_resource_id=" << record.image << L"\n";
        } else {
            liba::get_log() << L"ERROR: invalid toolbar image requested. wince_bug_resource_id=" << record.image
                            << L"\n";
        }
    }
    button.state = record.enabled ? plat::TBSTATE_ENABLED : 0;
    button.text = without_ampersands(record.caption);
    button.command = commands_.add(record.command, record.owner);
    button.style = plat::TBSTYLE_BUTTON;
    if (drop_down) {
        button.popup = plat::create_popup_menu();
        button.style |= plat::TBSTYLE_DROPDOWN;
    }
    if (!button.text.empty())
        button.style |= plat::TBSTYLE_AUTOSIZE;
    plat::menu_bar_add_button(info_.bar, button);
    if (record.separator_after && more_follow)
        plat::menu_bar_add_button(info_.bar, plat::MenuBarButton{plat::I_IMAGENONE, 0, 0, plat::TBSTYLE_SEP, L"", nullptr});
}

void MenuManagerImplPocket::on_command(Form&, plat::WPARAM wparam, plat::LPARAM) {
    // Ids are list indexes; the placeholders below the first id have no target.
    const size_t id = uint16_t(wparam);
    raise_menu_command(commands_.target(id), commands_.command(id));
}

void MenuManagerImplPocket::on_init_menu_popup(Form& form, plat::WPARAM menu_handle, plat::LPARAM lparam) {
    const size_t id = uint16_t(lparam);
    if (id < first_command || id >= command_count_)
        return;
    commands_.cut(command_count_);
    plat::HMENU menu = reinterpret_cast<plat::HMENU>(menu_handle);
    while (plat::get_menu_item_count(menu) > 0)
        plat::delete_menu(menu, 0, plat::MF_BYPOSITION);
    if (new_shell_) {
        const MenuRecord collection = id == first_command ? MenuManager::action_collection(form, placeholder)
                                                          : MenuManager::menu_collection(form, placeholder);
        commands_.fill_menu(menu, collection.entries);
        return;
    }
    const std::vector<MenuManager::Item*> items = MenuManager::items(form);
    if (id - first_command >= items.size())
        return;
    const MenuRecord record = MenuManager::fill(*items[id - first_command]);
    commands_.fill_menu(menu, record.entries);
}

void MenuManagerImplPocket::set_visible(Form&, bool visible) {
    if (visible)
        dirty_ = true;
    if (!info_.bar)
        return;
    liba::get_log() << L"MenuManagerImplPocket::set_visible=" << (visible ? 1 : 0) << L"\n";
    plat::show_window(info_.bar, visible ? plat::SW_SHOW : plat::SW_HIDE);
}

} // namespace skinner
