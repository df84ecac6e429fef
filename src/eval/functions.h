// The builtin numeric functions (SIN ... LOC) and string functions (CHR$ ... TIME$),
// the RND generator and RANDOMIZE's seed rule.
//
// The evaluator looks an operand name up with findFunction, evaluates the arguments
// itself and hands them to callFunction. Data that belongs to other parts of the
// interpreter (cursor, error state, keyboard, clock, files, graphics, memory) is read
// through a FunctionHost.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "eval/value.h"

namespace tw {

struct FuncInfo {
    const char* name;   // as the evaluator sees it, upper case with its suffix ("MID$")
    int code;           // keyword code of this name (121..197 numeric, 221..238 string)
    bool stringResult;  // result is a string
    int minArgs;
    int maxArgs;
    VType result;       // type of the returned value
    // Kind of each argument position: 'n' number, 's' string, 'a' either,
    // 'r' a variable reference passed as text (see referenceArg).
    const char* argKinds;
    int op;             // computation: alternative spellings share their main name's op
    int aux;            // USRn: the routine digit n, or -1 for a character other than 0-9
    // VARPTR: the evaluator does not evaluate the argument; it passes the reference as
    // written (upper-cased name with suffix and any subscripts, e.g. "A$" or "B(1,2)")
    // as a string value, and FunctionHost::varPtr resolves it.
    bool referenceArg;
};

// Exact-name lookup of a builtin function by its operand name (upper case, with its
// suffix: "MID$", "SIN", "INKEY$", "USR0"). "USR" followed by any one more character
// is the USR function. nullptr when the name is no builtin; user functions (FN...)
// are not handled here.
const FuncInfo* findFunction(std::string_view name);

// Thrown by callFunction when INPUT$ needs more typed keys than have arrived (the host's
// takeKeys or fileInput returned false). The run loop abandons the statement without
// an error and executes it again on the next cycle, so the program waits for the keys.
struct InputWait {};

// Calendar time of the interpreter clock (system time plus the DATE$/TIME$ offset).
struct ClockTime {
    int year = 0;    // full year, e.g. 2026
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;
    int second = 0;
};

// RND's generator: the classic linear congruential rand() with 15-bit results, the
// seed that RANDOMIZE sets (RND of a negative argument restarts from it) and the last
// value RND returned (RND(0) repeats it). The interpreter owns one; the run-time reset
// (NEW, CLEAR, RUN, CHAIN) leaves it alone.
struct RandomState {
    static constexpr const char* kPrompt = "Random number seed (-32768 to 32768)? ";

    uint32_t state = 1;  // generator state; seeded with `seed` at start
    int32_t seed = 1;    // the random seed: 1 at start, then the last RANDOMIZE value
    double last = 0.0;   // the value RND returned last

    void srand(uint32_t s) { state = s; }
    int rand();                // 0..32767
    double rnd();              // RND without argument: the next value in 0..1
    double rnd(double x);      // RND(x): x > 0 next, x = 0 last again, x < 0 restart
    // RANDOMIZE n: the value's text read as atoi does (so 3.7 gives 3, and the
    // exponent form of 1E20 gives 1); outside -32768..32767 is Illegal function call.
    // A string value is a Type mismatch.
    void randomize(const Value& n);
    // RANDOMIZE without argument: the line typed at the prompt, read with atoi and
    // checked as above.
    void randomizeTyped(std::string_view line);
    void randomize(int32_t n);  // range check, srand(n), seed := n
};

// What the functions read from the rest of the interpreter. The methods without a
// body are data the interpreter core always has; the others belong to parts that
// override them, and until they do the function reports Illegal function call.
// Numeric arguments arrive already converted as each method says.
class FunctionHost {
public:
    virtual ~FunctionHost() = default;

    // Text screen: cursor row (CSRLIN) and column (POS, TAB$), 0-based.
    virtual int cursorRow() = 0;
    virtual int cursorColumn() = 0;

    // Error state: ERR and ERL of the last error.
    virtual int errorCode() = 0;
    virtual int errorLine() = 0;

    // INKEY$: the last-key latch, cleared by the read. 0 when no key is pending; the
    // Shift key's code 16 also reads as no key.
    virtual int takeLastKey() = 0;

    // INPUT$ from the keyboard (and files on KYBD: through fileInput): when the key
    // buffer holds at least n keys, move the first n into `out` and return true.
    // Otherwise return false (capture mode on, so that typed keys go to the buffer;
    // the buffer is emptied when a capture starts) and the statement is run again
    // later. A host that can wait may block here instead and always return true.
    virtual bool takeKeys(int n, std::string& out) = 0;

    // DATE$ and TIME$.
    virtual ClockTime clock() = 0;

    // The interpreter's one RND generator.
    virtual RandomState& random() = 0;

    // Files (file numbers rounded to the nearest integer). EOF: true at the end of the
    // file; LOF: its length; LOC: record or position. "File not open" etc. are the
    // file part's to raise.
    virtual bool fileAtEnd(int fileNo);
    virtual double fileLength(int fileNo);
    virtual double filePosition(int fileNo);
    // INPUT$(n, #f): append `count` bytes of file f to `out`; false when a keyboard
    // file has to wait for keys (as takeKeys). Raises File not open, Disk I/O error,
    // Syntax error for a file not opened for input.
    virtual bool fileInput(int fileNo, int count, std::string& out);

    // Graphics. POINT(n): current graphics position, n = 0..3; POINT(x, y): colour
    // number of that pixel; MAP(v, n): coordinate conversion n = 0..3; VIEW(n) and
    // WINDOW(n): view port and window corners, n = 0..3. n arrives rounded.
    virtual double pointPosition(int n);
    virtual double pointColor(double x, double y);
    virtual double mapCoord(double v, int n);
    virtual int viewCoord(int n);
    virtual double windowCoord(int n);

    // PEN(n): light-pen / mouse state n (n rounded).
    virtual int pen(int n);

    // Memory and ports. PEEK: byte at `offset` (fraction dropped) from the DEF SEG base;
    // INP: byte of port `port` (rounded); DEFUSER: the DEF SEG value; SEGPTR: address of
    // the emulated memory segment; VARPTR: address of the referenced variable's storage
    // (the reference as text, see FuncInfo::referenceArg); USRn(x): user routine n.
    // Addresses are returned as unsigned 32-bit numbers.
    virtual int peek(int64_t offset);
    virtual int inp(int port);
    virtual uint32_t defSeg();
    virtual uint32_t segPtr();
    virtual uint32_t varPtr(std::string_view reference);
    virtual double usr(int n, double x);
};

// Calls f with its evaluated arguments (strings moved out of `args` where convenient).
// Returns Int for integer-result functions, Sng or Dbl per the function, or Str; a
// double result is rounded to the 16 significant digits of its value text. Throws
// BasicError: a wrong number of arguments is a Syntax error (as a call without its
// argument list is); a string where a number belongs or the reverse is a Type
// mismatch, except for ASC, where a non-string argument is a Syntax error. Throws
// InputWait when INPUT$ has to wait for keys.
Value callFunction(const FuncInfo& f, std::vector<Value>& args, FunctionHost& host);

// Functions of one number that read nothing but it (ABS, INT, FIX, SGN, SQR, LOG, EXP,
// SIN, COS, TAN, ATN, CINT, CSNG, CDBL): the evaluator computes them straight from the
// number, without building argument values.
bool isPlainFunction(const FuncInfo& f);
// Such a function of x: the number callFunction would return, with the same errors.
double callPlainFunction(const FuncInfo& f, double x);

}  // namespace tw
