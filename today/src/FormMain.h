#pragma once
#include "FormMainToday.h"

#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlFrame.h"
#include "plat/FileStamp.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace skinner {
class FormImpl;
class Properties;
} // namespace skinner

// The item's form: one status line with the next alarm, the count of alarms
// passed over, or the text that no alarm is set; selecting it starts the
// main program, which brings its main form forward.
class FormMain : public FormMainToday {
public:
    static constexpr wchar_t registry_key[] = L"HKEY_LOCAL_MACHINE\\Software\\QEVA\\Chimely";
    static constexpr wchar_t language_value[] = L"Language";
    static constexpr wchar_t main_program_value[] = L"MainProgram";
    // The language the item speaks until the main program names one that loads.
    static constexpr wchar_t fallback_language[] = L"English.lng";

    // The status text takes the home screen's text colour.
    class FrameWithColor : public skinner::ControlFrame {
    public:
        using skinner::ControlFrame::ControlFrame;
        void set_color(const skinner::SkinColour& colour);
        // Without a redraw: the next paint uses it.
        void store_color(const skinner::SkinColour& colour) { color_ = colour; }
        const skinner::SkinColour& get_color() const { return color_; }
    };

    // Takes taps over its whole rectangle, also where its picture is transparent.
    class ButtonWithHit : public skinner::ControlButton {
    public:
        using skinner::ControlButton::ControlButton;
        bool hit_test(plat::POINT point) override { return skinner::Control::hit_test(point); }
    };

    FormMain(std::unique_ptr<skinner::FormImpl> impl, skinner::Properties* properties, std::wstring_view form_name);
    ~FormMain() override;

    int32_t on_click(skinner::Control* sender) override;
    void reload_skin() override;
    int32_t on_key_down(int32_t code) override;
    void refresh() override;

    void start_main_program();

private:
    // True when the language changed, so the status is made again.
    bool reload_language();
    std::wstring status_text();

    std::optional<std::wstring> language_;  // the registry value as last seen; none before the first refresh
    bool language_loaded_ = false;
    plat::FileStamp state_stamp_;  // the state file as last seen; default while there is none
    FrameWithColor status_{this, L"frmStatus"};
    ButtonWithHit button_{this, L"btnStatus"};
};

// The home screen's text colour, asked of the form window's parent.
skinner::SkinColour today_text_color(skinner::Form& form);
