#include "skinner/FormImplHolder.h"

#include "skinner/FormImpl.h"

namespace skinner {

FormImplHolder::FormImplHolder(std::unique_ptr<FormImpl> impl) : impl_(std::move(impl)) {}

FormImplHolder::~FormImplHolder() = default;

} // namespace skinner
