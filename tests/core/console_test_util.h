// A host and key helpers shared by the console and trap tests.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "core/host.h"
#include "core/interp.h"

namespace tw::keytest {

class KeyHost : public Host {
public:
    int64_t mono = 0;
    int64_t wall = 1772352930;  // 2026-03-01 08:15:30 UTC
    std::vector<std::string> scrolled;
    std::vector<ViewScroll> views;

    int64_t monotonicMs() override { return mono; }
    int64_t wallClockSeconds() override { return wall; }
    int ask(const std::string&, int) override { return AnswerCancel; }
    void rowScrolledOff(const std::string& row) override { scrolled.push_back(row); }
    void scrollView(ViewScroll how) override { views.push_back(how); }
};

// Delivers keys: plain bytes, and {NAME} for the keys without a character
// (LEFT RIGHT UP DOWN HOME PGUP PGDN INS DEL TAB BS ENTER ESC STOP CTRLC F1..F10).
inline void press(Interpreter& in, std::string_view keys) {
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] != '{') {
            in.keyChar(static_cast<uint8_t>(keys[i]));
            continue;
        }
        const size_t e = keys.find('}', i);
        const std::string_view name = keys.substr(i + 1, e - i - 1);
        i = e;
        if (name == "LEFT") in.keyDown(Interpreter::KeyLeft);
        else if (name == "RIGHT") in.keyDown(Interpreter::KeyRight);
        else if (name == "UP") in.keyDown(Interpreter::KeyUp);
        else if (name == "DOWN") in.keyDown(Interpreter::KeyDown);
        else if (name == "HOME") in.keyDown(Interpreter::KeyHome);
        else if (name == "PGUP") in.keyDown(Interpreter::KeyPageUp);
        else if (name == "PGDN") in.keyDown(Interpreter::KeyPageDown);
        else if (name == "INS") in.keyDown(Interpreter::KeyInsert);
        else if (name == "DEL") in.keyDown(Interpreter::KeyDelete);
        else if (name == "TAB") in.keyDown(Interpreter::KeyTab);
        else if (name == "BS") { in.keyDown(Interpreter::KeyBack); in.keyChar(8); }
        else if (name == "ENTER") in.keyChar(13);
        else if (name == "ESC") in.keyChar(27);
        else if (name == "STOP") in.keyDown(Interpreter::KeyPause);
        else if (name == "CTRLC") { in.keyDown('C', true); in.keyUp('C', true); }
        else if (name[0] == 'F') in.functionKey(std::atoi(std::string(name.substr(1)).c_str()));
    }
}

// Types a line and Enter.
inline void line(Interpreter& in, std::string_view text) {
    press(in, text);
    in.keyChar(13);
}

// Runs up to n statements (the run may stop or wait earlier).
inline void steps(Interpreter& in, long n) { in.runSlice(100000, n); }

// The non-empty rows shown after the last row that reads `after`, in order,
// counting rows that scrolled off.
inline std::vector<std::string> shownAfter(const Interpreter& in, const KeyHost& host,
                                           const std::string& after) {
    std::vector<std::string> rows = host.scrolled;
    for (int r = 0; r < TextScreen::FkeyRow; ++r) rows.emplace_back(trimRight(in.screen().rowText(r)));
    size_t start = 0;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i] == after) start = i + 1;
    std::vector<std::string> out;
    for (size_t i = start; i < rows.size(); ++i)
        if (!rows[i].empty()) out.push_back(rows[i]);
    return out;
}

inline void useUtc() {
    setenv("TZ", "UTC", 1);
    tzset();
}

}  // namespace tw::keytest
