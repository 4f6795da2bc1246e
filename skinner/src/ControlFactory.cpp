#include "skinner/ControlFactory.h"

#include "skinner/Control.h"

#include <map>

namespace skinner {

namespace {

using Table = std::map<std::wstring, ControlFactory::Creator, std::less<>>;

// The framework's own kinds come first, so that a later registration replaces them.
Table& table() {
    static Table kinds;
    static bool standard = false;
    if (!standard) {
        standard = true;
        register_standard_kinds();
    }
    return kinds;
}

} // namespace

void ControlFactory::register_kind(std::wstring_view kind, Creator creator) {
    table().insert_or_assign(std::wstring(kind), creator);
}

std::unique_ptr<Control> ControlFactory::create(std::wstring_view kind, Container& parent, std::wstring_view name) {
    const Table& kinds = table();
    const auto it = kinds.find(kind);
    return it == kinds.end() ? nullptr : it->second(parent, name);
}

} // namespace skinner
