// Character glyphs of the text screen, embedded at build time.
#pragma once

#include <cstdint>

namespace tw::font {

// 8x16 glyph of a single-byte code (ASCII, half-width katakana 0xA1-0xDF;
// 0x5C is the yen sign): 16 bytes, one per row, bit 7 = leftmost pixel.
// nullptr when the code has no glyph (drawn as a blank cell).
const uint8_t* halfGlyph(uint8_t code);

// 16x16 glyph of a double-byte code (lead byte << 8 | trail byte):
// 32 bytes, two per row (left byte first), bit 7 = leftmost pixel.
// nullptr when the code has no glyph.
const uint8_t* fullGlyph(uint16_t code);

}  // namespace tw::font
