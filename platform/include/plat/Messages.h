#pragma once
#include <cstdint>

// Messages and per-thread message queues. Numbers are the device's, so the
// system's tables map one to one. Every thread gets a queue on its first
// queue call (current_thread_id, peek, get, post, send, window creation);
// threads are named by their Linux thread id.
namespace plat {

struct WindowHandle;  // opaque: handles are ids, never dereferenced
using HWND = WindowHandle*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using WNDPROC = LRESULT (*)(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam);

struct MSG {
    HWND hwnd = nullptr;  // null for a thread message
    uint32_t message = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    uint32_t time = 0;    // tick count when posted (or generated)
};

// A peek/get filter that selects only thread messages (those without a window).
inline const HWND HWND_THREAD_MESSAGES = reinterpret_cast<HWND>(std::intptr_t(-1));

// Message numbers.
constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_CREATE = 0x0001;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_MOVE = 0x0003;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_ACTIVATE = 0x0006;
constexpr uint32_t WM_SETFOCUS = 0x0007;
constexpr uint32_t WM_KILLFOCUS = 0x0008;
constexpr uint32_t WM_ENABLE = 0x000A;
constexpr uint32_t WM_SETTEXT = 0x000C;
constexpr uint32_t WM_GETTEXT = 0x000D;
constexpr uint32_t WM_GETTEXTLENGTH = 0x000E;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_ERASEBKGND = 0x0014;
constexpr uint32_t WM_SHOWWINDOW = 0x0018;
constexpr uint32_t WM_SETTINGCHANGE = 0x001A;
constexpr uint32_t WM_SETCURSOR = 0x0020;
constexpr uint32_t WM_WINDOWPOSCHANGED = 0x0047;
constexpr uint32_t WM_COPYDATA = 0x004A;
constexpr uint32_t WM_NOTIFY = 0x004E;
constexpr uint32_t WM_NCCREATE = 0x0081;
constexpr uint32_t WM_NCDESTROY = 0x0082;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr uint32_t WM_SYSKEYUP = 0x0105;
constexpr uint32_t WM_IME_COMPOSITION = 0x010F;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_INITMENUPOPUP = 0x0117;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
constexpr uint32_t WM_CAPTURECHANGED = 0x0215;
constexpr uint32_t WM_CANCELMODE = 0x001F;
constexpr uint32_t WM_HOTKEY = 0x0312;
constexpr uint32_t WM_USER = 0x0400;
constexpr uint32_t WM_APP = 0x8000;

// peek_message flags.
constexpr uint32_t PM_NOREMOVE = 0x0000;
constexpr uint32_t PM_REMOVE = 0x0001;
constexpr uint32_t PM_NOYIELD = 0x0002;

// Error codes of the window and message calls (see also "plat/Errors.h").
constexpr uint32_t ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr uint32_t ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr uint32_t ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr uint32_t ERROR_CLASS_HAS_WINDOWS = 1412;
constexpr uint32_t ERROR_INVALID_THREAD_ID = 1444;

// The Linux thread id of the calling thread (native_thread_id() of
// "plat/Threads.h"); makes the thread's queue, so post_thread_message reaches it.
int current_thread_id();

// Posts to the queue of the window's thread; a null window posts a thread
// message to the calling thread. False for a window that does not exist.
bool post_message(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam);
// False when the thread has no queue (never made a queue call, or ended).
bool post_thread_message(int thread_id, uint32_t message, WPARAM wparam, LPARAM lparam);
// Calls the window procedure: directly on the window's own thread; from
// another thread, waits until that thread handles it in one of its queue
// calls (meanwhile handling messages sent to the caller). 0 for no window.
LRESULT send_message(HWND window, uint32_t message, WPARAM wparam, LPARAM lparam);

// Waits for the next message of the calling thread that passes the filter
// (window: null = any, HWND_THREAD_MESSAGES = thread messages only; range
// first..last, 0..0 = any). Sent messages are handled while waiting. Order:
// posted messages and input in arrival order, then the quit request (only to
// a filter that admits WM_QUIT and names no window, so a filtered search
// never swallows it), then WM_PAINT for one window with an update region
// (parents first), then due window timers (earliest first). Returns 0 for WM_QUIT, -1 when the
// filter names no window, else 1. May be called from inside a window
// procedure (nested loops).
// With a frozen fake clock an idle wait moves the clock to the next timer.
int get_message(MSG& msg, HWND window, uint32_t first, uint32_t last);
// The same without waiting; PM_REMOVE takes the message out, leaving the
// others in their order.
bool peek_message(MSG& msg, HWND window, uint32_t first, uint32_t last, uint32_t flags);
// Calls the procedure of msg.hwnd; thread messages are not dispatched (0).
LRESULT dispatch_message(const MSG& msg);
// The calling thread's next get_message returns WM_QUIT (wparam = exit code)
// once no posted message is left.
void post_quit_message(int exit_code);

// Window timers, by (window, id): setting an existing one restarts it. When
// due, the window's thread receives WM_TIMER (wparam = id) once; the next one
// is due an interval after it was taken. The interval is clamped to 1..0x7FFFFFFF ms.
bool set_timer(HWND window, std::uintptr_t id, uint32_t interval_ms);
bool kill_timer(HWND window, std::uintptr_t id);

} // namespace plat
