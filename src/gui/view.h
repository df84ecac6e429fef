// COrvellanView: the window's 640x400 screen. It owns the interpreter,
// shows the composite screen (repainting only what changed) at a whole-
// number zoom, draws the blinking caret, turns keys, typed text, mouse
// clicks and dropped files into the interpreter's input, drives the run
// loop in time slices from the event loop (paced to a statement rate when
// one is set), and carries the screen and list-editing commands.
//
// The run loop sleeps whenever it can: no timer runs while no program runs
// or a program waits for a typed line, except a single-shot one to the
// next ON TIME$ deadline or BEEP 1 tick; a program at full speed that
// keeps asking for keys that have not come (INKEY$, INPUT$) naps between
// slices, at most KeyPollRate unanswered polls a second.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>

#include "core/host.h"
#include "core/ratelimit.h"
#include "gui/zoom.h"

class QMenu;

namespace tw {

class BeepPlayer;
class Dialogs;
class Interpreter;

// The interpreter's platform in the window.
class GuiHost : public Host {
public:
    GuiHost(Dialogs& dialogs, QWidget* parent, BeepPlayer& beeper);
    int64_t monotonicMs() override { return clockSource ? clockSource() : clock_.elapsed(); }
    int64_t wallClockSeconds() override;
    void beep() override;
    int ask(const std::string& text, int buttons) override;
    void scrollView(ViewScroll how) override;

    // The view's scrolling (Page Up, Page Down, Home).
    std::function<void(ViewScroll)> onScroll;
    // Replaces the real clock (tests pace the run loop with a fake one).
    std::function<int64_t()> clockSource;
    // Nonzero while a message box asked for by a statement is open: the
    // event loop runs inside the statement then, and must not start
    // another slice.
    int askDepth = 0;

private:
    Dialogs& dialogs_;
    QWidget* parent_;
    BeepPlayer& beeper_;
    QElapsedTimer clock_;
};

class COrvellanView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int ScreenWidth = 640;
    static constexpr int ScreenHeight = 400;
    // Statements run for up to this long before the window gets its turn.
    static constexpr int SliceMs = 8;
    // Unanswered keyboard polls a second allowed to a program running at
    // full speed before its run loop naps.
    static constexpr int KeyPollRate = 250;
    // The shortest nap of a paced or napping run loop.
    static constexpr int NapMs = 10;
    static constexpr int ZoomFit = zoom::Fit;

    explicit COrvellanView(Dialogs& dialogs, QWidget* parent = nullptr);
    ~COrvellanView() override;

    Interpreter& interp() { return *in_; }
    BeepPlayer& beeper() { return *beeper_; }
    GuiHost& host() { return *host_; }
    // The popup menu shown on a right click (the frame builds it).
    void setPopupMenu(QMenu* menu) { popup_ = menu; }

    // ---- commands ----
    void onRun();
    void onBreak();
    void onCont();
    // CLS 1, 2 or 3.
    void onCls(int n);
    void onList();
    void onF10();
    void copyGraphicsScreen();
    void copyTextScreen();
    // List editing (listedit.cpp).
    void copyAll();
    void pasteAll();
    void copyRange();
    void pasteRange();
    void cutAll();
    void deleteAll();
    void cutRange();
    void deleteRange();
    void editList();

    // Types a command on the cursor row and enters it, as the RUN command
    // does; false (nothing typed) while a program runs.
    bool typeLine(const std::string& text);
    // Brings screen changes to the window and moves the caret.
    void refresh();
    // Runs the program until it ends, waits for input, or `ms` pass.
    void runFor(int ms);
    // Stops a running program and every timer (the window is closing).
    void shutdown();

    // ---- pacing ----
    // Statements a second, 0 for full speed.
    void setSpeed(int64_t perSecond);
    int64_t speed() const { return speed_.rate(); }
    // One turn of the run loop, as the run timer takes it.
    void runStep() { step(); }
    // The run timer (zero interval at full speed; a nap while paced) and
    // the single-shot timer of ON TIME$ and BEEP 1.
    const QTimer& runTimer() const { return runTimer_; }
    const QTimer& pollTimer() const { return pollTimer_; }

    // ---- zoom ----
    // 1..3, or ZoomFit: the largest whole scale the view holds, centred.
    void setZoom(int zoom);
    int zoom() const { return zoom_; }
    // The scale and place the screen is drawn at now.
    zoom::Layout zoomLayout() const;

    // The caret in screen pixels: 8x13 when typing overwrites, 8x9 when it
    // inserts; empty when the caret is hidden.
    QRect caretRect() const;
    // The screen area the last refresh repainted (screen pixels).
    QRect lastRepaint() const { return lastRepaint_; }
    // The pixels the window shows (kept up to date by refresh()).
    const QImage& screenImage() const { return image_; }

Q_SIGNALS:
    // A list command changed the program (the document becomes modified).
    void programEdited();
    // A program file was dropped on the screen.
    void fileDropped(const QString& path);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery q) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void typeBytes(const std::string& cp932);
    // After a key, click or command: a napping program gets its turn at
    // once; then as schedule().
    void afterInput();
    // Brings screen changes to the window and sets the timers for what the
    // interpreter does next.
    void schedule();
    void schedulePoll();
    // Statements for one slice, within the speed and key-poll budgets.
    void runPaced();
    void step();
    void poll();
    void updateScrollBars();
    QPoint scrollOffset() const;
    void updateCaret();
    bool askRange(const QString& caption, int& start, int& end);
    void readClipboardProgram();
    void reportError(const std::string& msg);
    void setClipboardText(const std::string& cp932);

    Dialogs& dialogs_;
    std::unique_ptr<BeepPlayer> beeper_;
    std::unique_ptr<GuiHost> host_;
    std::unique_ptr<Interpreter> in_;
    QImage image_;
    QTimer runTimer_;    // while a program runs: zero interval, or a nap
    QTimer pollTimer_;   // single shot: the next ON TIME$ deadline or BEEP 1 tick
    int64_t pollDue_ = -1;  // what pollTimer_ is set for
    RateLimiter speed_;     // statements a second (unlimited: full speed)
    RateLimiter keyPolls_{KeyPollRate, 40};  // unanswered key polls at full speed
    bool polling_ = false;  // the last statements asked for keys in vain
    int zoom_ = 1;
    QTimer blinkTimer_;  // caret blink
    bool caretPhase_ = true;
    QRect caret_;        // where the caret was last drawn (screen pixels)
    QRect lastRepaint_;
    QMenu* popup_ = nullptr;
    bool dropping_ = false;
    // The interpreter is inside a call that may not be entered again.
    bool busy() const { return host_->askDepth > 0; }
    bool shutDown_ = false;
};

}  // namespace tw
