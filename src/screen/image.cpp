// Image blocks and screen images: GET and PUT of a rectangle of the
// active page through a numeric array, PUT of a character, ROLL of the
// active page and COPY of a screen to a numbered BMP file.
//
// A block in an array (its elements read as bytes, little-endian, from the
// first element): 16-bit w and h, then h + 1 rows from the bottom up, each
// of w + 1 pixels as blue, green, red. GET (x1, y1)-(x2, y2) stores
// w = x2 - x1 and h = y2 - y1, so the block covers both corners. A block
// that starts with "BM" is a 24-bit BMP file image instead.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/interp.h"
#include "core/stmt.h"
#include "screen/font.h"
#include "screen/graphics.h"

namespace tw {

namespace {

size_t elementBytes(VType t) {
    switch (t) {
    case VType::Int: return 2;
    case VType::Sng: return 4;
    default: return 8;
    }
}

// A single element holds any 32-bit pattern: NaN patterns keep their
// payload in the high mantissa bits of the double, so that they survive
// the trip through the array unchanged.
double singleFromBits(uint32_t b) {
    if ((b & 0x7F800000u) == 0x7F800000u && (b & 0x007FFFFFu) != 0) {
        const uint64_t d = static_cast<uint64_t>(b >> 31) << 63 | 0x7FF0000000000000ull |
                           static_cast<uint64_t>(b & 0x007FFFFFu) << 29;
        return std::bit_cast<double>(d);
    }
    return static_cast<double>(std::bit_cast<float>(b));
}

uint32_t singleToBits(double v) {
    if (std::isnan(v)) {
        const uint64_t d = std::bit_cast<uint64_t>(v);
        uint32_t m = static_cast<uint32_t>(d >> 29) & 0x007FFFFFu;
        if (m == 0) m = 0x00400000u;
        return static_cast<uint32_t>(d >> 63) << 31 | 0x7F800000u | m;
    }
    return std::bit_cast<uint32_t>(static_cast<float>(v));
}

std::vector<uint8_t> arrayToBytes(const Array& a) {
    const size_t w = elementBytes(a.type);
    std::vector<uint8_t> out(a.nums.size() * w);
    for (size_t i = 0; i < a.nums.size(); ++i) {
        uint64_t bits = 0;
        switch (a.type) {
        case VType::Int: bits = static_cast<uint16_t>(static_cast<int16_t>(std::clamp(a.nums[i], -32768.0, 32767.0))); break;
        case VType::Sng: bits = singleToBits(a.nums[i]); break;
        default: bits = std::bit_cast<uint64_t>(a.nums[i]); break;
        }
        for (size_t k = 0; k < w; ++k) out[i * w + k] = static_cast<uint8_t>(bits >> (8 * k));
    }
    return out;
}

void bytesToArray(const std::vector<uint8_t>& in, Array& a) {
    const size_t w = elementBytes(a.type);
    for (size_t i = 0; i < a.nums.size(); ++i) {
        uint64_t bits = 0;
        for (size_t k = 0; k < w; ++k) bits |= static_cast<uint64_t>(in[i * w + k]) << (8 * k);
        switch (a.type) {
        case VType::Int: a.nums[i] = static_cast<int16_t>(static_cast<uint16_t>(bits)); break;
        case VType::Sng: a.nums[i] = singleFromBits(static_cast<uint32_t>(bits)); break;
        default: a.nums[i] = std::bit_cast<double>(bits); break;
        }
    }
}

uint32_t le(const std::vector<uint8_t>& b, size_t at, size_t n) {
    uint32_t v = 0;
    for (size_t k = 0; k < n; ++k) v |= static_cast<uint32_t>(b[at + k]) << (8 * k);
    return v;
}

// Raster operations of PUT on RGB pixels.
enum class Rop { Xor, Pset, Preset, Or, And };

Rop ropOf(std::string_view mode) {
    for (const auto& [name, op] : {std::pair{"XOR", Rop::Xor}, std::pair{"PSET", Rop::Pset},
                                   std::pair{"PRESET", Rop::Preset}, std::pair{"OR", Rop::Or},
                                   std::pair{"AND", Rop::And}})
        if (mode.find(name) != std::string_view::npos) return op;
    return Rop::Xor;
}

uint32_t combine(Rop op, uint32_t page, uint32_t src) {
    switch (op) {
    case Rop::Xor: return page ^ src;
    case Rop::Pset: return src;
    case Rop::Preset: return ~src & 0xFFFFFFu;
    case Rop::Or: return page | src;
    case Rop::And: return page & src;
    }
    return src;
}

// JIS X 0208 row/cell code to Shift-JIS.
uint16_t jisToSjis(int hi, int lo) {
    int s1 = ((hi - 0x21) >> 1) + 0x81;
    if (s1 > 0x9F) s1 += 0x40;
    const int s2 = (hi & 1) ? lo + 0x1F + (lo >= 0x60 ? 1 : 0) : lo + 0x7E;
    return static_cast<uint16_t>(s1 << 8 | s2);
}

ExprPtr arrayReference(std::string_view t) {
    t = trim(t);
    // "A()" names the whole array like "A".
    if (t.size() > 2 && t.substr(t.size() - 2) == "()") t = trim(t.substr(0, t.size() - 2));
    if (t.empty() || !isUpper(t[0])) raise(err::Syntax);
    ExprPtr e = parseExpression(t);
    if (e->kind != Expr::Var && e->kind != Expr::Elem) raise(err::Syntax);
    return e;
}

}  // namespace

// ---------------------------------------------------------------- prepare

void gfx::prepareGet(Stmt& s) {
    // (x1, y1)-(x2, y2), array
    ArgText a(std::string_view(s.text).substr(s.argPos));
    if (a.point(s)) s.sub |= StepA;
    if (!a.take('-')) raise(err::Syntax);
    if (a.point(s)) s.sub |= StepB;
    const std::vector<std::string_view> tail = a.tail();
    if (tail.size() != 1) raise(err::Syntax);
    s.target = arrayReference(tail[0]);
}

void gfx::preparePut(Stmt& s) {
    // (x, y), array[, mode]  or  (x, y), KANJI(code)[, [fg][, bg]]
    ArgText a(std::string_view(s.text).substr(s.argPos));
    if (a.point(s)) s.sub |= StepA;
    const std::vector<std::string_view> tail = a.tail();
    if (tail.empty() || tail[0].empty()) raise(err::Syntax);
    std::string_view what = tail[0];
    if (what.compare(0, 5, "KANJI") == 0 && trim(what.substr(5)).starts_with("(")) {
        std::string_view inner = trim(what.substr(5));
        if (inner.back() != ')' || tail.size() > 3) raise(err::Syntax);
        inner = trim(inner.substr(1, inner.size() - 2));
        if (inner.empty()) raise(err::Syntax);
        s.sub |= Kanji;
        s.ex.push_back(parseExpression(inner));
        for (size_t i = 1; i < tail.size(); ++i) s.ex.push_back(optional(tail[i]));
        return;
    }
    if (tail.size() > 2) raise(err::Syntax);
    s.target = arrayReference(what);
    if (tail.size() > 1) s.str = upper(tail[1]);
}

void gfx::prepareRoll(Stmt& s) {
    // dy[, dx[, switch]]
    const std::string_view r = std::string_view(s.text).substr(s.argPos);
    if (trim(r).empty()) return;
    const std::vector<std::string_view> parts = splitArgs(r);
    if (parts.size() > 3) raise(err::Syntax);
    for (size_t i = 0; i < parts.size() && i < 2; ++i) s.ex.push_back(optional(parts[i]));
    if (parts.size() > 2)
        for (char c : upper(parts[2]))
            if (c != ' ') s.str.push_back(c);
}

void gfx::prepareCopy(Stmt& s) {
    const std::string_view t = trim(std::string_view(s.text).substr(s.argPos));
    if (t.empty()) raise(err::Syntax);
    s.ex.push_back(parseExpression(t));
}

// ---------------------------------------------------------------- GET / PUT

Array& Graphics::blockArray(const Expr& e) {
    Array* a = nullptr;
    if (e.kind == Expr::Elem) {
        // The subscripts are not read: an array made here stays.
        a = in.arrayFor(e);
        in.freshArray_ = nullptr;
    } else {
        const VType t = e.hasSuffix ? e.suffixType : in.defaultType(e.text[0]);
        a = in.findArray(e.text, t, 1, true);
    }
    if (a->type == VType::Str) raise(err::TypeMismatch);
    return *a;
}

void Graphics::get(Stmt& s) {
    const Point a = point(s, 0, s.sub & gfx::StepA);
    const Point b = point(s, 2, s.sub & gfx::StepB);
    const int64_t x1 = std::min(a.x, b.x), x2 = std::max(a.x, b.x);
    const int64_t y1 = std::min(a.y, b.y), y2 = std::max(a.y, b.y);
    const int64_t w = x2 - x1, h = y2 - y1;
    Array& arr = blockArray(*s.target);
    const size_t size = arr.nums.size() * elementBytes(arr.type);
    if (w > 0xFFFF || h > 0xFFFF || static_cast<uint64_t>(4 + 3 * (w + 1) * (h + 1)) > size)
        raise(err::IllegalFunctionCall);
    std::vector<uint8_t> bytes(size, 0);
    bytes[0] = static_cast<uint8_t>(w);
    bytes[1] = static_cast<uint8_t>(w >> 8);
    bytes[2] = static_cast<uint8_t>(h);
    bytes[3] = static_cast<uint8_t>(h >> 8);
    const Framebuffer& page = d.page(d.activePage());
    size_t at = 4;
    for (int64_t y = y2; y >= y1; --y)
        for (int64_t x = x1; x <= x2; ++x) {
            const uint32_t p = page.pixel(static_cast<int>(x), static_cast<int>(y));
            bytes[at++] = static_cast<uint8_t>(p);
            bytes[at++] = static_cast<uint8_t>(p >> 8);
            bytes[at++] = static_cast<uint8_t>(p >> 16);
        }
    bytesToArray(bytes, arr);
}

void Graphics::put(Stmt& s) {
    const Point p = point(s, 0, s.sub & gfx::StepA);
    raster::Canvas cv = canvas();
    Framebuffer& page = d.page(d.activePage());
    auto apply = [&](Rop op, int64_t width, int64_t height, auto&& pixelAt) {
        for (int64_t r = 0; r < height; ++r)
            for (int64_t c = 0; c < width; ++c) {
                const int64_t x = p.x + c, y = p.y + r;
                if (!cv.inside(x, y)) continue;
                const int px = static_cast<int>(x), py = static_cast<int>(y);
                page.setPixel(px, py, combine(op, page.pixel(px, py), pixelAt(c, r)));
            }
        dirty(Rect{static_cast<int>(p.x), static_cast<int>(p.y), static_cast<int>(p.x + width - 1),
                   static_cast<int>(p.y + height - 1)});
    };

    if (s.sub & gfx::Kanji) {
        const int64_t code = roundArg(in.evalNum(*s.ex[2]));
        if (code < 0 || code > 0xFFFF) raise(err::IllegalFunctionCall);
        const int fg = colourArg(s.ex.size() > 3 ? s.ex[3].get() : nullptr);
        const int bg = colourArg(s.ex.size() > 4 ? s.ex[4].get() : nullptr);
        const uint32_t fgRgb = fg >= 0 ? rgb(fg) : text.textRgb();
        const uint32_t bgRgb = bg >= 0 ? rgb(bg) : text.keyRgb();
        const int hi = static_cast<int>(code >> 8), lo = static_cast<int>(code & 0xFF);
        const bool half = hi < 0x21;
        const uint8_t* glyph = nullptr;
        if (half) glyph = font::halfGlyph(static_cast<uint8_t>(lo));
        else if (isLead(static_cast<uint8_t>(hi))) glyph = font::fullGlyph(static_cast<uint16_t>(code));
        else glyph = font::fullGlyph(jisToSjis(hi, lo));
        const int stride = half ? 1 : 2;
        apply(Rop::Xor, half ? 8 : 16, 16, [&](int64_t c, int64_t r) {
            const bool on = glyph && (glyph[r * stride + c / 8] & (0x80 >> (c % 8)));
            return on ? fgRgb : bgRgb;
        });
        return;
    }

    Array& arr = blockArray(*s.target);
    const std::vector<uint8_t> bytes = arrayToBytes(arr);
    const Rop op = ropOf(s.str);
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        // A 24-bit BMP image: rows of 4-byte multiples, bottom-up unless
        // the height is negative.
        if (bytes.size() < 54) raise(err::IllegalFunctionCall);
        const int64_t width = static_cast<int32_t>(le(bytes, 18, 4));
        const int64_t rawHeight = static_cast<int32_t>(le(bytes, 22, 4));
        const int64_t height = rawHeight < 0 ? -rawHeight : rawHeight;
        const int64_t stride = (width * 3 + 3) / 4 * 4;
        if (width < 0 || width > 0xFFFF || height > 0xFFFF || 54 + stride * height > static_cast<int64_t>(bytes.size()))
            raise(err::IllegalFunctionCall);
        apply(op, width, height, [&](int64_t c, int64_t r) {
            const int64_t row = rawHeight < 0 ? r : height - 1 - r;
            const size_t at = static_cast<size_t>(54 + row * stride + c * 3);
            return static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 1]) << 8 | bytes[at];
        });
        return;
    }
    if (bytes.size() < 4) raise(err::IllegalFunctionCall);
    const int64_t width = static_cast<int64_t>(le(bytes, 0, 2)) + 1;
    const int64_t height = static_cast<int64_t>(le(bytes, 2, 2)) + 1;
    if (4 + 3 * width * height > static_cast<int64_t>(bytes.size())) raise(err::IllegalFunctionCall);
    apply(op, width, height, [&](int64_t c, int64_t r) {
        const size_t at = static_cast<size_t>(4 + ((height - 1 - r) * width + c) * 3);
        return static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 1]) << 8 | bytes[at];
    });
}

// ---------------------------------------------------------------- ROLL / COPY

void Graphics::roll(Stmt& s) {
    const int64_t dy = s.ex.size() > 0 && s.ex[0] ? roundArg(in.evalNum(*s.ex[0])) : 0;
    const int64_t dx = s.ex.size() > 1 && s.ex[1] ? roundArg(in.evalNum(*s.ex[1])) : 0;
    if (dy < -399 || dy > 399 || dx <= -640 || dx >= 640) raise(err::Syntax);
    const uint32_t fill = s.str.find('Y') != std::string::npos ? text.keyRgb() : text.palette(0);
    Framebuffer& page = d.page(d.activePage());
    const Framebuffer before = page;
    constexpr int W = Framebuffer::Width, H = Framebuffer::Height;
    for (int y = 0; y < H; ++y) {
        uint32_t* out = page.row(y);
        const int sy = y + static_cast<int>(dy);
        for (int x = 0; x < W; ++x) {
            const int sx = x + static_cast<int>(dx);
            out[x] = sx >= 0 && sx < W && sy >= 0 && sy < H ? before.row(sy)[sx] : fill;
        }
    }
    dirty(Framebuffer::bounds());
}

void Graphics::copy(Stmt& s) {
    const int64_t n = roundArg(in.evalNum(*s.ex[0]));
    ++g.copyCount;
    const std::string name = "COPY" + std::to_string(g.copyCount) + ".BMP";
    std::FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) raise(err::FileNotOpen);

    constexpr int W = Framebuffer::Width, H = Framebuffer::Height;
    constexpr uint32_t imageSize = W * H * 3;
    uint8_t header[54] = {};
    auto put32 = [&](size_t at, uint32_t v) {
        for (size_t k = 0; k < 4; ++k) header[at + k] = static_cast<uint8_t>(v >> (8 * k));
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, 54 + imageSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, W);
    put32(22, H);
    header[26] = 1;
    header[28] = 24;
    put32(34, imageSize);
    bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header;

    Framebuffer layer;
    const Framebuffer* src = nullptr;
    bool invert = false;
    switch (n) {
    case 1: d.renderTextLayer(layer); src = &layer; break;
    case 2: src = &d.page(d.activePage()); invert = true; break;
    case 3: src = &d.composite(); invert = true; break;
    case 4: src = &d.page(d.activePage()); break;
    case 5: src = &d.composite(); break;
    default: break;
    }
    if (src) {
        std::vector<uint8_t> row(static_cast<size_t>(W) * 3);
        for (int y = H - 1; y >= 0 && ok; --y) {
            const uint32_t* p = src->row(y);
            for (int x = 0; x < W; ++x) {
                const uint32_t c = invert ? ~p[x] : p[x];
                row[static_cast<size_t>(x) * 3] = static_cast<uint8_t>(c);
                row[static_cast<size_t>(x) * 3 + 1] = static_cast<uint8_t>(c >> 8);
                row[static_cast<size_t>(x) * 3 + 2] = static_cast<uint8_t>(c >> 16);
            }
            ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
        }
    }
    if (std::fclose(f) != 0) ok = false;
    if (!ok) raise(err::DiskIO);
}

}  // namespace tw
