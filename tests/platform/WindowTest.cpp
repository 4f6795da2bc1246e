#include "plat/Errors.h"
#include "plat/Window.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace plat;

namespace {

struct Event {
    HWND hwnd = nullptr;
    uint32_t message = 0;
    std::wstring text;  // the creation's window name, when there is one
};

std::vector<Event> g_events;
LRESULT g_create_answer = 0;

LRESULT logging_proc(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
    Event e{hwnd, message, {}};
    if (message == WM_CREATE || message == WM_NCCREATE)
        e.text = reinterpret_cast<const CreateStruct*>(lparam)->name;
    g_events.push_back(e);
    if (message == WM_CREATE)
        return g_create_answer;
    return def_window_proc(hwnd, message, wparam, lparam);
}

WNDPROC g_previous = nullptr;
int g_subclass_calls = 0;

LRESULT subclass_proc(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
    ++g_subclass_calls;
    if (message == WM_USER + 9)
        return 99;  // taken here; the previous procedure never sees it
    return call_window_proc(g_previous, hwnd, message, wparam, lparam);
}

class Windows : public testing::Test {
protected:
    void SetUp() override {
        g_events.clear();
        g_create_answer = 0;
        WindowClass wc;
        wc.name = L"WindowTestClass";
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        wc.procedure = logging_proc;
        register_class(wc);  // once per process; later calls find it taken
    }
    HWND make(HWND parent = nullptr, uint32_t style = 0, const wchar_t* name = L"w") {
        return create_window(0, L"WindowTestClass", name, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, parent, 7, nullptr, nullptr);
    }
    std::vector<uint32_t> messages_of(HWND hwnd) const {
        std::vector<uint32_t> out;
        for (const Event& e : g_events)
            if (e.hwnd == hwnd)
                out.push_back(e.message);
        return out;
    }
};

} // namespace

TEST_F(Windows, ClassNamesAreUniqueIgnoringCase) {
    WindowClass wc;
    wc.name = L"windowtestCLASS";
    wc.procedure = logging_proc;
    EXPECT_EQ(register_class(wc), 0);
    EXPECT_EQ(last_error(), ERROR_CLASS_ALREADY_EXISTS);
    HWND hwnd = create_window(0, L"WINDOWTESTCLASS", L"x", 0, 0, 0, 1, 1, nullptr, 0, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(get_class_name(hwnd), L"WindowTestClass");
    EXPECT_FALSE(unregister_class(L"WindowTestClass"));  // a window still uses it
    destroy_window(hwnd);

    EXPECT_EQ(create_window(0, L"NoSuchClass", L"x", 0, 0, 0, 1, 1, nullptr, 0, nullptr, nullptr), nullptr);
    EXPECT_EQ(last_error(), ERROR_CANNOT_FIND_WND_CLASS);
}

TEST_F(Windows, CreationSendsNcCreateThenCreate) {
    HWND hwnd = make(nullptr, WS_DISABLED, L"CActiveScheduler");
    ASSERT_NE(hwnd, nullptr);
    ASSERT_EQ(g_events.size(), 2u);
    EXPECT_EQ(g_events[0].message, WM_NCCREATE);
    EXPECT_EQ(g_events[1].message, WM_CREATE);
    EXPECT_EQ(g_events[1].text, L"CActiveScheduler");
    EXPECT_EQ(get_window_text(hwnd), L"CActiveScheduler");
    EXPECT_EQ(uint32_t(get_window_long(hwnd, GWL_STYLE)), WS_DISABLED);
    EXPECT_EQ(get_window_thread_id(hwnd), current_thread_id());
    destroy_window(hwnd);
}

TEST_F(Windows, CreateAnsweringMinusOneFailsTheCreation) {
    g_create_answer = -1;
    EXPECT_EQ(make(), nullptr);
    ASSERT_FALSE(g_events.empty());
    HWND failed = g_events[0].hwnd;
    EXPECT_FALSE(is_window(failed));
    EXPECT_EQ(messages_of(failed), (std::vector<uint32_t>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(Windows, DestroyTakesChildrenAndOwnedWindowsAlong) {
    HWND top = make();
    HWND child = make(top, WS_CHILD);
    HWND owned = make(top, WS_POPUP);
    HWND grandchild = make(child, WS_CHILD);
    EXPECT_EQ(get_parent(child), top);
    EXPECT_EQ(get_owner(child), nullptr);
    EXPECT_EQ(get_owner(owned), top);
    EXPECT_EQ(get_parent(owned), nullptr);
    EXPECT_EQ(get_window_long(child, GWL_ID), 7);
    g_events.clear();

    // WM_CLOSE's default handling destroys the window.
    send_message(top, WM_CLOSE, 0, 0);
    for (HWND hwnd : {top, child, owned, grandchild})
        EXPECT_FALSE(is_window(hwnd));
    std::vector<std::pair<HWND, uint32_t>> order;
    for (const Event& e : g_events)
        order.emplace_back(e.hwnd, e.message);
    EXPECT_EQ(order, (std::vector<std::pair<HWND, uint32_t>>{{top, WM_CLOSE},
                                                              {top, WM_DESTROY},
                                                              {child, WM_DESTROY},
                                                              {grandchild, WM_DESTROY},
                                                              {grandchild, WM_NCDESTROY},
                                                              {child, WM_NCDESTROY},
                                                              {owned, WM_DESTROY},
                                                              {owned, WM_NCDESTROY},
                                                              {top, WM_NCDESTROY}}));
    EXPECT_FALSE(destroy_window(top));
}

TEST_F(Windows, OnlyTheOwningThreadDestroys) {
    HWND hwnd = make();
    bool destroyed = true;
    std::thread other([&] { destroyed = destroy_window(hwnd); });
    other.join();
    EXPECT_FALSE(destroyed);
    EXPECT_TRUE(is_window(hwnd));
    EXPECT_TRUE(destroy_window(hwnd));
}

TEST_F(Windows, ReplacedProcedureSeesMessagesFirst) {
    HWND hwnd = make();
    g_previous = set_window_proc(hwnd, subclass_proc);
    EXPECT_EQ(g_previous, &logging_proc);
    EXPECT_EQ(get_window_proc(hwnd), &subclass_proc);
    g_events.clear();
    g_subclass_calls = 0;

    EXPECT_EQ(send_message(hwnd, WM_USER + 9, 0, 0), 99);
    EXPECT_TRUE(g_events.empty());
    post_message(hwnd, WM_USER + 1, 0, 0);
    MSG msg;
    ASSERT_TRUE(peek_message(msg, hwnd, 0, 0, PM_REMOVE));
    dispatch_message(msg);
    EXPECT_EQ(g_subclass_calls, 2);
    EXPECT_EQ(messages_of(hwnd), (std::vector<uint32_t>{WM_USER + 1}));

    // Putting the old procedure back ends the subclassing.
    EXPECT_EQ(set_window_proc(hwnd, g_previous), &subclass_proc);
    send_message(hwnd, WM_USER + 9, 0, 0);
    EXPECT_EQ(g_subclass_calls, 2);
    destroy_window(hwnd);
    EXPECT_EQ(set_window_proc(hwnd, subclass_proc), nullptr);
}

TEST_F(Windows, WindowLongsKeepStyleAndUserData) {
    HWND hwnd = make(nullptr, WS_DISABLED);
    EXPECT_EQ(set_window_long(hwnd, GWL_USERDATA, 1234), 0);
    EXPECT_EQ(get_window_long(hwnd, GWL_USERDATA), 1234);
    EXPECT_EQ(uint32_t(set_window_long(hwnd, GWL_STYLE, WS_VISIBLE)), WS_DISABLED);
    EXPECT_EQ(uint32_t(get_window_long(hwnd, GWL_STYLE)), WS_VISIBLE);
    destroy_window(hwnd);
    EXPECT_EQ(get_window_long(hwnd, GWL_USERDATA), 0);
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
}
