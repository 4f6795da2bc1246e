#pragma once
// What the audio stages need of the base library's files, in one place.
#include "base/File.h"

namespace audio {

// A file with a recorded error is dead for I/O for good.
inline bool file_failed(os::File& file) { return file.has_error(); }

} // namespace audio
