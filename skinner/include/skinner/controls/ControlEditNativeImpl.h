#pragma once
#include "skinner/ControlSubclass.h"
#include "skinner/controls/ControlEditImpl.h"

namespace skinner {

class ControlEdit;

// The smartphone's edit box: the device's one-line edit window laid over
// the control, so that the phone's own input modes work. Its keys still
// reach the form (soft keys and navigation), and its change notifications,
// sent to the form window, update the control's text.
class ControlEditNativeImpl : public ControlEditImpl {
public:
    static constexpr wchar_t input_mode_text[] = L"TextDefault";
    static constexpr wchar_t input_mode_numbers[] = L"Numbers";

    explicit ControlEditNativeImpl(ControlEdit* owner);
    ~ControlEditNativeImpl() override;

    void set_input_mode(const std::wstring& name) override;
    void set_text(const std::wstring& text) override;
    void focus() override;
    void set_selection(int32_t first, int32_t last) override;
    void set_read_only(bool read_only) override;
    void set_visible(bool visible) override;
    void on_got_focus() override;
    void on_lost_focus() override;
    void set_rect(plat::POINT position, plat::POINT size) override;

    plat::HWND get_window() const { return edit_hook_.get_window(); }

    // Catches the edit window's change notifications on the form window.
    class ControlEditParentMonitor : public ControlSubclass {
    public:
        explicit ControlEditParentMonitor(ControlEditNativeImpl* impl) : impl_(impl) {}
        plat::LRESULT handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam,
                                     bool& pass_on) override;

    private:
        ControlEditNativeImpl* impl_ = nullptr;
    };

private:
    // The edit window's own messages, seen before the window handles them.
    class EditHook : public ControlSubclass {
    public:
        explicit EditHook(ControlEditNativeImpl* impl) : impl_(impl) {}
        plat::LRESULT handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam,
                                     bool& pass_on) override;

    private:
        ControlEditNativeImpl* impl_ = nullptr;
    };

    void on_set_focus(plat::HWND previous);
    void on_kill_focus(plat::HWND next);
    void on_change();

    ControlEdit* owner_ = nullptr;
    plat::HWND form_window_ = nullptr;
    EditHook edit_hook_{this};
    ControlEditParentMonitor monitor_{this};
};

} // namespace skinner
