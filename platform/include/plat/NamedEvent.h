#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Events known by name, such as the shell's "SYSTEM/ShellAPIReady". Names are
// shared within one process: the home screen and the items it loads meet in
// one process, so that is all the shell needs. An event lives while any
// object holds it.
namespace plat {

class Event;

class NamedEvent {
public:
    // The event of that name, made (unset or set as asked) when none exists;
    // an existing event keeps its state and reset kind. Null for an empty name.
    static std::unique_ptr<NamedEvent> create(std::wstring_view name, bool manual_reset, bool initially_set);
    // The existing event of that name; null when none exists.
    static std::unique_ptr<NamedEvent> open(std::wstring_view name);

    ~NamedEvent();
    NamedEvent(const NamedEvent&) = delete;
    NamedEvent& operator=(const NamedEvent&) = delete;

    void set();
    void reset();
    // False when the time ran out first; 0 only tests the state.
    bool wait_for(uint32_t milliseconds);

private:
    NamedEvent(std::wstring name, std::shared_ptr<Event> event);

    std::wstring name_;
    std::shared_ptr<Event> event_;
};

} // namespace plat
