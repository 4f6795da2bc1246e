#pragma once
#include "skinner/MenuRecord.h"
#include "plat/Menu.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skinner {

class Control;

// The command ids of a bar and its menus: an id is an index into these
// lists, whose first entries are placeholders that no choice reaches.
class MenuCommands {
public:
    // first: the lowest real id.
    void reset(size_t first);
    // Appends the command and answers its id.
    uint32_t add(std::wstring_view command, Control* owner);
    void cut(size_t count);
    size_t size() const { return commands_.size(); }
    size_t first() const { return first_; }
    // Null and empty outside the real ids.
    Control* target(size_t id) const;
    const std::wstring& command(size_t id) const;

    // Fills the popup from the records (sub-menus for records with entries),
    // each command entry taking the next id.
    void fill_menu(plat::HMENU menu, const VBCollection& records);

private:
    std::vector<std::wstring> commands_;
    std::vector<Control*> targets_;
    size_t first_ = 0;
};

// The owner raises the command, when there is an owner and a command.
void raise_menu_command(Control* owner, const std::wstring& command);

} // namespace skinner
