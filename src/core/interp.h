// The interpreter state and its operations: program store, pre-scan,
// dispatcher and run loop, error state, console input and direct mode.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/errors.h"
#include "core/host.h"
#include "eval/expr.h"
#include "eval/value.h"
#include "screen/render.h"
#include "screen/textscreen.h"

namespace tw {

struct Stmt;
class FunctionGlue;
struct GraphicsState;
struct FileState;
struct EditState;
struct TrapState;

struct Variable {
    VType type = VType::Sng;
    double num = 0.0;  // integer, or the single's 7-digit value, or double
    std::string str;
    uint32_t slot = 0;  // creation order, 1-based
};

struct Array {
    VType type = VType::Sng;
    std::vector<int> dims;  // upper bounds
    std::vector<double> nums;
    std::vector<std::string> strs;
    size_t count = 0;
};

struct Entry {
    std::string text;
    int32_t line = 0;
    int32_t redirect = 0;
    int32_t origin = 0;
    int32_t owner = 0;
    std::shared_ptr<Stmt> stmt;  // compiled statement, made at first execution
};

struct ForLevel {
    int32_t entry = 0;
    Variable* var = nullptr;
    bool isInt = false;
    double limit = 0.0;
    double step = 1.0;
};

class Interpreter {
public:
    explicit Interpreter(Host& host);
    ~Interpreter();

    Host& host() { return host_; }
    TextScreen& screen() { return screen_; }
    const TextScreen& screen() const { return screen_; }
    // Graphics pages and the composite image of the screen.
    Display& display() { return display_; }

    // BEEP 1 repeats a beep every 50 ms until BEEP 0 or BEEP; a window
    // calls pollBeep() between run slices to sound the ticks that are due.
    bool beepRepeating() const { return beepNext_ >= 0; }
    void pollBeep();

    // ---- console input ----
    // A typed byte (CP932). 13 is Enter, 27 Esc, 8 Backspace.
    void keyChar(uint8_t c);
    // Virtual-key codes of the original platform (INKEY$ returns them for
    // keys that give no character).
    enum Key { KeyBack = 0x08, KeyTab = 0x09, KeyPause = 0x13, KeyPageUp = 0x21,
               KeyPageDown = 0x22, KeyHome = 0x24, KeyLeft = 0x25, KeyUp = 0x26,
               KeyRight = 0x27, KeyDown = 0x28, KeyInsert = 0x2D, KeyDelete = 0x2E,
               KeyF1 = 0x70, KeyCtrl = 0x11 };
    // A key pressed: the editing keys, Pause (the STOP key), F1..F10 as
    // KeyF1.. (the same as functionKey). Any other key only sets the
    // INKEY$ latch; its character, if it has one, comes through keyChar.
    void keyDown(int vk, bool ctrl = false);
    // A key released: Ctrl+C acts as the STOP key when C is released.
    void keyUp(int vk, bool ctrl = false);
    // Function key n (1..10) pressed: its trap, or it types its string.
    void functionKey(int n);
    // Left button at pixel (x, y): pen position and trap, cursor placement,
    // the function-key boxes of row 24.
    void mouseClick(int x, int y);
    // Typing inserts (true) or overwrites (false); the caret shape follows.
    bool insertMode() const { return insertMode_; }
    // Function key strings.
    std::array<std::string, 10> fkeys{"load  ", "auto  ", "go to ", "list  ", "run   ",
                                      "save  ", "key   ", "print ", "edit  ", "cont  "};

    // ---- run loop ----
    // Runs statements for up to `ms` milliseconds (or `maxStatements`).
    void runSlice(int ms, long maxStatements = -1);
    bool running() const { return running_; }
    // The interpreter waits for a typed line (direct mode, INPUT, AUTO).
    bool waitingForLine() const { return !running_ || inputWaiting_; }
    bool inputWaiting() const { return inputWaiting_; }
    // The run ended with an error message shown (and no trap took it).
    bool lastRunFailed() const { return lastRunFailed_; }
    uint64_t statementsRun() const { return stmtCount_; }
    // The last step waited for a serial port (data, output room, the
    // partner, a program transfer): a host may pause a little before the
    // next slice instead of polling at full speed.
    bool deviceWaiting() const { return deviceWait_; }

    // Upper-cases a typed line outside quotes, comments and DATA text.
    static void normalizeLine(std::string& s);

    // ---- program ----
    // Program files, as LOAD, SAVE, File Open and Save As use them. Reading
    // takes the text or the binary format (a UTF-8 text file is converted
    // to CP932) and replaces the program; writing puts the program in the
    // text (CR LF) or the binary format through a temporary file. The
    // current directory follows the file. On failure: false, the program
    // unchanged, and the BASIC message ("File not open in ") in *error.
    bool loadProgramFile(const std::string& path, std::string* error = nullptr);
    bool saveProgramFile(const std::string& path, bool text, std::string* error = nullptr);
    // Format of the last program read: 0 text, 1 binary (Save As keeps it).
    int loadedFormat() const;
    // Absolute path of the last program file read or written ("" for none).
    const std::string& programFilePath() const;
    // The break key while AUTO offers numbers: AUTO ends ("BREAK, OK ").
    // False when AUTO is off.
    bool autoBreak();
    // Starts the stored program as RUN does.
    void startRun();
    int lineCount() const { return static_cast<int>(progNo_.size()); }
    const std::string& lineText(int i) const { return progText_[i]; }
    // Line number of program line i (0-based, as lineText).
    int32_t lineNumber(int i) const { return progNo_[static_cast<size_t>(i)]; }
    // Enters a numbered line as a typed one: it replaces or joins the program
    // by number, or deletes the line when it holds only its number. Throws
    // BasicError as line entry does.
    void enterLine(std::string text) { storeLine(std::move(text)); }
    // Empties the program store.
    void clearProgram() {
        progNo_.clear();
        progText_.clear();
        progDirty_ = true;
        contAllowed_ = false;
    }
    // The window's BREAK command: stops a running program (also one waiting
    // for INPUT) as ESC does, or ends AUTO.
    void breakRun() {
        if (running_) breakAtKey();
        else autoBreak();
    }

    // ---- used by statements and functions ----
    Value eval(const Expr& e);
    double evalNum(const Expr& e);
    Value evalRegion(std::string_view text);
    void store(const Expr& target, Value v, bool radix = false);
    Variable* findVar(const Expr& e) {
        if (e.cache && e.cacheGen == varGen_) [[likely]] return static_cast<Variable*>(e.cache);
        return findVarSlow(e);
    }
    // Assigns the value of an expression to a variable or element, as
    // store(target, eval(value), radix) does.
    void assign(const Expr& target, const Expr& value, bool radix);
    Variable* lookupVar(const std::string& name, VType type, bool hasSuffix);
    VType defaultType(char letter) const;
    int err() const { return errCode_; }
    int erl() const { return erl_; }
    // Line shown in messages and ERL for the current statement.
    int currentLine() const;

    // Timers (ON TIME$) that a host polls between run slices.
    void pollTimers();
    // Empties the ten function-key trap rows (NEW, CLEAR and RUN do).
    void clearKeyTraps();
    // Closes every open file, writing all pending bytes.
    void closeAllFiles();
    // Hands the bytes written to open files to the system; they stay open.
    void flushFiles();

    // Data that builtin functions read from the parts owning it.
    bool fnEof(int fileNo);
    double fnLof(int fileNo);
    double fnLoc(int fileNo);
    bool fnFileInput(int fileNo, int count, std::string& out);
    int fnPeek(int64_t offset);
    int fnInp(int port);
    uint32_t fnDefSeg();
    uint32_t fnSegPtr();
    uint32_t fnVarPtr(std::string_view reference);
    double fnPointPosition(int n);
    double fnPointColor(double x, double y);
    double fnMap(double v, int n);
    int fnView(int n);
    double fnWindow(int n);
    int fnPen(int n);
    // Run start and each direct-mode line: the COLOR foreground that PSET
    // uses and the current drawing colour go back to 7.
    void resetDrawingColours();

    // Keyboard data read by INKEY$ and INPUT$.
    int takeLastKey();
    bool takeKeys(int n, std::string& out);
    // True while a statement waits for typed keys (INPUT$).
    bool keysWanted() const { return keysWanted_; }
    // Times the program asked for a key that had not come (INKEY$ found
    // none, INPUT$ has to wait): a host slows down a program that polls.
    uint64_t keyMisses() const { return keyMisses_; }
    // The host-clock time (monotonicMs) at which pollTimers() or pollBeep()
    // next has something to do, or -1 when neither has.
    int64_t nextTimerMs() const;

private:
    friend class FunctionGlue;
    friend class Graphics;

    // program store and pre-scan
    void storeLine(std::string text);
    void storeTypedLine(const std::string& text);
    void prescanProgram();
    void prescanDirect(std::string_view text);
    void splitInto(int32_t k, std::string copy, int32_t nextLineNo, bool direct);
    void ifPass(int32_t from, int32_t to);
    void labelPass();
    int32_t appendEntry(std::string stmtText, int32_t owner, int32_t origin);
    int resolveTarget(std::string_view token);
    int findLineIndex(int32_t lineNo) const;  // program index (1-based) or -1
    void checkIfStructure(std::string_view text, int32_t lineNo, bool direct);
    BasicError lineError(int code, int32_t lineNo);
    int32_t lineAfter(int32_t entry) const;
    static std::string entryStatement(const std::string& text);
    std::vector<int32_t> executionOrderAfter(int32_t e) const;

    // dispatcher and run loop
    std::shared_ptr<Stmt> compile(std::string_view stmtText);
    void prepare(Stmt& s);
    void execute(Stmt& s);
    void stepOne();
    void handleError(const BasicError& e);
    void writeMessage(const std::string& msg);
    void promptOk();
    void promptBreak(int lineEntry);
    void doBreak(bool isStop);
    void stopRun();
    void finishRun(bool ok);
    void resetRuntime();
    void clearVariables();
    void runDirectLine(std::string text);
    void enter();
    void completeInput(std::string line);
    void contRun();
    // CONT typed on the console: the OK prompt, then the run continues;
    // an error it cannot continue from is reported as any other.
    void typedCont();
    void beginRun(int32_t startEntry);
    bool inDirectLine() const;
    int32_t jumpTarget(Stmt& s, size_t i, std::string_view token);

    // statements
    void stPrint(Stmt& s, bool usingForm);
    void stFor(Stmt& s);
    void stNext(Stmt& s);
    void stWhile(Stmt& s);
    void stRun(Stmt& s);
    void stResume(Stmt& s);
    void stDefType(Stmt& s);
    void stInput(Stmt& s);
    void stDim(Stmt& s);
    // Statement groups kept in their own files: each returns false for a
    // statement that is not theirs.
    bool prepareScreen(Stmt& s);
    bool executeScreen(Stmt& s);
    bool prepareData(Stmt& s);
    bool executeData(Stmt& s);
    bool prepareGraphics(Stmt& s);
    bool executeGraphics(Stmt& s);
    bool prepareFiles(Stmt& s);
    bool executeFiles(Stmt& s);
    friend struct FileOps;  // io/: files, devices, memory and ports
    // The text PRINT (or PRINT USING) makes of s: print zones count over
    // `pending`, the text already on the row, and TAB from column `col`.
    std::string buildPrint(Stmt& s, bool usingForm, std::string& pending, int col);
    bool prepareEditing(Stmt& s);
    bool executeEditing(Stmt& s);
    bool prepareKeys(Stmt& s);
    bool executeKeys(Stmt& s);
    // Fires pending event traps between statements.
    void fireTraps();
    // Serial ports (io/transfer.cpp): the ON COM poll between statements,
    // whether any COM trap row is armed, one step of a program transfer
    // and its end (a break ends a receive and loads what came), and the
    // end of every wait when the run stops.
    void pollComTraps();
    void updateComTraps();
    void transferStep();
    void endTransfer(bool broken);
    void endDeviceWaits();
    // Event traps and the line editor (traps.cpp, console.cpp).
    int trapEvent(int row);  // 0: not armed, 1: queued, 2: remembered
    void queueTrap(int row);
    void switchTrapRows(int first, int last, int mode);
    int32_t trapEntry(int row);
    // The trap row of the serial slot that holds COM port n, -1 for none.
    int comRow(int port) const;
    void typeChar(uint8_t lead, uint8_t trail);
    void backspace();
    void stopKey();
    void breakAtKey();
    void keyList();
    // Enter while AUTO offers line numbers.
    void autoEnter(const std::string& text);
    // Editing and program-file statements (editing/, io/progfile.cpp).
    friend struct EditingOps;
    // RUN with a file name: LOAD the operand and run it.
    void runProgramFile(std::string_view operand);
    // Text for the printer stream (LLIST): bytes as they are, CR LF included.
    void printerWrite(const std::string& text);
    void collectData();
    void stRead(Stmt& s);
    void stDefFn(Stmt& s);
    void stMidAssign(Stmt& s);
    void stSetClock(Stmt& s);
    void stCls(Stmt& s);
    void stLocate(Stmt& s);
    void stColor(Stmt& s);
    void stConsole(Stmt& s);
    void stBeep(Stmt& s);
    std::unique_ptr<struct CondNode> parseCondition(std::string_view text);
    double evalCond(const struct CondNode& n);

    // variables and arrays
    void storeVar(Variable& var, const Value& v, bool radix);
    Array* findArray(const std::string& name, VType type, size_t ndims, bool create);
    Array* createArray(const std::string& name, VType type, const std::vector<int>& dims);
    size_t elementIndex(Array& a, const Expr& e);
    Array* arrayFor(const Expr& e);
    void eraseArray(const std::string& name);
    Value callUserFn(const Expr& e);
    Variable* findVarSlow(const Expr& e);
    bool maybeString(const Expr& e);
    // Whether the operands of e all give numbers; remembered for the
    // current variable generation.
    bool numericOperands(const Expr& e);
    double operandNum(const Expr& k);
    std::deque<std::vector<Value>> argPool_;  // deque: growing keeps references valid
    size_t argDepth_ = 0;

    Host& host_;
    TextScreen screen_;
    Display display_{screen_, fkeys};
    int64_t beepNext_ = -1;  // next tick of the repeating beep, -1 when off

    // Program store (0-based here; index i is program line i+1).
    std::vector<int32_t> progNo_;
    std::vector<std::string> progText_;
    bool progDirty_ = true;

    // Execution table, 1-based (entry 0 unused).
    std::vector<Entry> ent_;
    std::vector<Entry> retired_;  // entries of a replaced table, freed at the next step
    int32_t progEntries_ = 0;  // entries made by the last program pre-scan
    int32_t endMarker_ = 0;
    std::optional<BasicError> progScanError_;
    int32_t directEntry_ = 0;  // first entry of the direct line, 0 when none
    int32_t directEnd_ = 0;    // its END entry
    std::vector<std::pair<int32_t, int32_t>> ifTable_;  // IF entry, THEN entry
    std::vector<std::pair<std::string, int32_t>> labels_;
    uint32_t scanGen_ = 1;

    // Run state.
    int32_t cur_ = 0;
    bool running_ = false;
    bool directMode_ = false;
    bool breakPending_ = false;
    bool endReached_ = false;
    int32_t contPos_ = -1;
    bool contAllowed_ = false;
    bool lineStart_ = true;
    bool inputWaiting_ = false;
    bool lastRunFailed_ = false;
    uint64_t stmtCount_ = 0;
    std::string pending_;  // text PRINT left on the current row

    // Error state.
    int errFlag_ = 0;
    int errCode_ = 0;
    int erl_ = 0;
    int32_t handler_ = 0;
    bool inHandler_ = false;
    int32_t savedEntry_ = 0;

    // Stacks.
    std::vector<int32_t> gosub_;
    std::vector<ForLevel> for_;
    std::vector<int32_t> while_;

    // Variables.
    std::unordered_map<std::string, Variable*> vars_;
    std::deque<Variable> varStore_;
    std::unordered_map<std::string, std::unique_ptr<Array>> arrays_;
    std::array<uint8_t, 26> defType_{};
    uint32_t varGen_ = 1;
    int optionBase_ = 0;
    bool optionBaseSet_ = false;
    size_t arrayBytes_ = 0;

    // INPUT in progress.
    struct InputState {
        std::string prompt;
        int startRow = 0;
        int startCol = 0;
        Stmt* stmt = nullptr;
        std::shared_ptr<Stmt> hold;  // keeps the statement alive while waiting
    } input_;

    // Keyboard.
    int lastKey_ = -1;
    uint8_t pendingLead_ = 0;
    bool insertMode_ = false;
    std::string keyBuffer_;
    bool keyCapture_ = false;
    bool keysWanted_ = false;
    uint64_t keyMisses_ = 0;

    Array* freshArray_ = nullptr;  // made by the array reference being evaluated

    // DATA and user functions.
    int32_t dataEntry_ = 0;  // RESTORE line: DATA is collected from lines at or after it
    size_t dataPos_ = 0;     // items read; 0 makes the next READ collect the items again
    std::vector<std::string> dataItems_;
    struct UserFn {
        std::vector<ExprPtr> params;
        ExprPtr body;
        VType type = VType::Sng;
        std::optional<BasicError> bodyError;  // raised by each call
    };
    std::unordered_map<std::string, std::shared_ptr<UserFn>> userFns_;
    int fnDepth_ = 0;  // user-function calls in progress

    std::unique_ptr<FunctionGlue> glue_;

    // State of the statement groups, each defined in its own header.
    std::unique_ptr<GraphicsState> gfx_;
    std::unique_ptr<FileState> files_;
    std::unique_ptr<EditState> edit_;
    std::unique_ptr<TrapState> traps_;
    bool trapPending_ = false;   // a trap event waits to fire between statements
    bool comTrapsOn_ = false;    // a COM trap row is on or stopped: the ports are polled
    bool transferring_ = false;  // a program transfer takes the run loop's steps
    bool deviceWait_ = false;    // the last step waited for a serial port
    int32_t autoLine_ = 0;       // the number AUTO offers next, 0 when off
    int32_t autoStep_ = 10;
};

}  // namespace tw
