#include "audio/Data.h"

#include <algorithm>

namespace audio {

liba::SharedBuffer front_bytes(const liba::SharedBuffer& buffer, size_t n) {
    return liba::SharedBuffer::slice(buffer, 0, std::min(n, size_t(buffer.length())));
}

liba::SharedBuffer drop_front_bytes(const liba::SharedBuffer& buffer, size_t n) {
    n = std::min(n, size_t(buffer.length()));
    return liba::SharedBuffer::slice(buffer, n, buffer.length() - n);
}

} // namespace audio
