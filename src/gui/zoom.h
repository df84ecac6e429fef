// Where the 640x400 screen stands in the view at a zoom: a whole-number
// scale (sharp pixels, the same in both directions), the size of the
// scrollable content, and the mapping between screen pixels and viewport
// points. Pure geometry, no widgets.
#pragma once

#include <optional>

#include <QPoint>
#include <QRect>
#include <QSize>

namespace tw::zoom {

constexpr int ScreenWidth = 640;
constexpr int ScreenHeight = 400;
// The zoom that takes the largest whole scale the viewport holds.
constexpr int Fit = 0;
constexpr int MaxScale = 3;

struct Layout {
    int scale = 1;
    QSize content;  // the scaled screen: what the scroll bars move over
    QPoint origin;  // its top left in content coordinates (centring margin)
};

// A stored or requested zoom made valid: 1..MaxScale or Fit; anything else 1.
int normalized(int zoom);
// The layout of `zoom` (1..3, or Fit) in a viewport of the given size. A
// fixed zoom stands at the top left; Fit centres the screen, and falls back
// to scale 1 (with scrolling) in a viewport smaller than the screen.
Layout layout(int zoom, QSize viewport);
// Screen pixels -> viewport rectangle, with the view scrolled by `scroll`.
QRect toViewport(const Layout& l, const QRect& screen, QPoint scroll);
// Viewport rectangle -> the screen pixels it shows (partly covered pixels
// included), clipped to the screen; empty when it shows none.
QRect toScreen(const Layout& l, const QRect& viewport, QPoint scroll);
// The screen pixel under a viewport point, or nothing outside the screen.
std::optional<QPoint> screenPixel(const Layout& l, QPoint viewportPos, QPoint scroll);

}  // namespace tw::zoom
