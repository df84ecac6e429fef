#include "screen/raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tw::raster {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Floor of a / b for b > 0.
int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

bool hatchBit(Hatch h, int x, int y) {
    const int u = x & 7;
    const int v = y & 7;
    const bool horizontal = v == 0;
    const bool vertical = u == 0;
    const bool fdiag = ((u - v) & 7) == 0;  // "\" from the top left
    const bool bdiag = ((u + v) & 7) == 7;  // "/" from the bottom left
    switch (h) {
    case Hatch::Horizontal: return horizontal;
    case Hatch::Vertical: return vertical;
    case Hatch::FDiagonal: return fdiag;
    case Hatch::BDiagonal: return bdiag;
    case Hatch::Cross: return horizontal || vertical;
    case Hatch::DiagCross: return fdiag || bdiag;
    }
    return false;
}

double normalAngle(double a) {
    a = std::fmod(a, kTwoPi);
    if (a < 0) a += kTwoPi;
    return a;
}

}  // namespace

// ---------------------------------------------------------------- brushes

Brush Brush::solid(uint32_t rgb) {
    Brush b;
    b.kind_ = Solid;
    b.rgb_ = rgb;
    return b;
}

Brush Brush::hatch(Hatch h, uint32_t rgb) {
    Brush b;
    b.kind_ = Hatched;
    b.hatch_ = h;
    b.rgb_ = rgb;
    return b;
}

Brush Brush::tile(const std::array<uint32_t, 64>& px) {
    Brush b;
    b.kind_ = Tiled;
    b.tile_ = px;
    return b;
}

bool Brush::colourAt(int x, int y, uint32_t& out) const {
    switch (kind_) {
    case Solid:
        out = rgb_;
        return true;
    case Hatched:
        if (!hatchBit(hatch_, x, y)) return false;
        out = rgb_;
        return true;
    case Tiled:
        out = tile_[static_cast<size_t>((y & 7) * 8 + (x & 7))];
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- lines

int64_t line(Canvas& c, int64_t x1, int64_t y1, int64_t x2, int64_t y2, const Pen& pen, int64_t phase) {
    const int64_t adx = x2 >= x1 ? x2 - x1 : x1 - x2;
    const int64_t ady = y2 >= y1 ? y2 - y1 : y1 - y2;
    const Rect& clip = c.clip();
    if (clip.empty()) return std::max(adx, ady) + 1;
    // The pixels are computed from the end with the smaller major
    // coordinate, so both directions give the same pixels; the style counts
    // from the statement's own start.
    if (adx >= ady) {
        const bool forward = x1 <= x2;
        const int64_t ax = forward ? x1 : x2, ay = forward ? y1 : y2;
        const int64_t by = forward ? y2 : y1;
        const int64_t n = adx;
        const int64_t from = std::max<int64_t>(ax, clip.x1);
        const int64_t to = std::min<int64_t>(ax + n, clip.x2);
        for (int64_t x = from; x <= to; ++x) {
            const int64_t i = x - ax;
            const int64_t y = n == 0 ? ay : ay + floorDiv(2 * i * (by - ay) + n, 2 * n);
            if (pen.draws(phase + (forward ? i : n - i))) c.plot(x, y, pen.rgb);
        }
        return n + 1;
    }
    const bool forward = y1 <= y2;
    const int64_t ax = forward ? x1 : x2, ay = forward ? y1 : y2;
    const int64_t bx = forward ? x2 : x1;
    const int64_t n = ady;
    const int64_t from = std::max<int64_t>(ay, clip.y1);
    const int64_t to = std::min<int64_t>(ay + n, clip.y2);
    for (int64_t y = from; y <= to; ++y) {
        const int64_t i = y - ay;
        const int64_t x = ax + floorDiv(2 * i * (bx - ax) + n, 2 * n);
        if (pen.draws(phase + (forward ? i : n - i))) c.plot(x, y, pen.rgb);
    }
    return n + 1;
}

void box(Canvas& c, int64_t x1, int64_t y1, int64_t x2, int64_t y2, const Pen& pen) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (x1 == x2 || y1 == y2) {
        line(c, x1, y1, x2, y2, pen);
        return;
    }
    // Each side stops one pixel before the corner where the next begins.
    int64_t k = 0;
    k += line(c, x1, y1, x2 - 1, y1, pen, k);
    k += line(c, x2, y1, x2, y2 - 1, pen, k);
    k += line(c, x2, y2, x1 + 1, y2, pen, k);
    line(c, x1, y2, x1, y1 + 1, pen, k);
}

void fillBox(Canvas& c, int64_t x1, int64_t y1, int64_t x2, int64_t y2, const Brush& b) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    const Rect& clip = c.clip();
    const int64_t fx = std::max<int64_t>(x1, clip.x1), tx = std::min<int64_t>(x2, clip.x2);
    const int64_t fy = std::max<int64_t>(y1, clip.y1), ty = std::min<int64_t>(y2, clip.y2);
    for (int64_t y = fy; y <= ty; ++y)
        for (int64_t x = fx; x <= tx; ++x) c.paint(x, y, b);
}

// ---------------------------------------------------------------- ellipses

EllipseShape::EllipseShape(int64_t rx, int64_t ry) : rx_(rx), ry_(ry) {
    // Pixel (dx, dy) is inside when (2dx)^2 B^2 + (2dy)^2 A^2 < A^2 B^2
    // with A = 2rx + 1, B = 2ry + 1 (exact in 128-bit integers).
    using I = __int128;
    const I A = 2 * static_cast<I>(rx) + 1;
    const I B = 2 * static_cast<I>(ry) + 1;
    half_.resize(static_cast<size_t>(ry) + 1);
    for (int64_t dy = 0; dy <= ry; ++dy) {
        const I rhs = A * A * (B * B - 4 * static_cast<I>(dy) * dy);
        auto inside = [&](int64_t dx) { return 4 * static_cast<I>(dx) * dx * B * B < rhs; };
        int64_t dx = static_cast<int64_t>(std::sqrt(static_cast<double>(rhs) / (4.0 * static_cast<double>(B * B))));
        dx = std::clamp<int64_t>(dx, 0, rx);
        while (dx < rx && inside(dx + 1)) ++dx;
        while (dx > 0 && !inside(dx)) --dx;
        half_[static_cast<size_t>(dy)] = dx;
    }
}

int64_t EllipseShape::halfWidth(int64_t dy) const {
    if (dy < 0) dy = -dy;
    return dy > ry_ ? -1 : half_[static_cast<size_t>(dy)];
}

int64_t EllipseShape::innerEdge(int64_t dy) const {
    if (dy < 0) dy = -dy;
    return std::min(halfWidth(dy), halfWidth(dy + 1) + 1);
}

namespace {

// Calls f(dx, dy) for every outline pixel that can lie inside the clip.
template <class F>
void forOutline(const Canvas& c, int64_t cx, int64_t cy, const EllipseShape& e, F&& f) {
    const Rect& clip = c.clip();
    const int64_t fromY = std::max<int64_t>(-e.ry(), clip.y1 - cy);
    const int64_t toY = std::min<int64_t>(e.ry(), clip.y2 - cy);
    for (int64_t dy = fromY; dy <= toY; ++dy) {
        const int64_t w = e.halfWidth(dy);
        const int64_t in = e.innerEdge(dy);
        for (int64_t dx = std::max<int64_t>(-w, clip.x1 - cx); dx <= std::min<int64_t>(-in, clip.x2 - cx); ++dx)
            f(dx, dy);
        // The left run holds dx = 0 when the row is outline all through.
        const int64_t right = std::max<int64_t>(in, 1);
        for (int64_t dx = std::max<int64_t>(right, clip.x1 - cx); dx <= std::min<int64_t>(w, clip.x2 - cx); ++dx)
            f(dx, dy);
    }
}

template <class F>
void forFilled(const Canvas& c, int64_t cx, int64_t cy, const EllipseShape& e, F&& f) {
    const Rect& clip = c.clip();
    const int64_t fromY = std::max<int64_t>(-e.ry(), clip.y1 - cy);
    const int64_t toY = std::min<int64_t>(e.ry(), clip.y2 - cy);
    for (int64_t dy = fromY; dy <= toY; ++dy) {
        const int64_t w = e.halfWidth(dy);
        for (int64_t dx = std::max<int64_t>(-w, clip.x1 - cx); dx <= std::min<int64_t>(w, clip.x2 - cx); ++dx) f(dx, dy);
    }
}

}  // namespace

void ellipse(Canvas& c, int64_t cx, int64_t cy, int64_t rx, int64_t ry, const Pen& pen) {
    const EllipseShape e(rx, ry);
    forOutline(c, cx, cy, e, [&](int64_t dx, int64_t dy) { c.plot(cx + dx, cy + dy, pen.rgb); });
}

void arc(Canvas& c, int64_t cx, int64_t cy, int64_t rx, int64_t ry, double from, double to, const Pen& pen) {
    const EllipseShape e(rx, ry);
    forOutline(c, cx, cy, e, [&](int64_t dx, int64_t dy) {
        if (angleBetween(dx, dy, from, to)) c.plot(cx + dx, cy + dy, pen.rgb);
    });
}

void fillEllipse(Canvas& c, int64_t cx, int64_t cy, int64_t rx, int64_t ry, const Brush& b) {
    const EllipseShape e(rx, ry);
    forFilled(c, cx, cy, e, [&](int64_t dx, int64_t dy) { c.paint(cx + dx, cy + dy, b); });
}

void fillSector(Canvas& c, int64_t cx, int64_t cy, int64_t rx, int64_t ry, double from, double to, const Brush& b) {
    const EllipseShape e(rx, ry);
    forFilled(c, cx, cy, e, [&](int64_t dx, int64_t dy) {
        if ((dx == 0 && dy == 0) || angleBetween(dx, dy, from, to)) c.paint(cx + dx, cy + dy, b);
    });
}

Offset ellipsePoint(int64_t rx, int64_t ry, double a) {
    const double co = std::cos(a);
    const double si = std::sin(a);
    if (rx == 0 || ry == 0) {
        return Offset{static_cast<int64_t>(std::round(co * static_cast<double>(rx))),
                      -static_cast<int64_t>(std::round(si * static_cast<double>(ry)))};
    }
    const double fx = static_cast<double>(rx), fy = static_cast<double>(ry);
    const double rho = 1.0 / std::sqrt(si * si / (fy * fy) + co * co / (fx * fx));
    return Offset{static_cast<int64_t>(std::round(co * rho)), -static_cast<int64_t>(std::round(si * rho))};
}

bool angleBetween(int64_t dx, int64_t dy, double from, double to) {
    constexpr double eps = 1e-9;
    from = normalAngle(from);
    to = normalAngle(to);
    if (std::fabs(to - from) < eps) return true;
    double span = to - from;
    if (span < 0) span += kTwoPi;
    double t = std::atan2(-static_cast<double>(dy), static_cast<double>(dx));
    if (t < 0) t += kTwoPi;
    double d = t - from;
    if (d < 0) d += kTwoPi;
    return d <= span + eps || d >= kTwoPi - eps;
}

// ---------------------------------------------------------------- flood fill

void floodFill(Canvas& c, int x, int y, uint32_t border, const Brush& b) {
    const Rect clip = c.clip();
    if (!c.inside(x, y) || c.pixel(x, y) == border) return;
    const int w = clip.width();
    const int h = clip.height();
    std::vector<uint8_t> seen(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    auto idx = [&](int px, int py) { return static_cast<size_t>(py - clip.y1) * static_cast<size_t>(w) + static_cast<size_t>(px - clip.x1); };
    auto open = [&](int px, int py) { return !seen[idx(px, py)] && c.pixel(px, py) != border; };
    struct Seed {
        int x, y;
    };
    std::vector<Seed> stack{{x, y}};
    std::vector<Seed> spans;  // filled runs: start and end x per row, stored pairwise
    while (!stack.empty()) {
        const Seed s = stack.back();
        stack.pop_back();
        if (!open(s.x, s.y)) continue;
        int lx = s.x;
        int rx = s.x;
        while (lx > clip.x1 && open(lx - 1, s.y)) --lx;
        while (rx < clip.x2 && open(rx + 1, s.y)) ++rx;
        for (int i = lx; i <= rx; ++i) seen[idx(i, s.y)] = 1;
        spans.push_back({lx, s.y});
        spans.push_back({rx, s.y});
        for (int ny : {s.y - 1, s.y + 1}) {
            if (ny < clip.y1 || ny > clip.y2) continue;
            bool inRun = false;
            for (int i = lx; i <= rx; ++i) {
                const bool o = open(i, ny);
                if (o && !inRun) stack.push_back({i, ny});
                inRun = o;
            }
        }
    }
    // The brush goes on only after the whole area is known, so a fill in
    // the border colour (or a pattern) cannot cut the area short.
    for (size_t k = 0; k + 1 < spans.size(); k += 2)
        for (int i = spans[k].x; i <= spans[k + 1].x; ++i) c.paint(i, spans[k].y, b);
}

}  // namespace tw::raster
