// The program store, the pre-scan into the execution table, and jump-target
// resolution.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/interp.h"
#include "core/stmt.h"
#include "eval/numtext.h"

namespace tw {

namespace {
constexpr int kCapacity = 65533;
constexpr size_t kMaxIfRows = 4096;
constexpr size_t kMaxLabels = 127;

int32_t leadingNumber(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    int64_t v = 0;
    bool any = false;
    while (i < s.size() && isDigit(s[i])) {
        v = v * 10 + (s[i] - '0');
        if (v > 1000000000) v = 1000000000;
        any = true;
        ++i;
    }
    return any ? static_cast<int32_t>(v) : -1;
}

// Position of a comment start ("'" or "REM") outside quotes, or npos.
size_t commentPos(std::string_view s, size_t from = 0) {
    bool q = false;
    for (size_t i = from; i < s.size(); ++i) {
        if (s[i] == '"') q = !q;
        if (q) continue;
        if (s[i] == '\'') return i;
        if (s.compare(i, 3, "REM") == 0) return i;
    }
    return std::string_view::npos;
}

bool hasUnclosedQuote(std::string_view s) {
    return std::count(s.begin(), s.end(), '"') % 2 != 0;
}

// The statement part of an entry text: from the first "*", "?", "'" or
// character above '@', not at the first position.
size_t statementStart(std::string_view t) {
    for (size_t i = 0; i < t.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(t[i]);
        if (c == '*' || c == '?' || c == '\'' || c > 64) return i == 0 ? std::string_view::npos : i;
    }
    return std::string_view::npos;
}
}  // namespace

std::string Interpreter::entryStatement(const std::string& text) {
    const size_t st = statementStart(text);
    if (st == std::string::npos) return {};
    std::string_view s = std::string_view(text).substr(st);
    const size_t c = commentPos(s);
    if (c != std::string_view::npos && c != 0) s = s.substr(0, c);
    return std::string(s);
}

// ---------------------------------------------------------------- storing

void Interpreter::normalizeLine(std::string& s) {
    bool q = false;
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '"') {
            q = !q;
            continue;
        }
        if (q) continue;
        if (isLead(c)) {
            ++i;
            continue;
        }
        if (c == '\'') return;
        auto upperAt = [&](size_t k, const char* w) {
            for (size_t n = 0; w[n]; ++n) {
                if (k + n >= s.size()) return false;
                const char ch = static_cast<char>(std::toupper(static_cast<unsigned char>(s[k + n])));
                if (ch != w[n]) return false;
            }
            return true;
        };
        const bool rem = upperAt(i, "REM");
        const bool data = upperAt(i, "DATA ");
        if (c >= 'a' && c <= 'z') s[i] = static_cast<char>(c - 32);
        if (rem || data) {
            for (size_t n = 0; n < (rem ? 3u : 4u); ++n)
                s[i + n] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i + n])));
        }
        if (rem || data) {
            // The rest of the statement keeps its case.
            i += rem ? 3 : 5;
            bool q2 = false;
            while (i < s.size()) {
                if (s[i] == '"') q2 = !q2;
                if (s[i] == ':' && !q2 && data) break;
                if (rem && s[i] == ':' && !q2) break;
                ++i;
            }
            if (rem) return;
            --i;
        }
    }
}

static void replaceQuestionMarks(std::string& s) {
    bool q = false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') q = !q;
        if (!q && s[i] == '?') s.replace(i, 1, "PRINT ");
    }
}

void Interpreter::storeLine(std::string text) {
    const size_t cut = text.find_first_of("\r\n");
    if (cut != std::string::npos) text.resize(cut);
    replaceQuestionMarks(text);
    const int32_t n = leadingNumber(text);
    if (n < 1 || n > 65536) throw BasicError{err::OutOfMemory, "Out of memory in 0", true};
    while (!text.empty() && text.back() == ' ') text.pop_back();
    contAllowed_ = false;
    progDirty_ = true;
    bool overflow = false;
    if (text.size() >= 258) {
        text.resize(255);
        overflow = true;
    }
    auto it = std::lower_bound(progNo_.begin(), progNo_.end(), n);
    const size_t idx = static_cast<size_t>(it - progNo_.begin());
    const bool exists = it != progNo_.end() && *it == n;
    // A line holding only its number deletes that line.
    if (!overflow && trim(text) == std::to_string(n)) {
        if (exists) {
            progNo_.erase(it);
            progText_.erase(progText_.begin() + static_cast<long>(idx));
        }
        return;
    }
    if (exists) {
        progText_[idx] = text;
    } else {
        if (progNo_.size() >= 65536) throw BasicError{err::OutOfMemory, "Out of memory in 0", true};
        progNo_.insert(it, n);
        progText_.insert(progText_.begin() + static_cast<long>(idx), text);
    }
    if (overflow) {
        BasicError e{err::LineBufferOverflow, err::message(err::LineBufferOverflow)};
        e.msg += std::to_string(static_cast<int16_t>(n));
        e.noLine = true;
        erl_ = static_cast<int16_t>(n);
        throw e;
    }
}

// --------------------------------------------------------------- pre-scan

int32_t Interpreter::appendEntry(std::string stmtText, int32_t owner, int32_t origin) {
    if (static_cast<int>(ent_.size()) >= kCapacity - 4) raise(err::OutOfMemory);
    Entry e;
    e.line = ent_.back().line + 1;
    e.text = std::to_string(e.line) + " " + stmtText;
    e.owner = owner;
    e.origin = origin;
    ent_.push_back(std::move(e));
    return static_cast<int32_t>(ent_.size() - 1);
}

BasicError Interpreter::lineError(int code, int32_t lineNo) {
    BasicError e{code, err::message(code)};
    e.msg += std::to_string(static_cast<int16_t>(lineNo));
    e.noLine = true;
    erl_ = static_cast<int16_t>(lineNo);
    return e;
}

void Interpreter::checkIfStructure(std::string_view text, int32_t lineNo, bool direct) {
    // A state machine over IF, THEN, ELSE and ":" outside quotes, up to a
    // comment. The letters count anywhere, also inside longer words. IF may
    // stand before any IF, THEN or ELSE of the line or right after an ELSE.
    std::string s = " " + std::string(text);
    enum { None, AfterIf, AfterThen, AfterElse } st = None;
    bool q = false;
    auto fail = [&]() {
        if (direct) raise(err::Syntax);
        throw lineError(err::Syntax, lineNo);
    };
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            q = !q;
            continue;
        }
        if (q) continue;
        if (c == '\'' || s.compare(i, 3, "REM") == 0) break;
        if (s.compare(i, 2, "IF") == 0) {
            if (st != None && st != AfterElse) fail();
            st = AfterIf;
            i += 1;
        } else if (s.compare(i, 4, "THEN") == 0) {
            if (st != AfterIf) fail();
            st = AfterThen;
            i += 3;
        } else if (s.compare(i, 4, "ELSE") == 0) {
            if (st != AfterThen) fail();
            st = AfterElse;
            i += 3;
        } else if (c == ':' && st == AfterIf) {
            fail();
        }
    }
    if (st == AfterIf) fail();
}

void Interpreter::splitInto(int32_t k, std::string copy, int32_t nextLineNo, bool direct) {
    // NEXT lists become single NEXT statements.
    for (;;) {
        bool changed = false;
        bool q = false;
        for (size_t i = 0; i + 4 <= copy.size() && !changed; ++i) {
            if (copy[i] == '"') q = !q;
            if (q || copy.compare(i, 4, "NEXT") != 0) continue;
            int depth = 0;
            for (size_t j = i + 4; j < copy.size(); ++j) {
                const char c = copy[j];
                if (c == ':' || c == '"') break;
                if (c == '(') ++depth;
                if (c == ')') --depth;
                if (c == ',' && depth == 0) {
                    copy[j] = ' ';
                    copy.insert(j, ":NEXT ");
                    changed = true;
                    break;
                }
            }
        }
        if (!changed) break;
    }
    // A label followed by more statement text forms a statement of its own.
    {
        size_t b = 0;
        while (b < copy.size() && copy[b] == ' ') ++b;
        // The copy holds "number blank statement".
        size_t sp = copy.find(' ', b);
        if (sp != std::string::npos) {
            size_t st = sp;
            while (st < copy.size() && copy[st] == ' ') ++st;
            if (st + 1 < copy.size() && copy[st] == '*' && isUpper(copy[st + 1])) {
                size_t e = st;
                while (e < copy.size() && copy[e] != ' ' && copy[e] != ':') ++e;
                if (e < copy.size() && copy[e] == ' ') {
                    size_t r = e;
                    while (r < copy.size() && copy[r] == ' ') ++r;
                    if (r < copy.size() && copy[r] != ':' && copy[r] != '\'' &&
                        copy.compare(r, 3, "REM") != 0)
                        copy[e] = ':';
                }
            }
        }
    }
    if (findOutside(copy, ":") == std::string::npos) {
        if (direct) appendEntry("END", k, k);
        return;
    }
    // Split into statement pieces after the line number.
    const size_t st = statementStart(copy);
    std::string_view body = st == std::string::npos ? std::string_view() : std::string_view(copy).substr(st);
    std::vector<std::string> pieces;
    bool q = false;
    size_t from = 0;
    for (size_t i = 0; i <= body.size(); ++i) {
        if (i < body.size() && body[i] == '"') q = !q;
        if (i == body.size() || (!q && body[i] == ':')) {
            std::string p(trimRight(body.substr(from, i - from)));
            if (!trim(p).empty()) pieces.push_back(p);
            from = i + 1;
        }
    }
    ent_[k].redirect = static_cast<int32_t>(ent_.size());
    for (size_t p = 0; p < pieces.size(); ++p) {
        const int32_t idx = appendEntry(pieces[p], k, k);
        if (p + 1 == pieces.size()) ent_[idx].origin = idx;
    }
    if (pieces.empty()) ent_[k].redirect = static_cast<int32_t>(ent_.size());
    const int32_t last =
        direct ? appendEntry("END", k, k) : appendEntry("GOTO " + std::to_string(nextLineNo), k, k);
    endMarker_ = last;
}

int32_t Interpreter::lineAfter(int32_t entry) const {
    if (entry >= directEntry_ && directEntry_ > 0) return ent_[directEnd_].line;
    return ent_[entry + 1].line;
}

void Interpreter::ifPass(int32_t from, int32_t to) {
    for (int32_t k = from; k <= to; ++k) {
        std::vector<int32_t> stmts;
        if (ent_[k].redirect) {
            // The pieces of the line; the last one is its own origin.
            for (int32_t p = ent_[k].redirect; p < static_cast<int32_t>(ent_.size()); ++p) {
                stmts.push_back(p);
                if (ent_[p].origin == p) break;
            }
        } else {
            stmts.push_back(k);
        }
        // An IF in an ELSE branch ("ELSE IF") gets its own row: it is queued
        // behind the statements of the line.
        const size_t pieceCount = stmts.size();
        for (size_t si = 0; si < stmts.size(); ++si) {
            const int32_t e = stmts[si];
            const bool elseIf = si >= pieceCount;
            const std::string& text = ent_[e].text;
            const size_t st = statementStart(text);
            if (st == std::string::npos || text.compare(st, 3, "IF ") != 0) continue;
            if (ifTable_.size() >= kMaxIfRows) raise(err::OutOfMemory);
            std::string_view body = std::string_view(text).substr(st);
            // Branch texts.
            auto branch = [&](size_t from, bool stopAtElse) -> std::string {
                bool q = false;
                size_t i = from;
                for (; i < body.size(); ++i) {
                    if (body[i] == '"') q = !q;
                    if (q) continue;
                    if (body[i] == ':' || body[i] == '\'' || body[i] == '\r' || body[i] == '\n') break;
                    if (body.compare(i, 3, "REM") == 0) break;
                    if (stopAtElse && body.compare(i, 4, "ELSE") == 0) break;
                }
                if (q) raise(err::Syntax);
                std::string b(trim(body.substr(from, i - from)));
                const bool jump = b.find("GOTO") != std::string::npos ||
                                  b.find("GO TO") != std::string::npos ||
                                  b.find("GOSUB") != std::string::npos;
                if (!jump && !b.empty() && (b[0] == '*' || (isDigit(b[0]) && numtext::atof(b) > 0)))
                    b = "GOTO " + b;
                return b;
            };
            const size_t thenPos = findOutside(body, "THEN");
            const size_t gotoPos = findOutside(body, "GOTO");
            size_t thenStart;
            if (thenPos != std::string_view::npos)
                thenStart = thenPos + 4;
            else if (gotoPos != std::string_view::npos)
                thenStart = gotoPos;
            else
                thenStart = body.size();
            const std::string thenText = branch(thenStart, true);
            const size_t elsePos = findOutside(body, "ELSE", thenStart);
            const bool hasElse = elsePos != std::string_view::npos;
            const int32_t origin = ent_[e].origin;
            const int32_t owner = ent_[e].owner;
            const bool nextIsPiece = !elseIf && si + 1 < pieceCount;
            const int32_t afterIf = ent_[e + 1].line;
            const int32_t afterOwnLine = lineAfter(owner);
            const int32_t afterOrigin = origin == owner ? afterOwnLine : lineAfter(origin);
            const int32_t thenEntry = appendEntry(thenText, owner, origin);
            appendEntry(" GOTO " + std::to_string(hasElse ? afterOwnLine : afterIf), owner, origin);
            if (hasElse) {
                const int32_t elseEntry = appendEntry(branch(elsePos + 4, false), owner, origin);
                const std::string& et = ent_[elseEntry].text;
                const size_t es = statementStart(et);
                if (es != std::string::npos && et.compare(es, 3, "IF ") == 0) stmts.push_back(elseEntry);
            } else
                appendEntry("GOTO " + std::to_string(afterOrigin), owner, origin);
            appendEntry(" GOTO " + std::to_string(hasElse && nextIsPiece ? afterIf : afterOwnLine),
                        owner, origin);
            ifTable_.emplace_back(e, thenEntry);
        }
    }
}

void Interpreter::labelPass() {
    labels_.clear();
    for (size_t k = 1; k < ent_.size(); ++k) {
        if (ent_[k].redirect) continue;
        const std::string& t = ent_[k].text;
        const size_t st = statementStart(t);
        if (st == std::string::npos || t[st] != '*' || st + 1 >= t.size() || !isUpper(t[st + 1]))
            continue;
        size_t e = st;
        while (e < t.size() && t[e] != ' ' && t[e] != '\'' && t[e] != ':' && t[e] != '\r' &&
               t[e] != '\n')
            ++e;
        std::string label = t.substr(st, e - st);
        for (const auto& l : labels_)
            if (l.first == label) {
                // Name the later of the two program lines (a label in a
                // statement piece stands after all program lines).
                const int32_t a = ent_[ent_[l.second].owner].line;
                const int32_t b = ent_[ent_[k].owner].line;
                throw lineError(err::DuplicateLabel, std::max(a, b));
            }
        if (labels_.size() >= kMaxLabels) raise(err::OutOfMemory);
        labels_.emplace_back(std::move(label), static_cast<int32_t>(k));
    }
}

void Interpreter::prescanProgram() {
    ++scanGen_;
    retired_.swap(ent_);
    ent_.assign(1, Entry{});
    ifTable_.clear();
    labels_.clear();
    directEntry_ = directEnd_ = 0;
    const int32_t n = static_cast<int32_t>(progNo_.size());
    for (int32_t k = 0; k < n; ++k) {
        Entry e;
        e.text = progText_[k];
        e.line = progNo_[k];
        e.origin = e.owner = k + 1;
        ent_.push_back(std::move(e));
    }
    progDirty_ = false;
    progScanError_.reset();
    try {
        Entry end;
        end.line = (n > 0 ? progNo_[n - 1] : 0) + 1;
        end.text = std::to_string(end.line) + " END ";
        end.origin = end.owner = n + 1;
        ent_.push_back(std::move(end));
        endMarker_ = n + 1;
        for (int32_t k = 1; k <= n; ++k) {
            std::string copy(trimRight(ent_[k].text));
            ent_[k].text = copy;
            progText_[k - 1] = copy;
            if (copy.find("IF") != std::string::npos) checkIfStructure(copy, ent_[k].line, false);
            const size_t c = commentPos(copy);
            if (c != std::string::npos) copy.resize(c);
            if (hasUnclosedQuote(copy)) throw lineError(err::Syntax, ent_[k].line);
            splitInto(k, copy, ent_[k + 1].line, false);
        }
        ifPass(1, n);
        labelPass();
    } catch (const BasicError& e) {
        progScanError_ = e;
        progEntries_ = static_cast<int32_t>(ent_.size()) - 1;
        throw;
    }
    progEntries_ = static_cast<int32_t>(ent_.size()) - 1;
}

void Interpreter::prescanDirect(std::string_view typed) {
    if (progDirty_) {
        try {
            prescanProgram();
        } catch (const BasicError&) {
            // The program part stays unusable; jumps into it report this error.
        }
    }
    ++scanGen_;
    for (size_t k = static_cast<size_t>(progEntries_) + 1; k < ent_.size(); ++k)
        retired_.push_back(std::move(ent_[k]));
    ent_.resize(static_cast<size_t>(progEntries_) + 1);
    ifTable_.erase(std::remove_if(ifTable_.begin(), ifTable_.end(),
                                  [&](const auto& r) { return r.first > progEntries_; }),
                   ifTable_.end());
    if (static_cast<int>(ent_.size()) >= kCapacity - 6) raise(err::OutOfMemory);
    std::string text(typed);
    replaceQuestionMarks(text);
    const int32_t d = appendEntry(text, 0, 0);
    ent_[d].owner = ent_[d].origin = d;
    directEntry_ = d;
    std::string copy = ent_[d].text;
    if (copy.find("IF") != std::string::npos) checkIfStructure(text, 0, true);
    const size_t c = commentPos(copy, copy.find(' ') + 1);
    if (c != std::string::npos) copy.resize(c);
    if (hasUnclosedQuote(copy)) raise(err::Syntax);
    directEnd_ = d + 1;  // provisional, fixed below
    splitInto(d, copy, 0, true);
    directEnd_ = static_cast<int32_t>(ent_.size()) - 1;
    ifPass(d, d);
    // Labels typed in a direct line are not collected.
}

// ------------------------------------------------------------ jump targets

int Interpreter::findLineIndex(int32_t lineNo) const {
    auto it = std::lower_bound(progNo_.begin(), progNo_.end(), lineNo);
    if (it == progNo_.end() || *it != lineNo) return -1;
    return static_cast<int>(it - progNo_.begin()) + 1;
}

int Interpreter::resolveTarget(std::string_view token) {
    size_t i = 0;
    while (i < token.size() && token[i] == ' ') ++i;
    size_t e = i;
    while (e < token.size() && token[e] != ' ' && token[e] != ':' && token[e] != '\'' &&
           token[e] != '\r' && token[e] != '\n')
        ++e;
    std::string_view tok = token.substr(i, e - i);
    if (!tok.empty() && tok[0] == '*') {
        for (const auto& l : labels_)
            if (l.first == tok) return l.second;
        raise(err::UndefinedLabel);
    }
    const int32_t n = leadingNumber(tok);
    if (n < 1 || tok.empty() || !isDigit(tok[0])) raise(err::Syntax);
    int found = -1;
    // Program lines come first; they are sorted, synthetic entries follow.
    if (!progDirty_) {
        const int idx = findLineIndex(n);
        if (idx > 0 && static_cast<size_t>(idx) < ent_.size() && ent_[idx].line == n) found = idx;
    }
    for (size_t k = 1; found < 0 && k < ent_.size(); ++k)
        if (ent_[k].line == n) found = static_cast<int>(k);
    if (found < 0) raise(err::UndefinedLine);
    if (progScanError_ && found <= progEntries_) throw *progScanError_;
    return found;
}

}  // namespace tw
