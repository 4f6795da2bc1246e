#!/bin/bash
# On a virtual X display with the SDL screen: closing the window (WM_CLOSE) hides the main form
# and the program stays resident; "AppRunAtTime" with nothing missed leaves it hidden; an empty
# text (the Today item's start) shows it again; "close" still ends it.
# Usage: chimely-window.sh DEVICE-TREE TOOLS-DIR
if [ -z "${CHIMELY_E2E_DISPLAY:-}" ]; then
    command -v xvfb-run > /dev/null || { echo "xvfb-run is missing: skipped"; exit 77; }
    exec env CHIMELY_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 640x480x24" bash "$0" "$@"
fi
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/chimely-lib.sh"
export CHIMELY_VIDEO=sdl CHIMELY_ZOOM=1 CHIMELY_NOW="2026-03-07 10:00:00"

# xwin state: "viewable", "unmapped" or "none" for the program's top-level window (named as the
# program); xwin close: asks that window to close, as a window manager's close button does.
xwin() {
    python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XInternAtom.restype = ctypes.c_ulong
display = ctypes.c_void_p(x.XOpenDisplay(None))
if not display:
    sys.exit("no display")
root = ctypes.c_ulong(x.XDefaultRootWindow(display))
root_out, parent = ctypes.c_ulong(), ctypes.c_ulong()
children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
x.XQueryTree(display, root, ctypes.byref(root_out), ctypes.byref(parent), ctypes.byref(children), ctypes.byref(count))
window = None
for i in range(count.value):
    name = ctypes.c_char_p()
    if x.XFetchName(display, ctypes.c_ulong(children[i]), ctypes.byref(name)) and name.value == b"Chimely":
        window = children[i]
if sys.argv[1] == "state":
    if window is None:
        print("none")
    else:
        attributes = (ctypes.c_long * 64)()  # XWindowAttributes, with room to spare
        x.XGetWindowAttributes(display, ctypes.c_ulong(window), attributes)
        # On a 64-bit system map_state is the int at byte 92, after map_installed.
        map_state = ctypes.cast(attributes, ctypes.POINTER(ctypes.c_int))[23]
        print({0: "unmapped", 1: "unviewable", 2: "viewable"}.get(map_state, "state %d" % map_state))
elif sys.argv[1] == "close" and window is not None:
    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]
    class Event(ctypes.Union):
        _fields_ = [("message", ClientMessage), ("pad", ctypes.c_long * 24)]
    event = Event()
    event.message.type = 33  # ClientMessage
    event.message.window = window
    event.message.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.message.format = 32
    event.message.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x.XSendEvent(display, ctypes.c_ulong(window), 0, ctypes.c_long(0), ctypes.byref(event))
    x.XFlush(display)
else:
    sys.exit("no window to close")
x.XCloseDisplay(display)
PY
}
window_is() { [ "$(xwin state)" = "$1" ]; }

start_chimely
wait_until 10 window_is viewable || fail "the program's window is not shown: $(xwin state)"
xwin close
wait_until 5 window_is unmapped || fault "closing the window did not hide it: $(xwin state)"
sleep 0.5
running "$PID" || fail "closing the window ended the program"

hand_over AppRunAtTime
wait_log 3 "in FormMain 'AppRunAtTime' 3" || fault "'AppRunAtTime' was not handled: $(log_text | tail -3)"
log_has "in FormMain 'AppRunAtTime' 2" || fault "'AppRunAtTime' found a missed alarm in an empty list"
sleep 0.5
window_is unmapped || fault "'AppRunAtTime' with nothing missed showed the window: $(xwin state)"

hand_over ""
wait_until 5 window_is viewable || fault "an empty text did not show the window: $(xwin state)"
hand_over close
finish "$PID" 5
[ "$STATUS" -eq 0 ] || fault "status $STATUS after 'close'"
passed
