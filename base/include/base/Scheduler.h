#pragma once
#include "plat/Messages.h"

#include <cstdint>
#include <memory>

class CActive;

// Runs the active objects of the GUI thread through one hidden window: a
// completion posts WM_USER+5 (the object in wparam) to it, and its dispatch
// calls the object's run(). All timers share the window's one window timer,
// armed to the nearest deadline. Only the thread that made it may use it.
class CActiveScheduler {
public:
    static constexpr uint32_t message_run = plat::WM_USER + 5;
    static constexpr std::uintptr_t window_timer_id = 1;
    // The longest the window timer is armed for; later deadlines re-check then.
    static constexpr uint32_t longest_wait_ms = 10000000;

    CActiveScheduler();
    // Active objects still living are a fatal report.
    ~CActiveScheduler();
    CActiveScheduler(const CActiveScheduler&) = delete;
    CActiveScheduler& operator=(const CActiveScheduler&) = delete;

    void set_active(CActive* object);
    void notify(CActive* object);
    bool process_actives(CActive* object);
    void cancel(CActive* object);

    // Running timers, in start order, with their deadlines (32-bit tick counts).
    void add_timer(CActive* timer, uint32_t deadline);
    void remove_timer(CActive* timer);
    // Notifies due timers and arms the window timer to the nearest deadline.
    void on_timer();

    plat::HWND window() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The scheduler that active objects reach; the application object sets it
// after making it (base does not know the GUI framework).
CActiveScheduler* get_active_scheduler();
void set_active_scheduler(CActiveScheduler* scheduler);
