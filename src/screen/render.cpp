#include "screen/render.h"

#include <algorithm>

#include "screen/font.h"

namespace tw {

namespace {

constexpr int CW = TextScreen::CellWidth;
constexpr int CH = TextScreen::CellHeight;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;

// Function-key boxes: ten of them on row 24, 48x16 pixels, 64 apart.
constexpr int kBoxX0 = 5;
constexpr int kBoxStep = 64;
constexpr int kBoxWidth = 48;

// Where a cell finds its glyph row bits: glyph + gy * stride + byte.
struct GlyphRef {
    const uint8_t* bits = nullptr;
    int stride = 1;
    int byte = 0;
};

bool leadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Glyphs of the cells of a row of bytes (at most `cells` cells). A double-
// byte character covers two cells; bytes without a glyph stay blank.
template <size_t N>
void rowGlyphs(const std::string& t, std::array<GlyphRef, N>& out, int cells) {
    out.fill(GlyphRef{});
    const int n = std::min(static_cast<int>(t.size()), cells);
    for (int c = 0; c < n;) {
        const uint8_t b = static_cast<uint8_t>(t[static_cast<size_t>(c)]);
        if (leadByte(b) && c + 1 < static_cast<int>(t.size())) {
            const uint16_t code = static_cast<uint16_t>(b << 8 | static_cast<uint8_t>(t[static_cast<size_t>(c + 1)]));
            if (const uint8_t* g = font::fullGlyph(code)) {
                out[static_cast<size_t>(c)] = GlyphRef{g, 2, 0};
                if (c + 1 < cells) out[static_cast<size_t>(c + 1)] = GlyphRef{g, 2, 1};
            }
            c += 2;
            continue;
        }
        if (const uint8_t* g = font::halfGlyph(b)) out[static_cast<size_t>(c)] = GlyphRef{g, 1, 0};
        ++c;
    }
}

bool glyphBit(const GlyphRef& g, int gy, int gx) {
    return g.bits && (g.bits[gy * g.stride + g.byte] & (0x80 >> gx));
}

const Rect kFkeyBand{0, TextScreen::FkeyRow * CH, Framebuffer::Width - 1, TextScreen::FkeyRow * CH + CH - 1};

}  // namespace

const Display::KeyStrings& Display::defaultKeys() {
    static const KeyStrings keys{"load  ", "auto  ", "go to ", "list  ", "run   ",
                                 "save  ", "key   ", "print ", "edit  ", "cont  "};
    return keys;
}

Display::Display(TextScreen& text, const KeyStrings& keys) : text_(text), keys_(&keys) {
    pages_[0].fill(text_.keyRgb());
    pages_[1].fill(text_.keyRgb());
    invalidate();
}

Display::Display(TextScreen& text) : Display(text, defaultKeys()) {}

void Display::setDisplayedPage(int n) {
    n = n == 0 || n == 1 ? n : -1;
    if (n == displayedPage_) return;
    displayedPage_ = n;
    invalidate();
}

void Display::setGraphicsShown(bool on) {
    if (on == graphicsShown_) return;
    graphicsShown_ = on;
    invalidate();
}

void Display::fillPage(int n, uint32_t rgb, const Rect& area) {
    const Rect r{std::max(area.x1, viewport.x1), std::max(area.y1, viewport.y1), std::min(area.x2, viewport.x2),
                 std::min(area.y2, viewport.y2)};
    if (r.empty()) return;
    page(n).fill(r, rgb);
    markDirty(n, r);
}

void Display::markDirty(int n, const Rect& r) {
    if ((n & 1) != displayedPage_) return;
    pending_.unite(r.clipped(Framebuffer::Width, Framebuffer::Height));
}

void Display::invalidate() { pending_ = Framebuffer::bounds(); }

const Framebuffer& Display::composite() {
    update();
    return composite_;
}

Rect Display::takeDirty() {
    update();
    const Rect r = changed_;
    changed_ = Rect{};
    return r;
}

void Display::update() {
    int first = 0;
    int last = 0;
    if (text_.takeDirtyRows(first, last))
        pending_.unite(Rect{0, first * CH, Framebuffer::Width - 1, last * CH + CH - 1});
    if (text_.fkeyLine() != shownFkeyOn_ || (text_.fkeyLine() && *keys_ != shownKeys_)) {
        shownFkeyOn_ = text_.fkeyLine();
        shownKeys_ = *keys_;
        pending_.unite(kFkeyBand);
    }
    if (pending_.empty()) return;
    const Rect r = pending_;
    pending_ = Rect{};
    composeRect(r);
    changed_.unite(r);
}

void Display::renderTextLayer(Framebuffer& out) {
    update();
    composeInto(out, Framebuffer::bounds(), nullptr);
}

void Display::composeRect(const Rect& r) {
    const bool pageShown = graphicsShown_ && displayedPage_ >= 0;
    composeInto(composite_, r, pageShown ? &pages_[static_cast<size_t>(displayedPage_)] : nullptr);
}

void Display::composeInto(Framebuffer& dest, const Rect& r, const Framebuffer* base) {
    const uint32_t key = text_.keyRgb();
    std::array<GlyphRef, TextScreen::Cols> glyphs;
    for (int tr = r.y1 / CH; tr <= r.y2 / CH; ++tr) {
        rowGlyphs(text_.rowText(tr), glyphs, TextScreen::Cols);
        const int y1 = std::max(r.y1, tr * CH);
        const int y2 = std::min(r.y2, tr * CH + CH - 1);
        for (int y = y1; y <= y2; ++y) {
            const int gy = y - tr * CH;
            uint32_t* out = dest.row(y);
            const uint32_t* under = base ? base->row(y) : nullptr;
            for (int x = r.x1; x <= r.x2; ++x) {
                const int c = x / CW;
                const uint32_t t = glyphBit(glyphs[static_cast<size_t>(c)], gy, x % CW) ? text_.cellFg(tr, c)
                                                                                        : text_.cellBg(tr, c);
                out[x] = t != key ? t : under ? under[x] : key;
            }
        }
    }
    if (text_.fkeyLine()) composeFkeyLine(dest, r);
}

void Display::composeFkeyLine(Framebuffer& dest, const Rect& r) {
    const int y0 = TextScreen::FkeyRow * CH;
    std::array<GlyphRef, kBoxWidth / CW> glyphs;
    for (int k = 0; k < 10; ++k) {
        const int x0 = kBoxX0 + kBoxStep * k;
        const Rect box = Rect{x0, y0, x0 + kBoxWidth - 1, y0 + CH - 1};
        const Rect part = Rect{std::max(box.x1, r.x1), std::max(box.y1, r.y1), std::min(box.x2, r.x2),
                               std::min(box.y2, r.y2)};
        if (part.empty()) continue;
        rowGlyphs((*keys_)[static_cast<size_t>(k)], glyphs, static_cast<int>(glyphs.size()));
        for (int y = part.y1; y <= part.y2; ++y) {
            uint32_t* out = dest.row(y);
            for (int x = part.x1; x <= part.x2; ++x) {
                const int dx = x - x0;
                out[x] = glyphBit(glyphs[static_cast<size_t>(dx / CW)], y - y0, dx % CW) ? kBlack : kWhite;
            }
        }
    }
}

}  // namespace tw
