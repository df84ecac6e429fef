// Event traps driven from outside a running program: the STOP key and
// Ctrl+C, function keys, the mouse, and ON TIME$ against a host clock the
// test moves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console_test_util.h"

namespace tw {
namespace {

using keytest::KeyHost;
using keytest::line;
using keytest::press;
using keytest::shownAfter;
using keytest::steps;
using Rows = std::vector<std::string>;

class Traps : public ::testing::Test {
protected:
    void SetUp() override { keytest::useUtc(); }

    void program(const std::vector<std::string>& lines) {
        for (const auto& l : lines) line(in, l);
        line(in, "RUN");
        steps(in, 200);
    }
    Rows shown() const { return shownAfter(in, host, "RUN"); }

    KeyHost host;
    Interpreter in{host};
};

TEST_F(Traps, StopKeyByTheStateOfTheStopRow) {
    struct Case {
        const char* setup;  // line 20
        const char* keys;
        bool stillRunning;
        Rows shown;
    };
    const Case cases[] = {
        {"20 STOP ON", "{STOP}", false, {"TRAP", "OK"}},
        {"20 STOP ON", "{CTRLC}", false, {"TRAP", "OK"}},
        // ESC always breaks.
        {"20 STOP ON", "{ESC}", false, {"BREAK, OK in 30"}},
        {"20 STOP OFF", "{STOP}", false, {"BREAK, OK in 30"}},
        {"20 STOP OFF", "{CTRLC}", false, {"BREAK, OK in 30"}},
        {"20 REM", "{STOP}", false, {"BREAK, OK in 30"}},
        // A stopped row remembers the key: the program goes on.
        {"20 STOP STOP", "{STOP}", true, {}},
    };
    for (const Case& c : cases) {
        KeyHost h;
        Interpreter fresh(h);
        for (const char* l : {"10 ON STOP GOSUB 100", c.setup, "30 GOTO 30", "100 PRINT \"TRAP\":END"})
            line(fresh, l);
        line(fresh, "RUN");
        steps(fresh, 100);
        press(fresh, c.keys);
        steps(fresh, 100);
        EXPECT_EQ(fresh.running(), c.stillRunning) << c.setup << " " << c.keys;
        EXPECT_EQ(shownAfter(fresh, h, "RUN"), c.shown) << c.setup << " " << c.keys;
    }
}

TEST_F(Traps, CtrlCActsWhenReleased) {
    program({"10 GOTO 10"});
    in.keyDown('C', true);
    steps(in, 10);
    EXPECT_TRUE(in.running());
    in.keyUp('C', true);
    EXPECT_FALSE(in.running());
}

TEST_F(Traps, RememberedStopKeyFiresAtStopOn) {
    program({"10 ON STOP GOSUB 100", "20 STOP STOP", "30 IF INKEY$=\"\" THEN 30", "40 PRINT \"ON\"",
             "50 STOP ON", "60 PRINT \"AFTER\"", "70 END", "100 PRINT \"TRAP\"", "110 RETURN"});
    press(in, "{STOP}");
    steps(in, 100);
    EXPECT_TRUE(in.running());
    press(in, "x");
    steps(in, 100);
    EXPECT_EQ(shown(), (Rows{"ON", "TRAP", "AFTER", "OK"}));
}

TEST_F(Traps, EventsInOneGapStartTheirHandlersInArrivalOrder) {
    program({"10 ON KEY GOSUB 100,200", "20 KEY ON", "30 IF INKEY$=\"\" THEN 30", "40 PRINT \"BACK\"",
             "50 END", "100 PRINT \"ONE\"", "110 RETURN", "200 PRINT \"TWO\"", "210 RETURN"});
    // KEY ON left the keys without a handler unarmed, without an error.
    EXPECT_TRUE(in.running());
    press(in, "{F2}{F1}{F3}x");
    steps(in, 100);
    EXPECT_EQ(shown(), (Rows{"TWO", "ONE", "BACK", "OK"}));
}

TEST_F(Traps, KeyOffTypesTheStringIntoAWaitingInput) {
    program({"10 ON KEY GOSUB 100", "20 KEY(1) OFF", "30 INPUT A$", "40 KEY(1) ON", "50 INPUT B$",
             "60 PRINT A$;\"/\";B$", "70 END", "100 PRINT \"TRAP\"", "110 RETURN"});
    ASSERT_TRUE(in.inputWaiting());
    press(in, "{F1}{ENTER}");
    steps(in, 100);
    // With the row on, F1 types nothing; its handler runs once the line is in.
    press(in, "z{F1}{ENTER}");
    steps(in, 100);
    EXPECT_EQ(shown(), (Rows{"? load", "? z", "TRAP", "load/z", "OK"}));
}

TEST_F(Traps, EventLeftByABreakFiresOnContNotOnANewRun) {
    struct Case {
        const char* then;
        bool running;
        Rows shown;
    };
    const Case cases[] = {
        {"CONT", false, {"OK", "TRAP", "OK"}},
        {"RUN", true, {}},
    };
    for (const Case& c : cases) {
        KeyHost h;
        Interpreter fresh(h);
        for (const char* l : {"10 ON KEY GOSUB 100", "20 KEY(1) ON", "30 GOTO 30", "100 PRINT \"TRAP\":END"})
            line(fresh, l);
        line(fresh, "RUN");
        steps(fresh, 100);
        press(fresh, "{F1}{ESC}");  // both before the next statement
        ASSERT_FALSE(fresh.running());
        line(fresh, c.then);
        steps(fresh, 100);
        EXPECT_EQ(fresh.running(), c.running) << c.then;
        EXPECT_EQ(shownAfter(fresh, h, c.then), c.shown) << c.then;
    }
}

TEST_F(Traps, ClearedKeyRowsNoLongerTrap) {
    program({"10 ON KEY GOSUB 100", "20 KEY(1) ON", "30 GOTO 30", "100 PRINT \"TRAP\"", "110 RETURN"});
    in.clearKeyTraps();
    press(in, "{F1}");
    steps(in, 100);
    EXPECT_TRUE(in.running());
    EXPECT_EQ(shown(), Rows{});
}

TEST_F(Traps, PenRowAndPenFunction) {
    program({"10 ON PEN GOSUB 100", "20 PEN STOP", "30 IF INKEY$=\"\" THEN 30", "40 PEN ON",
             "50 PRINT PEN(0)", "60 END", "100 PRINT PEN(0);PEN(1);PEN(2);PEN(3);PEN(4)",
             "110 RETURN"});
    in.mouseClick(645, 100);  // past the right edge: column 79
    steps(in, 100);
    press(in, "x");
    steps(in, 100);
    EXPECT_EQ(shown(), (Rows{"-1  645  100  79  6", " 0", "OK"}));
}

TEST_F(Traps, PenFunctionRejectsOtherArguments) {
    line(in, "PRINT PEN(5)");
    steps(in, 100);
    EXPECT_EQ(shownAfter(in, host, "PRINT PEN(5)"), (Rows{"Illegal function call"}));
}

// ---------------------------------------------------------------- ON TIME$

TEST_F(Traps, TimeOfDayDeadline) {
    struct Case {
        const char* when;
        int64_t waitMs;  // from 08:15:30
    };
    const Case cases[] = {
        {"08:15:40", 10000},
        {"8:16:30", 60000},
        {"08:15:30", 0},           // now: at once
        {"08:15:29", 86399000},    // passed: tomorrow
        {"00:00:00", 56670000},
    };
    for (const Case& c : cases) {
        KeyHost h;
        h.mono = 5000;
        Interpreter fresh(h);
        for (const std::string& l : {std::string("10 ON TIME$=\"") + c.when + "\" GOSUB 100",
                                     std::string("20 TIME$ ON"), std::string("30 GOTO 30"),
                                     std::string("100 PRINT \"T\":END")})
            line(fresh, l);
        line(fresh, "RUN");
        steps(fresh, 100);
        if (c.waitMs > 0) {
            h.mono = 5000 + c.waitMs - 1;
            fresh.pollTimers();
            steps(fresh, 100);
            EXPECT_TRUE(fresh.running()) << c.when;
        }
        h.mono = 5000 + c.waitMs;
        fresh.pollTimers();
        steps(fresh, 100);
        EXPECT_FALSE(fresh.running()) << c.when;
        EXPECT_EQ(shownAfter(fresh, h, "RUN"), (Rows{"T", "OK"})) << c.when;
    }
}

TEST_F(Traps, TimeDeadlineFollowsTheClockThatTimeSet) {
    program({"10 TIME$=\"23:59:50\"", "20 ON TIME$=\"00:00:05\" GOSUB 100", "30 TIME$ ON",
             "40 GOTO 40", "100 PRINT \"T\":END"});
    host.mono = 14999;
    in.pollTimers();
    steps(in, 100);
    EXPECT_TRUE(in.running());
    host.mono = 15000;
    in.pollTimers();
    steps(in, 100);
    EXPECT_EQ(shown(), (Rows{"T", "OK"}));
}

TEST_F(Traps, TimeRowStoppedRemembersOffForgets) {
    struct Case {
        const char* mode;
        Rows shown;
    };
    const Case cases[] = {
        {"STOP", {"T", "ON", "OK"}},
        {"OFF", {"ON", "OK"}},
    };
    for (const Case& c : cases) {
        KeyHost h;
        Interpreter fresh(h);
        for (const std::string& l :
             {std::string("10 ON TIME$=\"08:15:31\" GOSUB 100"), std::string("20 TIME$ ") + c.mode,
              std::string("30 IF INKEY$=\"\" THEN 30"), std::string("40 TIME$ ON"), std::string("50 PRINT \"ON\""),
              std::string("60 END"), std::string("100 PRINT \"T\""), std::string("110 RETURN")})
            line(fresh, l);
        line(fresh, "RUN");
        steps(fresh, 100);
        h.mono = 1000;
        fresh.pollTimers();
        steps(fresh, 100);
        EXPECT_TRUE(fresh.running()) << c.mode;
        press(fresh, "x");
        steps(fresh, 100);
        EXPECT_EQ(shownAfter(fresh, h, "RUN"), c.shown) << c.mode;
    }
}

TEST_F(Traps, DeadlinePassingInDirectModeFiresWhenAProgramRuns) {
    program({"10 ON TIME$=\"08:15:31\" GOSUB 100", "20 TIME$ ON", "30 END", "100 PRINT \"T\"",
             "110 RETURN"});
    ASSERT_FALSE(in.running());
    host.mono = 2000;
    in.pollTimers();
    EXPECT_EQ(shown(), Rows{"OK"});
    line(in, "PRINT \"DIRECT\"");
    in.pollTimers();
    steps(in, 100);
    EXPECT_EQ(shownAfter(in, host, "PRINT \"DIRECT\""), (Rows{"T", "DIRECT", "OK"}));
}

}  // namespace
}  // namespace tw
