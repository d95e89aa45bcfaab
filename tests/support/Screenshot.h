// Screenshots for tests and test tools: a window's screen area saved as a
// PNG. The small PNG writer takes 32-bpp BGRX pixels and puts the image data
// into stored (uncompressed) deflate blocks, which every viewer reads.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

// Encodes top-down rows of 0x00RRGGBB pixels (as a 32-bpp DIB holds them).
std::vector<unsigned char> EncodePng(int width, int height, const unsigned char* bgrx);
bool WritePng(const std::string& path, int width, int height, const unsigned char* bgrx);

// Saves the screen area of a window (exact under Xvfb at 24-bit depth) as a
// 24-bit PNG; false when the capture or the file fails.
bool SaveWindowPng(HWND window, const std::string& path);

}  // namespace testsupport
