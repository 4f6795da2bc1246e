#pragma once
#include "skinner/ControlSubclass.h"
#include "base/Stopwatch.h"
#include "plat/Gdi.h"

#include <cstdint>
#include <memory>

namespace skinner {

class Form;

// The display driver's power record, sent with the set escape and read with
// the get escape.
struct VideoPowerManagement {
    uint32_t length = 12;
    uint32_t version = 1;
    uint32_t power_state = 0;
};
constexpr uint32_t video_power_on = 1;
constexpr uint32_t video_power_off = 4;

// The plain manager: no driver to ask, so the display is always on.
class PowerManagerImpl {
public:
    explicit PowerManagerImpl(Form* form) : form_(form) {}
    PowerManagerImpl(const PowerManagerImpl&) = delete;
    PowerManagerImpl& operator=(const PowerManagerImpl&) = delete;
    virtual ~PowerManagerImpl() = default;

    virtual void set_display_on(bool on);
    virtual bool is_display_on();

    // Seconds since the user last touched the device (or the display was switched on).
    double seconds_since_activity() const { return activity_.elapsed(); }

protected:
    Form* form_ = nullptr;
    int32_t timer_id_ = 0;
    liba::Stopwatch activity_;
};

// A Pocket PC: the display's power escapes of the screen's context, and a
// hook on the form window that switches the display on at every tap or key.
class PowerManagerImplPocket : public PowerManagerImpl, public ControlSubclass {
public:
    // Attaches to the form window and starts a 1-second form timer.
    explicit PowerManagerImplPocket(Form* form);
    // Kills the timer and detaches.
    ~PowerManagerImplPocket() override;

    // Nothing without the driver's support.
    void set_display_on(bool on) override;
    // On without the driver's support, and when its state cannot be read.
    bool is_display_on() override;
    plat::LRESULT handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam, bool& pass_on) override;

private:
    bool escape_supported() const;
};

// Whether the device's display is on; chosen for the device when made for a form.
class PowerManager {
public:
    explicit PowerManager(Form* form);
    PowerManager(const PowerManager&) = delete;
    PowerManager& operator=(const PowerManager&) = delete;
    ~PowerManager();

    bool is_display_on();
    PowerManagerImpl& get_impl() { return *impl_; }

    // The display escape call (plat::ext_escape unless a test gives a driver
    // of its own); answers the previous one.
    using DisplayEscape = int (*)(plat::HDC dc, int escape, int input_size, const void* input, int output_size,
                                  void* output);
    static DisplayEscape set_display_escape(DisplayEscape escape);

private:
    std::unique_ptr<PowerManagerImpl> impl_;
};

} // namespace skinner
