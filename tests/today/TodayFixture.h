#pragma once
// A home screen of the test's own around the item library: the library
// loaded as the shell loads it, a full-screen parent window that answers the
// item's colour and background requests, the item's skin and language files,
// the registry values and a stand-in main program that records its starts.
#include "TempRoot.h"
#include "today/TodayShell.h"

#include "alarm/TodayState.h"
#include "base/Registry.h"
#include "skinner/SkinCompiler.h"
#include "plat/Input.h"
#include "plat/NamedEvent.h"
#include "plat/Paint.h"
#include "plat/Paths.h"
#include "plat/PngWriter.h"
#include "plat/Registry.h"
#include "plat/Text.h"
#include "plat/UiTest.h"
#include "plat/Window.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace today_test {

constexpr wchar_t key[] = L"HKEY_LOCAL_MACHINE\\Software\\QEVA\\Chimely";
constexpr wchar_t main_program[] = L"\\Program Files\\Chimely\\Chimely";
constexpr plat::COLORREF text_colour = plat::rgb(255, 0, 0);
constexpr plat::COLORREF icon_colour = plat::rgb(0, 255, 0);
constexpr int item_top = 40;
constexpr int item_height = 30;

// The item's form at 240 pixels: icon at (4, 5), status text from x 30.
inline const char skin_xml[] = R"(<skin id="ChimelyToday" devices="">
  <design width="240" height="320"/>
  <form name="Main">
    <point name="Size" x="240" y="30"/>
    <int name="StartPosition" value="6"/>
    <control name="btnIcon"><point name="Position" x="4" y="5"/><point name="Size" x="20" y="20"/>
      <picture name="Normal" image="icon"/></control>
    <control name="frmStatus"><point name="Position" x="30" y="0"/><point name="Size" x="206" y="30"/>
      <string name="HAlignment" value="LEFT"/><font name="Normal" value="14 1 0 0 Tahoma"/></control>
    <control name="btnStatus"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="30"/></control>
    <create name="btnIcon" kind="Auto.Button"/>
  </form>
</skin>)";

inline std::string root_file(const std::string& relative) {
    return testing_support::process_root() + "/" + relative;
}

inline void write_file(const std::string& relative, const std::string& bytes) {
    const std::filesystem::path path = root_file(relative);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A language file as the program ships them: UTF-16LE with its mark.
inline void write_language(const std::string& name, const std::wstring& lines) {
    write_file("Program Files/Chimely/" + name, "\xFF\xFE" + plat::to_utf16le(lines));
}

inline void set_string(const wchar_t* name, const std::wstring& text) {
    ASSERT_TRUE(liba::write_registry_string(key, name, text));
}

inline void delete_value(const wchar_t* name) {
    plat::RegKey opened = 0;
    if (plat::reg_open_key(plat::HKEY_LOCAL_MACHINE, L"Software\\QEVA\\Chimely", plat::KEY_ALL_ACCESS, &opened) == 0) {
        plat::reg_delete_value(opened, name);
        plat::reg_close_key(opened);
    }
}

inline void switch_log_on() {
    plat::RegKey opened = 0;
    ASSERT_EQ(plat::reg_create_key(plat::HKEY_CURRENT_USER, L"Software\\QEVA", plat::KEY_ALL_ACCESS, &opened), 0u);
    const uint32_t one = 1;
    plat::reg_set_value(opened, L"Log", plat::REG_DWORD, &one, sizeof one);
    plat::reg_close_key(opened);
}

// The shared state file as the alarm engine writes it.
inline void write_state(const std::wstring& name, const std::wstring& time, int unviewed, bool has_next = true) {
    TodayState state;
    state.has_next = has_next;
    state.name = name;
    state.time = time;
    state.unviewed = unviewed;
    ASSERT_TRUE(state.save());
}

// The home screen's window: its background is one colour, which it also
// draws under an item that asks for it.
class HomeWindow {
public:
    static inline plat::COLORREF background = plat::rgb(0, 0, 255);
    static inline int watermarks = 0;

    HomeWindow() {
        plat::WindowClass window_class;
        window_class.procedure = &HomeWindow::procedure;
        window_class.name = L"TestHome";
        plat::register_class(window_class);
        window = plat::create_window(0, L"TestHome", L"", plat::WS_POPUP | plat::WS_VISIBLE, 0, 0, 240, 320, nullptr,
                                     0, nullptr, nullptr);
    }
    ~HomeWindow() {
        if (plat::is_window(window))
            plat::destroy_window(window);
        plat::unregister_class(L"TestHome");
    }

    plat::HWND window = nullptr;

private:
    static plat::LRESULT procedure(plat::HWND hwnd, uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam) {
        switch (message) {
        case today::TODAYM_GETCOLOR: return wparam == today::TODAYCOLOR_TEXT ? plat::LRESULT(text_colour) : 0;
        case today::TODAYM_DRAWWATERMARK: {
            const auto* info = reinterpret_cast<const today::TodayDrawWatermarkInfo*>(lparam);
            plat::fill_rect(info->dc, info->rect, background);
            ++watermarks;
            return 1;
        }
        case plat::WM_PAINT: {
            plat::PAINTSTRUCT paint;
            plat::HDC dc = plat::begin_paint(hwnd, paint);
            plat::fill_rect(dc, paint.paint, background);
            plat::end_paint(hwnd, paint);
            return 0;
        }
        default: return plat::def_window_proc(hwnd, message, wparam, lparam);
        }
    }
};

// The item library, loaded and entered as the shell does it.
class Library {
public:
    Library() {
        handle = ::dlopen(TODAY_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return;
        dll_main = reinterpret_cast<today::DllMain>(::dlsym(handle, today::dll_main_name));
        initialize = reinterpret_cast<today::InitializeCustomItem>(::dlsym(handle, today::initialize_item_name));
        if (dll_main)
            dll_main(handle, today::reason_process_attach, nullptr);
    }
    ~Library() { unload(); }
    void unload() {
        if (!handle)
            return;
        if (dll_main)
            dll_main(handle, today::reason_process_detach, nullptr);
        ::dlclose(handle);
        handle = nullptr;
    }

    void* handle = nullptr;
    today::DllMain dll_main = nullptr;
    today::InitializeCustomItem initialize = nullptr;
};

class TodayTest : public testing::Test {
protected:
    void SetUp() override {
        plat::set_module_file_name(L"\\windows\\today-test");
        HomeWindow::background = plat::rgb(0, 0, 255);
        HomeWindow::watermarks = 0;
        write_skin();
        write_language("English.lng", L"no_alarms No alarms set\r\nwaste_alarms Alarms passed over\r\n");
        write_language("German.lng", L"no_alarms Kein Wecker gestellt\r\nwaste_alarms Verpasste Wecker\r\n");
        set_string(L"MainProgram", main_program);
        switch_log_on();
        // The stand-in main program notes each start with its arguments and root.
        write_file("Program Files/Chimely/Chimely",
                   "#!/bin/sh\necho \"start [$*] $CHIMELY_ROOT\" >> \"$CHIMELY_ROOT/started.txt\"\n");
        ::chmod(root_file("Program Files/Chimely/Chimely").c_str(), 0755);
        ready_ = plat::NamedEvent::create(today::shell_ready_event, true, true);
    }

    void TearDown() override {
        if (plat::is_window(item))
            plat::destroy_window(item);
        library_.reset();
    }

    static void write_skin() {
        std::filesystem::create_directories(root_file("windows"));
        std::vector<uint8_t> pixels;
        for (int i = 0; i < 20 * 20; ++i)
            pixels.insert(pixels.end(), {0, 255, 0, 0});
        const std::vector<uint8_t> png = plat::encode_png(pixels.data(), 20, 20, 20 * 4);
        write_file("windows/icon.png", std::string(png.begin(), png.end()));
        skinner::SkinCompiler compiler;
        ASSERT_TRUE(compiler.compile(skin_xml, root_file("windows"))) << compiler.error();
        const auto& image = compiler.output();
        write_file("windows/ChimelyToday.skin", std::string(image.begin(), image.end()));
    }

    // Loads the library and makes its item on the home window; asks for the
    // first refresh and places the item at its height as the shell does.
    void make_item() {
        library_ = std::make_unique<Library>();
        ASSERT_NE(library_->handle, nullptr) << ::dlerror();
        ASSERT_NE(library_->initialize, nullptr);
        item = library_->initialize(&record, home.window);
        ASSERT_NE(item, nullptr);
    }
    plat::LRESULT query() {
        return plat::send_message(item, today::WM_TODAYCUSTOM_QUERYREFRESHCACHE,
                                  reinterpret_cast<plat::WPARAM>(&record), 0);
    }
    void show_item() {
        query();
        plat::move_window(item, 0, item_top, 240, int32_t(record.cyp), true);
        plat::invalidate_rect(item, nullptr, true);
        plat::run_until_idle();
    }

    // The status lines the item logged, oldest first.
    static std::vector<std::wstring> status_lines() {
        std::ifstream in(root_file("windows/today-test.txt"), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xFE)
            bytes.erase(0, 2);
        const std::wstring text = plat::from_utf16le(bytes.data(), bytes.size() & ~size_t(1));
        std::vector<std::wstring> lines;
        const std::wstring prefix = L"ChimelyToday status=";
        for (size_t at = 0; (at = text.find(prefix, at)) != std::wstring::npos;) {
            const size_t end = text.find(L'\n', at);
            lines.push_back(text.substr(at + prefix.size(), end - at - prefix.size()));
            at = end;
        }
        return lines;
    }
    static std::wstring last_status() {
        const auto lines = status_lines();
        return lines.empty() ? L"" : lines.back();
    }

    // The stand-in's record of its starts, waiting up to 5 s for the first.
    static std::string starts(bool wait = true) {
        const std::string path = root_file("started.txt");
        for (int i = 0; wait && i < 100 && !std::filesystem::exists(path); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    HomeWindow home;
    today::TodayListItem record;
    plat::HWND item = nullptr;
    std::unique_ptr<Library> library_;
    std::unique_ptr<plat::NamedEvent> ready_;
};

} // namespace today_test
