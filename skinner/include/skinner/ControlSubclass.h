#pragma once
#include "plat/Messages.h"

#include <cstddef>
#include <cstdint>

namespace skinner {

// An object that watches and answers the messages of one native window. Any
// number may attach to a window: a single process-wide table replaces the
// window's procedure while at least one is attached and offers every
// message to them, newest first, before the previous procedure sees it.
// GUI thread only.
class ControlSubclass {
public:
    ControlSubclass() = default;
    ControlSubclass(const ControlSubclass&) = delete;
    ControlSubclass& operator=(const ControlSubclass&) = delete;
    // Detaches.
    virtual ~ControlSubclass();

    // Clearing pass_on keeps the message from the previous procedure and
    // makes the answer the message's result (when several clear it, the one
    // attached first wins). The default answers 0 and passes the message on.
    virtual plat::LRESULT handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam, bool& pass_on);

    // Attaching while attached elsewhere detaches first.
    void attach(plat::HWND window);
    // Restores the window's procedure when this was the last object on it.
    // Detaching a detached object does nothing.
    void detach();
    plat::HWND get_window() const { return window_; }

    // Objects attached to a window (0 without an entry), for tests.
    static size_t attached_count(plat::HWND window);

private:
    static plat::LRESULT window_procedure(plat::HWND window, uint32_t message, plat::WPARAM wparam,
                                          plat::LPARAM lparam);

    plat::HWND window_ = nullptr;
    uint64_t serial_ = 0;  // tells this attachment from a later one at the same address
};

} // namespace skinner
