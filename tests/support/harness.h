// Runs typed lines through an interpreter and collects the screen
// transcript, as the batch driver does, for table-driven tests.
#pragma once

#include <string>
#include <vector>

#include "core/host.h"
#include "core/interp.h"

namespace tw::test {

class TestHost : public Host {
public:
    int64_t monotonicMs() override { return nowMs; }
    int64_t wallClockSeconds() override { return wallSeconds; }
    int ask(const std::string& text, int) override {
        asked.push_back(text);
        return answer;
    }
    void rowScrolledOff(const std::string& row) override { scrolled.push_back(row); }

    int64_t nowMs = 0;
    int64_t wallSeconds = 1700000000;
    int answer = AnswerCancel;
    std::vector<std::string> asked;
    std::vector<std::string> scrolled;
};

// Types each line (then Enter), running the interpreter until it waits for
// the next line; returns every row that scrolled off plus the final screen,
// trailing blanks removed, one row per line.
std::string runLines(const std::vector<std::string>& lines, long statementLimit = 1000000);

// The output of one direct-mode statement: what the screen shows between the
// typed line and the "OK" (or the error message) after it.
std::string directOutput(const std::string& statement);

}  // namespace tw::test
