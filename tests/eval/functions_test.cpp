#include "eval/functions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"

namespace tw {
namespace {

constexpr int kIfc = err::IllegalFunctionCall;
constexpr int kDiv0 = err::DivisionByZero;
constexpr int kOvf = err::Overflow;
constexpr int kTm = err::TypeMismatch;
constexpr int kSyn = err::Syntax;
const double kPi = std::acos(-1.0);

Value N(double x) { return Value::dbl(x); }
Value Iv(double x) { return Value::integer(x); }
Value S(std::string s) { return Value::string(std::move(s)); }
// Bytes of a literal that may hold NUL bytes.
template <size_t L>
std::string B(const char (&s)[L]) {
    return std::string(s, L - 1);
}

// Interpreter data the functions read; the parts not built here keep the defaults.
class FakeHost : public FunctionHost {
public:
    int row = 3, col = 7, errCode = 53, errLine = 120, latch = 0;
    std::string keys;
    ClockTime time{2026, 12, 5, 9, 4, 30};
    RandomState rng;

    int cursorRow() override { return row; }
    int cursorColumn() override { return col; }
    int errorCode() override { return errCode; }
    int errorLine() override { return errLine; }
    int takeLastKey() override { return std::exchange(latch, 0); }
    bool takeKeys(int n, std::string& out) override {
        if (static_cast<int>(keys.size()) < n) return false;
        out = keys.substr(0, static_cast<size_t>(n));
        keys.erase(0, static_cast<size_t>(n));
        return true;
    }
    ClockTime clock() override { return time; }
    RandomState& random() override { return rng; }
};

Value call(FunctionHost& host, const char* name, std::vector<Value> args) {
    const FuncInfo* f = findFunction(name);
    if (!f) throw std::runtime_error(std::string("no function ") + name);
    return callFunction(*f, args, host);
}

int errorOf(FunctionHost& host, const char* name, std::vector<Value> args) {
    try {
        call(host, name, std::move(args));
    } catch (const BasicError& e) {
        return e.code;
    }
    return 0;
}

struct NumCase {
    const char* fn;
    std::vector<Value> args;
    double want;  // compared to 10 significant digits
    int err = 0;  // expected error code instead of a value
};

void runNumeric(const std::vector<NumCase>& cases) {
    FakeHost host;
    for (const NumCase& c : cases) {
        SCOPED_TRACE(std::string(c.fn) + " arg " +
                     (c.args.empty() || c.args[0].isStr() ? "-" : std::to_string(c.args[0].num)));
        if (c.err) {
            EXPECT_EQ(errorOf(host, c.fn, c.args), c.err);
            continue;
        }
        Value v = call(host, c.fn, c.args);
        ASSERT_FALSE(v.isStr());
        EXPECT_NEAR(v.num, c.want, 1e-10 * std::max(1.0, std::fabs(c.want)));
    }
}

struct StrCase {
    const char* fn;
    std::vector<Value> args;
    std::string want;
    int err = 0;
};

void runString(FakeHost& host, const std::vector<StrCase>& cases) {
    for (const StrCase& c : cases) {
        SCOPED_TRACE(std::string(c.fn) + " -> " + c.want);
        if (c.err) {
            EXPECT_EQ(errorOf(host, c.fn, c.args), c.err);
            continue;
        }
        Value v = call(host, c.fn, c.args);
        ASSERT_TRUE(v.isStr());
        EXPECT_EQ(v.str, c.want);
    }
}

TEST(FunctionLookup, ExactNamesOnly) {
    struct {
        const char* name;
        int code;  // 0: not a builtin
    } cases[] = {
        {"SIN", 121},  {"ERR", 154},     {"SEC", 155},   {"ARCCOTH", 174}, {"COSEC", 175},
        {"ACOTH", 189}, {"MAP", 190},    {"LOC", 197},   {"CHR$", 221},    {"MID$", 224},
        {"TIME$", 238}, {"USR0", 151},   {"USR9", 151},  {"USRA", 151},    {"USR", 0},
        {"USR10", 0},   {"sin", 0},      {"SINX", 0},    {"SIN$", 0},      {"MID", 0},
        {"CHR", 0},     {"FNA", 0},      {"FN", 0},      {"INKEY", 0},     {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FuncInfo* f = findFunction(c.name);
        if (!c.code) {
            EXPECT_EQ(f, nullptr);
            continue;
        }
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->code, c.code);
        EXPECT_EQ(f->stringResult, c.code >= 221);
    }
}

TEST(FunctionLookup, AlternativeSpellingsComputeLikeTheirMainName) {
    const struct {
        const char* alt;
        const char* main;
        double x;
    } pairs[] = {
        {"COSEC", "CSC", 0.7},      {"ASIN", "ARCSIN", 0.3},   {"ACOS", "ARCCOS", 0.3},
        {"ASEC", "ARCSEC", 2},      {"ACSC", "ARCCSC", 2},     {"ACOSEC", "ARCCSC", 3},
        {"ACOT", "ARCCOT", 2},      {"COSECH", "CSCH", 0.5},   {"ASINH", "ARCSINH", 2},
        {"ACOSH", "ARCCOSH", 2},    {"ATANH", "ARCTANH", 0.4}, {"ASECH", "ARCSECH", 0.4},
        {"ACSCH", "ARCCSCH", 0.4},  {"ACOSECH", "ARCCSCH", 3}, {"ACOTH", "ARCCOTH", 3},
    };
    FakeHost host;
    for (const auto& p : pairs) {
        SCOPED_TRACE(p.alt);
        EXPECT_EQ(call(host, p.alt, {N(p.x)}).num, call(host, p.main, {N(p.x)}).num);
    }
}

TEST(NumericFunctions, ArithmeticAndRounding) {
    runNumeric({
        {"CINT", {N(2.5)}, 3},         {"CINT", {N(-2.5)}, -3},
        {"CINT", {N(1.49)}, 1},        {"CINT", {N(32767.4)}, 32767},
        {"CINT", {N(32767.5)}, 0, kOvf}, {"CINT", {N(-32768.4)}, -32768},
        {"CINT", {N(-32768.5)}, 0, kOvf}, {"CINT", {N(1e20)}, 0, kOvf},
        {"INT", {N(-2.5)}, -3},        {"INT", {N(2.5)}, 2},
        {"FIX", {N(-2.5)}, -2},        {"FIX", {N(2.5)}, 2},
        {"SGN", {N(-0.1)}, -1},        {"SGN", {N(0)}, 0},
        {"SGN", {N(7)}, 1},            {"ABS", {Iv(-3)}, 3},
        {"SQR", {N(16)}, 4},           {"SQR", {N(-1)}, 0, kIfc},
        {"SQR", {N(-1e-60)}, 0},       {"LOG", {N(0)}, 0, kIfc},
        {"LOG", {N(1e-60)}, 0, kIfc},  {"LOG", {N(std::exp(2.0))}, 2},
        {"EXP", {N(1)}, std::exp(1.0)}, {"EXP", {N(1000)}, 0, kOvf},
        {"CDBL", {N(2.5)}, 2.5},       {"CSNG", {N(1e39)}, 0, kOvf},
        {"ROUND", {N(3.14159), N(2)}, 3.14},  {"ROUND", {N(-2.71828), N(3)}, -2.718},
        {"ROUND", {N(1234.5678), N(0)}, 1235}, {"ROUND", {N(0.0001), N(2)}, 0},
        {"ROUND", {N(1), N(17)}, 0, kIfc},    {"ROUND", {N(1), N(-1)}, 0, kIfc},
        {"ROUND", {N(1.23456), N(16)}, 1.23456},
    });
}

TEST(NumericFunctions, Trigonometric) {
    runNumeric({
        {"SIN", {N(kPi / 2)}, 1},      {"COS", {N(0)}, 1},
        {"TAN", {N(kPi / 4)}, 1},      {"ATN", {N(1)}, kPi / 4},
        {"SEC", {N(3.14159265)}, -1},  {"SEC", {N(0)}, 1},
        {"CSC", {N(kPi / 2)}, 1},      {"CSC", {N(0)}, 0, kDiv0},
        {"COT", {N(kPi / 4)}, 1},      {"COT", {N(0)}, 0, kDiv0},
        {"ARCSIN", {N(1)}, kPi / 2},   {"ARCSIN", {N(2)}, 0, kIfc},
        {"ARCSIN", {N(-1.0001)}, 0, kIfc}, {"ARCCOS", {N(-1)}, kPi},
        {"ARCCOS", {N(1.5)}, 0, kIfc}, {"ARCSEC", {N(2)}, kPi / 3},
        {"ARCSEC", {N(-1)}, kPi},      {"ARCSEC", {N(0.5)}, 0, kIfc},
        {"ARCCSC", {N(2)}, kPi / 6},   {"ARCCSC", {N(-0.5)}, 0, kIfc},
        {"ARCCOT", {N(1)}, kPi / 4},   {"ARCCOT", {N(-1)}, 0, kIfc},
        {"ARCCOT", {N(0)}, 0, kIfc},
    });
}

TEST(NumericFunctions, Hyperbolic) {
    runNumeric({
        {"SINH", {N(1)}, std::sinh(1.0)},  {"COSH", {N(0)}, 1},
        {"TANH", {N(0)}, 0},               {"SECH", {N(0)}, 1},
        {"CSCH", {N(-1)}, -0.8509181282},  {"CSCH", {N(0)}, 0, kDiv0},
        {"COTH", {N(1)}, 1 / std::tanh(1.0)}, {"COTH", {N(0)}, 0, kDiv0},
        {"ARCSINH", {N(1)}, 0.8813735870}, {"ARCSINH", {N(-1)}, -0.8813735870},
        {"ARCSINH", {N(-1e20)}, 0, kDiv0}, {"ARCCOSH", {N(1)}, 0},
        {"ARCCOSH", {N(2)}, 1.3169578969}, {"ARCCOSH", {N(0.5)}, 0, kIfc},
        {"ARCTANH", {N(0.5)}, 0.5493061443}, {"ARCTANH", {N(1)}, 0, kDiv0},
        {"ARCTANH", {N(5)}, 0, kDiv0},     {"ARCTANH", {N(-1)}, 0, kIfc},
        {"ARCSECH", {N(0.5)}, 1.3169578969}, {"ARCSECH", {N(0)}, 0, kDiv0},
        {"ARCSECH", {N(2)}, 0, kIfc},      {"ARCCSCH", {N(1)}, 0.8813735870},
        {"ARCCSCH", {N(-1)}, -0.8813735870}, {"ARCCSCH", {N(0)}, 0, kDiv0},
        {"ARCCOTH", {N(2)}, 0.5493061443}, {"ARCCOTH", {N(-2)}, -0.5493061443},
        {"ARCCOTH", {N(1)}, 0, kDiv0},     {"ARCCOTH", {N(0.5)}, 0, kIfc},
    });
}

TEST(NumericFunctions, StringArgumentFunctions) {
    runNumeric({
        {"LEN", {S("ABC")}, 3},            {"LEN", {S("")}, 0},
        {"LEN", {S("\x82\xA0X")}, 3},      {"ASC", {S("AB")}, 65},
        {"ASC", {S("\xFF")}, 255},         {"ASC", {S("")}, 0, kIfc},
        {"VAL", {S("12.5")}, 12.5},        {"VAL", {S("  -3x")}, -3},
        {"VAL", {S("1D3")}, 1000},         {"VAL", {S("abc")}, 0},
        {"VAL", {S("&HFF")}, 255},         {"VAL", {S("&hff")}, 255},
        {"VAL", {S("&HFFFF")}, 65535},     {"VAL", {S("&O17")}, 15},
        {"VAL", {S("&o17")}, 15},          {"VAL", {S("&17")}, 15},
        {"INSTR", {S("ABCABC"), S("C")}, 3}, {"INSTR", {N(4), S("ABCABC"), S("C")}, 6},
        {"INSTR", {N(3.5), S("ABCABC"), S("C")}, 6},
        {"INSTR", {N(7), S("ABCABC"), S("C")}, 0}, {"INSTR", {S("ABC"), S("X")}, 0},
        {"INSTR", {N(0), S("ABC"), S("A")}, 0}, {"INSTR", {S("ABC"), S("")}, 1},
        {"INSTR", {S(""), S("")}, 0},      {"INSTR", {S("AB"), S("ABC")}, 0},
        {"CVI", {S("\x01\x02")}, 513},     {"CVI", {S("\xFF\xFF")}, -1},
        {"CVI", {S("\x01")}, 0, kIfc},     {"CVS", {S(B("\x00\x00\x80\x3F"))}, 1},
        {"CVS", {S(B("\x00\x00\x80"))}, 0, kIfc}, {"CVS", {S(B("\x00\x00\x80\x7F"))}, 0, kOvf},
        {"CVD", {S(B("\0\0\0\0\0\0\xF0\x3F"))}, 1},
        {"CVD", {S("1234567")}, 0, kIfc},
    });
}

TEST(NumericFunctions, ResultTypes) {
    FakeHost host;
    const struct {
        const char* fn;
        std::vector<Value> args;
        VType type;
    } cases[] = {
        {"CINT", {N(2)}, VType::Int},     {"CSNG", {N(2)}, VType::Sng},
        {"ABS", {Iv(-2)}, VType::Dbl},    {"INT", {Iv(2)}, VType::Dbl},
        {"LEN", {S("A")}, VType::Int},    {"INSTR", {S("A"), S("A")}, VType::Int},
        {"CVS", {S(B("\x00\x00\x80\x3F"))}, VType::Sng}, {"VAL", {S("1")}, VType::Dbl},
        {"ERR", {}, VType::Int},          {"RND", {}, VType::Dbl},
        {"CSRLIN", {}, VType::Int},       {"STR$", {N(1)}, VType::Str},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fn);
        EXPECT_EQ(call(host, c.fn, c.args).type, c.type);
    }
    // Single results keep the 7 digits a single variable holds; doubles keep 16.
    EXPECT_DOUBLE_EQ(call(host, "CSNG", {N(1.0 / 3)}).num, 0.3333333);
    EXPECT_DOUBLE_EQ(call(host, "CDBL", {N(0.12345678901234567)}).num, 0.1234567890123457);
    EXPECT_FALSE(std::signbit(call(host, "FIX", {N(-0.5)}).num));
}

TEST(StringFunctions, ExtractionAndBuilding) {
    FakeHost host;
    runString(host, {
        {"LEFT$", {S("ABC"), N(5)}, "ABC"},     {"LEFT$", {S("ABC"), N(-1)}, "", kIfc},
        {"LEFT$", {S("ABC"), N(1.5)}, "AB"},    {"LEFT$", {S("ABC"), N(0)}, ""},
        {"RIGHT$", {S("ABC"), N(2)}, "BC"},     {"RIGHT$", {S("ABC"), N(5)}, "ABC"},
        {"RIGHT$", {S("ABC"), N(-1)}, "", kIfc}, {"MID$", {S("ABCDE"), N(2), N(2)}, "BC"},
        {"MID$", {S("ABCDE"), N(4)}, "DE"},     {"MID$", {S("ABC"), N(4), N(1)}, "", kIfc},
        {"MID$", {S("ABC"), N(2), N(10)}, "BC"}, {"MID$", {S("ABC"), N(3), N(0)}, ""},
        {"MID$", {S("ABC"), N(0), N(1)}, "", kIfc}, {"MID$", {S("ABC"), N(2), N(-1)}, "", kIfc},
        {"MID$", {S("ABC"), N(0)}, "ABC"},      {"MID$", {S("ABC"), N(-1)}, "", kIfc},
        {"MID$", {S("ABC"), N(4)}, "", kIfc},   {"MID$", {S(""), N(1)}, "", kIfc},
        {"MID$", {S("\x82\xA0\x82\xA2"), N(3), N(2)}, "\x82\xA2"},
        {"CHR$", {N(65)}, "A"},                 {"CHR$", {N(64.5)}, "A"},
        {"CHR$", {N(0)}, std::string(1, '\0')}, {"CHR$", {N(256)}, "", kIfc},
        {"CHR$", {N(-1)}, "", kIfc},            {"SPACE$", {N(3)}, "   "},
        {"SPACE$", {N(0)}, ""},                 {"SPACE$", {N(256)}, "", kIfc},
        {"SPACE$", {N(-1)}, "", kIfc},          {"SPC$", {N(256)}, std::string(256, ' ')},
        {"SPC$", {N(-1)}, ""},                  {"SPC$", {N(1e9)}, "", err::OutOfMemory},
        {"TAB$", {N(10)}, "   "},               {"TAB$", {N(7)}, ""},
        {"STRING$", {N(3), S("xy")}, "xxx"},    {"STRING$", {N(3), N(65)}, "AAA"},
        {"STRING$", {N(0), N(65)}, "", kIfc},   {"STRING$", {N(256), N(65)}, "", kIfc},
        {"STRING$", {N(2), N(256)}, "", kIfc},  {"STRING$", {N(2), S("")}, "", kIfc},
    });
}

TEST(StringFunctions, NumberTexts) {
    FakeHost host;
    runString(host, {
        {"HEX$", {N(-1)}, "FFFF"},            {"HEX$", {N(65535)}, "FFFF"},
        {"HEX$", {N(65536)}, "", kIfc},       {"HEX$", {N(-32768)}, "8000"},
        {"HEX$", {N(-32769)}, "", kIfc},      {"HEX$", {N(0)}, "0"},
        {"HEX$", {N(254.5)}, "FF"},           {"OCT$", {N(8)}, "10"},
        {"OCT$", {N(-1)}, "177777"},          {"OCT$", {N(70000)}, "", kIfc},
        {"MKI$", {N(258)}, "\x02\x01"},       {"MKI$", {N(-1)}, "\xFF\xFF"},
        {"MKI$", {N(32768)}, "", kIfc},       {"MKI$", {N(-32769)}, "", kIfc},
        {"MKS$", {N(1)}, B("\0\0\x80\x3F")},
        {"MKS$", {N(2e38)}, "", kIfc},
        {"MKD$", {N(1)}, B("\0\0\0\0\0\0\xF0\x3F")},
        {"MKD$", {N(1.8e38)}, "", kIfc},
        {"STR$", {Iv(5)}, " 5"},              {"STR$", {Iv(-5)}, "-5"},
        {"STR$", {N(2.5)}, " 2.5"},
    });
    // Packing and unpacking give the value back.
    for (double x : {0.1, -123.456, 1e30}) {
        Value packed = call(host, "MKD$", {N(x)});
        EXPECT_EQ(call(host, "CVD", {packed}).num, x);
        packed = call(host, "MKS$", {Value::single(1.5)});
        EXPECT_EQ(call(host, "CVS", {packed}).num, 1.5);
    }
}

TEST(StringFunctions, ClockTexts) {
    FakeHost host;
    runString(host, {{"DATE$", {}, "26/12/05"}, {"TIME$", {}, "09:04:30"}});
    host.time = {2000, 1, 31, 23, 59, 0};
    runString(host, {{"DATE$", {}, "00/01/31"}, {"TIME$", {}, "23:59:00"}});
}

TEST(FunctionArguments, WrongKindOrCount) {
    FakeHost host;
    const struct {
        const char* fn;
        std::vector<Value> args;
        int err;
    } cases[] = {
        {"SIN", {S("A")}, kTm},            {"LEFT$", {N(5), N(1)}, kTm},
        {"LEFT$", {S("A"), S("B")}, kTm},  {"LEN", {N(5)}, kTm},
        {"ASC", {N(5)}, kSyn},             {"CHR$", {S("A")}, kTm},
        {"INSTR", {N(1), N(2), S("A")}, kTm}, {"INSTR", {S("A"), N(1)}, kTm},
        {"VAL", {N(1)}, kTm},              {"CVI", {N(1)}, kTm},
        {"MID$", {S("A"), S("1")}, kTm},   {"STR$", {S("1")}, kTm},
        {"SIN", {}, kSyn},                 {"SIN", {N(1), N(2)}, kSyn},
        {"MID$", {S("A")}, kSyn},          {"MID$", {S("A"), N(1), N(1), N(1)}, kSyn},
        {"INKEY$", {N(1)}, kSyn},          {"ERR", {N(1)}, kSyn},
        {"RND", {N(1), N(2)}, kSyn},       {"STRING$", {N(1)}, kSyn},
        {"ROUND", {N(1)}, kSyn},           {"INSTR", {S("A")}, kSyn},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fn);
        EXPECT_EQ(errorOf(host, c.fn, c.args), c.err);
    }
    EXPECT_EQ(call(host, "POS", {N(0)}).num, 7);
    EXPECT_EQ(call(host, "POS", {}).num, 7);
}

TEST(HostFunctions, InterpreterData) {
    FakeHost host;
    EXPECT_EQ(call(host, "CSRLIN", {}).num, 3);
    EXPECT_EQ(call(host, "ERR", {}).num, 53);
    EXPECT_EQ(call(host, "ERL", {}).num, 120);

    // INKEY$ reads the latch once; Shift alone (16) is no key.
    const struct {
        int latch;
        std::string want;
    } keys[] = {{65, "A"}, {0, ""}, {16, ""}, {0x25, "\x25"}, {0x82, "\x82"}};
    for (const auto& k : keys) {
        host.latch = k.latch;
        EXPECT_EQ(call(host, "INKEY$", {}).str, k.want);
        EXPECT_EQ(host.latch, 0);
    }
}

TEST(HostFunctions, KeyboardInputWaitsForEnoughKeys) {
    FakeHost host;
    host.keys = "X";
    EXPECT_THROW(call(host, "INPUT$", {N(2)}), InputWait);
    EXPECT_EQ(host.keys, "X");
    host.keys += "YZ";
    EXPECT_EQ(call(host, "INPUT$", {N(2)}).str, "XY");
    EXPECT_EQ(host.keys, "Z");
    EXPECT_EQ(call(host, "INPUT$", {N(0)}).str, "");
    EXPECT_EQ(host.keys, "Z");
}

// Files, graphics, memory and ports are refused until their parts provide them.
TEST(HostFunctions, UnprovidedDataIsIllegalFunctionCall) {
    FakeHost host;
    const struct {
        const char* fn;
        std::vector<Value> args;
    } cases[] = {
        {"EOF", {N(1)}},       {"LOF", {N(1)}},      {"LOC", {N(1)}},
        {"INPUT$", {N(1), N(1)}}, {"POINT", {N(0)}}, {"POINT", {N(1), N(2)}},
        {"MAP", {N(1), N(0)}}, {"VIEW", {N(0)}},     {"WINDOW", {N(0)}},
        {"PEN", {N(0)}},       {"PEEK", {N(0)}},     {"INP", {N(0)}},
        {"DEFUSER", {}},       {"SEGPTR", {}},       {"VARPTR", {S("A")}},
        {"USR0", {N(1)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fn);
        EXPECT_EQ(errorOf(host, c.fn, c.args), kIfc);
    }
}

class PartsHost : public FakeHost {
public:
    std::vector<std::string> calls;
    bool fileAtEnd(int f) override { return log("EOF", f), f == 2; }
    double fileLength(int f) override { return log("LOF", f), 70000; }
    bool fileInput(int f, int n, std::string& out) override {
        log("INPUT", f * 1000 + n);
        out = std::string(static_cast<size_t>(n), 'q');
        return true;
    }
    int peek(int64_t off) override { return log("PEEK", static_cast<int>(off)), 9; }
    uint32_t defSeg() override { return 0xFFFFFFFFu; }
    double usr(int n, double x) override { return n * 100 + x; }

private:
    void log(const char* what, int n) { calls.push_back(what + std::to_string(n)); }
};

TEST(HostFunctions, ArgumentsReachTheOwningPartConverted) {
    PartsHost host;
    EXPECT_EQ(call(host, "EOF", {N(2)}).num, -1);
    EXPECT_EQ(call(host, "EOF", {N(0.6)}).num, 0);  // file 1
    Value lof = call(host, "LOF", {N(1)});
    EXPECT_EQ(lof.type, VType::Int);
    EXPECT_EQ(lof.num, 70000);
    EXPECT_EQ(call(host, "INPUT$", {N(3), N(1.4)}).str, "qqq");
    EXPECT_EQ(call(host, "PEEK", {N(5.9)}).num, 9);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"EOF2", "EOF1", "LOF1", "INPUT1003", "PEEK5"}));
    EXPECT_EQ(call(host, "DEFUSER", {}).num, 4294967295.0);
    EXPECT_EQ(call(host, "USR3", {N(7)}).num, 307);
    EXPECT_EQ(errorOf(host, "USRA", {N(7)}), kIfc);
}

TEST(RandomState, ClassicGeneratorSequence) {
    RandomState r;
    const int want[] = {41, 18467, 6334, 26500, 19169};
    for (int w : want) EXPECT_EQ(r.rand(), w);
}

TEST(RandomState, RndArgumentRules) {
    FakeHost host;
    double first = call(host, "RND", {N(1)}).num;
    EXPECT_DOUBLE_EQ(first, 41 / 32767.0);
    EXPECT_EQ(call(host, "RND", {N(0)}).num, first);
    double second = call(host, "RND", {}).num;
    EXPECT_DOUBLE_EQ(second, 18467 / 32767.0);
    // A negative argument restarts from the random seed, whatever its value.
    EXPECT_EQ(call(host, "RND", {N(-1)}).num, first);
    EXPECT_EQ(call(host, "RND", {N(-7)}).num, first);

    host.rng.randomize(5);
    RandomState fresh;
    fresh.srand(5);
    double fromFive = fresh.rand() / 32767.0;
    EXPECT_DOUBLE_EQ(call(host, "RND", {N(-1)}).num, fromFive);
    EXPECT_DOUBLE_EQ(call(host, "RND", {N(-1)}).num, fromFive);
}

TEST(RandomState, RandomizeReadsTheValueTextAsAtoi) {
    const struct {
        Value n;
        int32_t seed;  // expected seed
        int err;
    } cases[] = {
        {N(3.7), 3, 0},           {N(-3.7), -3, 0},        {Iv(32767), 32767, 0},
        {N(-32768), -32768, 0},   {N(40000), 0, kIfc},     {N(32768), 0, kIfc},
        {N(1e20), 1, 0},          {Value::single(12.5), 12, 0}, {S("12"), 0, kTm},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n.num);
        RandomState r;
        try {
            r.randomize(c.n);
            EXPECT_EQ(c.err, 0);
            EXPECT_EQ(r.seed, c.seed);
            EXPECT_EQ(r.state, static_cast<uint32_t>(c.seed));
        } catch (const BasicError& e) {
            EXPECT_EQ(e.code, c.err);
            EXPECT_EQ(r.seed, 1);
        }
    }
    RandomState r;
    r.randomizeTyped("  12");
    EXPECT_EQ(r.seed, 12);
    EXPECT_THROW(r.randomizeTyped("99999"), BasicError);
}

}  // namespace
}  // namespace tw
