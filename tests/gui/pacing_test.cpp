// The run loop's timers and pacing: which timers run in each state (none
// while nothing runs or a typed line is awaited), the nap of a program
// that polls for keys, the statement budget of a set speed (counted against
// a fake clock, never timed), and the speed menu.
#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>

#include "gui/commands.h"
#include "gui_support.h"
#include "io/serial.h"

using namespace tw;
using twtest::Window;

namespace {

enum class RunState { Stopped, NoPause, Napping };

RunState runState(const COrvellanView& v) {
    if (!v.runTimer().isActive()) return RunState::Stopped;
    return v.runTimer().interval() == 0 ? RunState::NoPause : RunState::Napping;
}

const char* name(RunState r) {
    switch (r) {
    case RunState::Stopped: return "stopped";
    case RunState::NoPause: return "no pause";
    default: return "napping";
    }
}

TEST(Pacing, TimersInEachState) {
    struct Case {
        const char* name;
        QStringList program;  // typed lines (a RUN among them starts it)
        int steps;            // turns of the run loop taken after typing
        RunState run;
        bool poll;            // the single-shot timer of ON TIME$ / BEEP 1
    };
    const Case cases[] = {
        {"direct mode", {}, 0, RunState::Stopped, false},
        {"program ended", {"10 A=1", "RUN"}, 0, RunState::Stopped, false},
        {"INPUT waits", {"10 INPUT A", "RUN"}, 0, RunState::Stopped, false},
        {"INPUT waits, ON TIME$ armed",
         {"10 ON TIME$=\"23:59:59\" GOSUB 100:TIME$ ON:INPUT A", "100 RETURN", "RUN"},
         0,
         RunState::Stopped,
         true},
        {"BEEP 1 in direct mode", {"BEEP 1"}, 0, RunState::Stopped, true},
        {"BEEP 1 then BEEP 0", {"BEEP 1", "BEEP 0"}, 0, RunState::Stopped, false},
        {"ON TIME$ armed, program ended",
         {"10 ON TIME$=\"23:59:59\" GOSUB 100:TIME$ ON", "100 RETURN", "RUN"},
         0,
         RunState::Stopped,
         false},
        {"busy loop", {"10 A=A+1:GOTO 10", "RUN"}, 2, RunState::NoPause, false},
        {"INKEY$ finds no key", {"10 IF INKEY$=\"\" THEN 10", "RUN"}, 2, RunState::Napping, false},
        {"INPUT$ waits for a key", {"10 A$=INPUT$(1)", "RUN"}, 2, RunState::Napping, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Window w;
        for (const QString& l : c.program) {
            w.type(l);
            w.key(Qt::Key_Return);
        }
        for (int i = 0; i < c.steps; ++i) w.view()->runStep();
        EXPECT_STREQ(name(runState(*w.view())), name(c.run));
        EXPECT_EQ(w.view()->pollTimer().isActive(), c.poll);
        if (c.poll) EXPECT_TRUE(w.view()->pollTimer().isSingleShot());
        w.view()->onBreak();
        // Stopped again: nothing left running but a beep's ticks.
        EXPECT_FALSE(w.view()->runTimer().isActive());
    }
}

// A key ends the nap at once and the program gets it.
TEST(Pacing, KeyWakesANappingProgram) {
    struct Case {
        const char* program;
        const char* shown;
    };
    const Case cases[] = {
        {"10 K$=INKEY$:IF K$=\"\" THEN 10", "[q]"},
        {"10 K$=INPUT$(1)", "[q]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        Window w;
        w.line(c.program);
        w.line("20 PRINT \"[\";K$;\"]\"");
        w.command(ID_RUN);
        for (int i = 0; i < 3; ++i) w.view()->runStep();
        ASSERT_EQ(runState(*w.view()), RunState::Napping);
        // Straight to the view, so that no event loop turns in between.
        QTest::keyClick(w.view(), Qt::Key_Q);
        EXPECT_EQ(runState(*w.view()), RunState::NoPause);
        ASSERT_TRUE(w.waitIdle());
        EXPECT_GE(w.findRow(c.shown), 0);
        EXPECT_EQ(runState(*w.view()), RunState::Stopped);
    }
}

// A trap handler that runs while INPUT$ waits is not slowed down: only
// polls that find no key count.
TEST(Pacing, HandlerDuringInputWaitRunsWithoutNaps) {
    Window w;
    w.program({"10 ON KEY(1) GOSUB 100:KEY(1) ON", "20 A$=INPUT$(1):END",
               "100 FOR I=1 TO 300:NEXT:RETURN"});
    w.command(ID_RUN);
    for (int i = 0; i < 3; ++i) w.view()->runStep();
    ASSERT_EQ(runState(*w.view()), RunState::Napping);
    const uint64_t before = w.in().statementsRun();
    QTest::keyClick(w.view(), Qt::Key_F1);
    w.view()->runStep();
    // The whole handler (300 turns of NEXT) in one turn of the loop.
    EXPECT_GE(w.in().statementsRun() - before, 300u);
}

// At a set speed the statements of each turn come from the budget: a fake
// clock makes every count exact.
TEST(Pacing, SetSpeedHandsOutStatementsByTheClock) {
    Window w;
    int64_t now = 0;
    w.view()->host().clockSource = [&now] { return now; };
    w.frame->setSpeed(100);
    EXPECT_EQ(w.view()->speed(), 100);
    w.line("10 A=A+1:GOTO 10");
    const uint64_t start = w.in().statementsRun();
    // RUN from the menu runs at once, within the first bucketful (5).
    w.command(ID_RUN);
    ASSERT_TRUE(w.in().running());
    EXPECT_EQ(w.in().statementsRun() - start, 5u);
    EXPECT_EQ(runState(*w.view()), RunState::Napping);
    // Turns without time passing run nothing.
    w.view()->runStep();
    EXPECT_EQ(w.in().statementsRun() - start, 5u);
    // One second in 10 ms turns: 100 statements.
    for (int i = 0; i < 100; ++i) {
        now += 10;
        w.view()->runStep();
    }
    EXPECT_EQ(w.in().statementsRun() - start, 105u);
    EXPECT_EQ(runState(*w.view()), RunState::Napping);
    // A long pause does not store up more than a bucketful.
    now += 60000;
    w.view()->runStep();
    EXPECT_EQ(w.in().statementsRun() - start, 110u);
    // Full speed again: a turn runs far more than the budget ever gave.
    // (The fake clock moves on at every reading so the slice can end.)
    w.view()->host().clockSource = [&now] { return now++; };
    w.frame->setSpeed(0);
    w.view()->runStep();
    EXPECT_GT(w.in().statementsRun() - start, 1000u);
    EXPECT_EQ(runState(*w.view()), RunState::NoPause);
    w.view()->onBreak();
    w.view()->host().clockSource = nullptr;
}

QMenu* speedMenu(CMainFrame& f) {
    for (QAction* a : f.menuBar()->actions())
        if (a->text() == QStringLiteral("表示(&V)"))
            for (QAction* b : a->menu()->actions())
                if (b->menu() && b->text() == QStringLiteral("実行速度(&P)")) return b->menu();
    return nullptr;
}

TEST(Pacing, SpeedMenu) {
    Window w;
    QMenu* m = speedMenu(*w.frame);
    ASSERT_NE(m, nullptr);
    QStringList texts;
    for (QAction* a : m->actions())
        if (!a->isSeparator() && a->isVisible()) texts << a->text();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("全速(&F)"), QStringLiteral("当時の速度 - 毎秒 2,000 文(&O)"),
                                  QStringLiteral("毎秒 500 文"), QStringLiteral("毎秒 1,000 文"),
                                  QStringLiteral("毎秒 5,000 文"), QStringLiteral("毎秒 10,000 文"),
                                  QStringLiteral("毎秒 50,000 文")}));
    // Full speed is the default.
    EXPECT_TRUE(w.frame->command(ID_SPEED_FULL)->isChecked());
    EXPECT_EQ(w.view()->speed(), 0);

    struct Case {
        std::function<void()> choose;
        int64_t rate;
        int checked;
        const char* otherText;  // the extra entry, when shown
    };
    const Case cases[] = {
        {[&] { w.command(ID_SPEED_ORIGINAL); }, 2000, ID_SPEED_ORIGINAL, nullptr},
        {[&] { w.command(ID_SPEED_RATE1 + 3); }, 10000, ID_SPEED_RATE1 + 3, nullptr},
        {[&] { w.frame->setSpeed(1000); }, 1000, ID_SPEED_RATE1 + 1, nullptr},
        {[&] { w.frame->setSpeed(123456); }, 123456, ID_SPEED_OTHER, "毎秒 123,456 文"},
        {[&] { w.command(ID_SPEED_FULL); }, 0, ID_SPEED_FULL, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        c.choose();
        EXPECT_EQ(w.view()->speed(), c.rate);
        EXPECT_TRUE(w.frame->command(c.checked)->isChecked());
        QAction* other = w.frame->command(ID_SPEED_OTHER);
        EXPECT_EQ(other->isVisible(), c.otherText != nullptr);
        if (c.otherText) EXPECT_EQ(other->text(), QString::fromUtf8(c.otherText));
    }
}

}  // namespace

// A program waiting for a serial port naps between looks, the window
// answers meanwhile, data that comes is taken at the next look, and ESC
// ends the wait.
namespace {

struct Line {
    std::string incoming;
};

class LineLink : public SerialLink {
public:
    explicit LineLink(Line& l) : l_(l) {}
    bool open(const SerialSettings&) override { return true; }
    bool partnerPresent() override { return true; }
    void close() override {}
    long write(std::string_view b) override { return static_cast<long>(b.size()); }
    bool read(std::string& into, size_t max) override {
        const size_t n = std::min(max, l_.incoming.size());
        into.append(l_.incoming, 0, n);
        l_.incoming.erase(0, n);
        return true;
    }

private:
    Line& l_;
};

}  // namespace

TEST(Pacing, SerialWaitNapsAndEscEndsIt) {
    Line line;
    setSerialLinkFactory([&](int) { return std::make_unique<LineLink>(line); });
    Window w;
    w.program({"10 OPEN \"COM1:9600,N,8,1,N\" AS #1", "20 LINE INPUT #1,A$:PRINT \"[\";A$;\"]\"",
               "30 GOTO 20"});
    w.command(ID_RUN);
    for (int i = 0; i < 3; ++i) w.view()->runStep();
    EXPECT_EQ(runState(*w.view()), RunState::Napping);
    line.incoming = "HELLO\r";
    for (int i = 0; i < 3; ++i) w.view()->runStep();
    EXPECT_GE(w.findRow("[HELLO]"), 0);
    EXPECT_EQ(runState(*w.view()), RunState::Napping);
    QTest::keyClick(w.view(), Qt::Key_Escape);
    EXPECT_EQ(runState(*w.view()), RunState::Stopped);
    EXPECT_GE(w.findRow("BREAK, OK in 20"), 0);
    EXPECT_TRUE(w.dialogs.asked.empty());
    setSerialLinkFactory({});
}
