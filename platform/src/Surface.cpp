#include "GdiObjects.h"

#include <cstdlib>
#include <new>
#include <utility>

#include <sys/mman.h>

namespace plat {

namespace {

// From this size on the pixels are fresh zero pages of their own: the kernel maps a page in only
// when something draws on it, so a window surface or a screen that is never drawn on (or only in
// part) costs no memory, and a freed one goes straight back to the system.
constexpr size_t mapped_surface_bytes = 64 * 1024;

} // namespace

Surface::Surface(int32_t width, int32_t height) : width_(width), height_(height) {
    const size_t bytes = size_t(width) * size_t(height) * sizeof(uint32_t);
    if (bytes >= mapped_surface_bytes) {
        void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED)
            throw std::bad_alloc();
        pixels_ = static_cast<uint32_t*>(pages);
        mapped_ = true;
    } else {
        pixels_ = static_cast<uint32_t*>(std::calloc(bytes ? bytes : 1, 1));
        if (!pixels_)
            throw std::bad_alloc();
    }
}

Surface::Surface(Surface&& other) noexcept
    : selected_into(std::exchange(other.selected_into, nullptr)),
      stock(other.stock),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      pixels_(std::exchange(other.pixels_, nullptr)),
      mapped_(std::exchange(other.mapped_, false)) {}

Surface& Surface::operator=(Surface&& other) noexcept {
    selected_into = other.selected_into;
    stock = other.stock;
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    std::swap(pixels_, other.pixels_);
    std::swap(mapped_, other.mapped_);
    return *this;
}

Surface::~Surface() {
    if (!pixels_)
        return;
    if (mapped_)
        munmap(pixels_, size_t(width_) * size_t(height_) * sizeof(uint32_t));
    else
        std::free(pixels_);
}

} // namespace plat
