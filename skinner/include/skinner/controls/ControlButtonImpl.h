#pragma once
#include "skinner/ControlSubclass.h"
#include "skinner/MenuManager.h"
#include "plat/Gdi.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace skinner {

class ControlButtonBase;
class ControlCheckBox;

// What a button is on the device: drawn or not, focusable or not, and what
// it does beside being a button (a menu entry, the window title, a close or
// title-bar OK button). The plain implementation does nothing more.
class ControlButtonImpl {
public:
    ControlButtonImpl(ControlButtonBase& owner, bool draws, bool may_focus)
        : owner_(owner), draws_(draws), may_focus_(may_focus) {}
    ControlButtonImpl(const ControlButtonImpl&) = delete;
    ControlButtonImpl& operator=(const ControlButtonImpl&) = delete;
    virtual ~ControlButtonImpl() = default;

    virtual void set_text(const std::wstring& text) { (void)text; }
    virtual void on_visible_changed(bool visible) { (void)visible; }
    virtual void on_enabled_changed(bool enabled) { (void)enabled; }
    // The check box's state changed.
    virtual void on_check_changed() {}
    virtual void on_press(plat::POINT point) { (void)point; }
    virtual void on_pointer_down(plat::POINT point) { (void)point; }
    virtual void on_pointer_move(plat::POINT point) { (void)point; }
    virtual void on_pointer_up(plat::POINT point) { (void)point; }

    bool draws() const { return draws_; }
    bool may_focus() const { return may_focus_; }
    ControlButtonBase& owner() const { return owner_; }

protected:
    // The window of the form showing the button; null for a stand-in form.
    plat::HWND form_window() const;

private:
    ControlButtonBase& owner_;
    bool draws_ = true;
    bool may_focus_ = true;
};

// Sets the form window's title to the button's text (on creation and on
// every new text); never drawn, never focused.
class ControlButtonImplCaptionPocket : public ControlButtonImpl {
public:
    explicit ControlButtonImplCaptionPocket(ControlButtonBase& owner);
    void set_text(const std::wstring& text) override;

protected:
    virtual void show_title(const std::wstring& text);
};

// The same on a smartphone, where the shell's title bar is asked to redraw.
class ControlButtonImplCaptionSmartphone : public ControlButtonImplCaptionPocket {
public:
    explicit ControlButtonImplCaptionSmartphone(ControlButtonBase& owner);

protected:
    void show_title(const std::wstring& text) override;
};

// Pressing it closes the form.
class ControlButtonImplClosePocket : public ControlButtonImpl {
public:
    using ControlButtonImpl::ControlButtonImpl;
    void on_press(plat::POINT point) override;
};

// An entry of the form's menu bar or soft keys. The placement text is what
// the soft-key rules match ("#smartphone_ok#", "#smartphone_menu#", or empty);
// the entry's command is the button's name, its caption the button's text.
class ControlButtonImplMenu : public ControlButtonImpl, public MenuManager::Item {
public:
    static constexpr int32_t priority_offset = 1000000;

    ControlButtonImplMenu(ControlButtonBase& owner, std::wstring_view placement, bool draws, bool may_focus);
    ~ControlButtonImplMenu() override;

    void set_text(const std::wstring& text) override;
    void on_visible_changed(bool visible) override;
    void on_enabled_changed(bool enabled) override;

    void fill_record(MenuRecord& record) override;
    int32_t has_submenu() override { return 0; }
    // The placement.
    std::wstring get_caption() override { return placement_; }
    // Ordered among the form's menu items after every plain menu item.
    int32_t get_priority() override;

    bool is_listed() const { return listed_; }
    // The entry carries a check mark (a check box's entry).
    virtual bool is_checked() const { return false; }

protected:
    void mark_menu_dirty() const;

private:
    void list(bool listed);

    std::wstring placement_;
    bool listed_ = false;
};

// The smartphone's menu-bar entry of a button, and the newer shell's.
class ControlButtonImplMenuSmartphone : public ControlButtonImplMenu {
public:
    using ControlButtonImplMenu::ControlButtonImplMenu;
};
class ControlButtonImplMenu5Pocket : public ControlButtonImplMenu {
public:
    using ControlButtonImplMenu::ControlButtonImplMenu;
};

// The smartphone's menu entry that closes the form.
class ControlButtonCloseSmartphone : public ControlButtonImplMenu {
public:
    explicit ControlButtonCloseSmartphone(ControlButtonBase& owner);
    void on_press(plat::POINT point) override;
};

// Watches the form window for the shell's title-bar OK and shows that button
// while it lives.
class TitleOkWatch : public ControlSubclass {
public:
    explicit TitleOkWatch(ControlButtonBase& owner, plat::HWND window);
    ~TitleOkWatch() override;
    plat::LRESULT handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam, bool& pass_on) override;

private:
    ControlButtonBase& owner_;
};

// The Pocket PC title-bar OK: a WM_COMMAND IDOK to the form window clicks the button.
class ControlButtonImplOKPocket : public ControlButtonImpl {
public:
    ControlButtonImplOKPocket(ControlButtonBase& owner, bool draws, bool may_focus);

private:
    std::unique_ptr<TitleOkWatch> watch_;
};

// The newer shell's "#smartphone_ok#" entry together with the title-bar OK.
class ControlButtonImplMenu5PocketOK : public ControlButtonImplMenu {
public:
    ControlButtonImplMenu5PocketOK(ControlButtonBase& owner, bool draws, bool may_focus);

private:
    std::unique_ptr<TitleOkWatch> watch_;
};

// A check box as a checkable smartphone menu entry: a new state rebuilds the menu.
class ControlCheckBoxImplMenuSmartphone : public ControlButtonImplMenu {
public:
    explicit ControlCheckBoxImplMenuSmartphone(ControlCheckBox& owner);
    void on_check_changed() override;
    bool is_checked() const override;

private:
    ControlCheckBox& check_box_;
};

// The device shells the implementation table distinguishes.
enum class ButtonShell { smartphone, pocket_new, pocket_old };

// The running device's shell.
ButtonShell current_button_shell();

enum class ButtonImplKind {
    plain,
    caption_pocket,
    caption_smartphone,
    close_pocket,
    menu_smartphone,
    menu5_pocket,
    close_smartphone,
    ok_pocket,
    menu5_pocket_ok,
};

struct ButtonImplChoice {
    ButtonImplKind kind = ButtonImplKind::plain;
    bool draws = true;
    bool may_focus = true;
    std::wstring_view placement;
};

// The implementation a button of the action gets on the shell; named: the
// button is named in its form's skin; wants_focus: its own focus flag.
ButtonImplChoice choose_button_impl(int32_t action, ButtonShell shell, bool named, bool wants_focus);

// The button's implementation on the running device.
std::unique_ptr<ControlButtonImpl> create_button_impl(ControlButtonBase& button);

} // namespace skinner
