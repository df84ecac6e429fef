// State of the graphics statements: drawing settings, VIEW, WINDOW, the
// pattern and DRAW state; and the engine that runs the statements on it.
// The SCREEN settings (active and displayed page, graphics shown), the
// last point and the VIEW clip live in Display, where COLOR and CLS reach
// them too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "eval/expr.h"
#include "screen/framebuffer.h"
#include "screen/raster.h"

namespace tw {

class Interpreter;
class Display;
class TextScreen;
struct Stmt;
struct Array;
struct Value;

struct GraphicsState {
    // VIEW: set or not, and the colours it was given (-1 for none). The
    // viewport itself is Display::viewport.
    bool viewSet = false;
    int viewFill = -1;
    int viewBorder = -1;
    // WINDOW: the world rectangle; the scales are world units per pixel.
    bool windowSet = false;
    double wx1 = 0, wy1 = 0, wx2 = 639, wy2 = 399;
    double xScale = 1.0, yScale = 1.0;

    // The colour the next primitive draws with when none is given.
    int drawColour = 7;
    // The COLOR foreground as PSET sees it: 7 after a reset of the drawing
    // colours until COLOR runs again (Display::modeSets tells when).
    bool fgReset = false;
    unsigned fgResetAt = 0;

    // DRAW: rotation in quarter turns, scale, colour, prefixes B and N, the
    // line style of Y and the fill colour of Z.
    struct Draw {
        int angle = 0;
        double scale = 1.0;
        int colour = 7;
        bool blank = false;
        bool noUpdate = false;
        bool styled = false;
        uint16_t style = 0xFFFF;
        bool fillSet = false;
        int fill = 7;
    } draw;

    // The pattern of the last tiled fill, which DRAW's P and T go on using.
    bool tileSet = false;
    raster::Brush tile;

    // COPY numbers its files from 1; the counter wraps at 16 bits.
    uint16_t copyCount = 0;
};

namespace gfx {

// Statement flags kept in Stmt::sub.
enum : int {
    StepA = 1,      // STEP before the first point
    HasStart = 2,   // LINE was given its start point
    StepB = 4,      // STEP before the second point
    Kanji = 8,      // PUT of a character
};

// A cursor over the argument text of a statement.
class ArgText {
public:
    explicit ArgText(std::string_view t) : t_(t) {}
    // True when only blanks are left.
    bool atEnd();
    // Consumes `w` when it follows (after blanks).
    bool word(std::string_view w);
    bool take(char c);
    // "(x, y)": both expressions are appended to s.ex. Syntax error when
    // the pair is missing or not complete.
    void pair(Stmt& s);
    // [STEP](x, y): the pair, and whether STEP stood before it.
    bool point(Stmt& s);
    // What follows: nothing, or ", a, b, ..." as trimmed argument texts
    // (empty ones included). Anything else is a Syntax error.
    std::vector<std::string_view> tail();

private:
    void blanks();
    std::string_view t_;
    size_t i_ = 0;
};

// An optional argument: null when the text is empty.
ExprPtr optional(std::string_view t);

// Upper-cases ASCII letters; double-byte characters are kept whole.
std::string upper(std::string_view t);

// The prepared forms of DRAW (draw.cpp) and of GET, PUT, ROLL and COPY
// (image.cpp); each reads the statement text after the keyword.
void prepareDraw(Stmt& s);
void prepareGet(Stmt& s);
void preparePut(Stmt& s);
void prepareRoll(Stmt& s);
void prepareCopy(Stmt& s);
// GET and PUT with "#" or a number after the keyword are the file forms.
bool isFileForm(const Stmt& s);

}  // namespace gfx

// Runs the graphics statements on one interpreter's state. Made for each
// statement; it holds only references.
class Graphics {
public:
    explicit Graphics(Interpreter& in);

    // Statements, run from their prepared forms (graphics.cpp, draw.cpp,
    // image.cpp).
    void pset(Stmt& s, bool reset);
    void line(Stmt& s);
    void circle(Stmt& s);
    void paint(Stmt& s);
    void pointStatement(Stmt& s);
    void screen(Stmt& s);
    void view(Stmt& s);
    void window(Stmt& s);
    void draw(Stmt& s);
    void get(Stmt& s);
    void put(Stmt& s);
    void roll(Stmt& s);
    void copy(Stmt& s);

    // Functions.
    double pointPosition(int n);
    double pointColour(double x, double y);
    double map(double v, int n);
    int viewCoord(int n);
    double windowCoord(int n);

    void resetDrawState();

    struct Point {
        int64_t x = 0, y = 0;
    };

    // ---- coordinates ----
    bool transformed() const;
    // World to pixel, pixel to world, world length to pixels.
    int64_t pixelX(double wx) const;
    int64_t pixelY(double wy) const;
    double worldX(int64_t px) const;
    double worldY(int64_t py) const;
    int64_t lengthX(double w) const;
    int64_t lengthY(double w) const;
    // The point held by s.ex[slot] and s.ex[slot + 1]: converted, moved by
    // the last point with STEP; it becomes the last point.
    Point point(Stmt& s, size_t slot, bool step);
    Point last() const;
    void setLast(Point p);

    // ---- colours ----
    int maxColour() const;
    bool validColour(int64_t c) const { return c >= 0 && c <= maxColour(); }
    // A colour argument's value, or -1 when it is missing or out of range.
    int colourArg(const Expr* e);
    uint32_t rgb(int colour) const;
    // The fill of a string argument: a hatch (its colour starts as
    // `colour` and may be replaced by a number in the text) or a tile.
    raster::Brush patternBrush(const std::string& text, int& colour);
    // The COLOR foreground as PSET uses it.
    int foregroundCopy();

    // ---- drawing ----
    // The active page, clipped to the viewport.
    raster::Canvas canvas();
    // Part of the active page changed.
    void dirty(const Rect& r);

    Interpreter& in;
    GraphicsState& g;
    Display& d;
    TextScreen& text;

private:
    void drawString(const std::string& cmds, int depth);
    void drawCommand(char c, std::string_view arg, bool hexStyle);
    double drawNumber(std::string_view item);
    Point drawTarget(double a, double b);
    void drawSegment(Point from, Point to, bool visible);
    raster::Pen drawPen() const;
    // The numeric array an image block statement names (made when missing).
    Array& blockArray(const Expr& e);
};

// Rounds half away from zero; the result is kept within +-1e8, far
// outside the screen but safe for pixel arithmetic.
int64_t roundArg(double v);

}  // namespace tw
