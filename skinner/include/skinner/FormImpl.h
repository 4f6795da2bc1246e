#pragma once
#include "skinner/ControlSubclass.h"
#include "skinner/MenuManagerImpl.h"
#include "plat/Gdi.h"
#include "plat/Messages.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace skinner {

class Form;

// The framework's own messages to form windows.
namespace form_message {
// A key with the character it typed (Pocket PC): wparam the virtual key, lparam the character or 0.
constexpr uint32_t key_char = plat::WM_USER + 2;
// The shell's screen settings changed; wparam as for WM_SETTINGCHANGE.
constexpr uint32_t setting_change = plat::WM_USER + 4;
// Ends the modal loop of the window's form.
constexpr uint32_t close = plat::WM_USER + 33;
// Hands the newest waiting command line to the form.
constexpr uint32_t command_line = plat::WM_USER + 34;
} // namespace form_message

// WM_SETTINGCHANGE wparams that re-place forms.
constexpr plat::WPARAM setting_screen_reset = 12290;   // the screen's size changed
constexpr plat::WPARAM setting_work_area = 47;         // the work area changed
constexpr plat::WPARAM setting_full_screen = 224;      // the framework's full-screen mode changed
// The text a form hears as a menu command when the screen changes.
constexpr wchar_t screen_resolution_command[] = L"#ScreenResolution#";

// The native window of a form: turns the device's messages into container
// operations, paints through a back buffer and receives the command lines
// of later starts of the program.
class FormImpl : public ControlSubclass {
public:
    // The first fill of a fresh back buffer, so unpainted areas stand out.
    static constexpr plat::COLORREF back_buffer_fill = 0xFFFF00;
    // The most characters one command line keeps.
    static constexpr size_t max_command_line = 32768;
    static constexpr wchar_t loading_caption[] = L"Loading...";
    static constexpr std::uintptr_t icon_resource = 116;

    // Creates a window of the application's class (captioned "Loading...")
    // owned by owner (none for the main form).
    FormImpl(plat::HWND owner, bool popup, bool visible);
    // Works over a window made elsewhere; owns_window: destroyed with this object.
    struct Existing {};
    FormImpl(Existing, plat::HWND window, bool popup, bool owns_window);
    ~FormImpl() override;

    plat::LRESULT handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam, bool& pass_on) override;

    void set_form(Form* form) { form_ = form; }
    Form* get_form() const { return form_; }
    plat::HWND window() const { return window_; }
    bool is_popup() const { return popup_; }
    MenuManagerImpl& menu_manager() { return *menu_manager_; }

    // The dirty region becomes the bounding box of itself and the rectangle.
    void invalidate(plat::POINT position, plat::POINT size);
    // Everything dirty, the back buffer dropped.
    void repaint_all();
    plat::HBITMAP back_buffer() const { return back_buffer_; }
    plat::POINT dirty_position() const { return dirty_position_; }
    plat::POINT dirty_size() const { return dirty_size_; }
    bool direct_paint() const { return direct_paint_; }
    const std::vector<std::wstring>& command_lines() const { return command_lines_; }

    // Ends the capture after a release, without the capture change that
    // follows being taken as a cancelled press.
    void release_own_capture();

protected:
    void paint();
    void set_dirty(plat::POINT position, plat::POINT size) {
        dirty_position_ = position;
        dirty_size_ = size;
    }
    void drop_back_buffer();

private:
    void create_menu_manager();
    void press(int kind, plat::POINT point, bool double_click);
    void release(int kind, plat::POINT point);
    void release_all();
    void on_close();
    bool on_copy_data(plat::LPARAM lparam);
    void on_settings(plat::WPARAM wparam);
    void on_button_down(plat::POINT point);
    void on_wheel(plat::WPARAM wparam, plat::LPARAM lparam);
    void draw(plat::HDC dc, const plat::RECT& client);

    plat::HWND window_ = nullptr;
    std::unique_ptr<MenuManagerImpl> menu_manager_;
    std::vector<std::wstring> command_lines_;
    std::array<bool, 3> pressed_{};
    std::array<bool, 3> double_click_{};
    plat::POINT last_point_{-1, -1};
    bool direct_paint_ = false;
    bool popup_ = false;
    bool owns_window_ = true;
    bool releasing_capture_ = false;
    plat::POINT dirty_position_;
    plat::POINT dirty_size_;
    plat::HBITMAP back_buffer_ = nullptr;
    Form* form_ = nullptr;
};

} // namespace skinner
