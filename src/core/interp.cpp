// The run loop, the error state, prompts, console input and direct mode.
#include "core/interp.h"

#include <algorithm>

#include "core/stmt.h"
#include "eval/functions.h"
#include "eval/numtext.h"
#include "eval/funcglue.h"
#include "core/traps.h"
#include "editing/editing.h"
#include "io/files.h"
#include "screen/graphics.h"

namespace tw {

Interpreter::Interpreter(Host& host) : host_(host) {
    defType_.fill(127);
    screen_.onScrollOff = [this](const std::string& row) {
        host_.rowScrolledOff(std::string(trimRight(row)));
    };
    screen_.onBeep = [this]() { host_.beep(); };
    glue_ = std::make_unique<FunctionGlue>(*this);
    gfx_ = std::make_unique<GraphicsState>();
    files_ = std::make_unique<FileState>();
    edit_ = std::make_unique<EditState>();
    traps_ = std::make_unique<TrapState>();
    ent_.assign(1, Entry{});
}

Interpreter::~Interpreter() { closeAllFiles(); }

int Interpreter::currentLine() const {
    if (cur_ <= 0 || static_cast<size_t>(cur_) >= ent_.size()) return 0;
    int32_t owner = ent_[cur_].owner;
    if (owner <= 0 || static_cast<size_t>(owner) >= ent_.size()) owner = cur_;
    const std::string& t = ent_[owner].text;
    int64_t v = 0;
    size_t i = 0;
    while (i < t.size() && t[i] == ' ') ++i;
    while (i < t.size() && isDigit(t[i])) v = v * 10 + (t[i++] - '0');
    return static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFF));
}

bool Interpreter::inDirectLine() const {
    if (directEntry_ <= 0 || cur_ <= 0 || static_cast<size_t>(cur_) >= ent_.size()) return false;
    return ent_[cur_].owner >= directEntry_ || cur_ >= directEntry_;
}

// ------------------------------------------------------------- run loop

void Interpreter::runSlice(int ms, long maxStatements) {
    if (!running_ || inputWaiting_) return;
    const int64_t deadline = host_.monotonicMs() + ms;
    long n = 0;
    while (running_ && !inputWaiting_) {
        stepOne();
        ++n;
        if (deviceWait_) break;  // the host decides when to look again
        if (maxStatements >= 0 && n >= maxStatements) break;
        if ((n & 1023) == 0 && host_.monotonicMs() >= deadline) break;
    }
}

void Interpreter::stepOne() {
    deviceWait_ = false;
    if (transferring_) {
        transferStep();
        return;
    }
    ++cur_;
    if (cur_ <= 0 || static_cast<size_t>(cur_) >= ent_.size()) {
        // Ran off the end of the table.
        finishRun(true);
        return;
    }
    if (comTrapsOn_ && !trapPending_) pollComTraps();
    if (trapPending_) {
        // A trap fires as a GOSUB before the next statement.
        --cur_;
        fireTraps();
        return;
    }
    if (ent_[cur_].redirect) cur_ = ent_[cur_].redirect;
    Entry& e = ent_[cur_];
    if (!e.stmt) {
        const std::string st = entryStatement(e.text);
        e.stmt = st.empty() ? std::make_shared<Stmt>() : compile(st);
    }
    // The table may be rebuilt while the statement runs (RUN); the old
    // entries are retired, not freed, until the next step.
    retired_.clear();
    Stmt& s = *e.stmt;
    if (s.code == 0 && !s.error) return;
    ++stmtCount_;
    try {
        if (s.error) throw *s.error;
        // Assignments and NEXT, the bulk of most programs, go straight to
        // their handlers.
        if (s.code == kw::Assign) assign(*s.target, *s.ex[0], s.radix);
        else if (s.code == kw::Next) stNext(s);
        else execute(s);
    } catch (const BasicError& be) {
        handleError(be);
        return;
    } catch (const InputWait&) {
        // The statement runs again once the keys it waits for have come.
        --cur_;
        return;
    } catch (const DeviceWait&) {
        // The same for a serial port.
        --cur_;
        deviceWait_ = true;
        return;
    }
    if ((s.code == kw::Print || s.code == kw::Question || s.code == kw::Write ||
         s.code == kw::PrintUsing) &&
        lineStart_ && running_)
        screen_.newline();
}

void Interpreter::handleError(const BasicError& be) {
    std::string msg = be.msg;
    if (!be.keepErr) errCode_ = be.code;
    if (be.noLine) {
        if (msg.empty() || msg.back() == ' ') erl_ = 0;
    } else if (inDirectLine()) {
        // A typed line's own errors are shown without " in " and a number.
        erl_ = 0;
        if (msg.size() >= 4 && msg.compare(msg.size() - 4, 4, " in ") == 0) msg.resize(msg.size() - 4);
    } else {
        erl_ = currentLine();
        msg += std::to_string(erl_);
    }
    errFlag_ = -1;
    if (running_ && handler_ > 0 && !inHandler_) {
        savedEntry_ = erl_ == 0 ? 0 : cur_;
        cur_ = handler_ - 1;
        inHandler_ = true;
        errFlag_ = 0;
        return;
    }
    writeMessage(msg);
    lastRunFailed_ = true;
    stopRun();
}

void Interpreter::writeMessage(const std::string& msg) {
    screen_.write(msg);
    screen_.newline();
    lineStart_ = true;
}

void Interpreter::stopRun() {
    flushFiles();  // what a stopped program wrote is on disk
    endDeviceWaits();
    running_ = false;
    inputWaiting_ = false;
    host_.screenChanged();
}

void Interpreter::promptOk() {
    // A fresh row: only when something stands before the cursor.
    if (!lineStart_ && screen_.col() != 0) screen_.newline();
    lineStart_ = false;
    screen_.setCursor(0, screen_.row());
    screen_.write("OK");
    screen_.newline();
    lineStart_ = true;
}

void Interpreter::promptBreak(int lineEntry) {
    // A fresh row: only when something stands before the cursor.
    if (!lineStart_ && screen_.col() != 0) screen_.newline();
    lineStart_ = false;
    screen_.setCursor(0, screen_.row());
    std::string text = "BREAK, OK ";
    if (lineEntry > 0) {
        const int32_t save = cur_;
        cur_ = lineEntry;
        text += "in " + std::to_string(currentLine()) + " ";
        cur_ = save;
    }
    screen_.write(text);
    screen_.newline();
    lineStart_ = true;
}

void Interpreter::finishRun(bool ok) {
    const bool wasRunning = running_;
    stopRun();
    if (ok && wasRunning) promptOk();
}

void Interpreter::doBreak(bool isStop) {
    if (!running_) return;
    contPos_ = cur_;
    contAllowed_ = true;
    // STOP names its own line; a break key names the statement that would
    // have run next.
    int32_t lineEntry = isStop ? cur_ : cur_ + 1;
    if (!isStop && lineEntry > 0 && static_cast<size_t>(lineEntry) < ent_.size() &&
        ent_[lineEntry].redirect)
        lineEntry = ent_[lineEntry].redirect;
    const bool atEnd = lineEntry <= 0 || static_cast<size_t>(lineEntry) >= ent_.size();
    const int32_t save = cur_;
    cur_ = atEnd ? 0 : lineEntry;
    const bool direct = inDirectLine();
    cur_ = save;
    inputWaiting_ = false;
    stopRun();
    promptBreak(atEnd || direct ? 0 : lineEntry);
    // A break is how a program received over a port ends.
    if (transferring_) endTransfer(true);
}

// ------------------------------------------------------------- resets

void Interpreter::clearVariables() {
    vars_.clear();
    varStore_.clear();
    arrays_.clear();
    arrayBytes_ = 0;
    defType_.fill(127);
    ++varGen_;
    optionBaseSet_ = false;
    optionBase_ = 0;
    userFns_.clear();
}

void Interpreter::resetRuntime() {
    clearVariables();
    clearKeyTraps();
    edit_->common.clear();  // COMMON names count until the next reset
    for_.clear();
    gosub_.clear();
    while_.clear();
    dataEntry_ = 0;
    dataPos_ = 0;
}

void Interpreter::runDirectLine(std::string text) {
    if (text.empty()) return;
    lastRunFailed_ = false;
    inHandler_ = false;
    pending_.clear();
    try {
        prescanDirect(text);
    } catch (const BasicError& be) {
        std::string msg = be.msg;
        if (!be.noLine && msg.size() >= 4 && msg.compare(msg.size() - 4, 4, " in ") == 0)
            msg.resize(msg.size() - 4);
        errCode_ = be.code;
        erl_ = 0;
        errFlag_ = -1;
        writeMessage(msg);
        lastRunFailed_ = true;
        return;
    }
    running_ = true;
    cur_ = directEntry_ - 1;
    while_.clear();  // a fresh start
    resetDrawingColours();
}

void Interpreter::typedCont() {
    promptOk();
    try {
        contRun();
    } catch (const BasicError& be) {
        handleError(be);
    }
}

void Interpreter::contRun() {
    if (!contAllowed_ || contPos_ < 0) {
        contAllowed_ = false;
        throw BasicError{err::CantContinue, "Can't continue ", true};
    }
    contAllowed_ = false;
    running_ = true;
    lastRunFailed_ = false;
    cur_ = contPos_;
    contPos_ = -1;
    lastKey_ = -1;
}

void Interpreter::startRun() {
    lastRunFailed_ = false;
    pending_.clear();
    try {
        beginRun(-1);
    } catch (const BasicError& be) {
        running_ = true;
        handleError(be);
    }
}

void Interpreter::beginRun(int32_t startEntry) {
    resetRuntime();
    errFlag_ = 0;
    lineStart_ = false;
    contPos_ = -1;
    contAllowed_ = false;
    prescanProgram();
    running_ = true;
    cur_ = startEntry > 0 ? startEntry - 1 : 0;
    resetDrawingColours();
}

}  // namespace tw
