// A 640x400 RGB pixel buffer (0xRRGGBB per pixel) and the inclusive
// rectangles used to say which part of a screen changed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tw {

// Pixels x1..x2 by y1..y2, both ends included; empty when x2 < x1 or y2 < y1.
struct Rect {
    int x1 = 0, y1 = 0, x2 = -1, y2 = -1;

    bool empty() const { return x2 < x1 || y2 < y1; }
    int width() const { return empty() ? 0 : x2 - x1 + 1; }
    int height() const { return empty() ? 0 : y2 - y1 + 1; }
    bool operator==(const Rect&) const = default;

    // The smallest rectangle holding both.
    void unite(const Rect& o) {
        if (o.empty()) return;
        if (empty()) {
            *this = o;
            return;
        }
        x1 = std::min(x1, o.x1);
        y1 = std::min(y1, o.y1);
        x2 = std::max(x2, o.x2);
        y2 = std::max(y2, o.y2);
    }
    // Cut to 0..w-1 by 0..h-1.
    Rect clipped(int w, int h) const {
        Rect r{std::max(x1, 0), std::max(y1, 0), std::min(x2, w - 1), std::min(y2, h - 1)};
        return r.empty() ? Rect{} : r;
    }
};

class Framebuffer {
public:
    static constexpr int Width = 640;
    static constexpr int Height = 400;

    explicit Framebuffer(uint32_t rgb = 0) : px_(static_cast<size_t>(Width) * Height, rgb) {}

    static Rect bounds() { return Rect{0, 0, Width - 1, Height - 1}; }

    uint32_t pixel(int x, int y) const {
        if (x < 0 || y < 0 || x >= Width || y >= Height) return 0;
        return px_[static_cast<size_t>(y) * Width + static_cast<size_t>(x)];
    }
    void setPixel(int x, int y, uint32_t rgb) {
        if (x < 0 || y < 0 || x >= Width || y >= Height) return;
        px_[static_cast<size_t>(y) * Width + static_cast<size_t>(x)] = rgb;
    }
    // Fills the part of `r` that lies on the screen.
    void fill(const Rect& r, uint32_t rgb) {
        const Rect c = r.clipped(Width, Height);
        if (c.empty()) return;
        for (int y = c.y1; y <= c.y2; ++y) std::fill(row(y) + c.x1, row(y) + c.x2 + 1, rgb);
    }
    void fill(uint32_t rgb) { std::fill(px_.begin(), px_.end(), rgb); }

    uint32_t* row(int y) { return px_.data() + static_cast<size_t>(y) * Width; }
    const uint32_t* row(int y) const { return px_.data() + static_cast<size_t>(y) * Width; }

private:
    std::vector<uint32_t> px_;
};

}  // namespace tw
