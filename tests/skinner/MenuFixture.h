#pragma once
// A form with a main menu whose sub-menus the application fills, and the
// shell's bar of that form as (command, text) pairs.
#include "FormFixture.h"
#include "skinner/MenuMainControl.h"
#include "skinner/MenuRecord.h"
#include "plat/Menu.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace menu_fixture {

using Entries = std::vector<std::pair<std::wstring, std::wstring>>;  // command, caption

// The application's part: on_create_menu appends entries without an owner,
// as applications do, and may act once the menu is being filled.
class MenuForm : public form_fixture::TestForm {
public:
    MenuForm(skinner::Properties* properties, std::wstring_view name, skinner::Form* parent = nullptr)
        : TestForm(properties, name, parent) {}
    int32_t on_create_menu(skinner::Control*, skinner::MenuRecord& menu) override {
        for (const auto& [command, caption] : fills[menu.command])
            menu.entries.append(skinner::MenuRecord(command, caption));
        if (on_menu_filled)
            on_menu_filled();
        return 1;
    }
    std::map<std::wstring, Entries> fills;
    std::function<void()> on_menu_filled;
};

inline std::vector<std::pair<uint32_t, std::wstring>> buttons_of(plat::HWND bar) {
    std::vector<std::pair<uint32_t, std::wstring>> out;
    plat::MenuBarButton button;
    for (int i = 0; plat::menu_bar_get_button(bar, i, button); ++i)
        out.emplace_back(button.command, button.text);
    return out;
}

inline Entries entries_of(const skinner::MenuRecord& record) {
    Entries out;
    for (const skinner::MenuRecord& entry : record.entries)
        out.emplace_back(entry.command, entry.caption);
    return out;
}

} // namespace menu_fixture
