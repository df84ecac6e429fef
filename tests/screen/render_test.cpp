#include "screen/render.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tw::Display;
using tw::Framebuffer;
using tw::Rect;
using tw::TextScreen;

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;

// The pixels of glyph row `gy` of the character at cell (col, row), as
// bits (leftmost pixel highest): a bit is set where the pixel is `on`.
// Any pixel that is neither `on` nor `off` fails the test.
uint32_t rowBits(const Framebuffer& fb, int col, int row, int gy, int width, uint32_t on, uint32_t off) {
    uint32_t bits = 0;
    for (int i = 0; i < width; ++i) {
        const uint32_t p = fb.pixel(col * 8 + i, row * 16 + gy);
        EXPECT_TRUE(p == on || p == off) << std::hex << "pixel " << p << " at x " << std::dec << col * 8 + i;
        bits = bits << 1 | (p == on ? 1u : 0u);
    }
    return bits;
}

TEST(RenderTest, GlyphPixelsOfKnownCharacters) {
    const struct {
        const char* name;
        std::string text;
        int col;     // cell the character starts in
        int gy;      // glyph row
        int width;   // 8 or 16 pixels
        uint32_t bits;
    } cases[] = {
        {"A crossbar", "A", 0, 9, 8, 0x7E},
        {"A legs", "A", 0, 13, 8, 0x42},
        {"yen sign, not backslash", "\x5c", 0, 8, 8, 0x7F},
        {"yen sign stem", "\x5c", 0, 9, 8, 0x08},
        {"half-width katakana A", "\xb1", 0, 2, 8, 0x7F},
        {"kanji one", "\x88\xea", 0, 7, 16, 0x7FFE},
        {"kanji one, empty row", "\x88\xea", 0, 6, 16, 0x0000},
        {"kanji day", "\x93\xfa", 0, 1, 16, 0x0FF8},
        {"kanji after a letter", "X\x93\xfa", 1, 2, 16, 0x0808},
        {"lone 0xA0 is blank", "\xa0", 0, 9, 8, 0x00},
        {"byte without a glyph", "\x80", 0, 9, 8, 0x00},
        {"lead byte without trail", "\x88", 0, 7, 8, 0x00},
    };
    for (const auto& c : cases) {
        TextScreen text;
        Display d(text);
        text.setCursor(0, 3);
        text.write(c.text);
        EXPECT_EQ(rowBits(d.composite(), c.col, 3, c.gy, c.width, kWhite, kBlack), c.bits) << c.name;
    }
}

TEST(RenderTest, FunctionKeyLine) {
    TextScreen text;
    Display::KeyStrings keys = Display::defaultKeys();
    Display d(text, keys);
    const int y0 = 24 * 16;
    // Text on row 24 shows only between the boxes.
    text.setCursor(0, 24);
    text.write(std::string(79, '\xdb'));  // a katakana; 80 would wrap and scroll
    for (int k = 0; k < 10; ++k) {
        const int x0 = 5 + 64 * k;
        const Framebuffer& fb = d.composite();
        for (int y = y0; y < y0 + 16; ++y) {
            // Every key string ends in a blank, so the box's last column is white.
            EXPECT_EQ(fb.pixel(x0 + 47, y), kWhite) << "box " << k << " y " << y;
        }
        EXPECT_EQ(fb.pixel(x0, y0), kWhite) << "box " << k;
    }
    // Between the boxes the text layer shows through.
    int lit = 0;
    for (int x = 53; x < 69; ++x)
        for (int y = y0; y < y0 + 16; ++y) lit += d.composite().pixel(x, y) == kWhite;
    EXPECT_GT(lit, 0);
    EXPECT_LT(lit, 16 * 16);

    // A key string is drawn in black from the box's left edge.
    keys[2] = "A     ";
    uint32_t bits = 0;
    const int x0 = 5 + 64 * 2;
    for (int i = 0; i < 8; ++i) bits = bits << 1 | (d.composite().pixel(x0 + i, y0 + 9) == kBlack ? 1u : 0u);
    EXPECT_EQ(bits, 0x7Eu);
    for (int x = x0 + 8; x < x0 + 48; ++x) EXPECT_EQ(d.composite().pixel(x, y0 + 9), kWhite);

    // Without the line, row 24 is ordinary text.
    text.setFkeyLine(false);
    for (int k = 0; k < 10; ++k) EXPECT_NE(d.composite().pixel(5 + 64 * k + 47, y0 + 15), kWhite) << k;
}

TEST(RenderTest, ClearColourIsTransparent) {
    TextScreen text;
    Display d(text);
    d.fillPage(0, kRed);
    text.write("A");
    text.setCursor(10, 0);
    text.setForeground(0);  // black, the clear colour: invisible
    text.write("A");
    const Framebuffer* fb = &d.composite();
    EXPECT_EQ(rowBits(*fb, 0, 0, 9, 8, kWhite, kRed), 0x7Eu);
    EXPECT_EQ(rowBits(*fb, 10, 0, 9, 8, kBlack, kRed), 0x00u);
    EXPECT_EQ(fb->pixel(40, 8), kRed);  // a blank cell

    // Hidden graphics: the clear colour is what lies under the text.
    d.setGraphicsShown(false);
    fb = &d.composite();
    EXPECT_EQ(rowBits(*fb, 0, 0, 9, 8, kWhite, kBlack), 0x7Eu);
    EXPECT_EQ(fb->pixel(40, 8), kBlack);
    d.setGraphicsShown(true);

    // Page 1 displayed: its pixels, not page 0's, show through.
    d.page(1).fill(kBlue);
    d.setDisplayedPage(1);
    EXPECT_EQ(d.composite().pixel(40, 8), kBlue);
    d.setDisplayedPage(-1);
    EXPECT_EQ(d.composite().pixel(40, 8), kBlack);
    d.setDisplayedPage(0);

    // A new clear colour: text already there keeps a see-through background.
    text.setClearColour(1);
    fb = &d.composite();
    EXPECT_EQ(rowBits(*fb, 0, 0, 9, 8, kWhite, kRed), 0x7Eu);
    EXPECT_EQ(fb->pixel(40, 8), kRed);
    // Glyph pixels in the new clear colour vanish; black ones now show.
    EXPECT_EQ(rowBits(*fb, 10, 0, 9, 8, kBlack, kRed), 0x7Eu);

    // Changing the palette entry of the clear colour: cells keep the colour
    // they were drawn with, which is no longer the transparent one.
    text.setPaletteEntry(1, 0x00FF00);
    EXPECT_EQ(d.composite().pixel(40, 8), kBlue);
}

TEST(RenderTest, DirtyAreasCoverWhatChanged) {
    TextScreen text;
    Display::KeyStrings keys = Display::defaultKeys();
    Display d(text, keys);
    EXPECT_EQ(d.takeDirty(), Framebuffer::bounds());
    EXPECT_TRUE(d.takeDirty().empty());

    text.setCursor(5, 3);
    text.write("X");
    EXPECT_EQ(d.takeDirty(), (Rect{0, 48, 639, 63}));

    d.markDirty(0, Rect{10, 20, 30, 40});
    EXPECT_EQ(d.takeDirty(), (Rect{10, 20, 30, 40}));
    d.markDirty(1, Rect{10, 20, 30, 40});  // not displayed
    EXPECT_TRUE(d.takeDirty().empty());
    d.markDirty(0, Rect{630, 390, 700, 500});
    EXPECT_EQ(d.takeDirty(), (Rect{630, 390, 639, 399}));

    keys[0] = "LOAD  ";
    EXPECT_EQ(d.takeDirty(), (Rect{0, 384, 639, 399}));
    text.setFkeyLine(false);
    EXPECT_EQ(d.takeDirty(), (Rect{0, 384, 639, 399}));

    text.setConsole(0, 10);
    text.setCursor(0, 9);
    text.newline();
    EXPECT_EQ(d.takeDirty(), (Rect{0, 0, 639, 159}));
}

TEST(RenderTest, IncrementalCompositeEqualsAFreshOne) {
    // Whatever the order of changes and repaints, the composite kept up to
    // date piece by piece must equal one composed from scratch.
    TextScreen text;
    Display::KeyStrings keys = Display::defaultKeys();
    Display d(text, keys);
    auto step = [&](auto&& change) {
        change();
        d.takeDirty();
    };
    step([&] { text.write("HELLO\x93\xfa\n"); });
    step([&] { for (int i = 0; i < 30; ++i) text.write("line " + std::to_string(i) + "\n"); });
    step([&] { text.setForeground(2); text.setCursor(70, 5); text.write("WRAPPING TEXT"); });
    step([&] { text.rowTextMut(7) = "edited in place"; });
    step([&] { keys[4] = "RUN" "\x0d  "; });
    step([&] { text.setConsole(3, 8); text.setCursor(0, 10); text.write("\n\n\x07"); });
    step([&] { text.setClearColour(4); });
    step([&] { text.setPaletteEntry(4, 0x102030); });
    step([&] { text.write("\x0c" "after clear"); });
    step([&] { text.setFkeyLine(false); text.setCursor(0, 24); text.write("bottom"); });

    Display fresh(text, keys);
    fresh.page(0) = d.page(0);
    fresh.page(1) = d.page(1);
    fresh.invalidate();
    const Framebuffer& a = d.composite();
    const Framebuffer& b = fresh.composite();
    int differing = 0;
    for (int y = 0; y < Framebuffer::Height; ++y)
        for (int x = 0; x < Framebuffer::Width; ++x) differing += a.pixel(x, y) != b.pixel(x, y);
    EXPECT_EQ(differing, 0);
}

}  // namespace
