// The DATE$ and TIME$ statements move the interpreter's clock against a
// host clock that the test controls, so every reading is exact.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/interp.h"

namespace tw {
namespace {

class ClockHost : public Host {
public:
    int64_t now = 0;  // seconds since the epoch (UTC in these tests)
    std::vector<std::string> scrolled;

    int64_t monotonicMs() override { return 0; }
    int64_t wallClockSeconds() override { return now; }
    int ask(const std::string&, int) override { return AnswerCancel; }
    void rowScrolledOff(const std::string& row) override { scrolled.push_back(row); }
};

class ClockStatements : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        host.now = 1772352930;  // 2026-03-01 08:15:30
    }

    // Types a direct-mode line and returns the first row it printed.
    std::string run(const std::string& line) {
        for (char c : line) in.keyChar(static_cast<uint8_t>(c));
        in.keyChar(13);
        while (in.running() && !in.inputWaiting()) in.runSlice(100, 100000);
        std::vector<std::string> rows = host.scrolled;
        for (int r = 0; r < 24; ++r) rows.emplace_back(trimRight(in.screen().rowText(r)));
        for (size_t i = rows.size(); i-- > 1;)
            if (rows[i - 1] == line) return rows[i];
        return "<no echo>";
    }

    ClockHost host;
    Interpreter in{host};
};

TEST_F(ClockStatements, SettingOneHalfKeepsTheOtherAndTheClockRunsOn) {
    struct Step {
        int64_t advance;  // seconds the host clock moves before the line
        const char* line;
        const char* shown;
    };
    const Step steps[] = {
        {0, "PRINT DATE$;\" \";TIME$", "26/03/01 08:15:30"},
        {0, "TIME$=\"12:00:00\":PRINT DATE$;\" \";TIME$", "26/03/01 12:00:00"},
        {3661, "PRINT DATE$;\" \";TIME$", "26/03/01 13:01:01"},
        {0, "DATE$=\"24/02/29\":PRINT DATE$;\" \";TIME$", "24/02/29 13:01:01"},
        {0, "TIME$=\"23:59:59\":PRINT DATE$;\" \";TIME$", "24/02/29 23:59:59"},
        {1, "PRINT DATE$;\" \";TIME$", "24/03/01 00:00:00"},
        // A rejected setting leaves the clock alone.
        {0, "TIME$=\"24:00:00\"", "Illegal function call"},
        {0, "DATE$=\"24/02/30\"", "Illegal function call"},
        {10, "PRINT DATE$;\" \";TIME$", "24/03/01 00:00:10"},
        // Years 00..99 are 2000..2099; the time of day is kept.
        {0, "DATE$=\"0/12/31\":PRINT DATE$;\" \";TIME$", "00/12/31 00:00:10"},
        {86400, "PRINT DATE$", "01/01/01"},
    };
    for (const Step& s : steps) {
        host.now += s.advance;
        EXPECT_EQ(run(s.line), s.shown) << s.line;
    }
}

TEST_F(ClockStatements, RunAndNewKeepTheClock) {
    run("TIME$=\"01:02:03\"");
    run("NEW");
    run("10 CLEAR");
    run("RUN");
    EXPECT_EQ(run("PRINT TIME$"), "01:02:03");
}

}  // namespace
}  // namespace tw
