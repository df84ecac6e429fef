// A small PNG writer for screenshots: 8-bit RGB, no interlace, one IDAT.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tw {

// Writes a w x h image whose row y is given by row(y) as 0x00RRGGBB
// pixels. False when the file cannot be written.
bool writePng(const std::string& path, int w, int h, const std::function<const uint32_t*(int)>& row);

}  // namespace tw
