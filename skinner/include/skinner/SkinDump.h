#pragma once
#include <string>

namespace skinner {

class SkinFile;

// A compiled skin as skin source (XML) that compiles back to the same bytes
// when the skin was made by the compiler. Walks every tree, array and name
// through the skin's checked accessors, so any image is safe to dump.
// An invalid skin gives an empty text.
std::string dump_skin(const SkinFile& skin);

} // namespace skinner
