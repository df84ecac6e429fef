// The rasteriser of the graphics statements: lines with dash styles,
// boxes, ellipses, arcs, sectors, flood fills and the solid, hatched and
// tiled brushes they fill with.
//
// Every coordinate is inclusive: a line sets both of its end points, a box
// covers x1..x2 by y1..y2, an ellipse with radii rx, ry around (cx, cy)
// reaches exactly cx - rx .. cx + rx and cy - ry .. cy + ry. Figures are
// symmetric about their centre, and a line drawn backwards sets the same
// pixels as drawn forwards. Drawing is cut to a clip rectangle; coordinates
// far outside it cost no more than the visible part.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "screen/framebuffer.h"

namespace tw::raster {

// A pen: its colour and a 16-pixel dash style read from bit 15 down to
// bit 0 (a set bit draws the pixel, a clear bit skips it). The style
// starts at the first pixel of each line.
struct Pen {
    uint32_t rgb = 0;
    uint16_t style = 0xFFFF;

    bool draws(int64_t k) const { return (style & (0x8000u >> (k & 15))) != 0; }
};

enum class Hatch : uint8_t { BDiagonal, Cross, DiagCross, FDiagonal, Horizontal, Vertical };

// What a fill puts on each pixel: one colour, a hatch of lines in one
// colour (the pixels between the lines keep what they had), or an 8x8 tile
// repeated from the top-left corner of the page.
class Brush {
public:
    static Brush solid(uint32_t rgb);
    static Brush hatch(Hatch h, uint32_t rgb);
    // Tile pixels row by row, 8 per row.
    static Brush tile(const std::array<uint32_t, 64>& px);

    // The colour for pixel (x, y); false where the brush leaves it alone.
    bool colourAt(int x, int y, uint32_t& out) const;

    Brush() = default;

private:
    enum Kind : uint8_t { Solid, Hatched, Tiled } kind_ = Solid;
    Hatch hatch_ = Hatch::Cross;
    uint32_t rgb_ = 0;
    std::array<uint32_t, 64> tile_{};
};

// A page with the rectangle drawing may touch, and the bounding box of the
// pixels actually touched.
class Canvas {
public:
    Canvas(Framebuffer& fb, const Rect& clip) : fb_(fb), clip_(clip.clipped(Framebuffer::Width, Framebuffer::Height)) {}

    const Rect& clip() const { return clip_; }
    bool inside(int64_t x, int64_t y) const { return x >= clip_.x1 && x <= clip_.x2 && y >= clip_.y1 && y <= clip_.y2; }
    void plot(int64_t x, int64_t y, uint32_t rgb) {
        if (!inside(x, y)) return;
        fb_.row(static_cast<int>(y))[x] = rgb;
        touch(static_cast<int>(x), static_cast<int>(y));
    }
    void paint(int64_t x, int64_t y, const Brush& b) {
        uint32_t c;
        if (inside(x, y) && b.colourAt(static_cast<int>(x), static_cast<int>(y), c)) plot(x, y, c);
    }
    uint32_t pixel(int x, int y) const { return fb_.pixel(x, y); }
    Framebuffer& page() { return fb_; }
    const Rect& touched() const { return touched_; }

private:
    void touch(int x, int y) { touched_.unite(Rect{x, y, x, y}); }

    Framebuffer& fb_;
    Rect clip_;
    Rect touched_;
};

// A line from (x1, y1) to (x2, y2), both ends included. `phase` is the
// style position of the first pixel. Returns the number of pixels along
// the line (drawn or skipped), so that a path can go on with the style.
int64_t line(Canvas& c, int64_t x1, int64_t y1, int64_t x2, int64_t y2, const Pen& pen, int64_t phase = 0);

// The outline of the box with these corners (in any order); the style runs
// on around the four sides clockwise from the top-left corner.
void box(Canvas& c, int64_t x1, int64_t y1, int64_t x2, int64_t y2, const Pen& pen);

// Fills x1..x2 by y1..y2 (corners in any order).
void fillBox(Canvas& c, int64_t x1, int64_t y1, int64_t x2, int64_t y2, const Brush& b);

// ---- ellipses ----
// Radii are whole pixels, 0 to MaxRadius; an ellipse with a zero radius is
// a line (or a single pixel). Angles are radians counter-clockwise from the
// positive x axis with y pointing up the screen; an arc runs counter-
// clockwise from `from` to `to`, and equal angles (modulo 2 pi) give the
// whole ellipse.
constexpr int64_t MaxRadius = 32767;

// Pixels of the filled ellipse: |dx| <= halfWidth(dy) for |dy| <= ry.
// The shape is the set of pixel centres strictly inside the ellipse with
// radii rx + 1/2 and ry + 1/2, so it reaches (±rx, 0) and (0, ±ry).
class EllipseShape {
public:
    EllipseShape(int64_t rx, int64_t ry);
    int64_t rx() const { return rx_; }
    int64_t ry() const { return ry_; }
    // Largest |dx| in row dy, -1 outside the ellipse.
    int64_t halfWidth(int64_t dy) const;
    // The outline of row dy: the pixels whose neighbour above, below, left
    // or right lies outside, |dx| from innerEdge(dy) to halfWidth(dy).
    int64_t innerEdge(int64_t dy) const;

private:
    int64_t rx_, ry_;
    std::vector<int64_t> half_;  // by |dy|
};

void ellipse(Canvas& c, int64_t cx, int64_t cy, int64_t rx, int64_t ry, const Pen& pen);
void arc(Canvas& c, int64_t cx, int64_t cy, int64_t rx, int64_t ry, double from, double to, const Pen& pen);
// Interior and outline.
void fillEllipse(Canvas& c, int64_t cx, int64_t cy, int64_t rx, int64_t ry, const Brush& b);
// The pixels of the filled ellipse between the two angles (the centre too).
void fillSector(Canvas& c, int64_t cx, int64_t cy, int64_t rx, int64_t ry, double from, double to, const Brush& b);

// The point of the ellipse at polar angle `a`, relative to the centre, in
// screen orientation (y down): (round(cos a * r), -round(sin a * r)) with r
// the ellipse's radius in that direction.
struct Offset {
    int64_t dx = 0, dy = 0;
};
Offset ellipsePoint(int64_t rx, int64_t ry, double a);

// True when the polar angle of (dx, dy) (screen orientation) lies on the
// counter-clockwise run from `from` to `to`.
bool angleBetween(int64_t dx, int64_t dy, double from, double to);

// ---- flood fill ----
// Fills the area of pixels connected to (x, y) (left, right, up, down)
// that are not `border` and lie inside the clip. Nothing happens when the
// seed is outside or has the border colour.
void floodFill(Canvas& c, int x, int y, uint32_t border, const Brush& b);

}  // namespace tw::raster
