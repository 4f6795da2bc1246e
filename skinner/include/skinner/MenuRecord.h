#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skinner {

class Control;
struct MenuRecord;

// An ordered list of menu records: the entries of a menu as built for display.
class VBCollection {
public:
    // A position outside the collection is a fatal report.
    MenuRecord& operator[](size_t position);
    const MenuRecord& operator[](size_t position) const;
    void append(const MenuRecord& record);
    size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    void clear() { records_.clear(); }
    // A separator follows the last record, when there is one.
    void mark_last();

    std::vector<MenuRecord>::iterator begin() { return records_.begin(); }
    std::vector<MenuRecord>::iterator end() { return records_.end(); }
    std::vector<MenuRecord>::const_iterator begin() const { return records_.begin(); }
    std::vector<MenuRecord>::const_iterator end() const { return records_.end(); }

private:
    std::vector<MenuRecord> records_;
};

// One entry of a menu: a command, or a sub-menu when it has entries.
struct MenuRecord {
    MenuRecord() = default;
    MenuRecord(std::wstring_view command_text, std::wstring_view caption_text)
        : command(command_text), caption(caption_text) {}

    // Entries without an owner take this record's owner, all the way down,
    // so that what the application appended raises its command somewhere.
    void inherit_owner();

    VBCollection entries;
    std::wstring command;       // what on_menu_command hears
    Control* owner = nullptr;   // the control that raises the command
    std::wstring caption;
    std::wstring shortcut;      // shown after a tab in drop-down menus
    bool enabled = true;
    bool separator_after = false;
    bool checked = false;
    int32_t image = -1;         // tool-bar image index, -1 for none
};

} // namespace skinner
