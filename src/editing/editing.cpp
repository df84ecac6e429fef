// LIST, LLIST, DELETE, AUTO, EDIT and RENUM, and the dispatch of the
// editing and program-file statements.
#include "editing/editing.h"

#include <algorithm>
#include <climits>

#include "core/interp.h"
#include "core/stmt.h"
#include "editing/editops.h"
#include "editing/renum.h"
#include "eval/numtext.h"

namespace tw {

namespace {

// Lines a LIST shows per step of the run loop.
constexpr int kListPerStep = 40;

bool leadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool trailByte(uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// Rows the screen needs for `text` written from column 0 (the wrapping of
// TextScreen::write: a double-byte character never straddles two rows).
int rowsNeeded(std::string_view text) {
    int col = 0;
    int rows = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t b = static_cast<uint8_t>(text[i]);
        if (b < 0x20) {
            if (b == 9) {
                col = (col / 8 + 1) * 8;
                if (col >= TextScreen::Cols && i + 1 < text.size()) {
                    ++rows;
                    col = 0;
                }
            }
            continue;
        }
        const int n = leadByte(b) && i + 1 < text.size() && trailByte(static_cast<uint8_t>(text[i + 1])) ? 2 : 1;
        if (n == 2 && col == TextScreen::Cols - 1) {
            ++rows;
            col = 0;
        }
        col += n;
        i += static_cast<size_t>(n - 1);
        if (col >= TextScreen::Cols && i + 1 < text.size()) {
            ++rows;
            col = 0;
        }
    }
    return rows;
}

std::string_view afterBlanks(std::string_view t) {
    size_t i = 0;
    while (i < t.size() && t[i] == ' ') ++i;
    return t.substr(i);
}

// "Syntax error in " with line 0: a typed line shows it without " in ".
[[noreturn]] void syntaxErrorLineZero(bool typed, int& erl) {
    if (typed) raise(err::Syntax);
    erl = 0;
    throw BasicError{err::Syntax, "Syntax error in 0", true};
}

}  // namespace

std::string_view operandOf(const Stmt& s) { return std::string_view(s.text).substr(std::min(s.argPos, s.text.size())); }

std::vector<std::string> listingRows(const std::string& text) {
    std::vector<std::string> rows;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        size_t len = std::min<size_t>(80, n - i);
        if (n - i > 80) {
            // Does the 80th byte start a double-byte character?
            const size_t pos = i + 79;
            size_t k = i;
            while (k < pos) k += leadByte(static_cast<uint8_t>(text[k])) ? 2 : 1;
            if (text[pos] == '\0' || (k == pos && leadByte(static_cast<uint8_t>(text[pos])))) len = 81;
        }
        rows.push_back(text.substr(i, len));
        i += len;
    }
    if (rows.empty()) rows.emplace_back();
    return rows;
}

// ------------------------------------------------------------ dispatch

bool Interpreter::prepareEditing(Stmt& s) {
    switch (s.code) {
    case kw::List:
    case kw::Llist:
    case kw::Delete:
    case kw::Del:
    case kw::Auto:
    case kw::Edit:
    case kw::Renum:
    case kw::Ren:
    case kw::Load:
    case kw::Save:
    case kw::Merge:
    case kw::Chain:
    case kw::Common:
    case kw::Kill:
    case kw::Name:
        // Operands are read when the statement runs: ranges and labels
        // depend on the program of that moment.
        return true;
    default:
        return false;
    }
}

bool Interpreter::executeEditing(Stmt& s) {
    switch (s.code) {
    case kw::List: EditingOps::list(*this, s, false); return true;
    case kw::Llist: EditingOps::list(*this, s, true); return true;
    case kw::Delete:
    case kw::Del: EditingOps::deleteLines(*this, s); return true;
    case kw::Auto: EditingOps::autoStart(*this, s); return true;
    case kw::Edit: EditingOps::edit(*this, s); return true;
    case kw::Renum:
    case kw::Ren: EditingOps::renum(*this, s); return true;
    case kw::Load: EditingOps::load(*this, operandOf(s), false); return true;
    case kw::Save: EditingOps::save(*this, s); return true;
    case kw::Merge: EditingOps::merge(*this, s); return true;
    case kw::Chain: EditingOps::chain(*this, s); return true;
    case kw::Common: EditingOps::common(*this, s); return true;
    case kw::Kill: EditingOps::kill(*this, s); return true;
    case kw::Name: EditingOps::name(*this, s); return true;
    default: return false;
    }
}

// ----------------------------------------------------------- the screen

void EditingOps::showLine(Interpreter& in, const std::string& text, bool forEdit) {
    TextScreen& sc = in.screen_;
    if (sc.col() != 0) sc.newline();
    const int rows = rowsNeeded(text);
    sc.write(text);
    // A text that filled its last row has already moved the cursor on.
    const bool filled = sc.col() == 0 && !text.empty();
    int last;
    if (filled) {
        last = sc.row() - 1;
    } else if (forEdit) {
        last = sc.row();
    } else {
        sc.newline();
        last = sc.row() - 1;
    }
    if (forEdit && filled) {
        // Typing goes on in the row below: it belongs to the line.
        last = sc.row();
    }
    const int textRows = rows + (forEdit && filled ? 1 : 0);
    const int first = std::max(last - textRows + 1, sc.winTop());
    // The rows form one logical line, whatever they belonged to before.
    if (last > first)
        for (int r = first; r <= last; ++r) sc.setLink(r, first, last);
    else if (last >= 0)
        sc.unlink(last);
    in.lineStart_ = !forEdit;
}

// ----------------------------------------------------------------- LIST

void EditingOps::list(Interpreter& in, Stmt& s, bool printer) {
    EditState& st = *in.edit_;
    const bool resuming = !printer && st.listing && st.listGen == in.scanGen_ && st.listEntry == in.cur_;
    if (!resuming) {
        std::string_view r = operandOf(s);
        const size_t cut = r.find_first_of(":'\r\n");
        if (cut != std::string_view::npos) r = r.substr(0, cut);
        const size_t dash = r.find('-');
        std::string_view fromText = dash == std::string_view::npos ? r : r.substr(0, dash);
        std::string_view toText = dash == std::string_view::npos ? r : r.substr(dash + 1);
        auto bound = [&](std::string_view t) -> int32_t {
            t = trim(t);
            if (t.empty()) return 0;
            if (t[0] == '*') {
                const size_t e = t.find(' ');
                const std::string_view label = t.substr(0, e);
                for (const auto& l : in.labels_)
                    if (l.first == label) {
                        const int32_t owner = in.ent_[static_cast<size_t>(l.second)].owner;
                        return in.ent_[static_cast<size_t>(owner > 0 ? owner : l.second)].line;
                    }
                raise(err::UndefinedLabel);
            }
            return std::max<int32_t>(numtext::atoi(t), 0);
        };
        const int32_t from = bound(fromText);
        const int32_t to = bound(toText);
        const auto it = std::lower_bound(in.progNo_.begin(), in.progNo_.end(), from == 0 ? INT32_MIN : from);
        st.listNext = static_cast<size_t>(it - in.progNo_.begin());
        st.listTo = to == 0 ? INT32_MAX : to;
    }
    if (printer) {
        std::string out;
        for (size_t i = st.listNext; i < in.progNo_.size() && in.progNo_[i] <= st.listTo; ++i)
            for (const std::string& row : listingRows(in.progText_[i])) out += row + "\r\n";
        st.listing = false;
        if (!out.empty()) in.printerWrite(out);
        return;
    }
    int shown = 0;
    while (st.listNext < in.progNo_.size() && in.progNo_[st.listNext] <= st.listTo) {
        if (shown == kListPerStep) {
            // More to come: this statement runs again at the next step.
            st.listing = true;
            st.listGen = in.scanGen_;
            st.listEntry = in.cur_;
            --in.cur_;
            return;
        }
        showLine(in, in.progText_[st.listNext], false);
        ++st.listNext;
        ++shown;
    }
    st.listing = false;
    in.lineStart_ = true;
}

// --------------------------------------------------------------- DELETE

void EditingOps::deleteLines(Interpreter& in, Stmt& s) {
    std::string_view r = trim(operandOf(s));
    const size_t dash = r.find('-');
    int32_t from, to;
    if (dash == std::string_view::npos) {
        if (r.empty()) syntaxErrorLineZero(in.inDirectLine(), in.erl_);
        // One number deletes that line alone.
        from = to = numtext::atoi(r);
        if (from < 1) return;
    } else {
        const std::string_view a = trim(r.substr(0, dash));
        const std::string_view b = trim(r.substr(dash + 1));
        if (a.empty() && b.empty()) syntaxErrorLineZero(in.inDirectLine(), in.erl_);
        from = a.empty() ? 0 : numtext::atoi(a);
        to = b.empty() ? 0 : numtext::atoi(b);
        if (from <= 0) from = INT32_MIN;
        if (to <= 0) to = INT32_MAX;
    }
    auto first = std::lower_bound(in.progNo_.begin(), in.progNo_.end(), from);
    auto last = std::upper_bound(first, in.progNo_.end(), to);
    if (first == last) return;
    const auto a = first - in.progNo_.begin();
    const auto b = last - in.progNo_.begin();
    in.progNo_.erase(first, last);
    in.progText_.erase(in.progText_.begin() + a, in.progText_.begin() + b);
    in.progDirty_ = true;
    in.contAllowed_ = false;
}

// ----------------------------------------------------------------- AUTO

void EditingOps::autoStart(Interpreter& in, Stmt& s) {
    std::string_view r = operandOf(s);
    const size_t comma = r.find(',');
    std::string_view startText = comma == std::string_view::npos ? r : r.substr(0, comma);
    std::string_view stepText = comma == std::string_view::npos ? std::string_view() : r.substr(comma + 1);
    auto value = [](std::string_view t) {
        t = afterBlanks(t);
        const int32_t v = t.empty() ? 0 : numtext::atoi(t);
        return v < 1 ? 10 : v;
    };
    in.autoLine_ = value(startText);
    in.autoStep_ = value(stepText);
    TextScreen& sc = in.screen_;
    if (sc.col() != 0) sc.newline();
    sc.write(std::to_string(in.autoLine_) + " ");
    in.lineStart_ = false;
    // The console now waits for the line; no "OK" is written.
    in.stopRun();
}

void Interpreter::autoEnter(const std::string& text) {
    size_t digits = 0;
    while (digits < text.size() && isDigit(text[digits])) ++digits;
    int64_t n = 0;
    for (size_t k = 0; k < digits && n < 1000000000; ++k) n = n * 10 + (text[k] - '0');
    if (n < 1) {
        // A line without a number ends AUTO and runs as typed.
        autoLine_ = 0;
        screen_.newline();
        if (text == "CONT") {
            typedCont();
            return;
        }
        runDirectLine(text);
        return;
    }
    if (text == std::to_string(autoLine_)) {
        // The offered number alone ends AUTO.
        autoLine_ = 0;
        screen_.newline();
        lineStart_ = true;
        promptBreak(0);
        return;
    }
    screen_.newline();
    const int64_t next = static_cast<int64_t>(autoLine_) + autoStep_;
    if (next > 65529) {
        // Past the last number: the line is not stored and AUTO ends.
        autoLine_ = 0;
        errCode_ = err::OutOfMemory;
        erl_ = 0;
        errFlag_ = -1;
        writeMessage("Out of memory 0");
        return;
    }
    if (digits < text.size() && text[digits] != ' ') {
        // As for any typed line; the same number is offered again.
        errCode_ = err::Syntax;
        erl_ = 0;
        writeMessage("Syntax error ");
        screen_.write(std::to_string(autoLine_) + " ");
        lineStart_ = false;
        return;
    }
    storeTypedLine(text);
    autoLine_ = static_cast<int32_t>(next);
    screen_.write(std::to_string(autoLine_) + " ");
    lineStart_ = false;
}

bool Interpreter::autoBreak() {
    if (autoLine_ <= 0) return false;
    // What stands on the row is not stored.
    autoLine_ = 0;
    screen_.newline();
    lineStart_ = true;
    promptBreak(0);
    return true;
}

// ----------------------------------------------------------------- EDIT

void EditingOps::edit(Interpreter& in, Stmt& s) {
    const int32_t n = numtext::atoi(operandOf(s));
    const int idx = in.findLineIndex(n);
    if (idx < 1) return;
    showLine(in, in.progText_[static_cast<size_t>(idx - 1)], true);
    // The line waits on the console to be changed and entered; no "OK".
    in.stopRun();
}

// ---------------------------------------------------------------- RENUM

void EditingOps::renum(Interpreter& in, Stmt& s) {
    const std::string_view r = operandOf(s);
    std::vector<std::string_view> fields;
    size_t from = 0;
    for (;;) {
        const size_t comma = r.find(',', from);
        fields.push_back(r.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from));
        if (comma == std::string_view::npos) break;
        from = comma + 1;
    }
    auto field = [&](size_t k) -> int64_t {
        if (k >= fields.size()) return 0;
        const std::string_view t = trim(fields[k]);
        return t.empty() ? 0 : numtext::atoi(t);
    };
    int64_t first = field(0);
    const int64_t old = field(1);
    int64_t step = field(2);
    if (first < 1) first = 10;
    if (step < 1) step = 10;
    const RenumResult res = renumber(in.progNo_, in.progText_, first, old, step);
    switch (res.status) {
    case RenumResult::TooHigh:
        in.erl_ = 0;
        throw BasicError{err::Syntax, "Syntax error ", true};
    case RenumResult::OutOfOrder:
        raise(err::IllegalFunctionCall);
    case RenumResult::NothingToDo:
        return;
    case RenumResult::Done:
        break;
    }
    in.progDirty_ = true;
    in.contAllowed_ = false;
    for (const auto& u : res.undefined) {
        in.errCode_ = err::UndefinedLine;
        in.erl_ = static_cast<int16_t>(u.line);
        in.writeMessage(err::message(err::UndefinedLine) + std::to_string(u.line));
    }
}

}  // namespace tw
