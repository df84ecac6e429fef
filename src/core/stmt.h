// A statement compiled from its text: the keyword found by the dispatcher
// and whatever its handler parsed once, so executing it again behaves
// exactly as reading the same text again would.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "eval/expr.h"

namespace tw {

namespace kw {
// Statement keyword codes (the dispatcher's table order).
enum : int {
    Print = 1, Circle, Run, List, Line, Input, Cls, Dim, For, Next, Goto, GoTo, End, Gosub,
    Return, Pset, Preset, Locate, Color, Swap, If, Paint, Llist, Lprint, Open, Close,
    PrintFile, InputFile, LineInput, Write, LineInputFile, Draw, Point, Delete, Del, Auto,
    While, Wend, Renum, Ren, PrintUsing, LprintUsing, Read, Data, Restore, On, Edit, New,
    Cont, Defint, Defsng, Defdbl, Defstr, Clear, Rem, Apostrophe, Kill, Name, Erase,
    Randomize, Call, WriteFile, MidS, DateS, TimeS, Stop, Put, Get, Lset, Rset, Field,
    Chain, Merge, Bload, Bsave, DefSeg, Poke, Out, Screen, Roll, Usr, DefUsr, DefFn,
    LineParen, Key, Console, KeyList, Copy, View, Window, Let, Save, Load, Common,
    OptionBase, OnErrorGoto, Resume, Error, OnKeyGosub, KeyOnOff, OnStopGosub, StopOnOff,
    OnTimeGosub, TimeOnOff, Beep, OnPenGosub, Pen, OnComGosub, Com, Question,
    Count = Question,
    // Internal codes.
    Assign = 200,
    OnGoto = 201,
    LprintUsingPath = 202,
};
}  // namespace kw

const char* keywordText(int code);

struct CondNode;
using CondPtr = std::unique_ptr<CondNode>;
struct CondNode {
    enum Kind : uint8_t { Compare, Value, Logic, Not } kind = Value;
    Op op = Op::Eq;
    ExprPtr lhs, rhs;
    CondPtr a, b;
};

struct PrintItem {
    ExprPtr expr;  // null for a bare separator
    char sep = 0;  // ';', ',' or 0 after the last item
};

struct Stmt {
    int code = 0;
    std::string text;   // the statement as dispatched
    size_t argPos = 0;  // position after the keyword
    // The text after the keyword.
    std::string_view args() const { return std::string_view(text).substr(argPos); }
    std::optional<BasicError> error;  // a fault found when compiling, raised at each run

    std::vector<ExprPtr> ex;
    std::vector<bool> present;  // which optional arguments were given
    ExprPtr target;
    std::vector<ExprPtr> targets;
    bool radix = false;
    std::vector<PrintItem> items;
    ExprPtr usingTmpl;
    CondPtr cond;
    std::string str;               // prompt, label, operand token...
    std::vector<std::string> tokens;  // jump targets
    char promptSep = 0;
    int sub = 0;                   // sub-form of a statement

    // Cached jump targets, valid for one pre-scan generation.
    std::vector<int32_t> cached;
    uint32_t cacheGen = 0;
};

}  // namespace tw
