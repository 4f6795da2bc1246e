#pragma once
#include "plat/Gdi.h"

#include <string_view>

namespace liba {
class ResourceReader;
}

namespace skinner {

// The own BMP reader for archive entries: an uncompressed 1, 4, 8, 16 (5-5-5),
// 24 or 32-bit file, bottom-up or top-down, from the reader's current
// position. Null for a header it does not accept or a file that ends early.
plat::HBITMAP read_bmp(liba::ResourceReader& reader, std::wstring_view name);

} // namespace skinner
