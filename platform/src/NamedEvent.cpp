#include "plat/NamedEvent.h"

#include "plat/Threads.h"

#include <map>
#include <mutex>

namespace plat {
namespace {

std::mutex table_lock;

// Holders share the event; the table only finds it while one lives.
std::map<std::wstring, std::weak_ptr<Event>, std::less<>>& table() {
    static auto* events = new std::map<std::wstring, std::weak_ptr<Event>, std::less<>>;
    return *events;
}

std::shared_ptr<Event> find(std::wstring_view name) {
    const auto it = table().find(name);
    return it == table().end() ? nullptr : it->second.lock();
}

} // namespace

NamedEvent::NamedEvent(std::wstring name, std::shared_ptr<Event> event)
    : name_(std::move(name)), event_(std::move(event)) {}

NamedEvent::~NamedEvent() {
    std::lock_guard<std::mutex> guard(table_lock);
    event_.reset();
    const auto it = table().find(name_);
    if (it != table().end() && it->second.expired())
        table().erase(it);
}

std::unique_ptr<NamedEvent> NamedEvent::create(std::wstring_view name, bool manual_reset, bool initially_set) {
    if (name.empty())
        return nullptr;
    std::lock_guard<std::mutex> guard(table_lock);
    std::shared_ptr<Event> event = find(name);
    if (!event) {
        event = std::make_shared<Event>(manual_reset, initially_set);
        table()[std::wstring(name)] = event;
    }
    return std::unique_ptr<NamedEvent>(new NamedEvent(std::wstring(name), std::move(event)));
}

std::unique_ptr<NamedEvent> NamedEvent::open(std::wstring_view name) {
    std::lock_guard<std::mutex> guard(table_lock);
    std::shared_ptr<Event> event = find(name);
    if (!event)
        return nullptr;
    return std::unique_ptr<NamedEvent>(new NamedEvent(std::wstring(name), std::move(event)));
}

void NamedEvent::set() { event_->set(); }
void NamedEvent::reset() { event_->reset(); }
bool NamedEvent::wait_for(uint32_t milliseconds) { return event_->wait_for(milliseconds); }

} // namespace plat
