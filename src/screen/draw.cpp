// DRAW: a string of one-letter commands that moves a pen from the last
// point. Each command takes the text up to the next letter as its
// argument; "=expression;" stands for a number anywhere an argument may
// stand, and X runs the string expression after it as more commands. A
// failing command ends the string; what earlier commands drew stays.
#include <algorithm>
#include <cmath>

#include "core/interp.h"
#include "core/stmt.h"
#include "eval/numtext.h"
#include "screen/graphics.h"

namespace tw {

namespace {

// Nesting of X strings, so that a string running itself ends.
constexpr int kMaxDepth = 32;

[[noreturn]] void illegal() { raise(err::IllegalFunctionCall); }

void requireOnScreen(Graphics::Point p) {
    if (p.x < 0 || p.x > Framebuffer::Width || p.y < 0 || p.y > Framebuffer::Height) illegal();
}

// End of the argument that starts at i: the next letter, where an
// "=expression;" counts as one piece whatever letters it holds.
size_t argumentEnd(const std::string& t, size_t i) {
    while (i < t.size()) {
        const char c = t[i];
        if (c == '=') {
            const size_t semi = t.find(';', i);
            i = semi == std::string::npos ? t.size() : semi + 1;
            continue;
        }
        if (isUpper(c)) break;
        i += isLead(static_cast<uint8_t>(c)) ? 2 : 1;
    }
    return std::min(i, t.size());
}

}  // namespace

void gfx::prepareDraw(Stmt& s) {
    const std::string_view t = trim(std::string_view(s.text).substr(s.argPos));
    if (t.empty()) raise(err::Syntax);
    s.ex.push_back(parseExpression(t));
}

void Graphics::draw(Stmt& s) {
    const Value v = in.eval(*s.ex[0]);
    if (!v.isStr()) raise(err::TypeMismatch);
    drawString(v.str, 0);
}

void Graphics::drawString(const std::string& cmds, int depth) {
    if (depth > kMaxDepth) illegal();
    const std::string t = gfx::upper(cmds);
    const bool hexStyle = t.find('&') != std::string::npos;
    size_t i = 0;
    while (i < t.size()) {
        const char c = t[i++];
        if (isLead(static_cast<uint8_t>(c))) {
            ++i;
            continue;
        }
        if (!isUpper(c)) continue;
        if (c == 'Y' && hexStyle) {
            // The rest of the string is a hexadecimal style.
            drawCommand(c, std::string_view(t).substr(i), true);
            return;
        }
        if (c == 'X') {
            // X[=]expression; runs the string the expression gives.
            size_t j = i;
            while (j < t.size() && t[j] == ' ') ++j;
            if (j < t.size() && t[j] == '=') ++j;
            size_t semi = t.find(';', j);
            if (semi == std::string::npos) semi = t.size();
            const std::string_view expr = trim(std::string_view(t).substr(j, semi - j));
            i = std::min(semi + 1, t.size());
            if (expr.empty()) illegal();
            const Value v = in.evalRegion(expr);
            if (!v.isStr()) raise(err::TypeMismatch);
            drawString(v.str, depth + 1);
            g.draw.blank = g.draw.noUpdate = false;
            continue;
        }
        const size_t end = argumentEnd(t, i);
        const std::string_view a = std::string_view(t).substr(i, end - i);
        i = end;
        drawCommand(c, a, hexStyle);
    }
}

double Graphics::drawNumber(std::string_view item) {
    item = trim(item);
    if (!item.empty() && item[0] == '=') {
        std::string_view e = item.substr(1);
        const size_t semi = e.find(';');
        if (semi != std::string_view::npos) e = e.substr(0, semi);
        if (trim(e).empty()) illegal();
        const Value v = in.evalRegion(trim(e));
        if (v.isStr()) raise(err::TypeMismatch);
        return v.num;
    }
    return numtext::atof(item);
}

raster::Pen Graphics::drawPen() const {
    raster::Pen pen{rgb(g.draw.colour)};
    if (g.draw.styled) pen.style = g.draw.style;
    return pen;
}

// The point a relative move of (a, b) reaches: scaled, rounded, turned by
// the angle, and with VIEW or WINDOW set taken in world units.
Graphics::Point Graphics::drawTarget(double a, double b) {
    const int64_t dx = roundArg(a * g.draw.scale);
    const int64_t dy = roundArg(b * g.draw.scale);
    int64_t rx = dx, ry = dy;
    switch (g.draw.angle) {
    case 1: rx = dy; ry = -dx; break;
    case 2: rx = -dx; ry = -dy; break;
    case 3: rx = -dy; ry = dx; break;
    default: break;
    }
    const Point from = last();
    if (!transformed()) return Point{from.x + rx, from.y + ry};
    return Point{pixelX(worldX(from.x) + static_cast<double>(rx)), pixelY(worldY(from.y) + static_cast<double>(ry))};
}

// Both ends must lie on the screen (0 to 640 by 0 to 400).
void Graphics::drawSegment(Point from, Point to, bool visible) {
    requireOnScreen(from);
    requireOnScreen(to);
    if (visible) {
        raster::Canvas cv = canvas();
        raster::line(cv, from.x, from.y, to.x, to.y, drawPen());
        dirty(Rect{static_cast<int>(from.x), static_cast<int>(from.y), static_cast<int>(to.x), static_cast<int>(to.y)});
    }
    setLast(to);
}

void Graphics::drawCommand(char c, std::string_view a, bool hexStyle) {
    GraphicsState::Draw& st = g.draw;
    const Point start = last();
    auto number = [&]() { return drawNumber(a); };
    auto colour = [&]() {
        const int64_t v = roundArg(number());
        if (!validColour(v)) illegal();
        return static_cast<int>(v);
    };
    auto twoNumbers = [&](double& x, double& y) {
        const std::vector<std::string_view> parts = splitArgs(a);
        if (parts.size() != 2) illegal();
        x = drawNumber(parts[0]);
        y = drawNumber(parts[1]);
    };
    // The fill of P and T: the pattern of the last tiled fill, else the
    // colour of Z, else the DRAW colour.
    auto fillBrush = [&]() {
        if (g.tileSet) return g.tile;
        return raster::Brush::solid(rgb(st.fillSet ? st.fill : st.colour));
    };

    switch (c) {
    case 'U': case 'D': case 'L': case 'R': case 'E': case 'F': case 'G': case 'H': {
        const double n = number();
        static const struct {
            char c;
            int dx, dy;
        } moves[] = {{'U', 0, -1}, {'D', 0, 1}, {'L', -1, 0}, {'R', 1, 0},
                     {'E', 1, -1}, {'F', -1, -1}, {'G', -1, 1}, {'H', 1, 1}};
        for (const auto& m : moves)
            if (m.c == c) drawSegment(start, drawTarget(n * m.dx, n * m.dy), !st.blank);
        break;
    }
    case 'M': {
        double x = 0, y = 0;
        twoNumbers(x, y);
        drawSegment(start, Point{pixelX(x), pixelY(y)}, !st.blank);
        break;
    }
    case 'W': {
        double x = 0, y = 0;
        twoNumbers(x, y);
        drawSegment(start, drawTarget(x, y), !st.blank);
        break;
    }
    case 'Q':
    case 'T': {
        double x = 0, y = 0;
        twoNumbers(x, y);
        const Point corner = drawTarget(x, y);
        requireOnScreen(start);
        requireOnScreen(corner);
        raster::Canvas cv = canvas();
        raster::box(cv, start.x, start.y, corner.x, corner.y, drawPen());
        if (c == 'T')
            raster::floodFill(cv, static_cast<int>((start.x + corner.x) / 2), static_cast<int>((start.y + corner.y) / 2),
                              rgb(st.colour), fillBrush());
        dirty(c == 'T' ? Framebuffer::bounds()
                       : Rect{static_cast<int>(start.x), static_cast<int>(start.y), static_cast<int>(corner.x),
                              static_cast<int>(corner.y)});
        break;
    }
    case 'P': {
        const raster::Brush brush = trim(a).empty() ? fillBrush() : raster::Brush::solid(rgb(colour()));
        raster::Canvas cv = canvas();
        raster::floodFill(cv, static_cast<int>(std::clamp<int64_t>(start.x, -1, Framebuffer::Width)),
                          static_cast<int>(std::clamp<int64_t>(start.y, -1, Framebuffer::Height)), rgb(st.colour),
                          brush);
        dirty(Framebuffer::bounds());
        break;
    }
    case 'A': {
        const int64_t v = roundArg(number());
        if (v < 0 || v > 3) illegal();
        st.angle = static_cast<int>(v);
        break;
    }
    case 'B':
        st.blank = true;
        return;
    case 'N':
        st.noUpdate = true;
        return;
    case 'C':
        st.colour = colour();
        break;
    case 'S': {
        const double v = number();
        if (!(v > 0)) illegal();
        st.scale = v;
        break;
    }
    case 'Z':
        st.fill = colour();
        st.fillSet = true;
        break;
    case 'Y': {
        // With an "&" anywhere in the string the argument is hexadecimal
        // (the "&" and "H" left out), else decimal and scaled.
        int64_t v = 0;
        if (hexStyle) {
            std::string hex;
            for (char ch : a)
                if (ch != '&' && ch != 'H') hex.push_back(ch);
            if (hex.size() > 4) illegal();
            v = numtext::strtol(hex, 16);
        } else {
            v = roundArg(number() * st.scale);
        }
        if (v > 65535 || v < 0) illegal();
        st.styled = v != 0;
        st.style = static_cast<uint16_t>(v);
        break;
    }
    default:
        illegal();
    }
    if (st.noUpdate) setLast(start);
    st.blank = st.noUpdate = false;
}

}  // namespace tw
