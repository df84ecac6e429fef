#include "gui/view.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "core/interp.h"
#include "gui/beep.h"
#include "gui/dialogs.h"
#include "gui/keymap.h"
#include "io/encoding.h"

namespace tw {

namespace {

QImage pageImage(const Framebuffer& fb) {
    QImage img(Framebuffer::Width, Framebuffer::Height, QImage::Format_RGB32);
    for (int y = 0; y < Framebuffer::Height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        const uint32_t* src = fb.row(y);
        for (int x = 0; x < Framebuffer::Width; ++x) out[x] = 0xFF000000u | src[x];
    }
    return img;
}

}  // namespace

// ------------------------------------------------------------------ host

GuiHost::GuiHost(Dialogs& dialogs, QWidget* parent, BeepPlayer& beeper)
    : dialogs_(dialogs), parent_(parent), beeper_(beeper) {
    clock_.start();
}

int64_t GuiHost::wallClockSeconds() { return QDateTime::currentSecsSinceEpoch(); }

void GuiHost::beep() { beeper_.beep(); }

void GuiHost::scrollView(ViewScroll how) {
    if (onScroll) onScroll(how);
}

int GuiHost::ask(const std::string& text, int buttons) {
    ++askDepth;
    const int answer = dialogs_.ask(parent_, QString::fromStdString(cp932ToUtf8(text)), buttons);
    --askDepth;
    return answer;
}

// ------------------------------------------------------------------ view

COrvellanView::COrvellanView(Dialogs& dialogs, QWidget* parent)
    : QAbstractScrollArea(parent), dialogs_(dialogs), image_(ScreenWidth, ScreenHeight, QImage::Format_RGB32) {
    beeper_ = std::make_unique<BeepPlayer>();
    host_ = std::make_unique<GuiHost>(dialogs_, this, *beeper_);
    in_ = std::make_unique<Interpreter>(*host_);
    host_->onScroll = [this](Host::ViewScroll how) {
        switch (how) {
        case Host::ScrollPageUp:
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
            break;
        case Host::ScrollPageDown:
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
            break;
        case Host::ScrollHome:
            horizontalScrollBar()->setValue(0);
            verticalScrollBar()->setValue(0);
            break;
        }
    };
    image_.fill(Qt::black);

    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);

    runTimer_.setInterval(0);
    connect(&runTimer_, &QTimer::timeout, this, &COrvellanView::step);
    pollTimer_.setSingleShot(true);
    connect(&pollTimer_, &QTimer::timeout, this, &COrvellanView::poll);
    const int flash = QApplication::cursorFlashTime();
    blinkTimer_.setInterval(flash > 0 ? flash / 2 : 500);
    connect(&blinkTimer_, &QTimer::timeout, this, [this] {
        caretPhase_ = !caretPhase_;
        if (!caret_.isEmpty()) viewport()->update(zoom::toViewport(zoomLayout(), caret_, scrollOffset()));
    });
    blinkTimer_.start();
    refresh();
}

COrvellanView::~COrvellanView() { shutdown(); }

void COrvellanView::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    runTimer_.stop();
    pollTimer_.stop();
    blinkTimer_.stop();
    // A running program stops here; the interpreter closes its files when
    // it is destroyed with the view.
    in_->breakRun();
}

// ------------------------------------------------------------- run loop

void COrvellanView::afterInput() {
    // A key or click may be what a polling program waits for.
    if (polling_) {
        polling_ = false;
        keyPolls_.refill(host_->monotonicMs());
    }
    schedule();
}

void COrvellanView::schedule() {
    refresh();
    if (shutDown_) return;
    if (in_->running() && !in_->inputWaiting()) {
        const int64_t now = host_->monotonicMs();
        int64_t wait = 0;
        if (speed_.limited()) {
            // Wake when a nap's worth of statements is due (at least one).
            const int64_t want = std::max<int64_t>(1, speed_.rate() * NapMs / 1000);
            if (speed_.budget(now) < want) wait = std::max<int64_t>(NapMs, speed_.msUntil(now, want));
        } else if (keyPolls_.budget(now) <= 0) {
            wait = std::max<int64_t>(NapMs, keyPolls_.msUntil(now));
        }
        // A program waiting for a serial port looks again after a nap.
        if (in_->deviceWaiting()) wait = std::max<int64_t>(wait, NapMs);
        const int interval = static_cast<int>(std::min<int64_t>(wait, 60000));
        if (runTimer_.interval() != interval) runTimer_.setInterval(interval);
        if (!runTimer_.isActive()) runTimer_.start();
    } else {
        runTimer_.stop();
    }
    schedulePoll();
}

void COrvellanView::schedulePoll() {
    const int64_t next = in_->nextTimerMs();
    // A run timer without pause polls the timers itself.
    if (next < 0 || (runTimer_.isActive() && runTimer_.interval() == 0)) {
        pollTimer_.stop();
        pollDue_ = -1;
        return;
    }
    if (pollTimer_.isActive() && pollDue_ == next) return;
    pollDue_ = next;
    const int64_t wait = std::clamp<int64_t>(next - host_->monotonicMs(), 0, 24 * 3600 * 1000);
    pollTimer_.start(static_cast<int>(wait));
}

void COrvellanView::runPaced() {
    if (!in_->running() || in_->inputWaiting()) return;
    // Steps per call of the interpreter: few while the program polls for
    // keys, so that a nap comes soon after the poll budget is used up (a
    // chunk may overdraw it a little; the debt is paid by a longer nap).
    constexpr int64_t Chunk = 1024;
    constexpr int64_t PollChunk = 16;
    const int64_t start = host_->monotonicMs();
    int64_t now = start;
    for (;;) {
        int64_t steps = polling_ ? PollChunk : Chunk;
        if (speed_.limited())
            steps = std::min(steps, speed_.budget(now));
        else if (keyPolls_.budget(now) <= 0)
            steps = 0;
        if (steps <= 0) break;
        const uint64_t statements = in_->statementsRun();
        const uint64_t misses = in_->keyMisses();
        in_->runSlice(SliceMs, static_cast<long>(steps));
        speed_.spend(static_cast<int64_t>(in_->statementsRun() - statements));
        const int64_t missed = static_cast<int64_t>(in_->keyMisses() - misses);
        polling_ = missed > 0;
        if (!speed_.limited()) keyPolls_.spend(missed);
        if (shutDown_ || !in_->running() || in_->inputWaiting() || in_->deviceWaiting()) break;
        now = host_->monotonicMs();
        if (now - start >= SliceMs) break;
    }
}

void COrvellanView::setSpeed(int64_t perSecond) {
    speed_.setRate(std::max<int64_t>(perSecond, 0), host_->monotonicMs());
    schedule();
}

void COrvellanView::step() {
    if (busy()) return;
    runPaced();
    in_->pollTimers();
    in_->pollBeep();
    schedule();
}

void COrvellanView::poll() {
    pollDue_ = -1;
    if (busy()) return;
    in_->pollTimers();
    in_->pollBeep();
    schedule();
}

void COrvellanView::runFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (in_->running() && !in_->inputWaiting() && t.elapsed() < ms) {
        in_->runSlice(SliceMs);
        in_->pollTimers();
        in_->pollBeep();
    }
    afterInput();
}

// -------------------------------------------------------------- painting

QPoint COrvellanView::scrollOffset() const {
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

zoom::Layout COrvellanView::zoomLayout() const {
    // Worked out for the viewport without scroll bars: a screen that fits
    // there needs none.
    return zoom::layout(zoom_, maximumViewportSize());
}

void COrvellanView::setZoom(int z) {
    z = zoom::normalized(z);
    if (z == zoom_) return;
    zoom_ = z;
    updateScrollBars();
    viewport()->update();
    updateGeometry();
}

void COrvellanView::updateScrollBars() {
    const zoom::Layout l = zoomLayout();
    // Scroll bars shown before a resize must not keep themselves.
    const QSize full = maximumViewportSize();
    const bool fits = l.content.width() <= full.width() && l.content.height() <= full.height();
    const QSize vp = fits ? full : viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, l.content.width() - vp.width()));
    horizontalScrollBar()->setPageStep(vp.width());
    horizontalScrollBar()->setSingleStep(8 * l.scale);
    verticalScrollBar()->setRange(0, std::max(0, l.content.height() - vp.height()));
    verticalScrollBar()->setPageStep(vp.height());
    verticalScrollBar()->setSingleStep(16 * l.scale);
}

void COrvellanView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars();
    // A fitted screen may change its scale and place.
    if (zoom_ == ZoomFit) viewport()->update();
}

void COrvellanView::scrollContentsBy(int, int) { viewport()->update(); }

void COrvellanView::refresh() {
    const Rect d = in_->display().takeDirty();
    if (!d.empty()) {
        const Framebuffer& fb = in_->display().composite();
        for (int y = d.y1; y <= d.y2; ++y) {
            auto* out = reinterpret_cast<QRgb*>(image_.scanLine(y));
            const uint32_t* src = fb.row(y);
            for (int x = d.x1; x <= d.x2; ++x) out[x] = 0xFF000000u | src[x];
        }
        lastRepaint_ = QRect(d.x1, d.y1, d.width(), d.height());
        viewport()->update(zoom::toViewport(zoomLayout(), lastRepaint_, scrollOffset()));
    }
    updateCaret();
}

QRect COrvellanView::caretRect() const {
    const TextScreen& s = in_->screen();
    if (!s.caretVisible()) return {};
    const int col = std::clamp(s.col(), 0, TextScreen::Cols - 1);
    const int row = std::clamp(s.row(), 0, TextScreen::Rows - 1);
    // 16 x 0.8 rounds to 13; three quarters of that (truncated) is 9.
    const int h = in_->insertMode() ? 9 : 13;
    return QRect(col * TextScreen::CellWidth, row * TextScreen::CellHeight, TextScreen::CellWidth, h);
}

void COrvellanView::updateCaret() {
    const QRect c = caretRect();
    if (c == caret_) return;
    const zoom::Layout l = zoomLayout();
    const QPoint off = scrollOffset();
    if (!caret_.isEmpty()) viewport()->update(zoom::toViewport(l, caret_, off));
    caret_ = c;
    // A moved caret shows at once and blinks from there.
    caretPhase_ = true;
    if (blinkTimer_.isActive()) blinkTimer_.start();
    if (!caret_.isEmpty()) viewport()->update(zoom::toViewport(l, caret_, off));
}

void COrvellanView::paintEvent(QPaintEvent* e) {
    QPainter p(viewport());
    const zoom::Layout l = zoomLayout();
    const QPoint off = scrollOffset();
    const QRect screen = zoom::toViewport(l, QRect(0, 0, ScreenWidth, ScreenHeight), off);
    const QRect r = e->rect();
    // Around a fitted screen the margin is black, as around a monitor's picture.
    if (!screen.contains(r)) p.fillRect(r, zoom_ == ZoomFit ? QBrush(Qt::black) : palette().window());
    // Whole pixels of the image, each drawn as a scale x scale block: the
    // painter's default (no smoothing) keeps them sharp.
    const QRect src = zoom::toScreen(l, r & screen, off);
    if (!src.isEmpty()) p.drawImage(zoom::toViewport(l, src, off), image_, src);
    if (caretPhase_ && !caret_.isEmpty()) {
        // The caret inverts the cells under it, as a system caret does.
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillRect(zoom::toViewport(l, caret_, off), Qt::white);
    }
}

void COrvellanView::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    // The whole screen is shown again.
    in_->display().invalidate();
    refresh();
    viewport()->update();
}

// ------------------------------------------------------------- keyboard

bool COrvellanView::event(QEvent* e) {
    // Tab is a console key here, not a focus move.
    if (e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if (ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) {
            keyPressEvent(ke);
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void COrvellanView::typeBytes(const std::string& cp932) {
    for (char c : cp932) in_->keyChar(static_cast<uint8_t>(c));
}

void COrvellanView::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    const Qt::KeyboardModifiers mods = e->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool alt = mods & Qt::AltModifier;
    e->accept();
    // The accelerators of the edit ids (copy, cut, paste, undo) take these
    // keys and no command answers them. Ctrl+C acts when it is released.
    if ((ctrl && (key == Qt::Key_C || key == Qt::Key_V || key == Qt::Key_X || key == Qt::Key_Z ||
                  key == Qt::Key_Insert)) ||
        (shift && (key == Qt::Key_Insert || key == Qt::Key_Delete)) || (alt && key == Qt::Key_Backspace))
        return;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F10) {
        in_->functionKey(key - Qt::Key_F1 + 1);
        afterInput();
        return;
    }
    switch (key) {
    case Qt::Key_Escape:
        in_->keyChar(27);
        afterInput();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        in_->keyDown(0x0D);
        in_->keyChar(13);
        // A typed command starts at once; a longer run goes on in slices.
        runPaced();
        afterInput();
        return;
    case Qt::Key_Backspace:
        in_->keyDown(Interpreter::KeyBack);
        in_->keyChar(8);
        afterInput();
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        in_->keyDown(Interpreter::KeyTab);
        afterInput();
        return;
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        // Modifiers alone give no key (INKEY$ stays empty).
        return;
    default:
        break;
    }
    if (const int vk = virtualKey(key)) in_->keyDown(vk);
    const QString text = e->text();
    if (!text.isEmpty()) {
        const std::string bytes = utf8ToCp932(text.toStdString());
        // Control characters of Ctrl+letter reach only a running program.
        if (!bytes.empty() && (static_cast<uint8_t>(bytes[0]) >= 0x20 || in_->running())) typeBytes(bytes);
    }
    afterInput();
}

void COrvellanView::keyReleaseEvent(QKeyEvent* e) {
    // Ctrl+C works as the STOP key when it is released.
    if (e->key() == Qt::Key_C && (e->modifiers() & Qt::ControlModifier) && !e->isAutoRepeat()) {
        in_->keyUp('C', true);
        afterInput();
        e->accept();
        return;
    }
    QAbstractScrollArea::keyReleaseEvent(e);
}

void COrvellanView::onF10() {
    in_->functionKey(10);
    afterInput();
}

void COrvellanView::inputMethodEvent(QInputMethodEvent* e) {
    // Text composed by the input method arrives as typed characters.
    const QString commit = e->commitString();
    if (!commit.isEmpty()) {
        typeBytes(utf8ToCp932(commit.toStdString()));
        afterInput();
    }
    e->accept();
}

QVariant COrvellanView::inputMethodQuery(Qt::InputMethodQuery q) const {
    switch (q) {
    case Qt::ImCursorRectangle:
    case Qt::ImAnchorRectangle: {
        QRect c = caretRect();
        if (c.isEmpty()) {
            const TextScreen& s = in_->screen();
            c = QRect(s.col() * 8, s.row() * 16, 8, 16);
        }
        return zoom::toViewport(zoomLayout(), c, scrollOffset());
    }
    case Qt::ImEnabled:
        return true;
    default:
        return QAbstractScrollArea::inputMethodQuery(q);
    }
}

// ---------------------------------------------------------------- mouse

void COrvellanView::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    if (e->button() != Qt::LeftButton) return;
    const auto p = zoom::screenPixel(zoomLayout(), e->position().toPoint(), scrollOffset());
    if (!p) return;
    in_->mouseClick(p->x(), p->y());
    afterInput();
}

void COrvellanView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::RightButton && popup_) dialogs_.popup(popup_, e->globalPosition().toPoint());
}

// ------------------------------------------------------------ drag & drop

void COrvellanView::dragEnterEvent(QDragEnterEvent* e) {
    const QMimeData* m = e->mimeData();
    if (!dropping_ && m && m->hasUrls() && !m->urls().isEmpty() && m->urls().first().isLocalFile())
        e->acceptProposedAction();
}

void COrvellanView::dragMoveEvent(QDragMoveEvent* e) {
    if (!dropping_) e->acceptProposedAction();
}

void COrvellanView::dropEvent(QDropEvent* e) {
    const QMimeData* m = e->mimeData();
    if (dropping_ || !m || !m->hasUrls() || m->urls().isEmpty()) return;
    // Only the first file counts; a drop waits until the last is handled.
    const QUrl url = m->urls().first();
    if (!url.isLocalFile()) return;
    const QString path = url.toLocalFile();
    if (path.toUtf8().size() > 2048) return;
    e->acceptProposedAction();
    dropping_ = true;
    Q_EMIT fileDropped(path);
    dropping_ = false;
}

// -------------------------------------------------------------- commands

bool COrvellanView::typeLine(const std::string& text) {
    if (in_->running()) return false;
    TextScreen& s = in_->screen();
    const int r = std::clamp(s.row(), 0, TextScreen::Rows - 1);
    // The command replaces whatever the cursor row held.
    s.rowTextMut(r).clear();
    s.unlink(r);
    s.setCursor(0, r);
    typeBytes(text);
    in_->keyChar(13);
    // A short command finishes at once; a longer run goes on in slices.
    runPaced();
    afterInput();
    return true;
}

void COrvellanView::onRun() { typeLine("RUN"); }

void COrvellanView::onBreak() {
    in_->breakRun();
    afterInput();
}

void COrvellanView::onCont() { typeLine("CONT"); }

void COrvellanView::onCls(int n) { typeLine(n == 1 ? "CLS" : "CLS " + std::to_string(n)); }

void COrvellanView::onList() {
    if (in_->running()) return;
    in_->screen().clearRows();
    typeLine("LIST");
}

void COrvellanView::setClipboardText(const std::string& cp932) {
    QApplication::clipboard()->setText(QString::fromStdString(cp932ToUtf8(cp932)));
}

void COrvellanView::copyTextScreen() {
    std::string text;
    for (int r = 0; r < TextScreen::FkeyRow; ++r) {
        text += in_->screen().rowText(r);
        text += '\n';
    }
    setClipboardText(text);
}

void COrvellanView::copyGraphicsScreen() {
    QClipboard* cb = QApplication::clipboard();
    cb->clear();
    Display& d = in_->display();
    // Page 0 is what goes, whichever page is displayed.
    if (d.graphicsShown() && d.displayedPage() >= 0) cb->setImage(pageImage(d.page(0)));
}

void COrvellanView::reportError(const std::string& msg) {
    TextScreen& s = in_->screen();
    if (s.col() != 0) s.newline();
    s.write(msg);
    s.newline();
    refresh();
}

}  // namespace tw
