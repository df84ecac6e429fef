// The run-loop pacing: the token bucket against a clock the test moves by
// hand, the --speed values, and what the interpreter tells a host that
// wants to sleep (unanswered key polls, the next timer deadline).
#include <gtest/gtest.h>

#include <string>

#include "core/host.h"
#include "core/interp.h"
#include "core/ratelimit.h"

namespace tw {
namespace {

TEST(RateLimiter, UnlimitedNeverWaits) {
    RateLimiter r;
    EXPECT_FALSE(r.limited());
    EXPECT_GE(r.budget(0), int64_t{1} << 40);
    r.spend(1000000);
    EXPECT_GE(r.budget(0), int64_t{1} << 40);
    EXPECT_EQ(r.msUntil(0, 1000000), 0);
}

// Budgets over a sequence of clock readings and spendings.
TEST(RateLimiter, BudgetFollowsTheClock) {
    struct Step {
        int64_t now;
        int64_t spend;     // spent after reading the budget
        int64_t budget;    // budget read at `now`
        int64_t waitFor1;  // msUntil(now, 1) after spending
    };
    struct Case {
        const char* name;
        int64_t rate;
        int burstMs;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        // 1000 a second, 50 ms bucket: 50 at once, then one a millisecond.
        {"1000/s",
         1000,
         50,
         {{0, 50, 50, 1}, {0, 0, 0, 1}, {10, 10, 10, 1}, {10, 0, 0, 1}, {500, 0, 50, 0}}},
        // The bucket never holds more than 50 ms worth, however long the pause.
        {"long pause", 1000, 50, {{0, 0, 50, 0}, {1000000, 50, 50, 1}, {1000001, 0, 1, 0}}},
        // Overspending leaves a debt that is paid back first (capped at one
        // bucketful: 50 ms of debt, then 1 ms for the next statement).
        {"debt", 1000, 50, {{0, 500, 50, 51}, {20, 0, 0, 31}, {51, 1, 1, 1}}},
        // Slower than one per bucket: one statement, then the wait for the next.
        {"10/s", 10, 50, {{0, 1, 1, 100}, {40, 0, 0, 60}, {100, 1, 1, 100}, {150, 0, 0, 50}}},
        // A rate that does not divide a millisecond keeps its fractions.
        {"3/s", 3, 50, {{0, 1, 1, 334}, {333, 0, 0, 1}, {334, 1, 1, 334}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RateLimiter r(c.rate, c.burstMs);
        ASSERT_TRUE(r.limited());
        for (const Step& s : c.steps) {
            SCOPED_TRACE(s.now);
            EXPECT_EQ(r.budget(s.now), s.budget);
            r.spend(s.spend);
            EXPECT_EQ(r.msUntil(s.now, 1), s.waitFor1);
        }
    }
}

TEST(RateLimiter, StatementsOverASecondMatchTheRate) {
    // Taking the whole budget every 7 ms for a second runs the rate (plus
    // the first bucketful), whatever the rate.
    for (int64_t rate : {1, 10, 2000, 12345, 1000000}) {
        SCOPED_TRACE(rate);
        RateLimiter r(rate, 50);
        int64_t total = 0;
        for (int64_t t = 0; t <= 1000; t += 7) {
            const int64_t b = r.budget(t);
            r.spend(b);
            total += b;
        }
        const int64_t expected = rate * 994 / 1000 + r.burst();
        EXPECT_LE(total, expected + 1);
        EXPECT_GE(total, expected - 1);
    }
}

TEST(RateLimiter, WaitForSeveralAndRateChanges) {
    RateLimiter r(2000, 50);
    r.spend(r.budget(0));
    EXPECT_EQ(r.msUntil(0, 20), 10);
    // More than a bucketful is capped at a bucketful (100 at 2000/s).
    EXPECT_EQ(r.msUntil(0, 1000000), 50);
    // A new rate starts with a full bucket of its own size.
    r.setRate(100, 0);
    EXPECT_EQ(r.budget(0), 5);
    r.setRate(0, 0);
    EXPECT_FALSE(r.limited());
    // refill() forgives a debt.
    RateLimiter p(250, 40);
    p.budget(0);
    p.spend(1000);
    EXPECT_EQ(p.budget(0), 0);
    p.refill(0);
    EXPECT_EQ(p.budget(0), 10);
}

TEST(RateLimiter, ClockGoingBackDoesNotCredit) {
    RateLimiter r(1000, 50);
    r.spend(r.budget(100));
    EXPECT_EQ(r.budget(40), 0);
    EXPECT_EQ(r.budget(45), 5);
}

TEST(SpeedOption, Values) {
    struct Case {
        const char* text;
        std::optional<int64_t> rate;
    };
    const Case cases[] = {
        {"full", 0},          {"FULL", 0},        {"original", speed::Original},
        {"2000", 2000},       {"1", 1},           {"1000000000", 1000000000},
        {"0", std::nullopt},  {"", std::nullopt}, {"-5", std::nullopt},
        {"12a", std::nullopt}, {"1e3", std::nullopt}, {"10000000000", std::nullopt},
        {"fast", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(speed::parse(c.text), c.rate);
    }
    EXPECT_GE(speed::Original, 1000);
    EXPECT_LE(speed::Original, 5000);
}

// ------------------------------------------------- what the core reports

class ClockHost : public Host {
public:
    int64_t now = 1000;
    int64_t monotonicMs() override { return now; }
    int64_t wallClockSeconds() override { return 1772352930; }
    int ask(const std::string&, int) override { return AnswerCancel; }
};

class IdleReports : public ::testing::Test {
protected:
    ClockHost host;
    Interpreter in{host};

    void type(const std::string& line) {
        for (char c : line) in.keyChar(static_cast<uint8_t>(c));
        in.keyChar(13);
    }
    void run(long steps) {
        for (long i = 0; i < steps && in.running() && !in.inputWaiting(); ++i) in.runSlice(100, 1);
    }
};

TEST_F(IdleReports, KeyMissesCountUnansweredPolls) {
    struct Case {
        const char* program;
        bool keyFirst;    // a key is typed right after RUN
        uint64_t misses;  // when the run has ended
    };
    const Case cases[] = {
        // Every INKEY$ that finds nothing.
        {"10 FOR I=1 TO 10:A$=INKEY$:NEXT", false, 10},
        // A pending key is an answer, not a miss.
        {"10 FOR I=1 TO 10:A$=INKEY$:NEXT", true, 9},
        // A program that never asks.
        {"10 FOR I=1 TO 10:A=A+1:NEXT", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        type("NEW");
        run(100);
        type(c.program);
        const uint64_t before = in.keyMisses();
        type("RUN");
        // The Enter of RUN is no key for the program; this one is.
        if (c.keyFirst) in.keyChar('x');
        run(1000);
        ASSERT_FALSE(in.running());
        EXPECT_EQ(in.keyMisses() - before, c.misses);
    }
    // INPUT$ waiting: every retry of the statement is one more miss.
    type("NEW");
    run(100);
    type("10 A$=INPUT$(1)");
    type("RUN");
    for (int i = 0; i < 100 && !in.keysWanted(); ++i) run(1);
    ASSERT_TRUE(in.keysWanted());
    const uint64_t before = in.keyMisses();
    run(7);
    EXPECT_EQ(in.keyMisses() - before, 7u);
    in.keyChar('y');
    run(100);
    EXPECT_FALSE(in.running());
    EXPECT_EQ(in.keyMisses() - before, 7u);
}

TEST_F(IdleReports, NextTimerIsTheEarliestDeadline) {
    EXPECT_EQ(in.nextTimerMs(), -1);
    // BEEP 1 ticks every 50 ms, also in direct mode.
    type("BEEP 1");
    run(10);
    EXPECT_EQ(in.nextTimerMs(), 1050);
    host.now = 1060;
    in.pollBeep();
    EXPECT_EQ(in.nextTimerMs(), 1100);
    type("BEEP 0");
    run(10);
    EXPECT_EQ(in.nextTimerMs(), -1);

    // ON TIME$ counts while a program runs, also while it waits at INPUT.
    // The clock's time of day depends on the zone, so the deadline is only
    // known to lie within the next day.
    type("10 ON TIME$=\"23:59:59\" GOSUB 100:TIME$ ON:INPUT A");
    type("100 RETURN");
    type("RUN");
    run(20);
    ASSERT_TRUE(in.inputWaiting());
    const int64_t deadline = in.nextTimerMs();
    EXPECT_GT(deadline, host.now);
    EXPECT_LE(deadline, host.now + 86400 * 1000);
    // Not once the program has stopped.
    in.breakRun();
    run(10);
    EXPECT_EQ(in.nextTimerMs(), -1);

    // Both: the sooner one, the beep's next tick.
    type("10 ON TIME$=\"23:59:59\" GOSUB 100:TIME$ ON:BEEP 1:INPUT A");
    type("RUN");
    run(20);
    ASSERT_TRUE(in.inputWaiting());
    EXPECT_EQ(in.nextTimerMs(), host.now + 50);
    in.breakRun();
    run(10);
    type("BEEP 0");
    run(10);
    EXPECT_EQ(in.nextTimerMs(), -1);
}

}  // namespace
}  // namespace tw
