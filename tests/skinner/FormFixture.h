#pragma once
// Forms over a compiled test skin, a form that records what reaches it, and
// actions that run from inside whichever message loop is running.
#include "SkinFixture.h"
#include "os/Application.h"
#include "skinner/Control.h"
#include "skinner/Form.h"
#include "skinner/FormImpl.h"
#include "skinner/Properties.h"
#include "plat/Window.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace form_fixture {

inline const char* const forms_skin = R"(<skin id="forms" devices="">
  <design width="240" height="320"/>
  <form name="Main">
    <point name="Size" x="240" y="260"/>
    <control name="btnTap"><point name="Position" x="10" y="10"/><point name="Size" x="50" y="40"/></control>
    <control name="mnuMain"><point name="Position" x="0" y="240"/><point name="Size" x="240" y="20"/></control>
  </form>
  <form name="Child">
    <point name="Size" x="200" y="100"/>
    <int name="StartPosition" value="1"/>
    <control name="btnTap"><point name="Position" x="0" y="0"/><point name="Size" x="200" y="100"/></control>
  </form>
  <form name="Painted">
    <point name="Size" x="100" y="80"/>
    <int name="StartPosition" value="4"/>
    <picture name="Background" image="red"/>
  </form>
  <form name="Place0"><point name="Size" x="100" y="60"/><point name="Position" x="7" y="9"/></form>
  <form name="Place1"><point name="Size" x="100" y="60"/><int name="StartPosition" value="1"/></form>
  <form name="Place2"><point name="Size" x="100" y="60"/><int name="StartPosition" value="2"/></form>
  <form name="Place3"><point name="Size" x="100" y="60"/><int name="StartPosition" value="3"/></form>
  <form name="Place4"><point name="Size" x="100" y="60"/><int name="StartPosition" value="4"/></form>
  <form name="Place5"><point name="Size" x="100" y="60"/><int name="StartPosition" value="5"/></form>
  <form name="Place6"><point name="Size" x="100" y="60"/><int name="StartPosition" value="6"/></form>
  <form name="PlaceMixed"><point name="Size" x="100" y="60"/>
    <int name="StartPositionX" value="5"/><int name="StartPositionY" value="4"/></form>
</skin>)";

// The test skin with its picture, as the device path "/skins/test.skin".
inline std::wstring write_forms_skin() {
    skin_fixture::write_picture("red", 4, 4, plat::rgb(255, 0, 0));
    return skin_fixture::write_skin(forms_skin);
}

// The application object and the test skin, loaded for the profile's screen.
struct FormWorld {
    FormWorld() {
        const plat::ScreenProfile& profile = plat::screen_profile();
        properties.load_skin(write_forms_skin(), {profile.width, profile.height});
    }
    os::Application application{nullptr};
    skinner::Properties properties;
};

// Functions run, in order, when the running loop dispatches their turn.
class Actions {
public:
    static Actions& instance() {
        static Actions actions;
        return actions;
    }
    void later(std::function<void()> action) {
        queue_.push_back(std::move(action));
        plat::post_message(window_, plat::WM_APP, 0, 0);
    }

private:
    Actions() {
        plat::WindowClass window_class;
        window_class.procedure = procedure;
        window_class.name = L"TestActions";
        plat::register_class(window_class);
        window_ = plat::create_window(0, L"TestActions", L"", plat::WS_DISABLED, 0, 0, 1, 1, nullptr, 0, nullptr,
                                      nullptr);
    }
    static plat::LRESULT procedure(plat::HWND window, uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam) {
        if (message != plat::WM_APP)
            return plat::def_window_proc(window, message, wparam, lparam);
        auto action = std::move(instance().queue_.front());
        instance().queue_.pop_front();
        action();
        return 0;
    }
    plat::HWND window_ = nullptr;
    std::deque<std::function<void()>> queue_;
};

inline void later(std::function<void()> action) { Actions::instance().later(std::move(action)); }

// Records what the form hears.
class TestForm : public skinner::Form {
public:
    TestForm(skinner::Properties* properties, std::wstring_view name, skinner::Form* parent = nullptr)
        : Form(parent, properties, name) {}

    int32_t can_close() override { return closable; }
    void on_other_instance_started(const std::wstring& text) override {
        texts.push_back(text);
        if (on_text)
            on_text(text);
        Form::on_other_instance_started(text);
    }
    int32_t on_char(const std::wstring& text) override {
        events.push_back(L"char " + text);
        return Form::on_char(text);
    }
    int32_t on_key_down(int32_t code) override {
        events.push_back(L"down " + std::to_wstring(code));
        return Form::on_key_down(code);
    }
    int32_t on_key_up(int32_t code) override {
        events.push_back(L"up " + std::to_wstring(code));
        return Form::on_key_up(code);
    }
    int32_t on_menu_command(skinner::Control* sender, const std::wstring& command) override {
        events.push_back(L"menu " + command);
        return Form::on_menu_command(sender, command);
    }

    int32_t closable = 1;
    std::vector<std::wstring> texts;
    std::vector<std::wstring> events;
    std::function<void(const std::wstring&)> on_text;
};

// A control that records its pointer input.
class Recorder : public skinner::Control {
public:
    Recorder(skinner::Container* parent, std::wstring_view name) : Control(parent, name) {}
    void on_mouse_down(plat::POINT point, bool) override { log.push_back(L"down " + at(point)); }
    void on_mouse_up(plat::POINT point, bool) override {
        log.push_back(L"up " + at(point));
        if (on_up)
            on_up();
    }
    int32_t on_wheel(plat::POINT, int32_t steps) override {
        log.push_back(L"wheel " + std::to_wstring(steps));
        return 1;
    }
    static std::wstring at(plat::POINT p) { return std::to_wstring(p.x) + L"," + std::to_wstring(p.y); }

    std::vector<std::wstring> log;
    std::function<void()> on_up;
};

inline plat::RECT window_rect(skinner::Form& form) {
    plat::RECT rect;
    plat::get_window_rect(form.get_window(), rect);
    return rect;
}

} // namespace form_fixture
