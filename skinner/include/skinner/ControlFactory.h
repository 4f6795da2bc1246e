#pragma once
#include <memory>
#include <string>
#include <string_view>

namespace skinner {

class Container;
class Control;

// The table from a skin kind name ("Auto.Frame") to the function that builds
// such a control, so that containers depend on no control. Each control
// module that a skin may list adds its kind to register_standard_kinds.
class ControlFactory {
public:
    // Builds a control of creation mode 0 with the given name inside parent
    // (it registers itself there).
    using Creator = std::unique_ptr<Control> (*)(Container& parent, std::wstring_view name);

    // Replaces any creator of the same kind.
    static void register_kind(std::wstring_view kind, Creator creator);
    // Null for a kind nobody registered.
    static std::unique_ptr<Control> create(std::wstring_view kind, Container& parent, std::wstring_view name);
};

// Registers the framework's own kinds; the factory calls it once, before its first use.
void register_standard_kinds();

} // namespace skinner
