// Expression trees of the dialect, parsed once per statement text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "eval/value.h"

namespace tw {

struct FuncInfo;
struct Variable;
struct Array;

enum class Op : uint8_t {
    Add, Sub, Mul, Div, Pow, IDiv, Mod,
    Eq, Ne, Lt, Gt, Le, Ge,
    And, Or, Xor, Eqv, Imp,
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

struct Expr {
    enum Kind : uint8_t { NumLit, StrLit, Var, Elem, Func, UserFn, Neg, Not, Bin };
    Kind kind = NumLit;
    Op op = Op::Add;
    bool radix = false;      // an &H / &O literal
    VType suffixType = VType::Dbl;
    bool hasSuffix = false;  // the name ends in % ! # $
    bool numeric = false;    // can only give a number (or an error), whatever runs
    double num = 0.0;
    std::string text;        // string literal, or the upper-case name with suffix
    std::string ref;         // a reference argument as written (VARPTR)
    const FuncInfo* fn = nullptr;
    std::vector<ExprPtr> kids;
    bool plainFn = false;    // a function of one number computed straight from it
    // Lookup cache, valid while the variable generation is unchanged.
    void* cache = nullptr;
    uint32_t cacheGen = 0;
    // Variable generation at which the operands (of an operator or a plain
    // function) were all found to give numbers.
    mutable uint32_t numGen = 0;
};

// Parses a whole expression region, as the evaluator sees an expression that
// a statement hands over: the region must hold exactly one expression. The
// leading-minus rule applies: a region that starts with "-" and contains none
// of the words AND, NOT, OR, XOR, IMP, EQV, \, MOD, THEN, ELSE (each after a
// blank) negates its first term up to the first + or - at depth 0.
// Throws BasicError (Syntax error) for a bad expression.
ExprPtr parseExpression(std::string_view region);

// Parses a region that may hold several expressions written side by side
// ("A"B$"C"), as PRINT accepts them.
std::vector<ExprPtr> parseJuxtaposed(std::string_view region);

// True when the expression contains an &H or &O literal.
bool hasRadixLiteral(const Expr& e);

// Splits a text at any of `seps` outside quotes and parentheses; each piece
// comes with the separator after it (0 for the last).
std::vector<std::pair<std::string_view, char>> splitList(std::string_view s,
                                                         std::string_view seps);

// Splits a text at commas outside quotes and parentheses.
std::vector<std::string_view> splitArgs(std::string_view s);

// Position of the first occurrence of `word` outside quotes (and, when
// depth0 is set, outside parentheses), or npos.
size_t findOutside(std::string_view s, std::string_view word, size_t from = 0, bool depth0 = false);

std::string_view trim(std::string_view s);
std::string_view trimRight(std::string_view s);

inline bool isLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A variable or array name as the dialect reads it, upper case, with its
// suffix. `end` receives the position after the name.
std::string readName(std::string_view s, size_t pos, size_t* end);

}  // namespace tw
