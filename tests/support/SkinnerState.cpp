#include "TempRoot.h"

#include "skinner/Capabilities.h"
#include "skinner/MenuManagerImplPocket.h"

namespace {

// The framework keeps the device kind and the tool-bar ids for the life of the
// process; each test starts with them as a new process would.
const bool registered = (testing_support::after_each_test([] {
                             skinner::forget_capabilities();
                             skinner::MenuManagerImplPocket::refill_free_ids();
                         }),
                         true);

} // namespace
