#include "screen/font.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

using tw::font::fullGlyph;
using tw::font::halfGlyph;

uint16_t fullRow(const uint8_t* g, int row) {
    return static_cast<uint16_t>(g[row * 2] << 8 | g[row * 2 + 1]);
}

struct HalfRow {
    uint8_t code;
    int row;
    uint8_t bits;
};

TEST(FontTest, HalfGlyphRows) {
    const HalfRow cases[] = {
        // 'A': pointed top, crossbar, open bottom rows.
        {0x41, 0, 0x00}, {0x41, 4, 0x18}, {0x41, 9, 0x7E}, {0x41, 13, 0x42}, {0x41, 14, 0x00},
        // 0x5C is the yen sign: a V on two crossbars; a backslash would be
        // 0x40 / 0x08 / 0x08 on these rows.
        {0x5C, 4, 0x41}, {0x5C, 8, 0x7F}, {0x5C, 9, 0x08}, {0x5C, 10, 0x7F},
        // Half-width katakana A (0xB1).
        {0xB1, 2, 0x7F}, {0xB1, 3, 0x01}, {0xB1, 4, 0x09}, {0xB1, 14, 0x20},
        // '~' and '0' bound the ASCII range.
        {0x30, 7, 0x46}, {0x7E, 3, 0x31},
    };
    for (const auto& c : cases) {
        const uint8_t* g = halfGlyph(c.code);
        ASSERT_NE(g, nullptr) << std::hex << int(c.code);
        EXPECT_EQ(g[c.row], c.bits) << std::hex << "code " << int(c.code) << " row " << std::dec << c.row;
    }
}

TEST(FontTest, HalfGlyphPresenceFollowsCodeRanges) {
    for (int code = 0; code < 256; ++code) {
        bool expected = (code >= 0x20 && code <= 0x7E) || (code >= 0xA1 && code <= 0xDF);
        EXPECT_EQ(halfGlyph(static_cast<uint8_t>(code)) != nullptr, expected) << std::hex << code;
    }
}

TEST(FontTest, SpaceIsBlankAndGlyphsAreDistinct) {
    const uint8_t blank[16] = {};
    ASSERT_NE(halfGlyph(0x20), nullptr);
    EXPECT_EQ(std::memcmp(halfGlyph(0x20), blank, 16), 0);
    // Neighbouring codes must not share or alias one glyph.
    const uint8_t pairs[][2] = {{0x41, 0x42}, {0x5B, 0x5C}, {0x5C, 0x5D}, {0xB1, 0xB2}, {0xDE, 0xDF}};
    for (const auto& p : pairs)
        EXPECT_NE(std::memcmp(halfGlyph(p[0]), halfGlyph(p[1]), 16), 0) << std::hex << int(p[0]);
}

struct FullRow {
    uint16_t code;
    int row;
    uint16_t bits;
};

TEST(FontTest, FullGlyphRows) {
    const FullRow cases[] = {
        // 0x889F: first level-1 kanji (U+4E9C).
        {0x889F, 0, 0x0000}, {0x889F, 1, 0x3FFE}, {0x889F, 5, 0x1FFC}, {0x889F, 6, 0x1224}, {0x889F, 14, 0x7FFF},
        // 0x88EA (U+4E00): a single stroke on row 7.
        {0x88EA, 6, 0x0000}, {0x88EA, 7, 0x7FFE}, {0x88EA, 8, 0x0000},
        // 0x93FA (U+65E5).
        {0x93FA, 1, 0x0FF8}, {0x93FA, 2, 0x0808}, {0x93FA, 7, 0x0FF8}, {0x93FA, 14, 0x0FF8}, {0x93FA, 15, 0x0000},
        // Full-width A (0x8260).
        {0x8260, 1, 0x0080}, {0x8260, 2, 0x0140}, {0x8260, 8, 0x07F0}, {0x8260, 13, 0x1004}, {0x8260, 14, 0x0000},
        // Hiragana small a (0x829F), last level-2 kanji (0xEAA4).
        {0x829F, 5, 0x0100}, {0x829F, 6, 0x0160}, {0xEAA4, 1, 0x3FBE},
        // Narrow section sign (0x8198) sits centred in the cell.
        {0x8198, 4, 0x03C0}, {0x8198, 5, 0x0420}, {0x8198, 11, 0x0020},
        // Box drawing is joined to the cell edges: horizontal line,
        // vertical line, top-left corner.
        {0x849F, 7, 0xFFFF}, {0x849F, 6, 0x0000},
        {0x84A0, 0, 0x0080}, {0x84A0, 15, 0x0080},
        {0x84A1, 7, 0x00FF}, {0x84A1, 6, 0x0000}, {0x84A1, 8, 0x0080},
    };
    for (const auto& c : cases) {
        const uint8_t* g = fullGlyph(c.code);
        ASSERT_NE(g, nullptr) << std::hex << c.code;
        EXPECT_EQ(fullRow(g, c.row), c.bits) << std::hex << "code " << c.code << " row " << std::dec << c.row;
    }
}

TEST(FontTest, CodesWithoutGlyph) {
    const uint8_t half[] = {0x00, 0x0D, 0x1F, 0x7F, 0x80, 0x81, 0x9F, 0xA0, 0xE0, 0xFC, 0xFD, 0xFF};
    for (uint8_t c : half) EXPECT_EQ(halfGlyph(c), nullptr) << std::hex << int(c);

    const uint16_t full[] = {
        0x0000, 0x0041, 0x00B1, 0xA0A1, 0xFD40, 0xFFFF,  // not a lead byte
        0x8100, 0x813F, 0x817F, 0x81FD, 0x81FF,          // not a trail byte
        0x81AD, 0x85A0, 0x889E, 0x9873, 0xEAA5,          // unassigned
        0xF040, 0xF9FC,                                  // user-defined area
    };
    for (uint16_t c : full) EXPECT_EQ(fullGlyph(c), nullptr) << std::hex << c;
}

TEST(FontTest, JisLevelOneAndKanaAreComplete) {
    struct Range {
        uint16_t first, last;
    };
    const Range ranges[] = {
        {0x829F, 0x82F1},  // hiragana
        {0x8340, 0x8396},  // katakana
        {0x889F, 0x9872},  // level-1 kanji
    };
    for (const auto& r : ranges) {
        int missing = 0;
        for (unsigned c = r.first; c <= r.last; ++c) {
            unsigned trail = c & 0xFF;
            if (trail < 0x40 || trail == 0x7F || trail > 0xFC) continue;
            if (!fullGlyph(static_cast<uint16_t>(c))) ++missing;
        }
        EXPECT_EQ(missing, 0) << std::hex << r.first << "-" << r.last;
    }
}

TEST(FontTest, DuplicateCodesShareTheirCharactersGlyph) {
    // NEC-selected IBM extensions, NEC row 13 and the IBM extensions encode
    // some characters twice.
    const uint16_t pairs[][2] = {
        {0xED40, 0xFA5C},  // U+7E8A
        {0xEEEF, 0xFA40},  // small roman numeral one
        {0x8790, 0x81E0},  // approximately equal
    };
    for (const auto& p : pairs) {
        const uint8_t* a = fullGlyph(p[0]);
        const uint8_t* b = fullGlyph(p[1]);
        ASSERT_NE(a, nullptr) << std::hex << p[0];
        ASSERT_NE(b, nullptr) << std::hex << p[1];
        EXPECT_EQ(std::memcmp(a, b, 32), 0) << std::hex << p[0];
    }
    EXPECT_NE(std::memcmp(fullGlyph(0x889F), fullGlyph(0x88A0), 32), 0);
}

}  // namespace
