// The console in the window: typing, the run loop driven by the event loop,
// breaking a run, the screen commands, the caret, the mouse and the screen
// copies.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QScrollBar>

#include "gui/beep.h"
#include "gui/commands.h"
#include "gui_support.h"

using namespace tw;
using twtest::Window;

namespace {

// The view's image must be exactly the composite screen.
int pixelsDifferingFromComposite(Window& w) {
    w.view()->refresh();
    const Framebuffer& fb = w.in().display().composite();
    const QImage& img = w.view()->screenImage();
    int diff = 0;
    for (int y = 0; y < Framebuffer::Height; ++y)
        for (int x = 0; x < Framebuffer::Width; ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != fb.pixel(x, y)) ++diff;
    return diff;
}

TEST(Console, TypedProgramRunsAndTheWindowShowsIt) {
    Window w;
    w.program({"10 a=6*7", "20 print a;\"ok\""});
    EXPECT_EQ(w.in().lineCount(), 2);
    EXPECT_EQ(w.in().lineText(0), "10 A=6*7");
    w.command(ID_RUN);
    ASSERT_TRUE(w.waitIdle());
    const int r = w.findRow(" 42 ok");
    ASSERT_GE(r, 0);
    EXPECT_EQ(w.row(r - 1), "RUN");
    EXPECT_EQ(w.row(r + 1), "OK");
    EXPECT_EQ(pixelsDifferingFromComposite(w), 0);
}

TEST(Console, InputWaitsForTheTypedLine) {
    Window w;
    w.program({"10 INPUT \"N\";N", "20 PRINT N*2"});
    w.command(ID_RUN);
    ASSERT_TRUE(w.waitIdle());
    ASSERT_TRUE(w.in().inputWaiting());
    w.line("21");
    ASSERT_TRUE(w.waitIdle());
    EXPECT_FALSE(w.in().running());
    EXPECT_GE(w.findRow("N? 21"), 0);
    EXPECT_GE(w.findRow(" 42"), 0);
}

// While a program runs, keys reach it: characters and the virtual keys of
// keys without one (INKEY$), and typed bytes for INPUT$.
TEST(Console, KeysReachARunningProgram) {
    struct Case {
        const char* name;
        std::function<void(Window&)> press;
        const char* shown;
    };
    const Case cases[] = {
        {"character", [](Window& w) { w.type("q"); }, " 113"},
        {"Left arrow", [](Window& w) { w.key(Qt::Key_Left); }, " 37"},
        {"F1", [](Window& w) { w.key(Qt::Key_F1); }, " 112"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Window w;
        w.program({"10 K$=INKEY$:IF K$=\"\" THEN 10", "20 PRINT ASC(K$)"});
        w.command(ID_RUN);
        QTest::qWait(30);
        ASSERT_TRUE(w.in().running());
        c.press(w);
        ASSERT_TRUE(w.waitIdle());
        EXPECT_GE(w.findRow(c.shown), 0);
    }
    Window w;
    w.line("10 A$=INPUT$(2):PRINT \"[\";A$;\"]\"");
    w.command(ID_RUN);
    QTest::qWait(30);
    w.type("XY");
    ASSERT_TRUE(w.waitIdle());
    EXPECT_GE(w.findRow("[XY]"), 0);
}

// An endless loop keeps the window alive; each way of breaking it stops
// the run with the break message, and CONT goes on from there.
TEST(Console, EndlessLoopAnswersEveryBreak) {
    struct Case {
        const char* name;
        std::function<void(Window&)> stop;
    };
    const Case cases[] = {
        {"Esc", [](Window& w) { w.key(Qt::Key_Escape); }},
        {"BREAK command", [](Window& w) { w.command(ID_BREAK); }},
        {"Pause", [](Window& w) { w.key(Qt::Key_Pause); }},
        {"Ctrl+C released", [](Window& w) {
             QTest::keyPress(w.view(), Qt::Key_C, Qt::ControlModifier);
             QTest::keyRelease(w.view(), Qt::Key_C, Qt::ControlModifier);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Window w;
        w.line("10 GOTO 10");
        w.command(ID_RUN);
        const uint64_t before = w.in().statementsRun();
        QTest::qWait(150);
        ASSERT_TRUE(w.in().running());
        // The event loop ran slices in between.
        EXPECT_GT(w.in().statementsRun(), before + 1000);
        c.stop(w);
        QTest::qWait(20);
        EXPECT_FALSE(w.in().running());
        EXPECT_GE(w.findRow("BREAK, OK in 10"), 0);

        w.command(ID_CONT);
        QTest::qWait(50);
        EXPECT_TRUE(w.in().running());
        w.command(ID_BREAK);
        EXPECT_FALSE(w.in().running());
    }
}

TEST(Console, RunCommandIsIgnoredWhileRunning) {
    Window w;
    w.line("10 GOTO 10");
    w.command(ID_RUN);
    ASSERT_TRUE(w.in().running());
    const std::string screen = w.row(0) + w.row(1) + w.row(2);
    w.command(ID_RUN);
    w.command(ID_CLS);
    EXPECT_EQ(w.row(0) + w.row(1) + w.row(2), screen);
    w.command(ID_BREAK);
}

TEST(Console, ClsCommands) {
    struct Case {
        int id;
        bool textKept;
    };
    for (const Case c : {Case{ID_CLS, false}, Case{ID_CLS2, true}, Case{ID_CLS3, false}}) {
        SCOPED_TRACE(c.id);
        Window w;
        w.line("PRINT \"MARKER\"");
        ASSERT_GE(w.findRow("MARKER"), 0);
        w.command(c.id);
        ASSERT_TRUE(w.waitIdle());
        EXPECT_EQ(w.findRow("MARKER") >= 0, c.textKept);
        if (!c.textKept) {
            EXPECT_EQ(w.row(0), "OK");
            for (int r = 1; r < 24; ++r) EXPECT_EQ(w.row(r), "") << r;
        }
    }
}

TEST(Console, ListCommandClearsTheScreenAndLists) {
    Window w;
    w.program({"20 PRINT 2", "10 PRINT 1"});
    w.line("PRINT \"JUNK\"");
    w.command(ID_LIST);
    ASSERT_TRUE(w.waitIdle());
    EXPECT_EQ(w.findRow("JUNK"), -1);
    EXPECT_EQ(w.row(0), "LIST");
    EXPECT_EQ(w.row(1), "10 PRINT 1");
    EXPECT_EQ(w.row(2), "20 PRINT 2");
    EXPECT_EQ(w.row(3), "OK");
}

// Editing keys reach the console editor; the caret follows the cursor and
// is lower while typing inserts.
TEST(Console, EditingKeysAndCaret) {
    struct Case {
        const char* name;
        std::function<void(Window&)> keys;
        std::string row0;
        int col;
        int caretHeight;
    };
    const Case cases[] = {
        {"overwrite", [](Window& w) {
             w.type("ABC");
             w.key(Qt::Key_Left);
             w.key(Qt::Key_Left);
             w.type("X");
         }, "AXC", 2, 13},
        {"insert", [](Window& w) {
             w.type("ABC");
             w.key(Qt::Key_Left);
             w.key(Qt::Key_Left);
             w.key(Qt::Key_Insert);
             w.type("X");
         }, "AXBC", 2, 9},
        {"arrow ends insert", [](Window& w) {
             w.type("AB");
             w.key(Qt::Key_Insert);
             w.key(Qt::Key_Left);
         }, "AB", 1, 13},
        {"backspace", [](Window& w) {
             w.type("ABC");
             w.key(Qt::Key_Backspace);
         }, "AB", 2, 13},
        {"tab", [](Window& w) {
             w.type("A");
             w.key(Qt::Key_Tab);
         }, "A", 5, 13},
        {"delete", [](Window& w) {
             w.type("ABC");
             w.key(Qt::Key_Home);
             w.key(Qt::Key_Delete);
         }, "BC", 0, 13},
        {"F1 types its string", [](Window& w) { w.key(Qt::Key_F1); }, "load", 6, 13},
        {"F10 types its string", [](Window& w) { w.key(Qt::Key_F10); }, "cont", 6, 13},
        {"F10 command", [](Window& w) { w.command(ID_F10); }, "cont", 6, 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Window w;
        c.keys(w);
        EXPECT_EQ(w.row(0), c.row0);
        EXPECT_EQ(w.in().screen().col(), c.col);
        w.view()->refresh();
        EXPECT_EQ(w.view()->caretRect(), QRect(c.col * 8, 0, 8, c.caretHeight));
    }
}

TEST(Console, F10DoesNotOpenTheMenu) {
    Window w;
    w.key(Qt::Key_F10);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(w.row(0), "cont");
}

TEST(Console, InputMethodTextArrivesAsShiftJis) {
    Window w;
    QInputMethodEvent ev;
    ev.setCommitString(QStringLiteral("あｱA"));
    QCoreApplication::sendEvent(w.view(), &ev);
    // Hiragana a is 82 A0, half-width katakana a is B1.
    EXPECT_EQ(w.in().screen().rowText(0), std::string("\x82\xA0\xB1" "A"));
    EXPECT_EQ(w.in().screen().col(), 4);
}

TEST(Console, ClicksMoveTheCursorAndRightClickPopsTheEditMenu) {
    Window w;
    QTest::mouseClick(w.view()->viewport(), Qt::LeftButton, {}, QPoint(10 * 8 + 3, 5 * 16 + 7));
    EXPECT_EQ(w.in().screen().col(), 10);
    EXPECT_EQ(w.in().screen().row(), 5);
    // A click in the third function-key box acts as F3.
    QTest::mouseClick(w.view()->viewport(), Qt::LeftButton, {}, QPoint(2 * 64 + 20, 24 * 16 + 8));
    EXPECT_EQ(w.row(5), "          go to");

    QTest::mouseClick(w.view()->viewport(), Qt::RightButton, {}, QPoint(30, 40));
    EXPECT_EQ(w.dialogs.popped, w.frame->popupMenu());
    EXPECT_EQ(w.dialogs.poppedAt, w.view()->viewport()->mapToGlobal(QPoint(30, 40)));
}

TEST(Console, OnlyTheChangedAreaIsRepainted) {
    Window w;
    w.view()->refresh();
    w.type("A");
    const QRect typed = w.view()->lastRepaint();
    // The typed row, not the whole screen.
    EXPECT_GE(typed.top(), 0);
    EXPECT_LE(typed.bottom(), 15);
    EXPECT_EQ(pixelsDifferingFromComposite(w), 0);

    // A pixel marked as changed is brought over alone; one changed without
    // the mark is not.
    tw::Display& d = w.in().display();
    d.page(0).setPixel(300, 300, 0xFF0000);
    d.page(0).setPixel(310, 300, 0x00FF00);
    d.markDirty(0, Rect{300, 300, 300, 300});
    w.view()->refresh();
    EXPECT_EQ(w.view()->lastRepaint(), QRect(300, 300, 1, 1));
    EXPECT_EQ(w.view()->screenImage().pixel(300, 300) & 0xFFFFFF, 0xFF0000u);
    EXPECT_NE(w.view()->screenImage().pixel(310, 300) & 0xFFFFFF, 0x00FF00u);
}

TEST(Console, GraphicsStatementsShowInTheWindow) {
    Window w;
    w.line("LINE (10,10)-(50,50),2,BF");
    EXPECT_EQ(w.view()->screenImage().pixel(30, 30) & 0xFFFFFF, 0xFF0000u);
    w.command(ID_CLS2);
    ASSERT_TRUE(w.waitIdle());
    EXPECT_EQ(w.view()->screenImage().pixel(30, 30) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(pixelsDifferingFromComposite(w), 0);
}

TEST(Console, SmallWindowScrollsAndHomeScrollsBack) {
    Window w;
    w.frame->resize(300, 260);
    QCoreApplication::processEvents();
    QScrollBar* v = w.view()->verticalScrollBar();
    ASSERT_GT(v->maximum(), 0);
    w.key(Qt::Key_PageDown);
    EXPECT_GT(v->value(), 0);
    w.key(Qt::Key_Home);
    EXPECT_EQ(v->value(), 0);
    EXPECT_EQ(w.view()->horizontalScrollBar()->value(), 0);
}

TEST(Console, TextScreenCopyHoldsRowsZeroTo23) {
    Window w;
    w.line("PRINT \"FIRST\"");
    w.command(ID_COPY_TEXT);
    const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    // 24 rows, each ended by a line break.
    ASSERT_EQ(lines.size(), 25);
    EXPECT_EQ(lines[0], QStringLiteral("PRINT \"FIRST\""));
    EXPECT_EQ(lines[1], QStringLiteral("FIRST"));
    EXPECT_EQ(lines[2], QStringLiteral("OK"));
    EXPECT_TRUE(lines[24].isEmpty());
    // The function-key line is not part of it.
    EXPECT_FALSE(QApplication::clipboard()->text().contains(QStringLiteral("load")));
}

TEST(Console, GraphicsScreenCopyIsPageZero) {
    Window w;
    w.in().display().page(0).fill(0x123456);
    w.in().display().page(1).fill(0xABCDEF);
    w.command(ID_COPY_GRAPHICS);
    QImage img = QApplication::clipboard()->image();
    ASSERT_EQ(img.size(), QSize(640, 400));
    EXPECT_EQ(img.pixel(320, 200) & 0xFFFFFF, 0x123456u);
    // Hidden graphics: the clipboard is left empty.
    w.in().display().setGraphicsShown(false);
    w.command(ID_COPY_GRAPHICS);
    EXPECT_TRUE(QApplication::clipboard()->image().isNull());
}

// A message box that a statement asks for runs the event loop inside that
// statement: no slice may start until it is answered.
TEST(Console, NoSliceRunsWhileAStatementAsks) {
    struct Asking : twtest::ScriptedDialogs {
        Interpreter* in = nullptr;
        uint64_t during = 0;
        int ask(QWidget* p, const QString& text, int buttons) override {
            const uint64_t before = in->statementsRun();
            QTest::qWait(60);
            during = in->statementsRun() - before;
            return ScriptedDialogs::ask(p, text, buttons);
        }
    } dialogs;
    CMainFrame frame(dialogs);
    dialogs.in = &frame.view()->interp();
    frame.view()->typeLine("10 GOTO 10");
    frame.command(ID_RUN)->trigger();
    QTest::qWait(20);
    ASSERT_TRUE(dialogs.in->running());
    dialogs.in->host().ask("Partner is not connect , Retry ?", Host::RetryCancel);
    EXPECT_EQ(dialogs.during, 0u);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0], QStringLiteral("Partner is not connect , Retry ?"));
    // Afterwards the program goes on.
    const uint64_t n = dialogs.in->statementsRun();
    QTest::qWait(30);
    EXPECT_GT(dialogs.in->statementsRun(), n);
    frame.view()->shutdown();
}

TEST(Console, ClosingStopsARunningProgram) {
    Window w;
    w.line("10 GOTO 10");
    w.command(ID_RUN);
    QTest::qWait(30);
    ASSERT_TRUE(w.in().running());
    // The typed line made the program modified: the prompt is answered No.
    w.dialogs.answers = {Host::AnswerNo};
    EXPECT_TRUE(w.frame->close());
    EXPECT_FALSE(w.in().running());
    const uint64_t n = w.in().statementsRun();
    QTest::qWait(30);
    EXPECT_EQ(w.in().statementsRun(), n);
}

TEST(Console, BeepToneIs800HzFor40Ms) {
    struct Case {
        int rate;
        int channels;
        QAudioFormat::SampleFormat format;
    };
    for (const Case c : {Case{22050, 1, QAudioFormat::Int16}, Case{48000, 2, QAudioFormat::Float},
                         Case{8000, 1, QAudioFormat::UInt8}}) {
        QAudioFormat f;
        f.setSampleRate(c.rate);
        f.setChannelCount(c.channels);
        f.setSampleFormat(c.format);
        const QByteArray tone = BeepPlayer::makeTone(f);
        const int frames = c.rate * 40 / 1000;
        ASSERT_EQ(tone.size(), frames * c.channels * f.bytesPerSample());
        // Sign changes of the first channel: two per period, 32 periods.
        auto sample = [&](int i) {
            const char* p = tone.constData() + static_cast<qsizetype>(i) * c.channels * f.bytesPerSample();
            switch (c.format) {
            case QAudioFormat::Int16: return static_cast<double>(*reinterpret_cast<const int16_t*>(p));
            case QAudioFormat::Float: return static_cast<double>(*reinterpret_cast<const float*>(p));
            default: return static_cast<double>(*reinterpret_cast<const uint8_t*>(p)) - 128.0;
            }
        };
        int changes = 0;
        for (int i = 1; i < frames; ++i)
            if ((sample(i - 1) < 0) != (sample(i) < 0)) ++changes;
        EXPECT_NEAR(changes, 64, 2) << c.rate;
    }
}

TEST(Console, BeepStatementReachesTheWindow) {
    Window w;
    const int before = w.view()->beeper().beeps();
    w.line("BEEP");
    ASSERT_TRUE(w.waitIdle());
    EXPECT_EQ(w.view()->beeper().beeps(), before + 1);
}

// Writes a picture of the window after a sample program when
// TARNWICK_SCREENSHOT names a file.
TEST(Console, Screenshot) {
    Window w;
    w.program({"10 CLS 3:COLOR 6:PRINT \"TARNWICK\":COLOR 7", "20 FOR I=1 TO 5", "30 PRINT I, I*I, I*I*I",
               "40 NEXT", "50 LINE (400,40)-(620,180),1,BF", "60 CIRCLE (510,110),60,6",
               "70 LINE (400,40)-(620,180),7,B", "80 LIST"});
    w.command(ID_RUN);
    ASSERT_TRUE(w.waitIdle());
    QCoreApplication::processEvents();
    const QImage shot = w.frame->grab().toImage();
    EXPECT_GE(shot.width(), 640);
    const QByteArray out = qgetenv("TARNWICK_SCREENSHOT");
    if (!out.isEmpty()) EXPECT_TRUE(shot.save(QString::fromLocal8Bit(out)));
}

}  // namespace
