#pragma once
#include "skinner/MenuRecord.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skinner {

class Form;

// The menu model shared by the shell's bars: a form's menu items kept in
// priority order, and the soft-key collections built from them.
class MenuManager {
public:
    // One entry of a form's menu bar. Operations in this order.
    class Item {
    public:
        virtual ~Item() = default;
        virtual void fill_record(MenuRecord& record) = 0;
        // 1 for sub-menus and tabs.
        virtual int32_t has_submenu() = 0;
        // What the soft-key placement rules match ("#smartphone_ok#", ...).
        virtual std::wstring get_caption() = 0;
        virtual int32_t get_priority() = 0;
    };

    // Placement texts of the soft-key rules.
    static constexpr wchar_t place_ok[] = L"#smartphone_ok#";
    static constexpr wchar_t place_menu[] = L"#smartphone_menu#";
    static constexpr wchar_t place_tab[] = L"#smartphone_tab#";

    // The form's items: insertion keeps priority order (equal ones in
    // insertion order) and ignores an item already listed; both mark the
    // form's menu dirty.
    static void insert_item(Form& form, Item* item);
    static void remove_item(Form& form, Item* item);
    static const std::vector<Item*>& items(Form& form);

    // The item fills a record; a sub-menu's owner is asked to fill its
    // entries first (on_create_menu), and entries it left without an owner
    // take the record's.
    static MenuRecord fill(Item& item);

    // The two soft-key collections, started from the placeholder command.
    static MenuRecord action_collection(Form& form, std::wstring_view placeholder);
    static MenuRecord menu_collection(Form& form, std::wstring_view placeholder);
};

} // namespace skinner
