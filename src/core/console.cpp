// Console input: the full-screen line editor, Enter, INPUT and the keyboard
// data that INKEY$ and INPUT$ read.
#include <algorithm>

#include "core/interp.h"
#include "core/stmt.h"
#include "eval/numtext.h"

namespace tw {

// -------------------------------------------------------- console input

void Interpreter::keyChar(uint8_t c) {
    lastKey_ = c;
    if (keyCapture_) {
        keyBuffer_.push_back(static_cast<char>(c));
        if (running_) return;
    }
    if (running_ && !inputWaiting_) {
        if (c == 27) doBreak(false);
        return;
    }
    errFlag_ = 0;
    if (pendingLead_) {
        const uint8_t lead = pendingLead_;
        pendingLead_ = 0;
        if (screen_.col() >= TextScreen::Cols - 1) screen_.typeByte(' ', false);
        screen_.typeByte(lead, insertMode_);
        screen_.typeByte(c, insertMode_);
        return;
    }
    switch (c) {
    case 13:
        enter();
        return;
    case 27:
        return;
    case 8: {
        int col = screen_.col();
        if (col > 0) {
            --col;
            screen_.setCursor(col, screen_.row());
            std::string& t = screen_.rowTextMut(screen_.row());
            if (col < static_cast<int>(t.size())) t.erase(static_cast<size_t>(col), 1);
        }
        return;
    }
    case 9:
        return;
    default:
        if (isLead(c)) {
            pendingLead_ = c;
            return;
        }
        screen_.typeByte(c, insertMode_);
    }
}

void Interpreter::keyDown(int vk, bool ctrl) {
    if (vk == KeyPause || (ctrl && vk == 'C')) {
        // The STOP key breaks a running program.
        if (running_) doBreak(false);
        return;
    }
    if (running_ && !inputWaiting_) {
        lastKey_ = vk;
        return;
    }
    const int r = screen_.row();
    const int c = screen_.col();
    switch (vk) {
    case KeyInsert:
        insertMode_ = !insertMode_;
        return;
    case KeyLeft:
        insertMode_ = false;
        if (c > 0) screen_.setCursor(c - 1, r);
        else if (r > 0) {
            screen_.setCursor(79, r - 1);
            screen_.pad(r - 1, 80);
        }
        return;
    case KeyRight:
        insertMode_ = false;
        if (c < 79) {
            screen_.setCursor(c + 1, r);
        } else if (r < 23) {
            screen_.setCursor(0, r + 1);
        }
        return;
    case KeyUp:
        insertMode_ = false;
        if (r > 0) screen_.setCursor(c, r - 1);
        return;
    case KeyDown:
        insertMode_ = false;
        if (r < 23) screen_.setCursor(std::min(c, 79), r + 1);
        return;
    case KeyHome:
        insertMode_ = false;
        screen_.setCursor(0, 0);
        return;
    case KeyDelete: {
        insertMode_ = false;
        std::string& t = screen_.rowTextMut(r);
        if (t.size() < 2) t.clear();
        else if (c < static_cast<int>(t.size())) t.erase(static_cast<size_t>(c), 1);
        return;
    }
    case KeyTab: {
        insertMode_ = false;
        screen_.rowTextMut(r) += "    ";
        screen_.setCursor(std::min(c + 4, 79), r);
        return;
    }
    default:
        return;
    }
}

void Interpreter::functionKey(int n) {
    if (n < 1 || n > 10) return;
    if (running_ && !inputWaiting_) {
        lastKey_ = 0x70 + n - 1;
        return;
    }
    for (char c : fkeys[static_cast<size_t>(n - 1)]) keyChar(static_cast<uint8_t>(c));
}

void Interpreter::mouseClick(int x, int y) {
    const int col = std::clamp(x / 8, 0, 79);
    const int row = y / 16;
    if (row < 0 || row > 24) return;
    if (row == 24 && screen_.fkeyLine()) {
        for (int k = 0; k < 10; ++k)
            if (x > 64 * k + 6 && x < 64 * k + 54) functionKey(k + 1);
        return;
    }
    if (running_ && !inputWaiting_) return;
    if (row <= 23) {
        screen_.pad(row, col);
        screen_.setCursor(col, row);
    }
}

void Interpreter::enter() {
    const int enterCol = screen_.col();
    lineStart_ = true;
    const int row = screen_.row();
    if (inputWaiting_) {
        // The reply is read from the screen, after the prompt.
        std::string text;
        if (row == input_.startRow) {
            const std::string& t = screen_.rowText(row);
            if (input_.startCol < static_cast<int>(t.size()))
                text = t.substr(static_cast<size_t>(input_.startCol),
                                static_cast<size_t>(std::max(0, enterCol - input_.startCol)));
        } else {
            const int first = std::max(0, std::min(input_.startRow, row));
            const std::string& t = screen_.rowText(first);
            if (input_.startCol < static_cast<int>(t.size()))
                text = t.substr(static_cast<size_t>(input_.startCol));
            for (int r = first + 1; r <= row; ++r) text += screen_.rowText(r);
        }
        if (!input_.prompt.empty()) {
            const size_t p = text.find(input_.prompt);
            if (p != std::string::npos) text.erase(0, p + input_.prompt.size());
        }
        for (int r = std::max(0, std::min(input_.startRow, row)); r <= row; ++r) screen_.unlink(r);
        screen_.newline();
        completeInput(std::string(trim(text)));
        return;
    }
    if (trim(screen_.rowText(row)).empty() && screen_.linkFirst(row) < 0) {
        screen_.newline();
        return;
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
        promptOk();
        try {
            contRun();
        } catch (const BasicError& be) {
            handleError(be);
        }
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
            try {
                storeLine(text);
            } catch (const BasicError& be) {
                errCode_ = be.code;
                if (be.code != err::LineBufferOverflow) erl_ = 0;
                errFlag_ = -1;
                writeMessage(be.msg);
            }
            return;
        }
    }
    screen_.newline();
    runDirectLine(text);
}

int Interpreter::takeLastKey() {
    int k = lastKey_;
    lastKey_ = -1;
    if (k < 0) k = host_.pollKey();
    return k < 0 ? 0 : k;
}

bool Interpreter::takeKeys(int n, std::string& out) {
    if (!keyCapture_) {
        keyCapture_ = true;
        keyBuffer_.clear();
    }
    if (static_cast<int>(keyBuffer_.size()) < n) {
        keysWanted_ = true;
        return false;
    }
    out.append(keyBuffer_, 0, static_cast<size_t>(n));
    keyBuffer_.erase(0, static_cast<size_t>(n));
    keyCapture_ = false;
    keysWanted_ = false;
    return true;
}


void Interpreter::stInput(Stmt& s) {
    std::string prompt = s.str;
    if (s.str.empty() || s.promptSep == ';') {
        if (s.code == kw::Input || !s.str.empty()) prompt += s.promptSep == ',' ? "" : "? ";
    }
    if (s.code == kw::LineInput && s.str.empty()) prompt.clear();
    screen_.write(prompt);
    input_.prompt = prompt;
    input_.startRow = screen_.row();
    input_.startCol = screen_.col();
    input_.stmt = &s;
    input_.hold = ent_[cur_].stmt;
    inputWaiting_ = true;
}

void Interpreter::completeInput(std::string text) {
    inputWaiting_ = false;
    lastKey_ = -1;
    Stmt* s = input_.stmt;
    auto hold = input_.hold;
    input_.hold.reset();
    input_.stmt = nullptr;
    if (!s) return;
    try {
        if (s->code == kw::LineInput) {
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

}  // namespace tw
