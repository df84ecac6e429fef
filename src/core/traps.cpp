// Event traps and the KEY statements: ON KEY/STOP/TIME$/PEN/COM GOSUB, the
// ON/OFF/STOP switches of each trap row, KEY n,string and KEY LIST, PEN(n).
#include "core/traps.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/interp.h"
#include "core/stmt.h"
#include "eval/funcglue.h"
#include "eval/numtext.h"

namespace tw {

namespace {

std::string_view argText(const Stmt& s) { return trim(std::string_view(s.text).substr(s.argPos)); }

// ON, OFF or STOP as a switch mode 1, 2, 3; anything else is a Syntax error.
int switchMode(std::string_view w) {
    w = trim(w);
    if (w == "ON") return TrapRow::On;
    if (w == "OFF") return TrapRow::Off;
    if (w == "STOP") return TrapRow::Stopped;
    raise(err::Syntax);
}

// A handler as written: a line number or a *label.
std::string targetToken(std::string_view t) {
    t = trim(t);
    if (t.empty()) raise(err::Syntax);
    if (t[0] == '*') {
        if (t.size() < 2 || t.find(' ') != std::string_view::npos) raise(err::Syntax);
    } else {
        for (char c : t)
            if (!isDigit(c)) raise(err::Syntax);
    }
    return std::string(t);
}

// "GOSUB target" at the end of an ON statement; returns the target text
// and leaves in `before` what stands between the event word and GOSUB.
std::string_view gosubPart(std::string_view r, std::string_view& before) {
    const size_t g = findOutside(r, "GOSUB");
    if (g == std::string_view::npos) raise(err::Syntax);
    before = trim(r.substr(0, g));
    return trim(r.substr(g + 5));
}

// "(n)" followed by the rest: the expression text inside the parentheses.
std::string_view parenArg(std::string_view t, std::string_view& after) {
    t = trim(t);
    if (t.empty() || t[0] != '(') raise(err::Syntax);
    int depth = 0;
    bool q = false;
    for (size_t k = 0; k < t.size(); ++k) {
        if (t[k] == '"') q = !q;
        if (q) continue;
        if (t[k] == '(') ++depth;
        if (t[k] == ')' && --depth == 0) {
            after = trim(t.substr(k + 1));
            std::string_view inner = trim(t.substr(1, k - 1));
            if (inner.empty()) raise(err::Syntax);
            return inner;
        }
    }
    raise(err::Syntax);
}

// The whole number an argument rounds to (x + 0.5, truncated), kept in
// range for the checks that follow.
int roundedArg(double x) { return static_cast<int>(std::trunc(std::clamp(x, -1e6, 1e6) + 0.5)); }

// "hh:mm:ss" as seconds after midnight; -1 when malformed or out of range.
int timeOfDay(const std::string& t) {
    int part[3] = {0, 0, 0};
    size_t i = 0;
    for (int k = 0; k < 3; ++k) {
        if (k > 0) {
            if (i >= t.size() || t[i] != ':') return -1;
            ++i;
        }
        const size_t start = i;
        while (i < t.size() && isDigit(t[i]) && i - start < 2) part[k] = part[k] * 10 + (t[i++] - '0');
        if (i == start) return -1;
    }
    if (i != t.size()) return -1;
    if (part[0] >= 24 || part[1] >= 60 || part[2] >= 60) return -1;
    return part[0] * 3600 + part[1] * 60 + part[2];
}

}  // namespace

// ----------------------------------------------------------- prepare

bool Interpreter::prepareKeys(Stmt& s) {
    std::string_view r = argText(s);
    std::string_view before;
    switch (s.code) {
    case kw::Key: {
        // KEY(n) ON/OFF/STOP, or KEY n,string.
        if (!r.empty() && r[0] == '(') {
            std::string_view after;
            const std::string_view n = parenArg(r, after);
            if (after == "ON" || after == "OFF" || after == "STOP") {
                s.code = kw::KeyOnOff;
                s.sub = switchMode(after);
                s.ex.push_back(parseExpression(n));
                return true;
            }
        }
        const auto parts = splitArgs(r);
        if (parts.size() != 2 || trim(parts[0]).empty() || trim(parts[1]).empty()) raise(err::Syntax);
        s.ex.push_back(parseExpression(trim(parts[0])));
        s.ex.push_back(parseExpression(trim(parts[1])));
        return true;
    }
    case kw::KeyOnOff:
    case kw::StopOnOff:
    case kw::TimeOnOff:
    case kw::Pen:
        s.sub = switchMode(r);
        return true;
    case kw::KeyList:
        if (r != "LIST") raise(err::Syntax);
        return true;
    case kw::OnKeyGosub: {
        const std::string_view list = gosubPart(r, before);
        if (before != "KEY" || list.empty()) raise(err::Syntax);
        const auto items = splitArgs(list);
        if (items.size() > 10) raise(err::Syntax);
        for (std::string_view item : items) {
            item = trim(item);
            s.tokens.push_back(item.empty() ? std::string() : targetToken(item));
        }
        return true;
    }
    case kw::OnStopGosub:
    case kw::OnPenGosub: {
        const std::string_view t = gosubPart(r, before);
        if (before != (s.code == kw::OnStopGosub ? "STOP" : "PEN")) raise(err::Syntax);
        s.str = targetToken(t);
        return true;
    }
    case kw::OnTimeGosub: {
        // ON TIME$=time GOSUB target
        const std::string_view t = gosubPart(r, before);
        if (before.substr(0, 5) != "TIME$") raise(err::Syntax);
        std::string_view time = trim(before.substr(5));
        if (time.empty() || time[0] != '=' || trim(time.substr(1)).empty()) raise(err::Syntax);
        s.ex.push_back(parseExpression(trim(time.substr(1))));
        s.str = targetToken(t);
        return true;
    }
    case kw::OnComGosub: {
        // ON COM(n) GOSUB target; n is 1 without "(n)".
        const std::string_view t = gosubPart(r, before);
        if (before.substr(0, 3) != "COM") raise(err::Syntax);
        std::string_view rest = trim(before.substr(3));
        if (!rest.empty()) {
            std::string_view after;
            s.ex.push_back(parseExpression(parenArg(rest, after)));
            if (!after.empty()) raise(err::Syntax);
        }
        s.str = targetToken(t);
        return true;
    }
    case kw::Com: {
        std::string_view after;
        s.ex.push_back(parseExpression(parenArg(r, after)));
        s.sub = switchMode(after);
        return true;
    }
    default:
        return false;
    }
}

// ----------------------------------------------------------- execute

bool Interpreter::executeKeys(Stmt& s) {
    TrapState& ts = *traps_;
    switch (s.code) {
    case kw::Key: {
        const int n = roundedArg(evalNum(*s.ex[0]));
        if (n < 1 || n > 10) raise(err::Syntax);
        const Value v = eval(*s.ex[1]);
        if (!v.isStr()) raise(err::TypeMismatch);
        fkeys[static_cast<size_t>(n - 1)] = v.str;
        screen_.markRows(TextScreen::FkeyRow, TextScreen::FkeyRow);
        host_.screenChanged();
        return true;
    }
    case kw::KeyOnOff: {
        if (s.ex.empty()) {
            switchTrapRows(TrapState::FirstKeyRow, TrapState::FirstKeyRow + 9, s.sub);
            return true;
        }
        const int n = roundedArg(evalNum(*s.ex[0]));
        if (n < 1 || n > 10) raise(err::Syntax);
        switchTrapRows(TrapState::FirstKeyRow + n - 1, TrapState::FirstKeyRow + n - 1, s.sub);
        return true;
    }
    case kw::KeyList:
        keyList();
        return true;
    case kw::OnKeyGosub: {
        // Every target is checked before any row changes.
        std::vector<int32_t> entries;
        for (const std::string& t : s.tokens) entries.push_back(t.empty() ? 0 : resolveTarget(t));
        for (size_t i = 0; i < s.tokens.size(); ++i) {
            TrapRow& row = ts.rows[TrapState::FirstKeyRow + i];
            row.target = s.tokens[i];
            row.entry = entries[i];
            row.gen = scanGen_;
        }
        return true;
    }
    case kw::OnStopGosub:
    case kw::OnPenGosub: {
        const int32_t e = resolveTarget(s.str);
        TrapRow& row = ts.rows[s.code == kw::OnStopGosub ? TrapState::StopRow : TrapState::PenRow];
        row.target = s.str;
        row.entry = e;
        row.gen = scanGen_;
        return true;
    }
    case kw::OnTimeGosub: {
        const Value v = eval(*s.ex[0]);
        if (!v.isStr()) raise(err::TypeMismatch);
        const int when = timeOfDay(std::string(trim(v.str)));
        if (when < 0) raise(err::IllegalFunctionCall);
        const int32_t e = resolveTarget(s.str);
        TrapRow& row = ts.rows[TrapState::TimeRow];
        row.target = s.str;
        row.entry = e;
        row.gen = scanGen_;
        // The deadline is that time of day on the interpreter's clock (which
        // TIME$ may have set), today or, when it has passed, tomorrow.
        const ClockTime now = glue_->clock();
        int wait = when - (now.hour * 3600 + now.minute * 60 + now.second);
        if (wait < 0) wait += 86400;
        ts.timeDeadline = host_.monotonicMs() + static_cast<int64_t>(wait) * 1000;
        return true;
    }
    case kw::StopOnOff:
        switchTrapRows(TrapState::StopRow, TrapState::StopRow, s.sub);
        return true;
    case kw::TimeOnOff:
        switchTrapRows(TrapState::TimeRow, TrapState::TimeRow, s.sub);
        return true;
    case kw::Pen:
        switchTrapRows(TrapState::PenRow, TrapState::PenRow, s.sub);
        return true;
    case kw::OnComGosub: {
        // The row of the slot that holds port n (1 without "(n)").
        const int port = s.ex.empty() ? 1 : roundedArg(evalNum(*s.ex[0]));
        const int row = comRow(port);
        if (row < 0) raise(err::IllegalFunctionCall);
        const int32_t e = resolveTarget(s.str);
        TrapRow& r = ts.rows[static_cast<size_t>(row)];
        r.target = s.str;
        r.entry = e;
        r.gen = scanGen_;
        return true;
    }
    case kw::Com: {
        const int row = comRow(roundedArg(evalNum(*s.ex[0])));
        if (row < 0) raise(err::FileNotOpen);
        // ON without a handler is refused before the row changes: an armed
        // row keeps its file from being closed.
        if (s.sub == TrapRow::On && ts.rows[static_cast<size_t>(row)].target.empty())
            raise(err::IllegalFunctionCall);
        switchTrapRows(row, row, s.sub);
        updateComTraps();
        return true;
    }
    default:
        return false;
    }
}

// ----------------------------------------------------------- trap rows

void Interpreter::switchTrapRows(int first, int last, int mode) {
    TrapState& ts = *traps_;
    for (int i = first; i <= last; ++i) {
        TrapRow& row = ts.rows[static_cast<size_t>(i)];
        row.state = static_cast<TrapRow::State>(mode);
        if (mode != TrapRow::On) continue;
        if (row.remembered) {
            // The event that came while the row was stopped fires now.
            row.remembered = false;
            if (!row.target.empty()) queueTrap(i);
        }
        if (row.target.empty()) {
            // A key without a handler stays unarmed; the other rows need one.
            if (i >= TrapState::FirstKeyRow && i < TrapState::FirstKeyRow + 10) {
                row.state = TrapRow::Never;
                continue;
            }
            raise(err::IllegalFunctionCall);
        }
    }
}

void Interpreter::clearKeyTraps() {
    TrapState& ts = *traps_;
    for (int i = TrapState::FirstKeyRow; i < TrapState::FirstKeyRow + 10; ++i)
        ts.rows[static_cast<size_t>(i)] = TrapRow{};
    std::erase_if(ts.due, [](int r) { return r >= TrapState::FirstKeyRow && r < TrapState::FirstKeyRow + 10; });
    trapPending_ = !ts.due.empty();
}

int Interpreter::trapEvent(int i) {
    TrapRow& row = traps_->rows[static_cast<size_t>(i)];
    if (row.target.empty()) return 0;
    if (row.state == TrapRow::On) {
        queueTrap(i);
        return 1;
    }
    if (row.state == TrapRow::Stopped) {
        row.remembered = true;
        return 2;
    }
    return 0;
}

void Interpreter::queueTrap(int i) {
    TrapState& ts = *traps_;
    if (ts.dueGen != scanGen_) ts.due.clear();
    ts.dueGen = scanGen_;
    ts.due.push_back(i);
    trapPending_ = true;
}

int32_t Interpreter::trapEntry(int i) {
    TrapRow& row = traps_->rows[static_cast<size_t>(i)];
    if (row.gen != scanGen_ || row.entry <= 0) {
        // The table was built again since: find the handler anew.
        row.entry = resolveTarget(row.target);
        row.gen = scanGen_;
    }
    return row.entry;
}

// Each due event becomes a GOSUB from the statement that would have run
// next. Several at once nest so that their handlers start in the order the
// events came: the first one's RETURN leads into the next one's handler.
void Interpreter::fireTraps() {
    trapPending_ = false;
    std::vector<int> due;
    due.swap(traps_->due);
    if (traps_->dueGen != scanGen_) return;
    try {
        for (auto it = due.rbegin(); it != due.rend(); ++it) {
            TrapRow& row = traps_->rows[static_cast<size_t>(*it)];
            // The row may have been switched since the event came.
            if (row.target.empty() || row.state == TrapRow::Off || row.state == TrapRow::Never) continue;
            if (row.state == TrapRow::Stopped) {
                row.remembered = true;
                continue;
            }
            const int32_t target = trapEntry(*it);
            if (gosub_.size() >= 255) raise(err::OutOfMemory);
            if (*it >= TrapState::FirstComRow)
                traps_->comHandlerDepth[static_cast<size_t>(*it - TrapState::FirstComRow)] =
                    static_cast<int32_t>(gosub_.size());
            gosub_.push_back(cur_ + 1);
            cur_ = target - 1;
        }
    } catch (const BasicError& be) {
        // The failed GOSUB belongs to the statement that was about to run:
        // its line is reported, and RESUME goes on there.
        const int32_t next = cur_ + 1;
        if (next > 0 && static_cast<size_t>(next) < ent_.size())
            cur_ = ent_[next].redirect ? ent_[next].redirect : next;
        // Shown on a row of its own unless ON ERROR takes it.
        if (!(handler_ > 0 && !inHandler_) && screen_.col() != 0) screen_.newline();
        handleError(be);
    }
}

void Interpreter::pollTimers() {
    TrapState& ts = *traps_;
    // A deadline passing in direct mode is acted on when a program runs.
    if (ts.timeDeadline < 0 || !running_) return;
    if (host_.monotonicMs() < ts.timeDeadline) return;
    ts.timeDeadline = -1;
    trapEvent(TrapState::TimeRow);
}

// ----------------------------------------------------------- KEY LIST

// Each function-key string on a row of its own from column 0 of the cursor
// row; a string longer than a row goes on over linked rows, never splitting
// a double-byte character. Control bytes show as blanks.
void Interpreter::keyList() {
    screen_.setCaretVisible(true);
    screen_.setCursor(0, screen_.row());
    for (const std::string& key : fkeys) {
        std::string text = key;
        for (char& c : text)
            if (static_cast<uint8_t>(c) < 0x20) c = ' ';
        std::vector<std::string> pieces;
        size_t i = 0;
        do {
            size_t j = i;
            while (j < text.size() && j - i < TextScreen::Cols) {
                const size_t w = isLead(static_cast<uint8_t>(text[j])) && j + 1 < text.size() ? 2 : 1;
                if (j + w - i > TextScreen::Cols) break;
                j += w;
            }
            pieces.push_back(text.substr(i, j - i));
            i = j;
        } while (i < text.size());
        for (size_t k = 0; k < pieces.size(); ++k) {
            const int r = screen_.row();
            screen_.rowTextMut(r).clear();
            screen_.unlink(r);
            screen_.write(pieces[k]);
            // A full row has already moved the cursor on.
            if (pieces[k].size() < static_cast<size_t>(TextScreen::Cols)) screen_.newline();
            if (k == 0) continue;
            const int lastRow = screen_.row() - 1;
            const int firstRow = std::max(lastRow - static_cast<int>(k), screen_.winTop());
            for (int rr = firstRow; rr <= lastRow; ++rr) screen_.setLink(rr, firstRow, lastRow);
        }
    }
    pending_.clear();
    lineStart_ = true;
    host_.screenChanged();
}

// ----------------------------------------------------------- PEN(n)

// PEN(0): -1 when the button was pressed since the last PEN(0), else 0
// (reading clears it); PEN(1), PEN(2): pixel x and y of the last press;
// PEN(3), PEN(4): its text column and row.
int Interpreter::fnPen(int n) {
    TrapState& ts = *traps_;
    switch (n) {
    case 0: {
        const bool p = ts.penPressed;
        ts.penPressed = false;
        return p ? -1 : 0;
    }
    case 1: return ts.penX;
    case 2: return ts.penY;
    case 3: return ts.penCol;
    case 4: return ts.penRow;
    default: raise(err::IllegalFunctionCall);
    }
}

}  // namespace tw
