#include "skinner/ControlSubclass.h"

#include "plat/Window.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace skinner;

namespace {

constexpr uint32_t ask = plat::WM_USER + 7;
std::vector<std::string> seen;

plat::LRESULT original_proc(plat::HWND window, uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam) {
    if (message == ask || message == plat::WM_DESTROY)
        seen.push_back("window");
    return message == ask ? 100 : plat::def_window_proc(window, message, wparam, lparam);
}

plat::HWND make_window() {
    static const bool registered = [] {
        plat::WindowClass wc;
        wc.name = L"SubclassTestClass";
        wc.procedure = original_proc;
        return plat::register_class(wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return plat::create_window(0, L"SubclassTestClass", L"", 0, 0, 0, 10, 10, nullptr, 0, nullptr, nullptr);
}

// Notes each message it is offered; answers `answer` and keeps the message
// from the window when it clears pass_on.
struct Watcher : ControlSubclass {
    Watcher(std::string name, bool clears = false, plat::LRESULT answer = 0)
        : name(std::move(name)), clears(clears), answer(answer) {}
    plat::LRESULT handle_message(uint32_t message, plat::WPARAM, plat::LPARAM, bool& pass_on) override {
        if (message != ask && message != plat::WM_DESTROY)
            return 0;
        seen.push_back(name);
        if (then)
            then();
        if (clears)
            pass_on = false;
        return answer;
    }
    std::string name;
    bool clears = false;
    plat::LRESULT answer = 0;
    std::function<void()> then;
};

using Seen = std::vector<std::string>;

} // namespace

TEST(ControlSubclass, NewestSeesFirstAndTheEarliestClearingOneAnswers) {
    const plat::HWND window = make_window();
    Watcher first("first"), second("second");
    first.attach(window);
    second.attach(window);
    seen.clear();
    EXPECT_EQ(plat::send_message(window, ask, 0, 0), 100);
    EXPECT_EQ(seen, (Seen{"second", "first", "window"}));

    first.clears = true;
    first.answer = 1;
    second.clears = true;
    second.answer = 2;
    seen.clear();
    EXPECT_EQ(plat::send_message(window, ask, 0, 0), 1);
    EXPECT_EQ(seen, (Seen{"second", "first"}));
    plat::destroy_window(window);
}

TEST(ControlSubclass, DetachingTheLastRestoresTheWindowProcedure) {
    const plat::HWND window = make_window();
    const plat::WNDPROC before = plat::get_window_proc(window);
    {
        Watcher a("a");
        a.attach(window);
        EXPECT_NE(plat::get_window_proc(window), before);
        Watcher b("b");
        b.attach(window);
        a.detach();
        a.detach();  // twice is harmless
        EXPECT_NE(plat::get_window_proc(window), before);
    }  // b detaches as it goes
    EXPECT_EQ(plat::get_window_proc(window), before);
    EXPECT_EQ(ControlSubclass::attached_count(window), 0u);
    Watcher again("again");
    again.attach(window);
    EXPECT_NE(plat::get_window_proc(window), before);
    plat::destroy_window(window);
}

TEST(ControlSubclass, HandlersMayDetachOrDestroyOthersDuringDispatch) {
    const plat::HWND window = make_window();
    auto victim = std::make_unique<Watcher>("victim");
    Watcher first("first"), leaver("leaver"), killer("killer");
    first.attach(window);
    victim->attach(window);
    leaver.attach(window);
    killer.attach(window);
    leaver.then = [&] { leaver.detach(); };
    killer.then = [&] { victim.reset(); };
    seen.clear();
    plat::send_message(window, ask, 0, 0);
    EXPECT_EQ(seen, (Seen{"killer", "leaver", "first", "window"}));
    EXPECT_EQ(ControlSubclass::attached_count(window), 2u);
    plat::destroy_window(window);
}

TEST(ControlSubclass, DestroyingTheWindowDetachesEveryone) {
    const plat::HWND window = make_window();
    Watcher a("a"), b("b");
    a.attach(window);
    b.attach(window);
    seen.clear();
    plat::destroy_window(window);
    EXPECT_EQ(seen, (Seen{"b", "a", "window"}));
    EXPECT_EQ(a.get_window(), nullptr);
    EXPECT_EQ(b.get_window(), nullptr);
    EXPECT_EQ(ControlSubclass::attached_count(window), 0u);
}
