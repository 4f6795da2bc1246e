#include "skinner/ControlFactory.h"
#include "skinner/controls/ControlFrame.h"

namespace skinner {

// The kinds a skin's control list may name; other kinds are built by the
// application's form code by name.
void register_standard_kinds() {
    ControlFactory::register_kind(L"Auto.Frame", [](Container& parent, std::wstring_view name) -> std::unique_ptr<Control> {
        return std::make_unique<ControlFrame>(&parent, name);
    });
}

} // namespace skinner
