#include "skinner/MenuCommands.h"

#include "skinner/Control.h"

namespace skinner {
namespace {

const std::wstring no_command;

} // namespace

void MenuCommands::reset(size_t first) {
    first_ = first;
    commands_.assign(first, std::wstring());
    targets_.assign(first, nullptr);
}

uint32_t MenuCommands::add(std::wstring_view command, Control* owner) {
    commands_.emplace_back(command);
    targets_.push_back(owner);
    return uint32_t(commands_.size() - 1);
}

void MenuCommands::cut(size_t count) {
    if (count < first_)
        count = first_;
    if (count < commands_.size()) {
        commands_.resize(count);
        targets_.resize(count);
    }
}

Control* MenuCommands::target(size_t id) const { return id >= first_ && id < targets_.size() ? targets_[id] : nullptr; }

const std::wstring& MenuCommands::command(size_t id) const {
    return id >= first_ && id < commands_.size() ? commands_[id] : no_command;
}

void MenuCommands::fill_menu(plat::HMENU menu, const VBCollection& records) {
    for (size_t i = 0; i < records.size(); ++i) {
        const MenuRecord& record = records[i];
        uint32_t flags = (record.checked ? plat::MF_CHECKED : 0) | (record.enabled ? 0 : plat::MF_GRAYED);
        std::wstring text = record.caption;
        if (!record.shortcut.empty())
            text.append(L"\t").append(record.shortcut);
        if (!record.entries.empty()) {
            plat::HMENU sub = plat::create_popup_menu();
            fill_menu(sub, record.entries);
            plat::append_menu(menu, flags | plat::MF_POPUP, reinterpret_cast<std::uintptr_t>(sub), text);
        } else {
            plat::append_menu(menu, flags | plat::MF_STRING, add(record.command, record.owner), text);
        }
        if (record.separator_after && i + 1 < records.size())
            plat::append_menu(menu, plat::MF_SEPARATOR, 0, L"");
    }
}

void raise_menu_command(Control* owner, const std::wstring& command) {
    if (owner && !command.empty())
        owner->on_menu_command(owner, command);
}

} // namespace skinner
