// A small PNG writer: 32-bpp BGRX pixels in, an RGB PNG out. The image data
// goes into stored (uncompressed) deflate blocks, which every viewer reads.
#pragma once

#include <string>
#include <vector>

namespace driver {

// Encodes top-down rows of 0x00RRGGBB pixels (as a 32-bpp DIB holds them).
std::vector<unsigned char> EncodePng(int width, int height, const unsigned char* bgrx);
bool WritePng(const std::string& path, int width, int height, const unsigned char* bgrx);

}  // namespace driver
