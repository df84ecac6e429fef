// Zoom: the geometry of a scaled screen (whole scales, centring, the
// mapping of points both ways), and the window at each zoom: its size, its
// sharp pixels, mouse clicks landing on the right screen pixel, the choice
// kept in the settings, and full screen.
#include <gtest/gtest.h>

#include <QMenuBar>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>

#include "gui/commands.h"
#include "gui/zoom.h"
#include "gui_support.h"

using namespace tw;
using twtest::Window;

namespace {

TEST(ZoomGeometry, Layouts) {
    struct Case {
        int zoom;
        QSize viewport;
        int scale;
        QPoint origin;
    };
    const Case cases[] = {
        {1, {640, 400}, 1, {0, 0}},
        {2, {640, 400}, 2, {0, 0}},      // larger than the view: scrolled
        {3, {2000, 1500}, 3, {0, 0}},    // fixed zooms stand at the top left
        {zoom::Fit, {640, 400}, 1, {0, 0}},
        {zoom::Fit, {1279, 900}, 1, {319, 250}},
        {zoom::Fit, {1280, 800}, 2, {0, 0}},
        {zoom::Fit, {1500, 801}, 2, {110, 0}},
        {zoom::Fit, {1920, 1080}, 2, {320, 140}},  // 3 would need 1200 rows
        {zoom::Fit, {2560, 1440}, 3, {320, 120}},
        {zoom::Fit, {4000, 3000}, 6, {80, 300}},   // no upper bound
        {zoom::Fit, {300, 200}, 1, {0, 0}},        // smaller: scale 1, scrolled
        {7, {640, 400}, 1, {0, 0}},                // not a zoom: 1
        {-1, {640, 400}, 1, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("zoom %1 in %2x%3").arg(c.zoom).arg(c.viewport.width()).arg(c.viewport.height()).toStdString());
        const zoom::Layout l = zoom::layout(c.zoom, c.viewport);
        EXPECT_EQ(l.scale, c.scale);
        EXPECT_EQ(l.content, QSize(640 * c.scale, 400 * c.scale));
        EXPECT_EQ(l.origin, c.origin);
    }
    EXPECT_EQ(zoom::normalized(0), zoom::Fit);
    EXPECT_EQ(zoom::normalized(3), 3);
    EXPECT_EQ(zoom::normalized(4), 1);
}

TEST(ZoomGeometry, PointsAndRectangles) {
    zoom::Layout l;
    l.scale = 3;
    l.content = QSize(1920, 1200);
    l.origin = QPoint(100, 50);
    const QPoint scroll(30, 0);
    // Screen pixel (x, y) covers viewport x*3+70 .. +2, y*3+50 .. +2.
    struct PointCase {
        QPoint viewport;
        std::optional<QPoint> pixel;
    };
    const PointCase points[] = {
        {{70, 50}, QPoint(0, 0)},     {{72, 52}, QPoint(0, 0)},   {{73, 52}, QPoint(1, 0)},
        {{69, 50}, std::nullopt},     {{70, 49}, std::nullopt},   {{70 + 1919, 50 + 1199}, QPoint(639, 399)},
        {{70 + 1920, 60}, std::nullopt}, {{80, 50 + 1200}, std::nullopt},
        {{70 + 3 * 321 + 1, 50 + 3 * 17 + 2}, QPoint(321, 17)},
    };
    for (const PointCase& p : points) {
        SCOPED_TRACE(QStringLiteral("%1,%2").arg(p.viewport.x()).arg(p.viewport.y()).toStdString());
        EXPECT_EQ(zoom::screenPixel(l, p.viewport, scroll), p.pixel);
    }
    // Rectangles: screen -> viewport is exact; viewport -> screen takes
    // every pixel the rectangle touches.
    EXPECT_EQ(zoom::toViewport(l, QRect(10, 20, 8, 16), scroll), QRect(100, 110, 24, 48));
    EXPECT_EQ(zoom::toViewport(l, QRect(), scroll), QRect());
    EXPECT_EQ(zoom::toScreen(l, QRect(100, 110, 24, 48), scroll), QRect(10, 20, 8, 16));
    EXPECT_EQ(zoom::toScreen(l, QRect(101, 111, 1, 1), scroll), QRect(10, 20, 1, 1));
    EXPECT_EQ(zoom::toScreen(l, QRect(102, 112, 2, 2), scroll), QRect(10, 20, 2, 2));
    // Clipped to the screen; nothing for a margin alone.
    EXPECT_EQ(zoom::toScreen(l, QRect(0, 0, 80, 60), scroll), QRect(0, 0, 4, 4));
    EXPECT_TRUE(zoom::toScreen(l, QRect(0, 0, 60, 40), scroll).isEmpty());
    // Round trip of every scale: a pixel's block maps back to the pixel.
    for (int s = 1; s <= 4; ++s) {
        l.scale = s;
        const QRect px(639, 399, 1, 1);
        EXPECT_EQ(zoom::toScreen(l, zoom::toViewport(l, px, scroll), scroll), px);
    }
}

// ----------------------------------------------------------------- window

class ZoomWindow : public ::testing::Test {
protected:
    void SetUp() override { QSettings().remove(QStringLiteral("View")); }
    void TearDown() override { QSettings().remove(QStringLiteral("View")); }
};

QSize viewportSize(Window& w) {
    QCoreApplication::processEvents();
    return w.view()->viewport()->size();
}

TEST_F(ZoomWindow, FixedZoomsSizeTheWindow) {
    Window w;
    EXPECT_EQ(w.frame->zoom(), 1);
    EXPECT_EQ(w.frame->size(), QSize(CMainFrame::FrameWidth, CMainFrame::FrameHeight));
    struct Case {
        int command;
        int zoom;
        QSize viewport;  // exactly the scaled screen
    };
    const Case cases[] = {
        {ID_VIEW_ZOOM2, 2, {1280, 800}},
        {ID_VIEW_ZOOM3, 3, {1920, 1200}},
        {ID_VIEW_ZOOM2, 2, {1280, 800}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zoom);
        w.command(c.command);
        EXPECT_TRUE(w.frame->command(c.command)->isChecked());
        EXPECT_EQ(w.frame->zoom(), c.zoom);
        EXPECT_EQ(w.view()->zoomLayout().scale, c.zoom);
        EXPECT_EQ(viewportSize(w), c.viewport);
        // All of it shows: nothing to scroll.
        EXPECT_EQ(w.view()->horizontalScrollBar()->maximum(), 0);
        EXPECT_EQ(w.view()->verticalScrollBar()->maximum(), 0);
    }
    // Back to x1: the start-up size, which shows the whole screen.
    w.command(ID_VIEW_ZOOM1);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.frame->size(), QSize(CMainFrame::FrameWidth, CMainFrame::FrameHeight));
    EXPECT_EQ(w.view()->zoomLayout().scale, 1);
}

TEST_F(ZoomWindow, FitFollowsTheWindowSize) {
    Window w;
    w.command(ID_VIEW_ZOOM_FIT);
    EXPECT_EQ(w.frame->zoom(), COrvellanView::ZoomFit);
    const QSize chrome = w.frame->size() - w.view()->size();
    struct Case {
        QSize viewport;
        int scale;
    };
    const Case cases[] = {{{1300, 850}, 2}, {{1950, 1250}, 3}, {{700, 420}, 1}, {{1280, 800}, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        w.frame->resize(chrome + c.viewport);
        ASSERT_EQ(viewportSize(w), c.viewport);
        const zoom::Layout l = w.view()->zoomLayout();
        EXPECT_EQ(l.scale, c.scale);
        EXPECT_EQ(l.origin, QPoint((c.viewport.width() - 640 * c.scale) / 2, (c.viewport.height() - 400 * c.scale) / 2));
    }
}

// The pixels on the window are whole blocks of the screen's pixels, and a
// click on any point of a block is a click on that pixel.
TEST_F(ZoomWindow, SharpPixelsAndClicksAtEveryZoom) {
    Window w;
    const QSize chrome = w.frame->size() - w.view()->size();
    w.line("CLS 3:PSET (101,51),7:PSET (102,52),2");
    struct Case {
        int zoom;
        QSize resizeTo;  // viewport size for Fit (empty: as the zoom sets it)
    };
    const Case cases[] = {{1, {}}, {2, {}}, {3, {}}, {COrvellanView::ZoomFit, {1400, 900}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zoom);
        w.frame->setZoom(c.zoom);
        if (!c.resizeTo.isEmpty()) w.frame->resize(chrome + c.resizeTo);
        QCoreApplication::processEvents();
        const zoom::Layout l = w.view()->zoomLayout();
        const QPoint at = l.origin - QPoint(w.view()->horizontalScrollBar()->value(),
                                            w.view()->verticalScrollBar()->value());
        const QImage shot = w.view()->viewport()->grab().toImage();
        const QImage& screen = w.view()->screenImage();
        // Every viewport pixel of the area around the two dots is the
        // screen pixel it covers.
        int wrong = 0;
        for (int y = 48 * l.scale; y < 56 * l.scale; ++y)
            for (int x = 98 * l.scale; x < 106 * l.scale; ++x) {
                const QPoint v = at + QPoint(x, y);
                if (shot.pixel(v) != screen.pixel(x / l.scale, y / l.scale)) ++wrong;
            }
        EXPECT_EQ(wrong, 0);
        EXPECT_NE(screen.pixel(101, 51), screen.pixel(100, 51));
        // Clicks on the first and last viewport pixel of the block of (101, 51).
        for (const QPoint inBlock : {QPoint(0, 0), QPoint(l.scale - 1, l.scale - 1)}) {
            QTest::mouseClick(w.view()->viewport(), Qt::LeftButton, {}, at + QPoint(101, 51) * l.scale + inBlock);
            EXPECT_EQ(w.in().fnPen(1), 101);
            EXPECT_EQ(w.in().fnPen(2), 51);
        }
        // The click took the caret there; it goes back to the top left so
        // that it stays out of the next probe.
        QTest::mouseClick(w.view()->viewport(), Qt::LeftButton, {}, at + QPoint(2, 2) * l.scale);
        EXPECT_EQ(w.in().screen().row(), 0);
    }
}

TEST_F(ZoomWindow, TheChoiceOutlivesTheWindow) {
    {
        Window w;
        w.command(ID_VIEW_ZOOM2);
    }
    {
        Window w;
        EXPECT_EQ(w.frame->zoom(), 2);
        EXPECT_TRUE(w.frame->command(ID_VIEW_ZOOM2)->isChecked());
        EXPECT_EQ(viewportSize(w), QSize(1280, 800));
        w.command(ID_VIEW_ZOOM_FIT);
    }
    Window w;
    EXPECT_EQ(w.frame->zoom(), COrvellanView::ZoomFit);
    EXPECT_TRUE(w.frame->command(ID_VIEW_ZOOM_FIT)->isChecked());
    EXPECT_EQ(w.view()->zoom(), COrvellanView::ZoomFit);
}

TEST_F(ZoomWindow, FullScreenToggle) {
    Window w;
    w.command(ID_VIEW_ZOOM2);
    QAction* full = w.frame->command(ID_VIEW_FULL_SCREEN);
    EXPECT_EQ(full->shortcut(), QKeySequence(Qt::Key_F12));
    EXPECT_EQ(full->text(), QStringLiteral("全画面表示(&U)\tF12"));
    // The View menu holds it, next to the zoom submenu.
    QMenu* view = nullptr;
    for (QAction* a : w.frame->menuBar()->actions())
        if (a->text() == QStringLiteral("表示(&V)")) view = a->menu();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->actions().contains(full));

    w.key(Qt::Key_F12);
    EXPECT_TRUE(w.frame->fullScreenMode());
    EXPECT_TRUE(full->isChecked());
    EXPECT_TRUE(w.frame->windowState() & Qt::WindowFullScreen);
    EXPECT_EQ(w.view()->zoom(), COrvellanView::ZoomFit);
    EXPECT_FALSE(w.frame->toolBar()->isVisible());
    EXPECT_FALSE(w.frame->statusBar()->isVisible());
    // A zoom chosen meanwhile waits for the end of full screen.
    w.command(ID_VIEW_ZOOM3);
    EXPECT_EQ(w.view()->zoom(), COrvellanView::ZoomFit);

    w.key(Qt::Key_F12);
    EXPECT_FALSE(w.frame->fullScreenMode());
    EXPECT_FALSE(full->isChecked());
    EXPECT_FALSE(w.frame->windowState() & Qt::WindowFullScreen);
    EXPECT_EQ(w.view()->zoom(), 3);
    EXPECT_TRUE(w.frame->toolBar()->isVisible());
    EXPECT_TRUE(w.frame->statusBar()->isVisible());
    EXPECT_EQ(viewportSize(w), QSize(1920, 1200));
    // F12 never reached the program as a key.
    EXPECT_EQ(w.in().takeLastKey(), 0);
}

}  // namespace
