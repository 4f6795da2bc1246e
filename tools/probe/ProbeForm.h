#pragma once
#include "skinner/Form.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace probe {

// A form built by name from a skin for trying it out: every control of the
// skin's list is built, those of kinds the control factory does not know
// from the framework class that the kind names ("ControlFrame"), and every
// event the form receives is told as one line
// "EVENT <operation> sender=<name> <payload>".
class ProbeForm : public skinner::Form {
public:
    using Sink = std::function<void(const std::wstring& line)>;

    ProbeForm(skinner::Properties* properties, std::wstring_view form_name, Sink events, Sink problems);

    // The framework classes a skin's control list may name as kinds.
    static std::vector<std::wstring> class_kinds();

    int32_t on_click(skinner::Control* sender) override;
    int32_t on_event_1(skinner::Control* sender, std::intptr_t data) override;
    int32_t on_item_click(skinner::Control* sender, int32_t column, int32_t row) override;
    int32_t on_event_3(skinner::Control* sender, std::intptr_t data) override;
    int32_t on_item_context_click(skinner::Control* sender, int32_t column, int32_t row) override;
    int32_t on_event_5(skinner::Control* sender, std::intptr_t data) override;
    int32_t on_event_6(skinner::Control* sender, std::intptr_t data) override;
    int32_t on_event_7(skinner::Control* sender, std::intptr_t data) override;
    int32_t on_event_8(skinner::Control* sender, std::intptr_t data) override;
    int32_t on_event_9(skinner::Control* sender, int32_t column, int32_t row, bool commit) override;
    int32_t on_event_10(skinner::Control* sender, std::intptr_t data) override;
    int32_t on_event_11(skinner::Control* sender, std::intptr_t data) override;
    int32_t on_scroll(skinner::Control* sender, int32_t position) override;
    int32_t on_menu_command(skinner::Control* sender, const std::wstring& command) override;
    int32_t on_slider_moved(skinner::Control* sender, double value) override;
    int32_t on_slider_released(skinner::Control* sender, double value) override;
    int32_t on_text_changed(skinner::Control* sender, const std::wstring& text) override;
    int32_t on_header_click(skinner::Control* sender, int32_t column, int32_t row) override;
    int32_t on_header_context_click(skinner::Control* sender, int32_t column, int32_t row) override;
    int32_t on_selection_changed(skinner::Control* sender) override;
    int32_t on_highlight_changed(skinner::Control* sender) override;
    int32_t on_focus_changed(skinner::Control* sender) override;
    int32_t on_create_menu(skinner::Control* sender, skinner::MenuRecord& menu) override;
    int32_t on_popup_closed(skinner::Control* sender) override;

private:
    void build_remaining_controls();
    void tell(std::wstring_view operation, skinner::Control* sender, const std::wstring& payload = {});

    Sink events_;
    Sink problems_;
};

} // namespace probe
