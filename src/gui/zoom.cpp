#include "gui/zoom.h"

#include <algorithm>

namespace tw::zoom {

namespace {

// Floor division that stays right for negative numerators.
int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

int normalized(int zoom) { return zoom == Fit || (zoom >= 1 && zoom <= MaxScale) ? zoom : 1; }

Layout layout(int zoom, QSize viewport) {
    Layout l;
    zoom = normalized(zoom);
    if (zoom == Fit)
        l.scale = std::max(1, std::min(viewport.width() / ScreenWidth, viewport.height() / ScreenHeight));
    else
        l.scale = zoom;
    l.content = QSize(ScreenWidth * l.scale, ScreenHeight * l.scale);
    if (zoom == Fit)
        l.origin = QPoint(std::max(0, (viewport.width() - l.content.width()) / 2),
                          std::max(0, (viewport.height() - l.content.height()) / 2));
    return l;
}

QRect toViewport(const Layout& l, const QRect& screen, QPoint scroll) {
    if (screen.isEmpty()) return {};
    return QRect(l.origin - scroll + screen.topLeft() * l.scale, screen.size() * l.scale);
}

QRect toScreen(const Layout& l, const QRect& viewport, QPoint scroll) {
    if (viewport.isEmpty()) return {};
    const QPoint a = viewport.topLeft() + scroll - l.origin;
    const QPoint b = viewport.bottomRight() + scroll - l.origin;
    const QRect r(QPoint(floorDiv(a.x(), l.scale), floorDiv(a.y(), l.scale)),
                  QPoint(floorDiv(b.x(), l.scale), floorDiv(b.y(), l.scale)));
    return r & QRect(0, 0, ScreenWidth, ScreenHeight);
}

std::optional<QPoint> screenPixel(const Layout& l, QPoint viewportPos, QPoint scroll) {
    const QPoint p = viewportPos + scroll - l.origin;
    const QPoint s(floorDiv(p.x(), l.scale), floorDiv(p.y(), l.scale));
    if (s.x() < 0 || s.y() < 0 || s.x() >= ScreenWidth || s.y() >= ScreenHeight) return std::nullopt;
    return s;
}

}  // namespace tw::zoom
