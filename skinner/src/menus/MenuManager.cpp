#include "skinner/MenuManager.h"

#include "skinner/Control.h"
#include "skinner/Form.h"
#include "skinner/FormImpl.h"
#include "skinner/Properties.h"

#include <algorithm>

namespace skinner {
namespace {

std::vector<MenuManager::Item*>& list_of(Form& form) { return form.get_impl()->menu_manager().items(); }

// Merged: the item's entries join the collection (a plain command joins as
// itself, so a key given one command still carries it).
void add_merged(MenuRecord& collection, MenuManager::Item& item) {
    MenuRecord record = MenuManager::fill(item);
    if (record.entries.empty())
        collection.entries.append(record);
    for (const MenuRecord& entry : record.entries)
        collection.entries.append(entry);
    if (collection.caption.empty())
        collection.caption = record.caption;
}

void add_whole(MenuRecord& collection, MenuManager::Item& item) { collection.entries.append(MenuManager::fill(item)); }

template <typename Test>
void add_each(Form& form, Test test, void (*add)(MenuRecord&, MenuManager::Item&), MenuRecord& collection) {
    for (MenuManager::Item* item : std::vector<MenuManager::Item*>(MenuManager::items(form)))
        if (test(item->get_caption()))
            add(collection, *item);
}

// One entry stands for the key itself; several get the collection's caption.
MenuRecord finish(Form& form, MenuRecord collection, std::wstring_view key, std::wstring_view default_caption) {
    if (collection.entries.size() == 1)
        return collection.entries[0];
    if (!collection.entries.empty() && collection.caption.empty())
        collection.caption = form.get_properties()->translate_or(key, default_caption);
    return collection;
}

} // namespace

void MenuManager::insert_item(Form& form, Item* item) {
    std::vector<Item*>& list = list_of(form);
    if (std::find(list.begin(), list.end(), item) != list.end())
        return;
    list.push_back(item);
    std::stable_sort(list.begin(), list.end(), [](Item* a, Item* b) { return a->get_priority() < b->get_priority(); });
    form.mark_menu_dirty();
}

void MenuManager::remove_item(Form& form, Item* item) {
    std::vector<Item*>& list = list_of(form);
    const auto found = std::find(list.begin(), list.end(), item);
    if (found == list.end())
        return;
    list.erase(found);
    form.mark_menu_dirty();
}

const std::vector<MenuManager::Item*>& MenuManager::items(Form& form) { return list_of(form); }

MenuRecord MenuManager::fill(Item& item) {
    MenuRecord record;
    item.fill_record(record);
    if (item.has_submenu() && record.owner)
        record.owner->on_create_menu(record.owner, record);
    record.inherit_owner();
    return record;
}

MenuRecord MenuManager::action_collection(Form& form, std::wstring_view placeholder) {
    MenuRecord collection(placeholder, L"");
    add_each(form, [](const std::wstring& caption) { return caption == place_ok; }, add_merged, collection);
    return finish(form, std::move(collection), L"menuSoftButtonOk", L"Action");
}

MenuRecord MenuManager::menu_collection(Form& form, std::wstring_view placeholder) {
    MenuRecord collection(placeholder, L"");
    add_each(form,
             [](const std::wstring& caption) {
                 return caption != place_ok && caption != place_menu && caption != place_tab;
             },
             add_whole, collection);
    add_each(form, [](const std::wstring& caption) { return caption == place_menu; }, add_merged, collection);
    for (Item* item : std::vector<Item*>(items(form))) {
        if (item->get_caption() != place_tab)
            continue;
        collection.entries.mark_last();
        add_merged(collection, *item);
        collection.entries.mark_last();
    }
    return finish(form, std::move(collection), L"menuSoftButtonMenu", L"Menu");
}

} // namespace skinner
