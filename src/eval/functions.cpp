#include "eval/functions.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "core/errors.h"
#include "eval/numtext.h"

namespace tw {

namespace {

// Keyword codes of the computations.
enum Op : int {
    kSin = 121, kCos, kTan, kLog, kSqr, kAbs, kExp, kAtn, kSgn, kCint, kCsng, kCdbl, kAsc,
    kCsrlin, kPos, kCvi, kCvs, kCvd, kVal, kPoint, kFix, kInt, kRnd, kInstr, kEof, kLen,
    kPeek, kDefuser, kVarptr, kInp, kUsr, kFn, kErl, kErr, kSec, kCsc, kCot, kArcsin,
    kArccos, kArcsec, kArccsc, kArccot, kSinh, kCosh, kTanh, kSech, kCsch, kCoth, kArcsinh,
    kArccosh, kArctanh, kArcsech, kArccsch, kArccoth,
    kMap = 190, kView, kWindow, kLof, kPen, kRound, kSegptr, kLoc,
    kChr = 221, kLeft, kRight, kMid, kSpace, kHex, kOct, kMki, kMks, kMkd, kStr, kString,
    kInkey, kSpc, kTab, kInput, kDate, kTime,
};

constexpr VType I = VType::Int;
constexpr VType S = VType::Sng;
constexpr VType D = VType::Dbl;
constexpr VType T = VType::Str;

constexpr FuncInfo def(const char* name, int code, int minArgs, int maxArgs, VType result,
                       const char* kinds, int op = 0) {
    return FuncInfo{name,   code,  result == T,     minArgs, maxArgs,
                    result, kinds, op ? op : code, -1,      kinds[0] == 'r'};
}

constexpr FuncInfo usrDef(const char* name, int digit) {
    return FuncInfo{name, kUsr, false, 1, 1, D, "n", kUsr, digit, false};
}

constexpr std::array kFunctions{
    def("SIN", kSin, 1, 1, D, "n"),
    def("COS", kCos, 1, 1, D, "n"),
    def("TAN", kTan, 1, 1, D, "n"),
    def("LOG", kLog, 1, 1, D, "n"),
    def("SQR", kSqr, 1, 1, D, "n"),
    def("ABS", kAbs, 1, 1, D, "n"),
    def("EXP", kExp, 1, 1, D, "n"),
    def("ATN", kAtn, 1, 1, D, "n"),
    def("SGN", kSgn, 1, 1, D, "n"),
    def("CINT", kCint, 1, 1, I, "n"),
    def("CSNG", kCsng, 1, 1, S, "n"),
    def("CDBL", kCdbl, 1, 1, D, "n"),
    def("ASC", kAsc, 1, 1, I, "s"),
    def("CSRLIN", kCsrlin, 0, 0, I, ""),
    def("POS", kPos, 0, 1, I, "a"),  // POS(0): the argument is a dummy
    def("CVI", kCvi, 1, 1, I, "s"),
    def("CVS", kCvs, 1, 1, S, "s"),
    def("CVD", kCvd, 1, 1, D, "s"),
    def("VAL", kVal, 1, 1, D, "s"),
    def("POINT", kPoint, 1, 2, D, "nn"),
    def("FIX", kFix, 1, 1, D, "n"),
    def("INT", kInt, 1, 1, D, "n"),
    def("RND", kRnd, 0, 1, D, "n"),
    def("INSTR", kInstr, 2, 3, I, "nss"),
    def("EOF", kEof, 1, 1, I, "n"),
    def("LEN", kLen, 1, 1, I, "s"),
    def("PEEK", kPeek, 1, 1, I, "n"),
    def("DEFUSER", kDefuser, 0, 0, D, ""),
    def("VARPTR", kVarptr, 1, 1, D, "r"),
    def("INP", kInp, 1, 1, I, "n"),
    def("ERL", kErl, 0, 0, I, ""),
    def("ERR", kErr, 0, 0, I, ""),
    def("SEC", kSec, 1, 1, D, "n"),
    def("CSC", kCsc, 1, 1, D, "n"),
    def("COT", kCot, 1, 1, D, "n"),
    def("ARCSIN", kArcsin, 1, 1, D, "n"),
    def("ARCCOS", kArccos, 1, 1, D, "n"),
    def("ARCSEC", kArcsec, 1, 1, D, "n"),
    def("ARCCSC", kArccsc, 1, 1, D, "n"),
    def("ARCCOT", kArccot, 1, 1, D, "n"),
    def("SINH", kSinh, 1, 1, D, "n"),
    def("COSH", kCosh, 1, 1, D, "n"),
    def("TANH", kTanh, 1, 1, D, "n"),
    def("SECH", kSech, 1, 1, D, "n"),
    def("CSCH", kCsch, 1, 1, D, "n"),
    def("COTH", kCoth, 1, 1, D, "n"),
    def("ARCSINH", kArcsinh, 1, 1, D, "n"),
    def("ARCCOSH", kArccosh, 1, 1, D, "n"),
    def("ARCTANH", kArctanh, 1, 1, D, "n"),
    def("ARCSECH", kArcsech, 1, 1, D, "n"),
    def("ARCCSCH", kArccsch, 1, 1, D, "n"),
    def("ARCCOTH", kArccoth, 1, 1, D, "n"),
    // Alternative spellings, codes 175..189.
    def("COSEC", 175, 1, 1, D, "n", kCsc),
    def("ASIN", 176, 1, 1, D, "n", kArcsin),
    def("ACOS", 177, 1, 1, D, "n", kArccos),
    def("ASEC", 178, 1, 1, D, "n", kArcsec),
    def("ACSC", 179, 1, 1, D, "n", kArccsc),
    def("ACOSEC", 180, 1, 1, D, "n", kArccsc),
    def("ACOT", 181, 1, 1, D, "n", kArccot),
    def("COSECH", 182, 1, 1, D, "n", kCsch),
    def("ASINH", 183, 1, 1, D, "n", kArcsinh),
    def("ACOSH", 184, 1, 1, D, "n", kArccosh),
    def("ATANH", 185, 1, 1, D, "n", kArctanh),
    def("ASECH", 186, 1, 1, D, "n", kArcsech),
    def("ACSCH", 187, 1, 1, D, "n", kArccsch),
    def("ACOSECH", 188, 1, 1, D, "n", kArccsch),
    def("ACOTH", 189, 1, 1, D, "n", kArccoth),
    def("MAP", kMap, 2, 2, D, "nn"),
    def("VIEW", kView, 1, 1, I, "n"),
    def("WINDOW", kWindow, 1, 1, D, "n"),
    def("LOF", kLof, 1, 1, I, "n"),
    def("PEN", kPen, 1, 1, I, "n"),
    def("ROUND", kRound, 2, 2, D, "nn"),
    def("SEGPTR", kSegptr, 0, 0, D, ""),
    def("LOC", kLoc, 1, 1, I, "n"),
    def("CHR$", kChr, 1, 1, T, "n"),
    def("LEFT$", kLeft, 2, 2, T, "sn"),
    def("RIGHT$", kRight, 2, 2, T, "sn"),
    def("MID$", kMid, 2, 3, T, "snn"),
    def("SPACE$", kSpace, 1, 1, T, "n"),
    def("HEX$", kHex, 1, 1, T, "n"),
    def("OCT$", kOct, 1, 1, T, "n"),
    def("MKI$", kMki, 1, 1, T, "n"),
    def("MKS$", kMks, 1, 1, T, "n"),
    def("MKD$", kMkd, 1, 1, T, "n"),
    def("STR$", kStr, 1, 1, T, "n"),
    def("STRING$", kString, 2, 2, T, "na"),
    def("INKEY$", kInkey, 0, 0, T, ""),
    def("SPC$", kSpc, 1, 1, T, "n"),
    def("TAB$", kTab, 1, 1, T, "n"),
    def("INPUT$", kInput, 1, 2, T, "nn"),
    def("DATE$", kDate, 0, 0, T, ""),
    def("TIME$", kTime, 0, 0, T, ""),
};

constexpr std::array kUsrFunctions{
    usrDef("USR0", 0), usrDef("USR1", 1), usrDef("USR2", 2), usrDef("USR3", 3),
    usrDef("USR4", 4), usrDef("USR5", 5), usrDef("USR6", 6), usrDef("USR7", 7),
    usrDef("USR8", 8), usrDef("USR9", 9),
};
// USR followed by a character other than a digit: recognised, then refused.
constexpr FuncInfo kUsrOther = usrDef("USR", -1);

// Magnitudes treated as zero: arguments of LOG and SQR, and divisors of the reciprocal
// functions.
constexpr double kZero = 1e-50;
constexpr double kRecipZero = 1e-30;

// The longest string SPC$ and TAB$ build; longer requests are Out of memory.
constexpr int64_t kMaxBuiltString = 65535;

[[noreturn]] void illegal() { raise(err::IllegalFunctionCall); }
[[noreturn]] void divZero() { raise(err::DivisionByZero); }

// Integer conversion of a numeric argument: halves away from zero (2.5 -> 3,
// -2.5 -> -3). Clamped far beyond every range checked below, so huge arguments still
// fail those checks instead of wrapping.
int64_t roundArg(double x) {
    constexpr double kLimit = 1e15;
    if (std::isnan(x)) illegal();
    x = std::clamp(x, -kLimit, kLimit);
    return static_cast<int64_t>(x >= 0 ? x + 0.5 : x - 0.5);
}

int toInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

int roundInt(double x) { return toInt(roundArg(x)); }

void checkArgs(const FuncInfo& f, const std::vector<Value>& args) {
    int n = static_cast<int>(args.size());
    if (n < f.minArgs || n > f.maxArgs) raise(err::Syntax);
    const char* kinds = f.argKinds;
    if (f.op == kInstr && n == 2) ++kinds;  // INSTR(a$, b$): no start position
    for (int i = 0; i < n; ++i) {
        char k = kinds[i];
        bool str = args[i].isStr();
        bool wrong = (k == 'n' && str) || ((k == 's' || k == 'r') && !str);
        if (wrong) raise(f.op == kAsc ? err::Syntax : err::TypeMismatch);
    }
}

// The number as the evaluator writes it back: infinite is Overflow, a double keeps
// the 16 significant digits of its value text, -0 becomes 0.
double resultNum(VType type, double r) {
    if (std::isnan(r)) illegal();
    if (std::isinf(r)) raise(err::Overflow);
    if (r == 0) r = 0.0;
    if (type == VType::Int || type == VType::Sng) return r;
    // Whole numbers below 1e15 already have at most 16 digits.
    if (std::fabs(r) < 1e15 && r == static_cast<double>(static_cast<int64_t>(r))) return r;
    return numtext::roundSig(r, 16);
}

Value numResult(VType type, double r) {
    const double v = resultNum(type, r);
    switch (type) {
    case VType::Int: return Value::integer(v);
    case VType::Sng: return Value::single(v);
    default: return Value::dbl(v);
    }
}

double recip(double d) {
    if (std::fabs(d) < kRecipZero) divZero();
    return 1.0 / d;
}

// Natural logarithm of a quotient that must be positive.
double logPositive(double q) {
    if (q < kRecipZero) illegal();
    return std::log(q);
}

double hyperbolicInverse(int op, double x) {
    switch (op) {
    case kArcsinh: {
        double sum = x + std::sqrt(x * x + 1);
        if (sum < kRecipZero) divZero();
        return std::log(sum);
    }
    case kArccosh:
        if (x < 1) illegal();
        return std::log(x + std::sqrt(x * x - 1));
    case kArctanh:
        if (1 - x < kRecipZero) divZero();
        if (1 + x < kRecipZero) illegal();
        return 0.5 * logPositive((1 + x) / (1 - x));
    case kArcsech:
        if (x < kRecipZero) divZero();
        if (1 - x * x < 0) illegal();
        return std::log((1 + std::sqrt(1 - x * x)) / x);
    case kArccsch: {
        if (std::fabs(x) < kRecipZero) divZero();
        double sign = x < 0 ? -1.0 : 1.0;
        return logPositive((1 + sign * std::sqrt(1 + x * x)) / x);
    }
    default:  // kArccoth
        if (std::fabs(x - 1) < kRecipZero) divZero();
        return 0.5 * logPositive((x + 1) / (x - 1));
    }
}

double trigonometric(int op, double x) {
    switch (op) {
    case kSin: return std::sin(x);
    case kCos: return std::cos(x);
    case kTan:
        if (std::fabs(std::cos(x)) < kRecipZero) divZero();
        return std::tan(x);
    case kAtn: return std::atan(x);
    case kSec: return recip(std::cos(x));
    case kCsc: return recip(std::sin(x));
    case kCot: return recip(std::tan(x));
    case kArcsin:
    case kArccos:
        if (x < -1 || x > 1) illegal();
        return op == kArcsin ? std::asin(x) : std::acos(x);
    case kArcsec:
    case kArccsc:
        if (std::fabs(x) < 1) illegal();
        return op == kArcsec ? std::acos(1 / x) : std::asin(1 / x);
    case kArccot:
        if (x < kRecipZero) illegal();
        return std::atan(1 / x);
    case kSinh: return std::sinh(x);
    case kCosh: return std::cosh(x);
    case kTanh: return std::tanh(x);
    case kSech: return 1 / std::cosh(x);
    case kCsch: return recip(std::sinh(x));
    case kCoth: return recip(std::tanh(x));
    default: return hyperbolicInverse(op, x);
    }
}

template <typename T>
std::string bytesOf(T v) {
    auto bits = std::bit_cast<std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>(v);
    std::string out(sizeof(T), '\0');
    for (size_t i = 0; i < sizeof(T); ++i) out[i] = static_cast<char>(bits >> (8 * i) & 0xFF);
    return out;
}

uint64_t littleEndian(const std::string& s) {
    uint64_t v = 0;
    for (size_t i = s.size(); i-- > 0;) v = v << 8 | static_cast<unsigned char>(s[i]);
    return v;
}

// VAL: "&H" hexadecimal, "&O" or a bare "&" octal, otherwise a decimal number.
double valueOf(const std::string& s) {
    if (s.empty() || s[0] != '&') return numtext::atof(s);
    std::string_view rest = std::string_view(s).substr(1);
    int base = 8;
    if (!rest.empty() && (rest[0] == 'H' || rest[0] == 'h')) {
        base = 16;
        rest.remove_prefix(1);
    } else if (!rest.empty() && (rest[0] == 'O' || rest[0] == 'o')) {
        rest.remove_prefix(1);
    }
    return numtext::strtol(rest, base);
}

// ROUND(x, n): the digits _fcvt_s gives for n decimals, read back as a number.
double roundDecimals(double x, double places) {
    int64_t n = roundArg(places);
    if (n < 0 || n > 16) illegal();
    int decpt = 0;
    bool negative = false;
    std::string digits = numtext::fcvt(x, static_cast<int>(n), &decpt, &negative);
    if (digits.empty()) return 0.0;
    double v = numtext::atof("0." + digits + "e" + std::to_string(decpt));
    return negative ? -v : v;
}

double cint(double x) {
    double r = std::trunc(x >= 0 ? x + 0.5 : x - 0.5);
    if (r >= 32768 || r <= -32769) raise(err::Overflow);
    return r;
}

int instr(const std::vector<Value>& args) {
    size_t first = args.size() == 3 ? 1 : 0;
    int64_t start = first ? roundArg(args[0].num) : 1;
    const std::string& hay = args[first].str;
    const std::string& needle = args[first + 1].str;
    if (start < 1 || start > static_cast<int64_t>(hay.size())) return 0;
    size_t at = hay.find(needle, static_cast<size_t>(start - 1));
    return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

// The functions of one number that read nothing else: the raw result of op for x.
// False for any other function.
bool plainFunction(int op, double x, double& r) {
    switch (op) {
    case kLog:
        if (x < kZero) illegal();
        r = std::log(x);
        return true;
    case kSqr:
        if (x < -kZero) illegal();
        r = std::sqrt(std::max(x, 0.0));
        return true;
    case kAbs: r = std::fabs(x); return true;
    case kExp: r = std::exp(x); return true;
    case kSgn: r = x > 0 ? 1 : x < 0 ? -1 : 0; return true;
    case kCint: r = cint(x); return true;
    case kCsng:
        if (std::fabs(x) > std::numeric_limits<float>::max()) raise(err::Overflow);
        r = numtext::singleValue(static_cast<float>(x));
        return true;
    case kCdbl: r = x; return true;
    case kFix: r = std::trunc(x); return true;
    case kInt: r = std::floor(x); return true;
    case kSin: case kCos: case kTan: case kAtn:
        r = trigonometric(op, x);
        return true;
    default: return false;
    }
}

Value numericFunction(const FuncInfo& f, std::vector<Value>& args, FunctionHost& host) {
    double x = args.empty() ? 0.0 : args[0].num;
    double r = 0;
    if (!args.empty() && plainFunction(f.op, x, r)) return numResult(f.result, r);
    switch (f.op) {
    case kAsc:
        if (args[0].str.empty()) illegal();
        r = static_cast<unsigned char>(args[0].str[0]);
        break;
    case kCsrlin: r = host.cursorRow(); break;
    case kPos: r = host.cursorColumn(); break;
    case kCvi:
        if (args[0].str.size() != 2) illegal();
        r = static_cast<int16_t>(littleEndian(args[0].str));
        break;
    case kCvs: {
        if (args[0].str.size() != 4) illegal();
        float v = std::bit_cast<float>(static_cast<uint32_t>(littleEndian(args[0].str)));
        r = std::isfinite(v) ? numtext::singleValue(v) : v;
        break;
    }
    case kCvd:
        if (args[0].str.size() != 8) illegal();
        r = std::bit_cast<double>(littleEndian(args[0].str));
        break;
    case kVal: r = valueOf(args[0].str); break;
    case kPoint:
        r = args.size() == 1 ? host.pointPosition(roundInt(x)) : host.pointColor(x, args[1].num);
        break;
    case kRnd: r = args.empty() ? host.random().rnd() : host.random().rnd(x); break;
    case kInstr: r = instr(args); break;
    case kEof: r = host.fileAtEnd(roundInt(x)) ? -1 : 0; break;
    case kLen: r = static_cast<double>(args[0].str.size()); break;
    case kPeek:
        r = host.peek(static_cast<int64_t>(std::clamp(std::trunc(x), -1e15, 1e15)));
        break;
    case kDefuser: r = host.defSeg(); break;
    case kVarptr: r = host.varPtr(args[0].str); break;
    case kInp: r = host.inp(roundInt(x)); break;
    case kUsr:
        if (f.aux < 0) illegal();
        r = host.usr(f.aux, x);
        break;
    case kErl: r = host.errorLine(); break;
    case kErr: r = host.errorCode(); break;
    case kMap: r = host.mapCoord(x, roundInt(args[1].num)); break;
    case kView: r = host.viewCoord(roundInt(x)); break;
    case kWindow: r = host.windowCoord(roundInt(x)); break;
    case kLof: r = host.fileLength(roundInt(x)); break;
    case kPen: r = host.pen(roundInt(x)); break;
    case kRound: r = roundDecimals(x, args[1].num); break;
    case kSegptr: r = host.segPtr(); break;
    case kLoc: r = host.filePosition(roundInt(x)); break;
    default: r = trigonometric(f.op, x); break;
    }
    return numResult(f.result, r);
}

// A count of blanks for SPC$ and TAB$: none for zero or less.
std::string blanks(int64_t n) {
    if (n <= 0) return {};
    if (n > kMaxBuiltString) raise(err::OutOfMemory);
    return std::string(static_cast<size_t>(n), ' ');
}

std::string radixText(double x, const char* format) {
    int64_t n = roundArg(x);
    if (n < -32768 || n > 65535) illegal();
    if (n < 0) n += 65536;
    char buf[16];
    std::snprintf(buf, sizeof buf, format, static_cast<unsigned>(n));
    return buf;
}

// Two digits of a clock part: the last two digits of part + 100.
std::string clockText(int a, int b, int c, char sep) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d%c%02d%c%02d", (a + 100) % 100, sep, (b + 100) % 100,
                  sep, (c + 100) % 100);
    return buf;
}

std::string mid(const std::string& s, const std::vector<Value>& args) {
    int64_t len = static_cast<int64_t>(s.size());
    int64_t m = roundArg(args[1].num);
    if (args.size() == 2) {
        if (m < 0 || m > len) illegal();
        // Start 0 passes the checks above; it gives the whole string, as start 1 does.
        return s.substr(static_cast<size_t>(std::max<int64_t>(m, 1) - 1));
    }
    int64_t n = roundArg(args[2].num);
    if (n < 0 || m < 1 || m > len) illegal();
    return s.substr(static_cast<size_t>(m - 1), static_cast<size_t>(std::min(n, len)));
}

std::string stringOf(const std::vector<Value>& args) {
    int64_t n = roundArg(args[0].num);
    if (n < 1 || n > 255) illegal();
    char c = 0;
    if (args[1].isStr()) {
        if (args[1].str.empty()) illegal();
        c = args[1].str[0];
    } else {
        int64_t code = roundArg(args[1].num);
        if (code < 0 || code > 255) illegal();
        c = static_cast<char>(code);
    }
    return std::string(static_cast<size_t>(n), c);
}

std::string inputChars(const std::vector<Value>& args, FunctionHost& host) {
    int n = roundInt(args[0].num);
    std::string out;
    if (args.size() == 2) {
        // The file number is rounded as x + 0.5 truncated.
        double x = std::clamp(args[1].num, -1e9, 1e9);
        int fileNo = static_cast<int>(std::trunc(x + 0.5));
        if (!host.fileInput(fileNo, std::max(n, 0), out)) throw InputWait{};
        return out;
    }
    if (n <= 0) return out;
    if (!host.takeKeys(n, out)) throw InputWait{};
    return out;
}

std::string stringFunction(const FuncInfo& f, std::vector<Value>& args, FunctionHost& host) {
    double x = args.empty() ? 0.0 : args[0].isStr() ? 0.0 : args[0].num;
    switch (f.op) {
    case kChr: {
        int64_t n = roundArg(x);
        if (n < 0 || n > 255) illegal();
        return std::string(1, static_cast<char>(n));
    }
    case kLeft:
    case kRight: {
        std::string& s = args[0].str;
        int64_t n = roundArg(args[1].num);
        if (n < 0) illegal();
        size_t take = static_cast<size_t>(std::min<int64_t>(n, static_cast<int64_t>(s.size())));
        return f.op == kLeft ? s.substr(0, take) : s.substr(s.size() - take);
    }
    case kMid: return mid(args[0].str, args);
    case kSpace: {
        int64_t n = roundArg(x);
        if (n < 0 || n > 255) illegal();
        return std::string(static_cast<size_t>(n), ' ');
    }
    case kHex: return radixText(x, "%X");
    case kOct: return radixText(x, "%o");
    case kMki: {
        int64_t n = roundArg(x);
        if (n < -32768 || n > 32767) illegal();
        auto u = static_cast<uint16_t>(n);
        return {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    }
    case kMks:
        if (std::fabs(x) > 1.70141e38) illegal();
        return bytesOf(static_cast<float>(x));
    case kMkd:
        if (std::fabs(x) > 1.701411834604692e38) illegal();
        return bytesOf(x);
    case kStr:
        return numtext::strText(x, args[0].type == VType::Sng, args[0].type == VType::Int);
    case kString: return stringOf(args);
    case kInkey: {
        int key = host.takeLastKey();
        if (key <= 0 || key == 16) return {};
        return std::string(1, static_cast<char>(key & 0xFF));
    }
    case kSpc: return blanks(roundArg(x));
    case kTab: return blanks(roundArg(x) - host.cursorColumn());
    case kInput: return inputChars(args, host);
    case kDate: {
        ClockTime t = host.clock();
        return clockText(t.year, t.month, t.day, '/');
    }
    default: {  // kTime
        ClockTime t = host.clock();
        return clockText(t.hour, t.minute, t.second, ':');
    }
    }
}

}  // namespace

const FuncInfo* findFunction(std::string_view name) {
    static const std::unordered_map<std::string_view, const FuncInfo*> byName = [] {
        std::unordered_map<std::string_view, const FuncInfo*> m;
        for (const FuncInfo& f : kFunctions) m[f.name] = &f;
        return m;
    }();
    if (name.size() == 4 && name.starts_with("USR")) {
        char c = name[3];
        return c >= '0' && c <= '9' ? &kUsrFunctions[static_cast<size_t>(c - '0')] : &kUsrOther;
    }
    auto it = byName.find(name);
    return it == byName.end() ? nullptr : it->second;
}

bool isPlainFunction(const FuncInfo& f) {
    switch (f.op) {
    case kLog: case kSqr: case kAbs: case kExp: case kSgn: case kCint: case kCsng: case kCdbl:
    case kFix: case kInt: case kSin: case kCos: case kTan: case kAtn:
        return f.minArgs == 1 && f.maxArgs == 1 && f.argKinds[0] == 'n';
    default:
        return false;
    }
}

double callPlainFunction(const FuncInfo& f, double x) {
    double r = 0;
    plainFunction(f.op, x, r);
    return resultNum(f.result, r);
}

Value callFunction(const FuncInfo& f, std::vector<Value>& args, FunctionHost& host) {
    checkArgs(f, args);
    if (f.stringResult) return Value::string(stringFunction(f, args, host));
    return numericFunction(f, args, host);
}

// ---- RandomState ----

int RandomState::rand() {
    state = state * 214013u + 2531011u;
    return static_cast<int>(state >> 16 & 0x7FFF);
}

double RandomState::rnd() {
    last = numtext::roundSig(rand() / 32767.0, 16);
    return last;
}

double RandomState::rnd(double x) {
    if (x == 0) return last;
    if (x < 0) srand(static_cast<uint32_t>(seed));
    return rnd();
}

void RandomState::randomize(int32_t n) {
    if (n < -32768 || n > 32767) illegal();
    srand(static_cast<uint32_t>(n));
    seed = n;
}

void RandomState::randomize(const Value& n) {
    std::string text;
    switch (n.type) {
    case VType::Str: raise(err::TypeMismatch);
    case VType::Int: text = std::to_string(static_cast<int64_t>(n.num)); break;
    case VType::Sng: text = numtext::gcvt(n.num, 7); break;
    case VType::Dbl: text = numtext::gcvt(n.num, 16); break;
    }
    randomize(numtext::atoi(text));
}

void RandomState::randomizeTyped(std::string_view line) { randomize(numtext::atoi(line)); }

// ---- FunctionHost defaults: parts that override them are not present ----

bool FunctionHost::fileAtEnd(int) { illegal(); }
double FunctionHost::fileLength(int) { illegal(); }
double FunctionHost::filePosition(int) { illegal(); }
bool FunctionHost::fileInput(int, int, std::string&) { illegal(); }
double FunctionHost::pointPosition(int) { illegal(); }
double FunctionHost::pointColor(double, double) { illegal(); }
double FunctionHost::mapCoord(double, int) { illegal(); }
int FunctionHost::viewCoord(int) { illegal(); }
double FunctionHost::windowCoord(int) { illegal(); }
int FunctionHost::pen(int) { illegal(); }
int FunctionHost::peek(int64_t) { illegal(); }
int FunctionHost::inp(int) { illegal(); }
uint32_t FunctionHost::defSeg() { illegal(); }
uint32_t FunctionHost::segPtr() { illegal(); }
uint32_t FunctionHost::varPtr(std::string_view) { illegal(); }
double FunctionHost::usr(int, double) { illegal(); }

}  // namespace tw
