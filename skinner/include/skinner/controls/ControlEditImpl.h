#pragma once
#include "plat/Gdi.h"

#include <cstdint>
#include <string>

namespace skinner {

// The device part of an edit box. The plain one draws nothing of its own:
// the control edits and draws the text itself, and every operation here
// does nothing.
class ControlEditImpl {
public:
    explicit ControlEditImpl(bool draws_itself = true) : draws_itself_(draws_itself) {}
    ControlEditImpl(const ControlEditImpl&) = delete;
    ControlEditImpl& operator=(const ControlEditImpl&) = delete;
    virtual ~ControlEditImpl() = default;

    virtual void set_input_mode(const std::wstring& name) { (void)name; }
    virtual void set_text(const std::wstring& text) { (void)text; }
    virtual void focus() {}
    virtual void set_selection(int32_t first, int32_t last) { (void)first; (void)last; }
    virtual void set_read_only(bool read_only) { (void)read_only; }
    virtual void set_visible(bool visible) { (void)visible; }
    virtual void on_got_focus() {}
    virtual void on_lost_focus() {}
    virtual void set_rect(plat::POINT position, plat::POINT size) { (void)position; (void)size; }

    bool draws_itself() const { return draws_itself_; }

private:
    bool draws_itself_ = true;
};

} // namespace skinner
