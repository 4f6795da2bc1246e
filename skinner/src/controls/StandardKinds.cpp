#include "skinner/ControlFactory.h"
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlFrame.h"
#include "skinner/controls/ControlPanel.h"
#include "skinner/controls/ControlPicture.h"

namespace skinner {

// The kinds a skin's control list may name; other kinds are built by the
// application's form code by name.
void register_standard_kinds() {
    ControlFactory::register_kind(L"Auto.Frame", [](Container& parent, std::wstring_view name) -> std::unique_ptr<Control> {
        return std::make_unique<ControlFrame>(&parent, name);
    });
    ControlFactory::register_kind(L"Auto.Button", [](Container& parent, std::wstring_view name) -> std::unique_ptr<Control> {
        return std::make_unique<ControlButton>(&parent, name);
    });
    ControlFactory::register_kind(L"Auto.Picture", [](Container& parent, std::wstring_view name) -> std::unique_ptr<Control> {
        return std::make_unique<ControlPicture>(&parent, name);
    });
    ControlFactory::register_kind(L"Auto.Panel", [](Container& parent, std::wstring_view name) -> std::unique_ptr<Control> {
        return std::make_unique<ControlPanel>(&parent, name);
    });
}

} // namespace skinner
