// Console input: the full-screen line editor, Enter, INPUT and the keyboard
// data that INKEY$ and INPUT$ read.
//
// Keys reach the core only through keyChar, keyDown, keyUp, functionKey and
// mouseClick. While a program runs (and no INPUT waits) keys do not edit the
// screen: they set the INKEY$ latch, feed a waiting INPUT$ and raise event
// traps; ESC breaks the run.
#include <algorithm>

#include "core/interp.h"
#include "core/stmt.h"
#include "eval/funcglue.h"
#include "core/traps.h"
#include "eval/numtext.h"

namespace tw {

namespace {

constexpr int kLastCol = TextScreen::Cols - 1;

// Start column of the character that covers column c of a row text; a
// double-byte pair covers two columns. Columns past the text stand alone.
int charStart(const std::string& t, int c) {
    const int size = static_cast<int>(t.size());
    int i = 0;
    while (i < c && i < size) {
        const int w = isLead(static_cast<uint8_t>(t[static_cast<size_t>(i)])) && i + 1 < size ? 2 : 1;
        if (i + w > c) return i;
        i += w;
    }
    return c;
}

// Width of the character that starts at column c (inside the text).
int charWidth(const std::string& t, int c) {
    return c + 1 < static_cast<int>(t.size()) && isLead(static_cast<uint8_t>(t[static_cast<size_t>(c)])) ? 2
                                                                                                          : 1;
}

bool isTrail(uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

}  // namespace

// -------------------------------------------------------- console input

void Interpreter::keyChar(uint8_t c) {
    lastKey_ = c;
    if (keyCapture_) {
        if (running_) {
            keyBuffer_.push_back(static_cast<char>(c));
            // ESC still breaks the run.
            if (c == 27) breakAtKey();
            return;
        }
        // A capture left over from a run that was stopped.
        keyCapture_ = keysWanted_ = false;
    }
    if (running_ && !inputWaiting_) {
        if (c == 27) breakAtKey();
        return;
    }
    errFlag_ = 0;
    if (inputWaiting_) keyBuffer_.push_back(static_cast<char>(c));
    if (pendingLead_) {
        const uint8_t lead = pendingLead_;
        pendingLead_ = 0;
        if (isTrail(c)) {
            typeChar(lead, c);
            host_.screenChanged();
            return;
        }
        // Not a second byte: the lone first byte is dropped.
    }
    switch (c) {
    case 13:
        enter();
        break;
    case 27:
        // ESC breaks a waiting INPUT, or ends AUTO.
        if (inputWaiting_)
            breakAtKey();
        else
            autoBreak();
        break;
    case 8:
        backspace();
        break;
    default:
        // Other control bytes are never stored in a row (Tab works on key
        // down).
        if (c < 0x20) break;
        if (isLead(c)) {
            pendingLead_ = c;
            break;
        }
        typeChar(c, 0);
    }
    host_.screenChanged();
}

void Interpreter::typeChar(uint8_t b0, uint8_t b1) {
    const int n = b1 ? 2 : 1;

    // Stores one byte; past column 79 the line wraps onto the next row.
    auto put = [&](uint8_t b) {
        const int r0 = screen_.row();
        const bool wraps = screen_.col() >= kLastCol;
        // A row that already continues this logical line keeps its text and
        // the line keeps its length when typing passes the end of the row.
        const int first = screen_.linkFirst(r0);
        const int last = screen_.linkLast(r0);
        const bool keep = wraps && first >= 0 && last > r0 && r0 < screen_.lastScrollRow();
        const std::string saved = keep ? screen_.rowText(r0 + 1) : std::string();
        screen_.typeByte(b, insertMode_);
        if (!wraps) return;
        if (keep) {
            screen_.rowTextMut(r0 + 1) = saved;
            for (int r = first; r <= last; ++r) screen_.setLink(r, first, last);
        } else if (screen_.row() == r0 && inputWaiting_) {
            // The console window scrolled: the INPUT prompt row moved up.
            --input_.startRow;
        }
    };

    // A character typed over part of a double-byte pair blanks the other
    // half, so a row never holds a broken pair.
    auto mendPairs = [&]() {
        std::string& t = screen_.rowTextMut(screen_.row());
        const int c = screen_.col();
        const int size = static_cast<int>(t.size());
        if (c >= size) return;
        const int s = charStart(t, c);
        if (s < c) {
            if (insertMode_) {
                // Insert before the pair instead of inside it.
                screen_.setCursor(s, screen_.row());
                return;
            }
            t[static_cast<size_t>(s)] = ' ';
        }
        if (insertMode_) return;
        const int e = c + n - 1;  // last column overwritten
        if (e < size && charStart(t, e) == e && charWidth(t, e) == 2) t[static_cast<size_t>(e + 1)] = ' ';
    };

    mendPairs();
    if (n == 2 && screen_.col() >= kLastCol) {
        // A pair never straddles two rows: it starts the next one.
        put(' ');
        mendPairs();
    }
    const int row = screen_.row();
    put(b0);
    if (n == 2) put(b1);
    if (insertMode_ && screen_.row() == row) {
        // Inserting pushed the end of the row past column 79; a first byte
        // left alone there is blanked.
        std::string& t = screen_.rowTextMut(row);
        if (static_cast<int>(t.size()) == TextScreen::Cols && charStart(t, kLastCol) == kLastCol &&
            isLead(static_cast<uint8_t>(t[kLastCol])))
            t[kLastCol] = ' ';
    }
}

void Interpreter::backspace() {
    int r = screen_.row();
    int c = screen_.col();
    if (c == 0) {
        // At the start of a row that continues a logical line, Backspace
        // goes on at the end of the row above.
        const int first = screen_.linkFirst(r);
        if (r == 0 || first < 0 || first >= r) return;
        --r;
        c = TextScreen::Cols;
    }
    std::string& t = screen_.rowTextMut(r);
    int p = c - 1;
    if (p < static_cast<int>(t.size())) {
        p = charStart(t, p);
        t.erase(static_cast<size_t>(p), static_cast<size_t>(charWidth(t, p)));
    }
    screen_.setCursor(p, r);
}

void Interpreter::keyDown(int vk, bool ctrl) {
    (void)ctrl;
    if (vk >= KeyF1 && vk < KeyF1 + 10) {
        functionKey(vk - KeyF1 + 1);
        return;
    }
    switch (vk) {
    case KeyBack:
    case KeyTab:
    case KeyPause:
    case KeyHome:
    case KeyLeft:
    case KeyUp:
    case KeyRight:
    case KeyDown:
    case KeyDelete:
        insertMode_ = false;
        break;
    case KeyInsert:
        insertMode_ = !insertMode_;
        break;
    default:
        break;
    }
    if (vk == KeyPause) {
        stopKey();
        return;
    }
    if (vk != KeyCtrl) lastKey_ = vk;
    if (running_ && !inputWaiting_) return;
    errFlag_ = 0;
    const int r = screen_.row();
    const int c = screen_.col();
    switch (vk) {
    case KeyTab: {
        // Four blanks go to the end of the row; the cursor moves four on.
        std::string& t = screen_.rowTextMut(r);
        t.append(4, ' ');
        if (t.size() > static_cast<size_t>(TextScreen::Cols)) t.resize(TextScreen::Cols);
        screen_.setCursor(std::min(c + 4, kLastCol), r);
        break;
    }
    case KeyPageUp:
        host_.scrollView(Host::ScrollPageUp);
        break;
    case KeyPageDown:
        host_.scrollView(Host::ScrollPageDown);
        break;
    case KeyHome:
        host_.scrollView(Host::ScrollHome);
        screen_.setCursor(0, 0);
        break;
    case KeyLeft:
        if (c > 0) {
            screen_.setCursor(charStart(screen_.rowText(r), c - 1), r);
        } else if (r > 0) {
            // To the end of the row above; at row 0 the cursor stays.
            screen_.pad(r - 1, TextScreen::Cols);
            screen_.setCursor(charStart(screen_.rowText(r - 1), kLastCol), r - 1);
        }
        break;
    case KeyRight: {
        const std::string& t = screen_.rowText(r);
        const int next = c + (c < static_cast<int>(t.size()) ? charWidth(t, c) : 1);
        if (next <= kLastCol) {
            screen_.setCursor(next, r);
            if (static_cast<int>(t.size()) < next) screen_.pad(r, TextScreen::Cols);
        } else if (r < 23) {
            screen_.setCursor(0, r + 1);
        }
        break;
    }
    case KeyUp:
        if (r > 0) screen_.setCursor(c, r - 1);
        break;
    case KeyDown:
        if (r < 23) screen_.setCursor(std::min(c, kLastCol), r + 1);
        break;
    case KeyDelete: {
        std::string& t = screen_.rowTextMut(r);
        if (t.size() < 2) {
            t.clear();
        } else if (c < static_cast<int>(t.size())) {
            const int s = charStart(t, c);
            t.erase(static_cast<size_t>(s), static_cast<size_t>(charWidth(t, s)));
            if (s != c) screen_.setCursor(s, r);
        }
        break;
    }
    default:
        break;
    }
    host_.screenChanged();
}

void Interpreter::keyUp(int vk, bool ctrl) {
    if (ctrl && (vk == 'C' || vk == 'c')) stopKey();
}

// The STOP key (Pause, or Ctrl+C on release). While a program runs, an
// armed ON STOP GOSUB takes it (a stopped row remembers it); otherwise it
// breaks the program as ESC does. In direct mode it ends AUTO and is
// otherwise ignored.
void Interpreter::stopKey() {
    if (!running_) {
        autoBreak();
        return;
    }
    const int taken = trapEvent(TrapState::StopRow);
    if (taken == 1) {
        // The handler runs first; a waiting INPUT$ starts its capture again
        // when the statement is run again after it.
        keyCapture_ = keysWanted_ = false;
    }
    if (taken) return;
    breakAtKey();
}

void Interpreter::breakAtKey() {
    keyCapture_ = keysWanted_ = false;
    pendingLead_ = 0;
    if (!running_) return;
    if (inputWaiting_) {
        // The break names the INPUT line and CONT asks again.
        --cur_;
        input_.stmt = nullptr;
        input_.hold.reset();
        screen_.newline();
        lineStart_ = true;
    }
    doBreak(false);
}

void Interpreter::functionKey(int n) {
    if (n < 1 || n > 10) return;
    lastKey_ = KeyF1 + n - 1;
    if (running_ && trapEvent(TrapState::FirstKeyRow + n - 1)) return;
    if (running_ && !inputWaiting_) return;
    // The string is typed byte by byte; a carriage return in it enters
    // the line.
    const std::string text = fkeys[static_cast<size_t>(n - 1)];
    for (char c : text) keyChar(static_cast<uint8_t>(c));
}

void Interpreter::mouseClick(int x, int y) {
    if (x < 0 || y < 0) return;
    const int col = std::clamp(x / TextScreen::CellWidth, 0, kLastCol);
    const int row = y / TextScreen::CellHeight;
    if (row > TextScreen::FkeyRow) return;
    TrapState& ts = *traps_;
    ts.penPressed = true;
    ts.penX = x;
    ts.penY = y;
    ts.penCol = col;
    ts.penRow = row;
    if (running_) trapEvent(TrapState::PenRow);
    if (row == TextScreen::FkeyRow && screen_.fkeyLine()) {
        for (int k = 0; k < 10; ++k) {
            if (x > 64 * k + 6 && x < 64 * k + 54) {
                if (!running_ || inputWaiting_) screen_.pad(screen_.row(), screen_.col());
                functionKey(k + 1);
            }
        }
        return;
    }
    // During a run the cursor belongs to the program.
    if (running_ && !inputWaiting_) return;
    if (row <= 23) {
        screen_.pad(row, col);
        screen_.setCursor(col, row);
        host_.screenChanged();
    }
}

void Interpreter::enter() {
    const int enterCol = screen_.col();
    lineStart_ = true;
    const int row = screen_.row();
    if (inputWaiting_) {
        // The reply is read from the screen: from the column where typing
        // started to the Enter column on one row, or the rest of the prompt
        // row and the whole rows below it up to the Enter row.
        int startRow = input_.startRow;
        int startCol = input_.startCol;
        if (startRow < 0) {
            // The prompt row scrolled away: the reply starts at the top.
            startRow = screen_.winTop();
            startCol = 0;
        }
        std::string text;
        if (row == startRow) {
            const std::string& t = screen_.rowText(row);
            if (startCol < static_cast<int>(t.size()))
                text = t.substr(static_cast<size_t>(startCol),
                                static_cast<size_t>(std::max(0, enterCol - startCol)));
        } else {
            const int first = std::min(startRow, row);
            const std::string& t = screen_.rowText(first);
            if (startCol < static_cast<int>(t.size())) text = t.substr(static_cast<size_t>(startCol));
            for (int r = first + 1; r <= row; ++r) text += screen_.rowText(r);
        }
        if (!input_.prompt.empty()) {
            const size_t p = text.find(input_.prompt);
            if (p != std::string::npos) text.erase(0, p + input_.prompt.size());
        }
        for (int r = std::min(startRow, row); r <= row; ++r) screen_.unlink(r);
        screen_.newline();
        completeInput(std::string(trim(text)));
        host_.screenChanged();
        return;
    }
    if (trim(screen_.rowText(row)).empty() && screen_.linkFirst(row) < 0) {
        screen_.newline();
        return;
    }
    {
        // Trailing blanks of the Enter row are not part of the line.
        std::string& t = screen_.rowTextMut(row);
        t.resize(trimRight(t).size());
    }
    std::string text(trim(screen_.takeLogicalLine()));
    normalizeLine(text);
    text = std::string(trim(text));
    if (autoLine_ > 0) {
        autoEnter(text);
        return;
    }
    if (text == "CONT") {
        screen_.newline();
        typedCont();
        return;
    }
    // A leading line number stores the line.
    size_t i = 0;
    while (i < text.size() && isDigit(text[i])) ++i;
    if (i > 0) {
        int64_t n = 0;
        for (size_t k = 0; k < i && n < 1000000000; ++k) n = n * 10 + (text[k] - '0');
        if (n >= 1) {
            screen_.newline();
            if (i < text.size() && text[i] != ' ') {
                writeMessage("Syntax error ");
                errCode_ = err::Syntax;
                erl_ = 0;
                return;
            }
            storeTypedLine(text);
            return;
        }
    }
    screen_.newline();
    // The Enter that starts a direct line is not a key for the program.
    lastKey_ = -1;
    runDirectLine(text);
}

int Interpreter::takeLastKey() {
    int k = lastKey_;
    lastKey_ = -1;
    if (k < 0) {
        k = host_.pollKey();
        // A scripted key without a character reaches the latch instead.
        if (k < 0 && lastKey_ >= 0) {
            k = lastKey_;
            lastKey_ = -1;
        }
    }
    if (k < 0) ++keyMisses_;
    return k < 0 ? 0 : k;
}

bool Interpreter::takeKeys(int n, std::string& out) {
    if (!keyCapture_) {
        keyCapture_ = true;
        keyBuffer_.clear();
    }
    if (static_cast<int>(keyBuffer_.size()) < n) {
        keysWanted_ = true;
        ++keyMisses_;
        return false;
    }
    out.append(keyBuffer_, 0, static_cast<size_t>(n));
    keyBuffer_.erase(0, static_cast<size_t>(n));
    keyCapture_ = false;
    keysWanted_ = false;
    return true;
}

// INPUT and LINE INPUT: the prompt ("? " after no prompt or a prompt and
// ";", nothing after a prompt and ","), then the run waits until Enter
// completes the reply (completeInput).
void Interpreter::stInput(Stmt& s) {
    keyBuffer_.clear();
    std::string prompt = s.str;
    if (s.promptSep != ',') prompt += "? ";
    screen_.write(prompt);
    input_.prompt = prompt;
    input_.startRow = screen_.row();
    input_.startCol = screen_.col();
    input_.stmt = &s;
    input_.hold = ent_[cur_].stmt;
    inputWaiting_ = true;
}

// The reply is split at commas outside double quotes (LINE INPUT takes it
// whole); each piece, trimmed and without enclosing quotes, goes to the next
// variable. A numeric variable takes the number the piece starts with, as
// READ and INPUT # do ("12AB" gives 12, "AB" gives 0). Variables without a
// piece keep their values; pieces without a variable are dropped.
void Interpreter::completeInput(std::string text) {
    inputWaiting_ = false;
    lastKey_ = -1;
    Stmt* s = input_.stmt;
    auto hold = input_.hold;
    input_.hold.reset();
    input_.stmt = nullptr;
    if (!s) return;
    try {
        if (s->code == kw::Randomize) {
            glue_->random().randomizeTyped(text);
        } else if (s->code == kw::LineInput) {
            store(*s->targets[0], Value::string(text));
        } else {
            std::vector<std::string> pieces;
            bool q = false;
            std::string cur;
            for (char c : text) {
                if (c == '"') q = !q;
                if (c == ',' && !q) {
                    pieces.push_back(cur);
                    cur.clear();
                } else {
                    cur.push_back(c);
                }
            }
            pieces.push_back(cur);
            for (size_t i = 0; i < s->targets.size() && i < pieces.size(); ++i) {
                std::string p(trim(pieces[i]));
                if (p.size() >= 2 && p.front() == '"' && p.back() == '"') p = p.substr(1, p.size() - 2);
                const Expr& t = *s->targets[i];
                const bool isStr = t.kind == Expr::Var ? findVar(t)->type == VType::Str
                                                       : arrayFor(t)->type == VType::Str;
                if (isStr)
                    store(t, Value::string(p));
                else
                    store(t, Value::dbl(numtext::atof(p)));
            }
        }
    } catch (const BasicError& be) {
        handleError(be);
    }
}

// Stores a typed numbered line; a storing error is shown at once.
void Interpreter::storeTypedLine(const std::string& text) {
    try {
        storeLine(text);
    } catch (const BasicError& be) {
        errCode_ = be.code;
        if (be.code != err::LineBufferOverflow) erl_ = 0;
        errFlag_ = -1;
        writeMessage(be.msg);
    }
}

}  // namespace tw
