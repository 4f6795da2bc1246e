#pragma once
#include <memory>

namespace skinner {

class FormImpl;

// Owns a form's window object. The form derives from it first, so the
// window exists before the container part is built and goes after it.
class FormImplHolder {
public:
    explicit FormImplHolder(std::unique_ptr<FormImpl> impl);
    virtual ~FormImplHolder();
    FormImplHolder(const FormImplHolder&) = delete;
    FormImplHolder& operator=(const FormImplHolder&) = delete;

    FormImpl* get_impl() const { return impl_.get(); }

protected:
    std::unique_ptr<FormImpl> impl_;
};

} // namespace skinner
