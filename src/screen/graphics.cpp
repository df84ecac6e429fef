// Graphics statements: PSET, PRESET, LINE, CIRCLE, PAINT, POINT, VIEW,
// WINDOW and SCREEN, the coordinate transforms, the colour rules and the
// graphics functions. DRAW is in draw.cpp; GET, PUT, ROLL and COPY in
// image.cpp.
//
// A statement converts its arguments to pixels, keeps the last point and
// the drawing colour, and draws at once on the active page, clipped to the
// viewport, then marks what it changed so the composite follows.
#include "screen/graphics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "core/interp.h"
#include "core/stmt.h"
#include "eval/numtext.h"

namespace tw {

namespace {

// The circle constant of CIRCLE's angles, as the dialect has it.
constexpr double kPi = 3.141592653;
constexpr double kTwoPi = 2 * kPi;
// Pixel coordinates are kept within this range.
constexpr double kFar = 1e8;

const Expr* arg(const Stmt& s, size_t i) { return i < s.ex.size() ? s.ex[i].get() : nullptr; }

size_t closeParen(std::string_view t, size_t open) {
    bool q = false;
    int depth = 0;
    for (size_t j = open; j < t.size(); ++j) {
        const char c = t[j];
        if (c == '"') q = !q;
        if (q) continue;
        if (c == '(') ++depth;
        if (c == ')' && --depth == 0) return j;
    }
    return std::string_view::npos;
}

int64_t truncFar(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int64_t>(std::clamp(std::trunc(v), -kFar, kFar));
}

bool contains(std::string_view t, std::string_view w) { return t.find(w) != std::string_view::npos; }

}  // namespace

int64_t roundArg(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int64_t>(std::clamp(std::round(v), -kFar, kFar));
}

// ---------------------------------------------------------------- parsing

namespace gfx {

void ArgText::blanks() {
    while (i_ < t_.size() && t_[i_] == ' ') ++i_;
}

bool ArgText::atEnd() {
    blanks();
    return i_ >= t_.size();
}

bool ArgText::word(std::string_view w) {
    blanks();
    if (t_.compare(i_, w.size(), w) != 0) return false;
    i_ += w.size();
    return true;
}

bool ArgText::take(char c) {
    blanks();
    if (i_ >= t_.size() || t_[i_] != c) return false;
    ++i_;
    return true;
}

void ArgText::pair(Stmt& s) {
    blanks();
    if (i_ >= t_.size() || t_[i_] != '(') raise(err::Syntax);
    const size_t close = closeParen(t_, i_);
    if (close == std::string_view::npos) raise(err::Syntax);
    const std::vector<std::string_view> parts = splitArgs(t_.substr(i_ + 1, close - i_ - 1));
    if (parts.size() != 2 || trim(parts[0]).empty() || trim(parts[1]).empty()) raise(err::Syntax);
    s.ex.push_back(parseExpression(trim(parts[0])));
    s.ex.push_back(parseExpression(trim(parts[1])));
    i_ = close + 1;
}

bool ArgText::point(Stmt& s) {
    const bool step = word("STEP");
    pair(s);
    return step;
}

std::vector<std::string_view> ArgText::tail() {
    if (atEnd()) return {};
    if (t_[i_] != ',') raise(err::Syntax);
    std::vector<std::string_view> out = splitArgs(t_.substr(i_ + 1));
    for (auto& a : out) a = trim(a);
    i_ = t_.size();
    return out;
}

ExprPtr optional(std::string_view t) {
    t = trim(t);
    return t.empty() ? nullptr : parseExpression(t);
}

std::string upper(std::string_view t) {
    std::string out(t);
    for (size_t i = 0; i < out.size(); ++i) {
        const auto b = static_cast<uint8_t>(out[i]);
        if (isLead(b)) {
            ++i;
            continue;
        }
        if (b >= 'a' && b <= 'z') out[i] = static_cast<char>(b - 'a' + 'A');
    }
    return out;
}

bool isFileForm(const Stmt& s) {
    std::string_view t = trim(std::string_view(s.text).substr(s.argPos));
    return !t.empty() && (t[0] == '#' || isDigit(t[0]));
}

}  // namespace gfx

namespace {

// Appends the optional arguments of `tail` as expressions; more than
// `most` is a Syntax error.
void optionalArgs(Stmt& s, const std::vector<std::string_view>& tail, size_t most) {
    if (tail.size() > most) raise(err::Syntax);
    for (std::string_view a : tail) s.ex.push_back(gfx::optional(a));
}

void preparePoint(Stmt& s, std::string_view r, size_t most) {
    gfx::ArgText a(r);
    if (a.point(s)) s.sub |= gfx::StepA;
    optionalArgs(s, a.tail(), most);
}

void prepareLine(Stmt& s, std::string_view r) {
    // [[STEP](x1, y1)]-[STEP](x2, y2)[, [c][, [B|BF][, style or tile]]]
    gfx::ArgText a(r);
    if (!a.take('-')) {
        if (a.point(s)) s.sub |= gfx::StepA;
        s.sub |= gfx::HasStart;
        if (!a.take('-')) raise(err::Syntax);
    } else {
        s.ex.emplace_back();
        s.ex.emplace_back();
    }
    if (a.point(s)) s.sub |= gfx::StepB;
    const std::vector<std::string_view> tail = a.tail();
    if (tail.size() > 3) raise(err::Syntax);
    s.ex.push_back(tail.size() > 0 ? gfx::optional(tail[0]) : nullptr);
    if (tail.size() > 1) s.str = gfx::upper(tail[1]);
    s.ex.push_back(tail.size() > 2 ? gfx::optional(tail[2]) : nullptr);
}

void prepareCircle(Stmt& s, std::string_view r) {
    // [STEP](x, y), r[, [c][, [start][, [end][, [aspect][, [F][, paint]]]]]]
    gfx::ArgText a(r);
    if (a.point(s)) s.sub |= gfx::StepA;
    std::vector<std::string_view> tail = a.tail();
    if (tail.empty() || tail[0].empty() || tail.size() > 7) raise(err::Syntax);
    for (size_t i = 0; i < 5 && i < tail.size(); ++i) s.ex.push_back(gfx::optional(tail[i]));
    s.ex.resize(7);
    if (tail.size() > 5) s.str = gfx::upper(tail[5]);
    s.ex.push_back(tail.size() > 6 ? gfx::optional(tail[6]) : nullptr);
}

void prepareRect(Stmt& s, std::string_view r, size_t most) {
    // (x1, y1)-(x2, y2) and up to `most` optional arguments.
    gfx::ArgText a(r);
    a.pair(s);
    if (!a.take('-')) raise(err::Syntax);
    a.pair(s);
    optionalArgs(s, a.tail(), most);
}

void prepareScreenArgs(Stmt& s, std::string_view r) {
    // The mode (first argument) is never read.
    if (trim(r).empty()) return;
    const std::vector<std::string_view> parts = splitArgs(r);
    if (parts.size() > 4) raise(err::Syntax);
    s.ex.emplace_back();
    for (size_t i = 1; i < parts.size(); ++i) s.ex.push_back(gfx::optional(parts[i]));
}

}  // namespace

bool Interpreter::prepareGraphics(Stmt& s) {
    const std::string_view r = std::string_view(s.text).substr(s.argPos);
    switch (s.code) {
    case kw::Pset:
    case kw::Preset:
        preparePoint(s, r, 1);
        return true;
    case kw::Line:
    case kw::LineParen:
        prepareLine(s, r);
        return true;
    case kw::Circle:
        prepareCircle(s, r);
        return true;
    case kw::Paint:
        preparePoint(s, r, 2);
        return true;
    case kw::Point:
        preparePoint(s, r, 0);
        return true;
    case kw::Screen:
        prepareScreenArgs(s, r);
        return true;
    case kw::View:
        prepareRect(s, r, 2);
        return true;
    case kw::Window:
        prepareRect(s, r, 0);
        return true;
    case kw::Draw:
        gfx::prepareDraw(s);
        return true;
    case kw::Get:
        if (gfx::isFileForm(s)) return false;
        gfx::prepareGet(s);
        return true;
    case kw::Put:
        if (gfx::isFileForm(s)) return false;
        gfx::preparePut(s);
        return true;
    case kw::Roll:
        gfx::prepareRoll(s);
        return true;
    case kw::Copy:
        gfx::prepareCopy(s);
        return true;
    default:
        return false;
    }
}

bool Interpreter::executeGraphics(Stmt& s) {
    switch (s.code) {
    case kw::Get:
    case kw::Put:
        if (gfx::isFileForm(s)) return false;
        break;
    case kw::Pset: case kw::Preset: case kw::Line: case kw::LineParen: case kw::Circle:
    case kw::Paint: case kw::Point: case kw::Screen: case kw::View: case kw::Window:
    case kw::Draw: case kw::Roll: case kw::Copy:
        break;
    default:
        return false;
    }
    Graphics g(*this);
    switch (s.code) {
    case kw::Pset: g.pset(s, false); break;
    case kw::Preset: g.pset(s, true); break;
    case kw::Line:
    case kw::LineParen: g.line(s); break;
    case kw::Circle: g.circle(s); break;
    case kw::Paint: g.paint(s); break;
    case kw::Point: g.pointStatement(s); break;
    case kw::Screen: g.screen(s); break;
    case kw::View: g.view(s); break;
    case kw::Window: g.window(s); break;
    case kw::Draw: g.draw(s); break;
    case kw::Get: g.get(s); break;
    case kw::Put: g.put(s); break;
    case kw::Roll: g.roll(s); break;
    case kw::Copy: g.copy(s); break;
    default: break;
    }
    return true;
}

void Interpreter::resetDrawingColours() {
    gfx_->drawColour = 7;
    gfx_->fgReset = true;
    gfx_->fgResetAt = display_.modeSets();
}

double Interpreter::fnPointPosition(int n) { return Graphics(*this).pointPosition(n); }
double Interpreter::fnPointColor(double x, double y) { return Graphics(*this).pointColour(x, y); }
double Interpreter::fnMap(double v, int n) { return Graphics(*this).map(v, n); }
int Interpreter::fnView(int n) { return Graphics(*this).viewCoord(n); }
double Interpreter::fnWindow(int n) { return Graphics(*this).windowCoord(n); }

// ---------------------------------------------------------------- engine

Graphics::Graphics(Interpreter& interp) : in(interp), g(*interp.gfx_), d(interp.display_), text(interp.screen_) {}

bool Graphics::transformed() const { return g.viewSet || g.windowSet; }

int64_t Graphics::pixelX(double wx) const {
    if (!transformed()) return roundArg(wx);
    return truncFar((wx - g.wx1) / g.xScale + d.viewport.x1 + 0.5);
}

int64_t Graphics::pixelY(double wy) const {
    if (!transformed()) return roundArg(wy);
    return truncFar((wy - g.wy1) / g.yScale + d.viewport.y1 + 0.5);
}

double Graphics::worldX(int64_t px) const { return static_cast<double>(px - d.viewport.x1) * g.xScale + g.wx1; }
double Graphics::worldY(int64_t py) const { return static_cast<double>(py - d.viewport.y1) * g.yScale + g.wy1; }

int64_t Graphics::lengthX(double w) const { return truncFar(w / g.xScale + 0.5); }
int64_t Graphics::lengthY(double w) const { return truncFar(w / g.yScale + 0.5); }

Graphics::Point Graphics::last() const { return Point{d.lastX, d.lastY}; }

void Graphics::setLast(Point p) {
    d.lastX = static_cast<int>(std::clamp<int64_t>(p.x, -kFar, kFar));
    d.lastY = static_cast<int>(std::clamp<int64_t>(p.y, -kFar, kFar));
}

Graphics::Point Graphics::point(Stmt& s, size_t slot, bool step) {
    const double vx = in.evalNum(*s.ex[slot]);
    const double vy = in.evalNum(*s.ex[slot + 1]);
    Point p;
    if (step) {
        // An offset is a length: a world distance scaled to pixels, the
        // same either way from the last point.
        auto offset = [&](double v, double scale) {
            if (!transformed()) return roundArg(v);
            const int64_t n = truncFar(std::fabs(v) / scale + 0.5);
            return v < 0 ? -n : n;
        };
        const Point l = last();
        p = Point{l.x + offset(vx, g.xScale), l.y + offset(vy, g.yScale)};
    } else {
        p = Point{pixelX(vx), pixelY(vy)};
    }
    setLast(p);
    return last();
}

int Graphics::maxColour() const { return text.paletteMode() == 2 ? 15 : 7; }

int Graphics::colourArg(const Expr* e) {
    if (!e) return -1;
    const int64_t c = roundArg(in.evalNum(*e));
    return validColour(c) ? static_cast<int>(c) : -1;
}

uint32_t Graphics::rgb(int colour) const { return text.palette(colour); }

int Graphics::foregroundCopy() {
    if (g.fgReset && d.modeSets() == g.fgResetAt) return 7;
    g.fgReset = false;
    return text.foreground();
}

raster::Canvas Graphics::canvas() { return raster::Canvas(d.page(d.activePage()), d.viewport); }

void Graphics::dirty(const Rect& r) {
    Rect o = r;
    if (o.x1 > o.x2) std::swap(o.x1, o.x2);
    if (o.y1 > o.y2) std::swap(o.y1, o.y2);
    d.markDirty(d.activePage(), o);
    in.host().screenChanged();
}

raster::Brush Graphics::patternBrush(const std::string& arg, int& colour) {
    const std::string t = gfx::upper(arg);
    if (contains(t, "HS_")) {
        static const struct {
            const char* name;
            raster::Hatch hatch;
        } names[] = {
            {"HS_BDIAGONAL", raster::Hatch::BDiagonal}, {"HS_CROSS", raster::Hatch::Cross},
            {"HS_DIAGCROSS", raster::Hatch::DiagCross}, {"HS_FDIAGONAL", raster::Hatch::FDiagonal},
            {"HS_HORIZONTAL", raster::Hatch::Horizontal}, {"HS_VERTICAL", raster::Hatch::Vertical},
        };
        for (const auto& n : names) {
            if (!contains(t, n.name)) continue;
            const size_t comma = t.find(',');
            if (comma != std::string::npos) {
                size_t j = comma + 1;
                while (j < t.size() && (t[j] == '(' || t[j] == ' ')) ++j;
                const int c = numtext::atoi(std::string_view(t).substr(j));
                if (validColour(c)) colour = c;
            }
            return raster::Brush::hatch(n.hatch, rgb(colour));
        }
    }
    // A tile: 3 bytes a row (4 with 16 colours), bit x of each byte giving
    // one bit of the colour number of pixel x; missing rows repeat the
    // given ones from the top.
    const size_t k = text.paletteMode() == 2 ? 4 : 3;
    if (t.empty() || t.size() % k != 0)
        raise(err::IllegalFunctionCall, k == 4 ? "Illegal function call ,strings length not multiple 4 in "
                                               : "Illegal function call ,strings length not multiple 3 in ");
    const size_t rows = t.size() / k;
    std::array<uint32_t, 64> px{};
    for (size_t r = 0; r < 8; ++r) {
        const size_t base = (r % rows) * k;
        for (int x = 0; x < 8; ++x) {
            int c = 0;
            for (size_t b = 0; b < k; ++b) c |= ((static_cast<uint8_t>(t[base + b]) >> x) & 1) << b;
            px[r * 8 + static_cast<size_t>(x)] = rgb(c);
        }
    }
    raster::Brush brush = raster::Brush::tile(px);
    g.tileSet = true;
    g.tile = brush;
    return brush;
}

void Graphics::resetDrawState() {
    g.draw = GraphicsState::Draw{};
    g.draw.colour = g.drawColour;
    g.draw.fill = g.drawColour;
}

// ---------------------------------------------------------------- statements

void Graphics::pset(Stmt& s, bool reset) {
    const Point p = point(s, 0, s.sub & gfx::StepA);
    int c = reset ? text.background() : foregroundCopy();
    const int given = colourArg(arg(s, 2));
    if (given >= 0) c = given;
    g.drawColour = c;
    raster::Canvas cv = canvas();
    cv.plot(p.x, p.y, rgb(c));
    dirty(Rect{static_cast<int>(p.x) - 1, static_cast<int>(p.y) - 1, static_cast<int>(p.x), static_cast<int>(p.y)});
}

void Graphics::line(Stmt& s) {
    const Point a = (s.sub & gfx::HasStart) ? point(s, 0, s.sub & gfx::StepA) : last();
    const Point b = point(s, 2, s.sub & gfx::StepB);
    const int given = colourArg(arg(s, 4));
    if (given >= 0) g.drawColour = given;
    const int colour = g.drawColour;
    const int kind = contains(s.str, "BF") ? 2 : contains(s.str, "B") ? 1 : 0;

    raster::Pen pen{rgb(colour)};
    raster::Brush fill = raster::Brush::solid(rgb(colour));
    if (const Expr* e = arg(s, 5)) {
        const Value v = in.eval(*e);
        if (v.isStr()) {
            if (kind == 2) {
                int c = colour;
                fill = patternBrush(v.str, c);
            }
        } else if (kind == 2) {
            const int64_t c = roundArg(v.num);
            if (validColour(c)) fill = raster::Brush::solid(rgb(static_cast<int>(c)));
        } else {
            int64_t style = roundArg(v.num);
            if (style > 65535 || style < -32768) raise(err::IllegalFunctionCall);
            if (style != 0) pen.style = static_cast<uint16_t>(style & 0xFFFF);
        }
    }
    raster::Canvas cv = canvas();
    if (kind == 0) {
        raster::line(cv, a.x, a.y, b.x, b.y, pen);
    } else {
        raster::box(cv, a.x, a.y, b.x, b.y, pen);
        if (kind == 2) {
            const int64_t x1 = std::min(a.x, b.x), x2 = std::max(a.x, b.x);
            const int64_t y1 = std::min(a.y, b.y), y2 = std::max(a.y, b.y);
            if (x2 - x1 >= 2 && y2 - y1 >= 2) raster::fillBox(cv, x1 + 1, y1 + 1, x2 - 1, y2 - 1, fill);
        }
    }
    dirty(Rect{static_cast<int>(a.x), static_cast<int>(a.y), static_cast<int>(b.x), static_cast<int>(b.y)});
}

void Graphics::circle(Stmt& s) {
    const Point c = point(s, 0, s.sub & gfx::StepA);
    const double r = in.evalNum(*s.ex[2]);
    const int given = colourArg(arg(s, 3));
    g.drawColour = given >= 0 ? given : text.graphicsForeground();
    int paintColour = g.drawColour;
    const double start = arg(s, 4) ? in.evalNum(*arg(s, 4)) : 0.0;
    const double end = arg(s, 5) ? in.evalNum(*arg(s, 5)) : kTwoPi;
    const double aspect = arg(s, 6) ? in.evalNum(*arg(s, 6)) : 1.0;
    const bool filled = contains(s.str, "F");
    std::optional<raster::Brush> pattern;
    if (const Expr* e = arg(s, 7)) {
        const Value v = in.eval(*e);
        if (v.isStr()) {
            pattern = patternBrush(v.str, paintColour);
        } else {
            const int64_t p = roundArg(v.num);
            if (validColour(p)) paintColour = static_cast<int>(p);
        }
    }
    if (r < 0 || aspect < 0 || std::isnan(r) || std::isnan(aspect)) raise(err::IllegalFunctionCall);

    // Radii: the aspect squeezes the vertical radius, or above 1 the
    // horizontal one.
    const double rh = aspect > 1 ? r / aspect : r;
    const double rv = aspect > 1 ? r : r * aspect;
    int64_t rx, ry;
    if (transformed()) {
        rx = lengthX(rh);
        ry = lengthY(rv);
    } else {
        const double whole = static_cast<double>(roundArg(r));
        rx = roundArg(aspect > 1 ? whole / aspect : whole);
        ry = roundArg(aspect > 1 ? whole : whole * aspect);
    }
    if (rx > raster::MaxRadius || ry > raster::MaxRadius) raise(err::IllegalFunctionCall);
    rx = std::max<int64_t>(rx, 0);
    ry = std::max<int64_t>(ry, 0);

    const bool isArc = std::fabs(start) <= kTwoPi && std::fabs(end) <= kTwoPi && std::fabs(end - start) < kTwoPi;
    const double from = std::fabs(start);
    const double to = std::fabs(end);
    const raster::Pen pen{rgb(g.drawColour)};
    const raster::Brush brush = pattern ? *pattern : raster::Brush::solid(rgb(paintColour));
    raster::Canvas cv = canvas();
    auto radius = [&](double angle) {
        const raster::Offset o = raster::ellipsePoint(rx, ry, angle);
        raster::line(cv, c.x, c.y, c.x + o.dx, c.y + o.dy, pen);
    };
    if (!isArc) {
        if (filled) raster::fillEllipse(cv, c.x, c.y, rx, ry, brush);
        raster::ellipse(cv, c.x, c.y, rx, ry, pen);
    } else {
        if (filled) raster::fillSector(cv, c.x, c.y, rx, ry, from, to, brush);
        raster::arc(cv, c.x, c.y, rx, ry, from, to, pen);
        if (filled || start < 0) radius(from);
        if (filled || end < 0) radius(to);
    }
    dirty(Rect{static_cast<int>(c.x - rx), static_cast<int>(c.y - ry), static_cast<int>(c.x + rx),
               static_cast<int>(c.y + ry)});
}

void Graphics::paint(Stmt& s) {
    const Point p = point(s, 0, s.sub & gfx::StepA);
    int paintColour = g.drawColour;
    std::optional<raster::Brush> pattern;
    if (const Expr* e = arg(s, 2)) {
        const Value v = in.eval(*e);
        if (v.isStr()) {
            pattern = patternBrush(v.str, paintColour);
        } else {
            const int64_t c = roundArg(v.num);
            if (validColour(c)) paintColour = static_cast<int>(c);
        }
    }
    int border = paintColour;
    const int given = colourArg(arg(s, 3));
    if (given >= 0) border = given;
    raster::Canvas cv = canvas();
    raster::floodFill(cv, static_cast<int>(std::clamp<int64_t>(p.x, -1, Framebuffer::Width)),
                      static_cast<int>(std::clamp<int64_t>(p.y, -1, Framebuffer::Height)), rgb(border),
                      pattern ? *pattern : raster::Brush::solid(rgb(paintColour)));
    dirty(Framebuffer::bounds());
}

void Graphics::pointStatement(Stmt& s) { point(s, 0, s.sub & gfx::StepA); }

void Graphics::screen(Stmt& s) {
    auto value = [&](size_t i, int64_t& v) {
        if (!arg(s, i)) return false;
        v = roundArg(in.evalNum(*arg(s, i)));
        return true;
    };
    int64_t v = 0;
    if (value(1, v)) {
        if (v == 0 || v == 1) d.setGraphicsShown(true);
        if (v == 2 || v == 3) d.setGraphicsShown(false);
    }
    if (value(2, v) && (v == 0 || v == 1)) d.setActivePage(static_cast<int>(v));
    if (value(3, v)) {
        const bool wide = text.paletteMode() == 2;
        const int pageOne = wide ? 33 : 17;
        const int step = wide ? 16 : 8;
        if (v == 1) d.setDisplayedPage(0);
        else if (v == pageOne) d.setDisplayedPage(1);
        else if (v >= 0 && v <= 3 * step && v % step == 0) d.setDisplayedPage(-1);
    }
    // VIEW and WINDOW are cancelled and drawing starts afresh.
    d.viewport = Framebuffer::bounds();
    g.viewSet = g.windowSet = false;
    g.viewFill = g.viewBorder = -1;
    g.wx1 = g.wy1 = 0;
    g.wx2 = 639;
    g.wy2 = 399;
    g.xScale = g.yScale = 1.0;
    setLast(Point{0, 0});
    resetDrawState();
    d.invalidate();
    in.host().screenChanged();
}

void Graphics::view(Stmt& s) {
    int64_t v[4];
    for (size_t i = 0; i < 4; ++i) v[i] = roundArg(in.evalNum(*s.ex[i]));
    const int64_t x1 = v[0], y1 = v[1], x2 = v[2], y2 = v[3];
    if (!(x1 < x2 && y1 < y2 && x1 >= 0 && y1 >= 0 && x2 < Framebuffer::Width && y2 < Framebuffer::Height))
        raise(err::IllegalFunctionCall);
    const Rect vp{static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2), static_cast<int>(y2)};
    g.viewFill = colourArg(arg(s, 4));
    g.viewBorder = colourArg(arg(s, 5));
    d.viewport = vp;
    g.viewSet = true;
    if (!g.windowSet) {
        // Without a WINDOW, coordinates stay screen pixels.
        g.wx1 = static_cast<double>(x1);
        g.wy1 = static_cast<double>(y1);
        g.wx2 = static_cast<double>(x2);
        g.wy2 = static_cast<double>(y2);
        g.xScale = g.yScale = 1.0;
    } else {
        g.xScale = (g.wx2 - g.wx1) / static_cast<double>(x2 - x1);
        g.yScale = (g.wy2 - g.wy1) / static_cast<double>(y2 - y1);
    }
    raster::Canvas cv(d.page(d.activePage()), Framebuffer::bounds());
    if (g.viewFill >= 0) raster::fillBox(cv, x1, y1, x2, y2, raster::Brush::solid(rgb(g.viewFill)));
    if (g.viewBorder >= 0) raster::box(cv, x1 - 1, y1 - 1, x2 + 1, y2 + 1, raster::Pen{rgb(g.viewBorder)});
    dirty(Rect{vp.x1 - 1, vp.y1 - 1, vp.x2 + 1, vp.y2 + 1});
}

void Graphics::window(Stmt& s) {
    double v[4];
    for (size_t i = 0; i < 4; ++i) v[i] = in.evalNum(*s.ex[i]);
    if (!(v[2] > v[0] && v[3] > v[1])) raise(err::IllegalFunctionCall);
    g.wx1 = v[0];
    g.wy1 = v[1];
    g.wx2 = v[2];
    g.wy2 = v[3];
    g.windowSet = true;
    g.xScale = (g.wx2 - g.wx1) / static_cast<double>(d.viewport.x2 - d.viewport.x1);
    g.yScale = (g.wy2 - g.wy1) / static_cast<double>(d.viewport.y2 - d.viewport.y1);
    setLast(Point{roundArg(g.wx1), roundArg(g.wy1)});
}

// ---------------------------------------------------------------- functions

double Graphics::pointPosition(int n) {
    const Point l = last();
    switch (n) {
    case 0: return g.windowSet ? worldX(l.x) : static_cast<double>(l.x);
    case 1: return g.windowSet ? worldY(l.y) : static_cast<double>(l.y);
    case 2: return static_cast<double>(l.x);
    case 3: return static_cast<double>(l.y);
    default: raise(err::IllegalFunctionCall);
    }
}

double Graphics::pointColour(double x, double y) {
    const int64_t px = truncFar(x + 0.5);
    const int64_t py = truncFar(y + 0.5);
    const Rect& vp = d.viewport;
    if (px < vp.x1 || px > vp.x2 || py < vp.y1 || py > vp.y2) raise(err::IllegalFunctionCall);
    const uint32_t p = d.composite().pixel(static_cast<int>(px), static_cast<int>(py));
    for (int c = 0; c <= maxColour(); ++c)
        if (rgb(c) == p) return c;
    return -1;
}

double Graphics::map(double v, int n) {
    switch (n) {
    case 0: return static_cast<double>(truncFar((v - g.wx1) / g.xScale + d.viewport.x1 + 0.5));
    case 1: return static_cast<double>(truncFar((v - g.wy1) / g.yScale + d.viewport.y1 + 0.5));
    case 2: return (v - d.viewport.x1) * g.xScale + g.wx1;
    case 3: return (v - d.viewport.y1) * g.yScale + g.wy1;
    default: raise(err::IllegalFunctionCall);
    }
}

int Graphics::viewCoord(int n) {
    switch (n) {
    case 0: return d.viewport.x1;
    case 1: return d.viewport.y1;
    case 2: return d.viewport.x2;
    case 3: return d.viewport.y2;
    default: raise(err::IllegalFunctionCall);
    }
}

double Graphics::windowCoord(int n) {
    switch (n) {
    case 0: return g.wx1;
    case 1: return g.wy1;
    case 2: return g.wx2;
    case 3: return g.wy2;
    default: raise(err::IllegalFunctionCall);
    }
}

}  // namespace tw
