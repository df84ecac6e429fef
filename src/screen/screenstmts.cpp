// Statements of the text screen: CLS, LOCATE, COLOR, CONSOLE, BEEP.
#include <algorithm>
#include <cmath>

#include "core/interp.h"
#include "core/stmt.h"
#include "eval/numtext.h"

namespace tw {

namespace {

// Arguments separated by commas; an empty one is kept as a null expression
// so that positions count. More than `most` arguments is a Syntax error.
void parseArgs(Stmt& s, std::string_view r, size_t most) {
    if (trim(r).empty()) return;
    for (std::string_view v : splitArgs(r)) {
        std::string_view t = trim(v);
        s.present.push_back(!t.empty());
        s.ex.push_back(t.empty() ? nullptr : parseExpression(t));
    }
    if (s.ex.size() > most) raise(err::Syntax);
}

// A numeric argument as a whole number, kept far inside the int range so
// that range checks on huge values still fail instead of wrapping.
int wholeArg(double v) { return static_cast<int>(std::clamp(std::trunc(v), -1e9, 1e9)); }

// COLORREF (0x00BBGGRR) to RGB (0xRRGGBB).
uint32_t fromColorref(uint32_t c) {
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

// The analog colour of a colour code: green in bits 8-11, red in 4-7,
// blue in 0-3, each level times 17. Codes past &HFFF follow the same
// arithmetic (modulo 2^32) and are refused when the result is not a colour.
int64_t analogColorref(int64_t c) {
    const int64_t v = (c / 256) * 0xEF001100LL - ((c % 256) / 16) * 0x010FFFEFLL + c * 0x110000LL;
    return v & 0xFFFFFFFFLL;
}

}  // namespace

bool Interpreter::prepareScreen(Stmt& s) {
    std::string_view r = std::string_view(s.text).substr(s.argPos);
    switch (s.code) {
    case kw::Cls:
        parseArgs(s, r, 1);
        return true;
    case kw::Locate:
        parseArgs(s, r, 3);
        return true;
    case kw::Console:
        parseArgs(s, r, 4);
        return true;
    case kw::Color: {
        std::string_view t = trim(r);
        if (!t.empty() && t[0] == '=') {
            // COLOR = (palette, colour)
            s.sub = 1;
            t = trim(t.substr(1));
            if (t.size() < 2 || t.front() != '(' || t.back() != ')') raise(err::Syntax);
            parseArgs(s, t.substr(1, t.size() - 2), 2);
            if (s.ex.size() != 2 || !s.ex[0] || !s.ex[1]) raise(err::Syntax);
            return true;
        }
        parseArgs(s, r, 5);
        return true;
    }
    case kw::Beep: {
        // BEEP reads its argument as the digits of its text.
        std::string_view t = trim(r);
        s.present.push_back(!t.empty());
        s.sub = numtext::atoi(t);
        return true;
    }
    default:
        return false;
    }
}

bool Interpreter::executeScreen(Stmt& s) {
    switch (s.code) {
    case kw::Cls:
        stCls(s);
        return true;
    case kw::Locate:
        stLocate(s);
        return true;
    case kw::Color:
        stColor(s);
        return true;
    case kw::Console:
        stConsole(s);
        return true;
    case kw::Beep:
        stBeep(s);
        return true;
    default:
        return false;
    }
}

// CLS 1 empties the console window; CLS 2 clears the displayed graphics
// page to the COLOR background and keeps the text; CLS 3 does both over the
// whole screen. From CLS 2 on, the COLOR background becomes the clear
// colour (so CLS 4 and up change only that).
void Interpreter::stCls(Stmt& s) {
    int n = 1;
    if (!s.ex.empty() && s.ex[0]) n = wholeArg(evalNum(*s.ex[0]));
    TextScreen& t = screen_;
    const uint32_t bgRgb = t.palette(t.background());
    const int shown = display_.displayedPage();
    if (n == 1) {
        t.clearRows();
    } else if (n == 2 || n == 3) {
        display_.lastX = 0;
        display_.lastY = 0;
        if (n == 3) {
            t.clearBand(0, TextScreen::Rows, bgRgb);
            for (int r = t.winTop(); r <= t.lastScrollRow() && r < TextScreen::Rows; ++r) t.unlink(r);
        }
        if (shown >= 0) display_.fillPage(shown, bgRgb);
        t.setCursor(0, 0);
    }
    if (n > 1) t.setClearColour(t.background());
    host_.screenChanged();
}

void Interpreter::stLocate(Stmt& s) {
    auto arg = [&](size_t i, int missing) {
        if (i >= s.ex.size() || !s.ex[i]) return missing;
        const double v = std::trunc(evalNum(*s.ex[i]) + 0.5);
        return static_cast<int>(std::clamp(v, -1e9, 1e9));
    };
    int x = arg(0, screen_.col());
    int y = arg(1, screen_.row());
    int c = arg(2, 1);
    // Out-of-range values are corrected, never reported.
    if (x < 0 || x > 80) x = 0;
    if (y < 0 || y > 24) y = screen_.row();
    if (c < 0 || c > 1) c = 1;
    screen_.setCursor(x, y);
    screen_.setCaretVisible(c != 0);
}

void Interpreter::stColor(Stmt& s) {
    TextScreen& t = screen_;
    if (s.sub == 1) {
        const int64_t p = wholeArg(evalNum(*s.ex[0]));
        const int64_t c = wholeArg(evalNum(*s.ex[1]));
        const int mode = t.paletteMode();
        uint32_t rgb = 0;
        if (mode == 0) {
            if (c < 0 || c > 7 || p < 0 || p > 7) raise(err::Syntax);
            rgb = TextScreen::digitalColour(static_cast<int>(c));
        } else {
            const int64_t ref = analogColorref(c);
            if (ref >= 0x1000000 || p < 0 || p > (mode == 2 ? 15 : 7)) raise(err::Syntax);
            rgb = fromColorref(static_cast<uint32_t>(ref));
        }
        t.setPaletteEntry(static_cast<int>(p), rgb);
        return;
    }
    auto given = [&](size_t i) { return i < s.ex.size() && s.ex[i]; };
    auto value = [&](size_t i) { return wholeArg(evalNum(*s.ex[i])); };
    int mode = t.paletteMode();
    if (given(4)) {
        mode = value(4);
        if (mode < 0 || mode > 2) raise(err::Syntax);
    }
    const int wide = mode == 2 ? 15 : 7;
    // Each value is stored as soon as it passed its check.
    const struct {
        int limit;
        void (TextScreen::*set)(int);
    } fields[] = {
        {7, &TextScreen::setForeground},
        {wide, &TextScreen::setBackground},
        {7, &TextScreen::setBorder},
        {wide, &TextScreen::setGraphicsForeground},
    };
    for (size_t i = 0; i < 4; ++i) {
        if (!given(i)) continue;
        const int v = value(i);
        if (v < 0 || v > fields[i].limit) raise(err::Syntax);
        (t.*fields[i].set)(v);
    }
    if (mode != t.paletteMode() || mode == 2) t.setPaletteMode(mode);
    display_.setScreenMode(3);
    display_.setGraphicsShown(true);
    display_.setActivePage(0);
    display_.setDisplayedPage(0);
}

void Interpreter::stConsole(Stmt& s) {
    int v[4] = {-1, -1, -1, -1};
    if (!s.ex.empty()) {
        const int defaults[4] = {0, 24, 1, 1};
        for (size_t i = 0; i < 4; ++i)
            v[i] = i < s.ex.size() && s.ex[i] ? wholeArg(evalNum(*s.ex[i])) : defaults[i];
    }
    const int top = v[0], count = v[1], f = v[2], c = v[3];
    if (top < 0 || top > 24 || count < 0 || count > 25 || f < 0 || f > 1 || c < 0 || c > 1)
        raise(err::IllegalFunctionCall);
    screen_.setConsole(top, count);
    screen_.setFkeyLine(f == 1);
    screen_.colourSwitch = c;
}

void Interpreter::stBeep(Stmt& s) {
    if (s.present.empty() || !s.present[0]) {
        beepNext_ = -1;
        host_.beep();
        return;
    }
    switch (s.sub) {
    case 0:
        beepNext_ = -1;
        return;
    case 1:
        beepNext_ = host_.monotonicMs() + 50;
        return;
    default:
        raise(err::Syntax);
    }
}

void Interpreter::pollBeep() {
    if (beepNext_ < 0) return;
    const int64_t now = host_.monotonicMs();
    if (now < beepNext_) return;
    host_.beep();
    // Ticks missed while the host was busy are not made up.
    beepNext_ += 50;
    if (beepNext_ <= now) beepNext_ = now + 50;
}

}  // namespace tw
