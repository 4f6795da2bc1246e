#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Screenshots: 32-bit pixels (bytes blue, green, red, unused; rows top-down)
// into an RGB PNG file, compressed with stored deflate blocks.
namespace plat {

std::vector<uint8_t> encode_png(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride);
// Written to a temporary file beside the target and renamed over it.
bool write_png(const std::string& linux_path, const uint8_t* pixels, int32_t width, int32_t height, int32_t stride);

} // namespace plat
