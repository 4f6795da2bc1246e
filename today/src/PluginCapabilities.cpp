#include "skinner/Capabilities.h"

// The framework as the item library carries it: inside the home screen the
// item is always drawn as the plain Pocket PC form, whatever the device, so
// its menu manager is the plain one and its forms read only "Size".
namespace skinner {

bool is_smartphone() { return false; }
bool is_pocket_pc_new_os() { return false; }

} // namespace skinner
