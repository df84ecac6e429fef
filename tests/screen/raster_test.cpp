// The rasteriser against small figures worked out by hand: each picture
// shows a window of the page, '#' where a pixel was set and '.' where not.
#include "screen/raster.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

namespace {

using tw::Framebuffer;
using tw::Rect;
using namespace tw::raster;

constexpr uint32_t kInk = 0xFF0000;
constexpr uint32_t kPaper = 0x000000;
constexpr double kPi = std::numbers::pi;

// Rows y0..y0+h-1, columns x0..x0+w-1 of the page as a picture.
std::string picture(const Framebuffer& fb, int x0, int y0, int w, int h, uint32_t ink = kInk) {
    std::string out;
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x) out += fb.pixel(x, y) == ink ? '#' : '.';
        out += '\n';
    }
    return out;
}

std::string rows(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines) out += std::string(l) + "\n";
    return out;
}

int countInk(const Framebuffer& fb, uint32_t ink = kInk) {
    int n = 0;
    for (int y = 0; y < Framebuffer::Height; ++y)
        for (int x = 0; x < Framebuffer::Width; ++x) n += fb.pixel(x, y) == ink;
    return n;
}

TEST(RasterLine, PixelsOfSmallLines) {
    // The pixel of each column (row for steep lines) is the nearest one to
    // the true line; a tie goes down (right for steep lines).
    const struct {
        const char* name;
        int x1, y1, x2, y2;
        std::string pic;  // columns 0..5, rows 0..4
    } cases[] = {
        {"shallow", 0, 0, 4, 2, rows({"#.....", ".##...", "...##.", "......", "......"})},
        {"shallow backwards", 4, 2, 0, 0, rows({"#.....", ".##...", "...##.", "......", "......"})},
        {"steep", 0, 0, 1, 3, rows({"#.....", "#.....", ".#....", ".#....", "......"})},
        {"steep backwards", 1, 3, 0, 0, rows({"#.....", "#.....", ".#....", ".#....", "......"})},
        {"diagonal up", 0, 4, 4, 0, rows({"....#.", "...#..", "..#...", ".#....", "#....."})},
        {"one point", 2, 2, 2, 2, rows({"......", "......", "..#...", "......", "......"})},
        {"vertical", 5, 1, 5, 3, rows({"......", ".....#", ".....#", ".....#", "......"})},
    };
    for (const auto& c : cases) {
        Framebuffer fb(kPaper);
        Canvas cv(fb, Framebuffer::bounds());
        EXPECT_EQ(line(cv, c.x1, c.y1, c.x2, c.y2, Pen{kInk}), std::max(std::abs(c.x2 - c.x1), std::abs(c.y2 - c.y1)) + 1)
            << c.name;
        EXPECT_EQ(picture(fb, 0, 0, 6, 5), c.pic) << c.name;
    }
}

TEST(RasterLine, StyleCountsFromTheStartPoint) {
    // &HF0F0: four pixels on, four off, from the first pixel of the line.
    const struct {
        const char* name;
        int x1, x2;
        uint16_t style;
        const char* pic;
    } cases[] = {
        {"forwards", 0, 17, 0xF0F0, "####....####....##"},
        {"backwards", 17, 0, 0xF0F0, "##....####....####"},
        {"single bits", 0, 17, 0x8001, "#..............##."},
        {"solid", 0, 17, 0xFFFF, "##################"},
    };
    for (const auto& c : cases) {
        Framebuffer fb(kPaper);
        Canvas cv(fb, Framebuffer::bounds());
        line(cv, c.x1, 3, c.x2, 3, Pen{kInk, c.style});
        EXPECT_EQ(picture(fb, 0, 3, 18, 1), std::string(c.pic) + "\n") << c.name;
    }
}

TEST(RasterLine, BoxStyleRunsOnAroundTheCorners) {
    Framebuffer fb(kPaper);
    Canvas cv(fb, Framebuffer::bounds());
    // Clockwise from the top-left corner: top (0..2), right (3,0..1),
    // bottom (3..1), left (0,2..1); every other pixel drawn.
    box(cv, 3, 2, 0, 0, Pen{kInk, 0xAAAA});
    EXPECT_EQ(picture(fb, 0, 0, 4, 3), rows({"#.#.", "...#", "#.#."}));
    Framebuffer solid(kPaper);
    Canvas sv(solid, Framebuffer::bounds());
    box(sv, 1, 1, 4, 3, Pen{kInk});
    EXPECT_EQ(picture(solid, 0, 0, 6, 5), rows({"......", ".####.", ".#..#.", ".####.", "......"}));
    fillBox(sv, 10, 10, 8, 8, Brush::solid(kInk));
    EXPECT_EQ(picture(solid, 7, 7, 5, 5), rows({".....", ".###.", ".###.", ".###.", "....."}));
}

TEST(RasterLine, ClippedLinesStayInsideAndCostOnlyTheVisiblePart) {
    Framebuffer fb(kPaper);
    Canvas cv(fb, Rect{10, 0, 20, 10});
    line(cv, -100000000, 5, 100000000, 5, Pen{kInk});
    line(cv, 15, -100000000, 15, 100000000, Pen{kInk});
    EXPECT_EQ(countInk(fb), 11 + 11 - 1);
    EXPECT_EQ(fb.pixel(10, 5), kInk);
    EXPECT_EQ(fb.pixel(20, 5), kInk);
    EXPECT_EQ(fb.pixel(9, 5), kPaper);
    EXPECT_EQ(fb.pixel(15, 11), kPaper);
    EXPECT_EQ(cv.touched(), (Rect{10, 0, 20, 10}));
    // A clip partly off the page is cut to the page.
    Canvas edge(fb, Rect{-5, -5, 2, 2});
    EXPECT_EQ(edge.clip(), (Rect{0, 0, 2, 2}));
}

TEST(RasterEllipse, SmallShapes) {
    // Filled shape: pixel centres strictly inside the ellipse with radii
    // rx + 1/2 and ry + 1/2. Outline: its pixels with a neighbour (left,
    // right, up, down) outside.
    const struct {
        const char* name;
        int rx, ry;
        std::string outline;
        std::string filled;
    } cases[] = {
        {"r0", 0, 0, rows({".....", ".....", "..#..", ".....", "....."}),
         rows({".....", ".....", "..#..", ".....", "....."})},
        {"r1", 1, 1, rows({".....", ".###.", ".#.#.", ".###.", "....."}),
         rows({".....", ".###.", ".###.", ".###.", "....."})},
        {"r2", 2, 2, rows({".###.", "#...#", "#...#", "#...#", ".###."}),
         rows({".###.", "#####", "#####", "#####", ".###."})},
        {"flat", 2, 0, rows({".....", ".....", "#####", ".....", "....."}),
         rows({".....", ".....", "#####", ".....", "....."})},
        {"upright line", 0, 2, rows({"..#..", "..#..", "..#..", "..#..", "..#.."}),
         rows({"..#..", "..#..", "..#..", "..#..", "..#.."})},
    };
    for (const auto& c : cases) {
        Framebuffer fb(kPaper);
        Canvas cv(fb, Framebuffer::bounds());
        ellipse(cv, 12, 12, c.rx, c.ry, Pen{kInk});
        EXPECT_EQ(picture(fb, 10, 10, 5, 5), c.outline) << c.name;
        Framebuffer ff(kPaper);
        Canvas fc(ff, Framebuffer::bounds());
        fillEllipse(fc, 12, 12, c.rx, c.ry, Brush::solid(kInk));
        EXPECT_EQ(picture(ff, 10, 10, 5, 5), c.filled) << c.name;
    }
}

TEST(RasterEllipse, WideEllipse) {
    // rx 4, ry 2: rows 0 and +-1 reach |dx| = 4, rows +-2 reach 2.
    Framebuffer fb(kPaper);
    Canvas cv(fb, Framebuffer::bounds());
    ellipse(cv, 14, 12, 4, 2, Pen{kInk});
    EXPECT_EQ(picture(fb, 10, 10, 9, 5), rows({"..#####..", "##.....##", "#.......#", "##.....##", "..#####.."}));
}

TEST(RasterEllipse, ReachesItsRadiiAndIsSymmetric) {
    for (const auto& [rx, ry] : {std::pair{100, 100}, std::pair{100, 50}, std::pair{17, 90}, std::pair{1, 30}}) {
        Framebuffer fb(kPaper);
        Canvas cv(fb, Framebuffer::bounds());
        const int cx = 320, cy = 200;
        ellipse(cv, cx, cy, rx, ry, Pen{kInk});
        EXPECT_EQ(fb.pixel(cx + rx, cy), kInk) << rx << "x" << ry;
        EXPECT_EQ(fb.pixel(cx - rx, cy), kInk) << rx << "x" << ry;
        EXPECT_EQ(fb.pixel(cx, cy + ry), kInk) << rx << "x" << ry;
        EXPECT_EQ(fb.pixel(cx, cy - ry), kInk) << rx << "x" << ry;
        EXPECT_EQ(fb.pixel(cx + rx + 1, cy), kPaper) << rx << "x" << ry;
        EXPECT_EQ(fb.pixel(cx, cy - ry - 1), kPaper) << rx << "x" << ry;
        EXPECT_EQ(cv.touched(), (Rect{cx - rx, cy - ry, cx + rx, cy + ry}));
        for (int y = cy - ry; y <= cy + ry; ++y)
            for (int x = cx - rx; x <= cx + rx; ++x) {
                const uint32_t p = fb.pixel(x, y);
                ASSERT_EQ(p, fb.pixel(2 * cx - x, y)) << x << "," << y;
                ASSERT_EQ(p, fb.pixel(x, 2 * cy - y)) << x << "," << y;
            }
        // The outline is closed: a fill from the centre stays inside.
        floodFill(cv, cx, cy, kInk, Brush::solid(0x00FF00));
        EXPECT_EQ(fb.pixel(0, 0), kPaper);
        EXPECT_EQ(fb.pixel(cx, cy), 0x00FF00u);
    }
}

TEST(RasterEllipse, ArcsAndSectors) {
    // Circle r 2 around (12, 12); angles count counter-clockwise with y up.
    const struct {
        const char* name;
        double from, to;
        std::string arc;
        std::string sector;
    } cases[] = {
        {"first quadrant", 0, kPi / 2, rows({"..##.", "....#", "....#", ".....", "....."}),
         rows({"..##.", "..###", "..###", ".....", "....."})},
        {"right half, through zero", 3 * kPi / 2, kPi / 2, rows({"..##.", "....#", "....#", "....#", "..##."}),
         rows({"..##.", "..###", "..###", "..###", "..##."})},
        {"left half", kPi / 2, 3 * kPi / 2, rows({".##..", "#....", "#....", "#....", ".##.."}),
         rows({".##..", "###..", "###..", "###..", ".##.."})},
        {"equal angles: whole", 1, 1, rows({".###.", "#...#", "#...#", "#...#", ".###."}),
         rows({".###.", "#####", "#####", "#####", ".###."})},
    };
    for (const auto& c : cases) {
        Framebuffer fb(kPaper);
        Canvas cv(fb, Framebuffer::bounds());
        arc(cv, 12, 12, 2, 2, c.from, c.to, Pen{kInk});
        EXPECT_EQ(picture(fb, 10, 10, 5, 5), c.arc) << c.name;
        Framebuffer ff(kPaper);
        Canvas fc(ff, Framebuffer::bounds());
        fillSector(fc, 12, 12, 2, 2, c.from, c.to, Brush::solid(kInk));
        EXPECT_EQ(picture(ff, 10, 10, 5, 5), c.sector) << c.name;
    }
}

TEST(RasterEllipse, PointsAtAnAngle) {
    const struct {
        int rx, ry;
        double a;
        int dx, dy;
    } cases[] = {
        {10, 5, 0, 10, 0},
        {10, 5, kPi / 2, 0, -5},
        {10, 5, kPi, -10, 0},
        {10, 5, 3 * kPi / 2, 0, 5},
        {10, 10, kPi / 4, 7, -7},
        // Polar radius of the ellipse at 45 degrees: 1/sqrt(0.5/25 + 0.5/100) = 6.32.
        {10, 5, kPi / 4, 4, -4},
        {30, 30, 1, 16, -25},
        {30, 30, 2, -12, -27},
        {0, 4, kPi / 2, 0, -4},
    };
    for (const auto& c : cases) {
        const Offset o = ellipsePoint(c.rx, c.ry, c.a);
        EXPECT_EQ(o.dx, c.dx) << c.rx << "," << c.ry << " at " << c.a;
        EXPECT_EQ(o.dy, c.dy) << c.rx << "," << c.ry << " at " << c.a;
    }
}

TEST(RasterFill, FloodFillStopsAtTheBorderColourOnly) {
    constexpr uint32_t kGreen = 0x00FF00;
    constexpr uint32_t kBlue = 0x0000FF;
    const struct {
        const char* name;
        uint32_t fill;
        std::string pic;  // '#' border, 'o' fill, 'b' blue, '.' untouched
    } cases[] = {
        // A blue pixel inside is not a border: the fill covers it.
        {"other colour", kGreen, rows({".......", ".#####.", ".#ooo#.", ".#ooo#.", ".#ooo#.", ".#####.", "......."})},
        // Filling with the border colour fills the whole inside.
        {"border colour", kInk, rows({".......", ".#####.", ".#####.", ".#####.", ".#####.", ".#####.", "......."})},
    };
    for (const auto& c : cases) {
        Framebuffer fb(kPaper);
        Canvas cv(fb, Framebuffer::bounds());
        box(cv, 1, 1, 5, 5, Pen{kInk});
        fb.setPixel(3, 3, kBlue);
        floodFill(cv, 2, 2, kInk, Brush::solid(c.fill));
        std::string got;
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 7; ++x) {
                const uint32_t p = fb.pixel(x, y);
                got += p == kInk ? '#' : p == kGreen ? 'o' : p == kBlue ? 'b' : '.';
            }
            got += '\n';
        }
        EXPECT_EQ(got, c.pic) << c.name;
    }
}

TEST(RasterFill, FloodFillEdgeCases) {
    // A diagonal border cannot be crossed (left, right, up and down only).
    Framebuffer fb(kPaper);
    Canvas small(fb, Rect{0, 0, 5, 5});
    line(small, 0, 5, 5, 0, Pen{kInk});
    floodFill(small, 0, 0, kInk, Brush::solid(0x00FF00));
    EXPECT_EQ(picture(fb, 0, 0, 6, 6, 0x00FF00), rows({"#####.", "####..", "###...", "##....", "#.....", "......"}));
    // The clip bounds the fill.
    EXPECT_EQ(fb.pixel(6, 0), kPaper);
    // A seed on the border or outside the clip fills nothing.
    Framebuffer other(kPaper);
    Canvas cv(other, Rect{0, 0, 9, 9});
    other.setPixel(4, 4, kInk);
    floodFill(cv, 4, 4, kInk, Brush::solid(0x00FF00));
    floodFill(cv, 20, 20, kInk, Brush::solid(0x00FF00));
    EXPECT_EQ(countInk(other, 0x00FF00), 0);
    // The whole screen at once.
    Framebuffer all(kPaper);
    Canvas whole(all, Framebuffer::bounds());
    floodFill(whole, 320, 200, kInk, Brush::solid(0x00FF00));
    EXPECT_EQ(countInk(all, 0x00FF00), Framebuffer::Width * Framebuffer::Height);
}

TEST(RasterFill, HatchesLeaveTheGapsAlone) {
    // Each hatch over an 8x8 cell starting at the page origin.
    const struct {
        Hatch h;
        std::string pic;
    } cases[] = {
        {Hatch::Horizontal, rows({"########", "........", "........", "........", "........", "........", "........", "........"})},
        {Hatch::Vertical, rows({"#.......", "#.......", "#.......", "#.......", "#.......", "#.......", "#.......", "#......."})},
        {Hatch::FDiagonal, rows({"#.......", ".#......", "..#.....", "...#....", "....#...", ".....#..", "......#.", ".......#"})},
        {Hatch::BDiagonal, rows({".......#", "......#.", ".....#..", "....#...", "...#....", "..#.....", ".#......", "#......."})},
        {Hatch::Cross, rows({"########", "#.......", "#.......", "#.......", "#.......", "#.......", "#.......", "#......."})},
        {Hatch::DiagCross, rows({"#......#", ".#....#.", "..#..#..", "...##...", "...##...", "..#..#..", ".#....#.", "#......#"})},
    };
    for (const auto& c : cases) {
        Framebuffer fb(0x123456);
        Canvas cv(fb, Framebuffer::bounds());
        fillBox(cv, 0, 0, 15, 15, Brush::hatch(c.h, kInk));
        EXPECT_EQ(picture(fb, 0, 0, 8, 8), c.pic) << static_cast<int>(c.h);
        // The pattern repeats every 8 pixels; gaps keep their colour.
        EXPECT_EQ(picture(fb, 8, 8, 8, 8), c.pic) << static_cast<int>(c.h);
        EXPECT_EQ(countInk(fb) + countInk(fb, 0x123456), Framebuffer::Width * Framebuffer::Height);
    }
}

TEST(RasterFill, TilesRepeatFromThePageOrigin) {
    std::array<uint32_t, 64> px{};
    for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint32_t>(i);
    const Brush b = Brush::tile(px);
    uint32_t c = 0;
    ASSERT_TRUE(b.colourAt(0, 0, c));
    EXPECT_EQ(c, 0u);
    ASSERT_TRUE(b.colourAt(9, 10, c));
    EXPECT_EQ(c, 2u * 8 + 1);
    ASSERT_TRUE(b.colourAt(639, 399, c));
    EXPECT_EQ(c, 7u * 8 + 7);
}

}  // namespace
