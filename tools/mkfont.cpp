// Build-time font generator: turns a Unifont .hex file into the C++ glyph
// tables behind tw::font::halfGlyph / fullGlyph (src/screen/font.h).
//
//   mkfont unifont_jp.hex out.cpp
//
// Single-byte codes use the screen's own assignment (ASCII with 0x5C drawn
// as the yen sign, half-width katakana at 0xA1-0xDF). Double-byte codes are
// every valid CP932 code that iconv maps to one Unicode character present
// in the font. An 8-wide glyph in a double-byte cell is centred (shifted
// right by 4 pixels); box-drawing lines are extended to the cell edges.
//
// Output layout:
//   kHalfIndex[256]     1-based index into kHalfGlyphs, 0 = no glyph
//   kHalfGlyphs[n][16]  8x16 glyphs, one byte per row
//   kFullCodes[m]       double-byte codes in ascending order
//   kFullGlyphs[m][32]  16x16 glyphs, two bytes per row, same order
#include <iconv.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Glyph = std::vector<uint8_t>;  // 16 bytes (8 wide) or 32 bytes (16 wide)

struct Fail {
    std::string what;
};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::map<uint32_t, Glyph> readHex(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw Fail{"cannot open " + path};
    std::map<uint32_t, Glyph> font;
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        auto bad = [&] { return Fail{path + ":" + std::to_string(lineNo) + ": malformed line"}; };
        size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0 || colon > 8) throw bad();
        uint32_t cp = 0;
        for (size_t i = 0; i < colon; ++i) {
            int d = hexDigit(line[i]);
            if (d < 0) throw bad();
            cp = cp << 4 | static_cast<uint32_t>(d);
        }
        std::string bits = line.substr(colon + 1);
        if (bits.size() != 32 && bits.size() != 64) throw bad();
        Glyph g;
        for (size_t i = 0; i < bits.size(); i += 2) {
            int hi = hexDigit(bits[i]);
            int lo = hexDigit(bits[i + 1]);
            if (hi < 0 || lo < 0) throw bad();
            g.push_back(static_cast<uint8_t>(hi << 4 | lo));
        }
        font[cp] = std::move(g);
    }
    return font;
}

// CP932 -> Unicode through iconv; one character per call.
class Cp932 {
public:
    Cp932() : cd_(iconv_open("UTF-32LE", "CP932")) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw Fail{"iconv cannot convert from CP932"};
    }
    ~Cp932() { iconv_close(cd_); }
    Cp932(const Cp932&) = delete;
    Cp932& operator=(const Cp932&) = delete;

    // The code point of a complete double-byte code, or nothing when the
    // code is unassigned or does not decode to exactly one character.
    std::optional<uint32_t> decode(uint8_t lead, uint8_t trail) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char inBuf[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        unsigned char outBuf[16] = {};
        char* in = inBuf;
        char* out = reinterpret_cast<char*>(outBuf);
        size_t inLeft = sizeof inBuf;
        size_t outLeft = sizeof outBuf;
        if (iconv(cd_, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) return std::nullopt;
        if (inLeft != 0 || sizeof outBuf - outLeft != 4) return std::nullopt;
        return static_cast<uint32_t>(outBuf[0]) | static_cast<uint32_t>(outBuf[1]) << 8 |
               static_cast<uint32_t>(outBuf[2]) << 16 | static_cast<uint32_t>(outBuf[3]) << 24;
    }

private:
    iconv_t cd_;
};

std::optional<uint32_t> halfCodePoint(unsigned code) {
    if (code == 0x5C) return 0x00A5;
    if (code >= 0x20 && code <= 0x7E) return code;
    if (code >= 0xA1 && code <= 0xDF) return 0xFF61 + (code - 0xA1);
    return std::nullopt;
}

bool isLead(unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool isTrail(unsigned b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

bool isBoxDrawing(uint32_t cp) { return cp >= 0x2500 && cp <= 0x257F; }

// An 8-wide glyph placed in the middle of a 16-wide cell. Box-drawing
// lines that reach a side of the narrow glyph are carried on to that side
// of the cell, so boxes stay joined between neighbouring cells.
Glyph widen(const Glyph& narrow, bool joinEdges) {
    Glyph wide;
    for (uint8_t row : narrow) {
        unsigned bits = static_cast<unsigned>(row) << 4;
        if (joinEdges && (row & 0x80)) bits |= 0xF000;
        if (joinEdges && (row & 0x01)) bits |= 0x000F;
        wide.push_back(static_cast<uint8_t>(bits >> 8));
        wide.push_back(static_cast<uint8_t>(bits));
    }
    return wide;
}

void writeBytes(std::ostream& os, const Glyph& g) {
    static const char digits[] = "0123456789ABCDEF";
    os << '{';
    for (size_t i = 0; i < g.size(); ++i) {
        if (i) os << ',';
        os << "0x" << digits[g[i] >> 4] << digits[g[i] & 15];
    }
    os << '}';
}

std::string hex4(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(v));
    return buf;
}

struct Entry {
    unsigned code;
    uint32_t cp;
    Glyph glyph;
};

std::string generate(const std::map<uint32_t, Glyph>& font) {
    std::vector<Entry> half;
    for (unsigned code = 0; code < 256; ++code) {
        auto cp = halfCodePoint(code);
        if (!cp) continue;
        auto it = font.find(*cp);
        if (it == font.end()) throw Fail{"font has no glyph for U+" + hex4(*cp)};
        if (it->second.size() != 16) throw Fail{"glyph U+" + hex4(*cp) + " is not 8 pixels wide"};
        half.push_back({code, *cp, it->second});
    }

    std::vector<Entry> full;
    Cp932 conv;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLead(lead)) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (!isTrail(trail)) continue;
            auto cp = conv.decode(static_cast<uint8_t>(lead), static_cast<uint8_t>(trail));
            if (!cp) continue;
            auto it = font.find(*cp);
            if (it == font.end()) continue;
            Glyph g = it->second.size() == 32 ? it->second : widen(it->second, isBoxDrawing(*cp));
            full.push_back({lead << 8 | trail, *cp, std::move(g)});
        }
    }
    if (full.empty()) throw Fail{"no double-byte glyphs produced"};

    std::ostringstream os;
    os << "// Generated by mkfont from a Unifont .hex file. Do not edit.\n"
          "#include \"screen/font.h\"\n\n"
          "#include <algorithm>\n"
          "#include <cstddef>\n\n"
          "namespace {\n\n";

    os << "constexpr uint8_t kHalfIndex[256] = {";
    std::array<unsigned, 256> index{};
    for (size_t i = 0; i < half.size(); ++i) index[half[i].code] = static_cast<unsigned>(i + 1);
    for (unsigned c = 0; c < 256; ++c) os << (c % 16 ? " " : "\n    ") << index[c] << ',';
    os << "\n};\n\n";

    os << "constexpr uint8_t kHalfGlyphs[" << half.size() << "][16] = {\n";
    for (const auto& e : half) {
        os << "    ";
        writeBytes(os, e.glyph);
        os << ",  // " << hex4(e.code).substr(2) << " U+" << hex4(e.cp) << '\n';
    }
    os << "};\n\n";

    os << "constexpr std::size_t kFullCount = " << full.size() << ";\n\n";
    os << "constexpr uint16_t kFullCodes[kFullCount] = {";
    for (size_t i = 0; i < full.size(); ++i)
        os << (i % 12 ? " " : "\n    ") << "0x" << hex4(full[i].code) << ',';
    os << "\n};\n\n";

    os << "constexpr uint8_t kFullGlyphs[kFullCount][32] = {\n";
    for (const auto& e : full) {
        os << "    ";
        writeBytes(os, e.glyph);
        os << ",  // " << hex4(e.code) << " U+" << hex4(e.cp) << '\n';
    }
    os << "};\n\n";

    os << "}  // namespace\n\n"
          "namespace tw::font {\n\n"
          "const uint8_t* halfGlyph(uint8_t code) {\n"
          "    unsigned i = kHalfIndex[code];\n"
          "    return i ? kHalfGlyphs[i - 1] : nullptr;\n"
          "}\n\n"
          "const uint8_t* fullGlyph(uint16_t code) {\n"
          "    const uint16_t* end = kFullCodes + kFullCount;\n"
          "    const uint16_t* it = std::lower_bound(kFullCodes, end, code);\n"
          "    if (it == end || *it != code) return nullptr;\n"
          "    return kFullGlyphs[it - kFullCodes];\n"
          "}\n\n"
          "}  // namespace tw::font\n";
    return os.str();
}

// Writes through a temporary file so an interrupted run leaves no
// half-written output that the build would take as up to date.
void writeFile(const std::string& path, const std::string& text) {
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) throw Fail{"cannot write " + tmp};
        out << text;
        out.close();
        if (!out) throw Fail{"cannot write " + tmp};
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        throw Fail{"cannot rename " + tmp + " to " + path};
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: mkfont FONT.hex OUT.cpp\n";
        return 2;
    }
    try {
        writeFile(argv[2], generate(readHex(argv[1])));
    } catch (const Fail& f) {
        std::cerr << "mkfont: " << f.what << '\n';
        return 1;
    }
    return 0;
}
