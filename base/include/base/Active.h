#pragma once

class CActiveScheduler;

// An object whose request completes on the GUI thread's message loop: it is
// marked active, completed with notify(), and its run() is called when the
// loop dispatches the notification.
class CActive {
public:
    CActive() = default;
    // Destroying an active object is a fatal report.
    virtual ~CActive();
    CActive(const CActive&) = delete;
    CActive& operator=(const CActive&) = delete;

    void set_active();
    // Completes the request: its notification is queued (at most one at a time).
    void notify();
    // Withdraws the request; nothing happens when the object is not active.
    void cancel();
    bool is_active() const { return active_; }

protected:
    friend class CActiveScheduler;
    // The request completed.
    virtual void run() = 0;
    // Withdraws the request; must end by completing it (notify), so that the
    // cancel finds the notification.
    virtual void do_cancel() = 0;

private:
    bool active_ = false;
    bool queued_ = false;  // a notification is in the queue or parked
};
