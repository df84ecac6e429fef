// Evaluation of expression trees, variables and arrays.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

#include "core/interp.h"
#include "core/stmt.h"
#include "eval/funcglue.h"
#include "eval/numtext.h"

namespace tw {

namespace {

constexpr double kZero = 1e-50;
constexpr double kSingleMax = 1.701410009187828e38;
constexpr double kDoubleMax = 1.701411834604692e38;

// Truncation toward zero without a library call for the usual magnitudes.
inline double fastTrunc(double x) {
    if (std::fabs(x) < 4.5e15) return static_cast<double>(static_cast<int64_t>(x));
    return std::trunc(x);
}

int16_t low16(double x) {
    double t = fastTrunc(x);
    if (std::fabs(t) < 9.0e15) return static_cast<int16_t>(static_cast<uint16_t>(static_cast<int64_t>(t) & 0xFFFF));
    double m = std::fmod(t, 65536.0);
    if (m < 0) m += 65536.0;
    return static_cast<int16_t>(static_cast<uint16_t>(m));
}

// The dialect's rounding to a whole number: halves away from zero.
double roundHalfAway(double x) { return x >= 0 ? fastTrunc(x + 0.5) : fastTrunc(x - 0.5); }

[[gnu::noinline]] int32_t roundToInt32(double x) {
    const double r = roundHalfAway(x);
    if (r < -2147483648.0 || r > 2147483647.0) raise(err::Overflow);
    return static_cast<int32_t>(r);
}

// The operand of \ and MOD rounded to a whole number, with the range check.
inline int32_t toInt32(double x) {
    // A whole number in range needs no rounding.
    if (x > -2147483649.0 && x < 2147483648.0) {
        const int32_t i = static_cast<int32_t>(x);
        if (static_cast<double>(i) == x) return i;
    }
    return roundToInt32(x);
}

// Integer results of \ and MOD keep seven significant digits.
inline double sig7(double r) { return std::fabs(r) < 1e7 ? r : numtext::roundSig(r, 7); }

[[gnu::noinline]] double roundResult(double r) {
    if (std::isinf(r) || std::isnan(r)) raise(err::Overflow);
    return numtext::roundSig(r, 16);
}

// A result of + - * / ^ rounded to 16 significant digits.
inline double checked(double r) {
    // Whole numbers below 1e15 already have at most 16 digits.
    if (std::fabs(r) < 1e15 && r == static_cast<double>(static_cast<int64_t>(r))) return r;
    return roundResult(r);
}

double power(double x, double y) {
    if (x == 0.0) return 0.0;
    // A whole base to a positive whole power is a whole number: computed as
    // the exact product while that is exactly representable (e^(y ln x)
    // rounded to a whole number can be off by one or more there, e.g. 10^15).
    constexpr double kExact = 9007199254740992.0;  // 2^53
    if (y >= 1 && y <= 64 && y == static_cast<double>(static_cast<int>(y)) && std::fabs(x) < kExact &&
        x == static_cast<double>(static_cast<int64_t>(x))) {
        double r = 1;
        const int n = static_cast<int>(y);
        int i = 0;
        for (; i < n && std::fabs(r) <= kExact; ++i) r *= x;
        if (i == n && std::fabs(r) <= kExact) return r;
    }
    const bool wholeY = y == std::floor(y);
    double r;
    if (x > 0) {
        r = std::exp(y * std::log(x));
    } else {
        if (!wholeY) raise(err::IllegalFunctionCall);
        r = std::exp(y * std::log(-x));
        if (std::fmod(std::fabs(y), 2.0) == 1.0) r = -r;
    }
    // Whole base and positive whole exponent give a whole result.
    if (y > 0 && wholeY && x == std::floor(x) && !std::isinf(r))
        r = r >= 0 ? std::floor(r + 0.5) : -std::floor(-r + 0.5);
    return r;
}

// One numeric operator, with the rounding of its result.
[[gnu::noinline]] double binNum(Op op, double x, double y) {
    switch (op) {
    case Op::Add: return checked(x + y);
    case Op::Sub: return checked(x - y);
    case Op::Mul: return checked(x * y);
    case Op::Div:
        if (std::fabs(y) <= kZero) raise(err::DivisionByZero);
        return checked(x / y);
    case Op::Pow: return checked(power(x, y));
    case Op::IDiv: {
        const int32_t p = toInt32(x);
        const int32_t q = toInt32(y);
        if (q == 0) raise(err::DivisionByZero);
        return sig7(static_cast<double>(q == -1 ? -static_cast<int64_t>(p) : p / q));
    }
    case Op::Mod: {
        const int32_t p = toInt32(x);
        const int32_t q = toInt32(y);
        if (q == 0) raise(err::DivisionByZero);
        return sig7(static_cast<double>(q == -1 ? 0 : p % q));
    }
    case Op::Eq: return low16(x) == low16(y) ? -1 : 0;
    case Op::Ne: return low16(x) != low16(y) ? -1 : 0;
    case Op::Lt: return low16(x) < low16(y) ? -1 : 0;
    case Op::Gt: return low16(x) > low16(y) ? -1 : 0;
    case Op::Le: return low16(x) <= low16(y) ? -1 : 0;
    case Op::Ge: return low16(x) >= low16(y) ? -1 : 0;
    case Op::And: return static_cast<int16_t>(low16(x) & low16(y));
    case Op::Or: return static_cast<int16_t>(low16(x) | low16(y));
    case Op::Xor: return static_cast<int16_t>(low16(x) ^ low16(y));
    case Op::Eqv: return static_cast<int16_t>(~(low16(x) ^ low16(y)));
    case Op::Imp: return static_cast<int16_t>(~low16(x) | low16(y));
    }
    return 0;
}

}  // namespace

VType Interpreter::defaultType(char letter) const {
    if (letter < 'A' || letter > 'Z') return VType::Sng;
    const uint8_t t = defType_[static_cast<size_t>(letter - 'A')];
    return t == 127 ? VType::Sng : static_cast<VType>(t);
}

Variable* Interpreter::lookupVar(const std::string& name, VType type, bool hasSuffix) {
    auto it = vars_.find(name);
    if (it != vars_.end()) return it->second;
    if (varStore_.size() >= 65535) raise(err::OutOfMemory);
    Variable& v = varStore_.emplace_back();
    v.type = hasSuffix ? type : defaultType(name[0]);
    v.slot = static_cast<uint32_t>(varStore_.size());
    vars_.emplace(name, &v);
    return &v;
}

Variable* Interpreter::findVarSlow(const Expr& e) {
    if (e.text.empty() || !isUpper(e.text[0])) raise(err::Syntax);
    Variable* v = lookupVar(e.text, e.suffixType, e.hasSuffix);
    Expr& m = const_cast<Expr&>(e);
    m.cache = v;
    m.cacheGen = varGen_;
    return v;
}

static Value readVar(const Variable& v) {
    switch (v.type) {
    case VType::Int: return Value::integer(v.num);
    case VType::Sng: return Value::single(v.num);
    case VType::Dbl: return Value::dbl(v.num);
    case VType::Str: return Value::string(v.str);
    }
    return {};
}

// Whether an expression may give a string; numeric ones take the fast
// path that computes without building values.
bool Interpreter::maybeString(const Expr& e) {
    if (e.numeric) return false;
    switch (e.kind) {
    case Expr::StrLit:
        return true;
    case Expr::NumLit:
    case Expr::Neg:
    case Expr::Not:
        return false;
    case Expr::Var:
        return findVar(e)->type == VType::Str;
    case Expr::Elem:
        return e.hasSuffix ? e.suffixType == VType::Str : defaultType(e.text[0]) == VType::Str;
    case Expr::Func:
        return e.fn->stringResult;
    case Expr::UserFn:
        return true;
    case Expr::Bin:
        return e.op == Op::Add && (maybeString(*e.kids[0]) || maybeString(*e.kids[1]));
    }
    return true;
}

bool Interpreter::numericOperands(const Expr& e) {
    for (const auto& k : e.kids)
        if (maybeString(*k)) return false;
    e.numGen = varGen_;
    return true;
}

// The number of an operand known to give one: constants and variables are
// read in place, anything else goes through evalNum.
[[gnu::always_inline]] inline double Interpreter::operandNum(const Expr& k) {
    if (k.kind == Expr::NumLit) return k.num;
    if (k.kind == Expr::Var && k.cache && k.cacheGen == varGen_) {
        const Variable* v = static_cast<const Variable*>(k.cache);
        if (v->type != VType::Str) return v->num;
    }
    return evalNum(k);
}

double Interpreter::evalNum(const Expr& e) {
    switch (e.kind) {
    case Expr::NumLit:
        return e.num;
    case Expr::Var: {
        const Variable* v = findVar(e);
        if (v->type == VType::Str) [[unlikely]] raise(err::TypeMismatch);
        return v->num;
    }
    case Expr::Bin:
        if (e.numGen == varGen_ || numericOperands(e)) {
            // The left operand first, as the general path evaluates them.
            const double x = operandNum(*e.kids[0]);
            const double y = operandNum(*e.kids[1]);
            switch (e.op) {
            case Op::Add: return checked(x + y);
            case Op::Sub: return checked(x - y);
            case Op::Mul: return checked(x * y);
            default: return binNum(e.op, x, y);
            }
        }
        break;
    case Expr::Func:
        if (e.plainFn && (e.numGen == varGen_ || numericOperands(e)))
            return callPlainFunction(*e.fn, operandNum(*e.kids[0]));
        break;
    default:
        break;
    }
    const Value v = eval(e);
    if (v.isStr()) raise(err::TypeMismatch);
    return v.num;
}

Value Interpreter::eval(const Expr& e) {
    switch (e.kind) {
    case Expr::NumLit:
        return Value::dbl(e.num);
    case Expr::StrLit:
        return Value::string(e.text);
    case Expr::Var:
        return readVar(*findVar(e));
    case Expr::Elem: {
        Array* a = arrayFor(e);
        const size_t idx = elementIndex(*a, e);
        if (a->type == VType::Str) return Value::string(a->strs[idx]);
        Value v;
        v.type = a->type;
        v.num = a->nums[idx];
        return v;
    }
    case Expr::Func: {
        // Argument vectors are reused per nesting depth, so a call allocates
        // nothing once the depth has been reached before.
        while (argDepth_ >= argPool_.size()) argPool_.emplace_back();
        std::vector<Value>& args = argPool_[argDepth_];
        ++argDepth_;
        struct Leave {
            size_t& d;
            ~Leave() { --d; }
        } leave{argDepth_};
        args.clear();
        if (e.fn->referenceArg) {
            for (const auto& k : e.kids) args.push_back(Value::string(k->ref.empty() ? k->text : k->ref));
        } else {
            for (const auto& k : e.kids) {
                if (k->kind == Expr::Bin && !maybeString(*k)) {
                    Value v;
                    v.num = evalNum(*k);
                    v.type = k->op <= Op::Pow ? VType::Dbl : VType::Int;
                    args.push_back(std::move(v));
                } else {
                    args.push_back(eval(*k));
                }
            }
        }
        Value r = callFunction(*e.fn, args, *glue_);
        args.clear();
        return r;
    }
    case Expr::UserFn:
        return callUserFn(e);
    case Expr::Neg: {
        Value v = eval(*e.kids[0]);
        if (v.isStr()) raise(err::TypeMismatch);
        v.num = v.num == 0.0 ? 0.0 : -v.num;
        return v;
    }
    case Expr::Not: {
        Value v = eval(*e.kids[0]);
        if (v.isStr()) raise(err::TypeMismatch);
        return Value::integer(static_cast<int16_t>(~low16(v.num)));
    }
    case Expr::Bin:
        break;
    }
    const Op op = e.op;
    if (e.numGen == varGen_ || numericOperands(e)) {
        const double x = evalNum(*e.kids[0]);
        const double y = evalNum(*e.kids[1]);
        const double r = binNum(op, x, y);
        return op <= Op::Pow ? Value::dbl(r) : Value::integer(r);
    }
    Value a = eval(*e.kids[0]);
    Value b = eval(*e.kids[1]);
    if (a.isStr() || b.isStr()) {
        if (a.isStr() != b.isStr()) {
            if (op == Op::Add || op >= Op::Eq) raise(err::TypeMismatch);
            raise(err::Syntax);
        }
        switch (op) {
        case Op::Add:
            a.str += b.str;
            return a;
        case Op::Eq: case Op::Ne: case Op::Lt: case Op::Gt: case Op::Le: case Op::Ge: {
            const int c = std::strcmp(a.str.c_str(), b.str.c_str());
            bool r = false;
            switch (op) {
            case Op::Eq: r = c == 0; break;
            case Op::Ne: r = c != 0; break;
            case Op::Lt: r = c < 0; break;
            case Op::Gt: r = c > 0; break;
            case Op::Le: r = c <= 0; break;
            default: r = c >= 0; break;
            }
            return Value::integer(r ? -1 : 0);
        }
        case Op::And: case Op::Or: case Op::Xor: case Op::Eqv: case Op::Imp:
            raise(err::TypeMismatch);
        default:
            raise(err::Syntax);
        }
    }
    const double r = binNum(op, a.num, b.num);
    return op <= Op::Pow ? Value::dbl(r) : Value::integer(r);
}

Value Interpreter::evalRegion(std::string_view text) {
    ExprPtr e = parseExpression(text);
    return eval(*e);
}

// Converts a value for a variable or element of type t, with the range
// checks of the store.
static double convertForStore(VType t, double x, bool radix) {
    switch (t) {
    case VType::Int: {
        const double r = roundHalfAway(x);
        if (radix && r >= 0 && r <= 65535) return static_cast<int16_t>(static_cast<uint16_t>(r));
        if (r < -32768 || r > 32767) raise(err::Overflow);
        return r == 0 ? 0.0 : r;
    }
    case VType::Sng:
        if (std::fabs(x) > kSingleMax || std::isnan(x)) raise(err::Overflow);
        if (x == 0) return 0.0;
        return numtext::singleValue(static_cast<float>(x));
    case VType::Dbl:
        if (std::fabs(x) > kDoubleMax || std::isnan(x)) raise(err::Overflow);
        return x == 0 ? 0.0 : x;
    case VType::Str:
        break;
    }
    return x;
}

void Interpreter::storeVar(Variable& var, const Value& v, bool radix) {
    if ((var.type == VType::Str) != v.isStr()) raise(err::TypeMismatch);
    if (v.isStr())
        var.str = v.str;
    else
        var.num = convertForStore(var.type, v.num, radix);
}

void Interpreter::store(const Expr& target, Value v, bool radix) {
    if (target.kind == Expr::Var) {
        Variable* var = findVar(target);
        if (var->type == VType::Str && v.isStr()) {
            var->str = std::move(v.str);
            return;
        }
        storeVar(*var, v, radix);
        return;
    }
    if (target.kind == Expr::Elem) {
        Array* a = arrayFor(target);
        const size_t idx = elementIndex(*a, target);
        if ((a->type == VType::Str) != v.isStr()) raise(err::TypeMismatch);
        if (v.isStr())
            a->strs[idx] = std::move(v.str);
        else
            a->nums[idx] = convertForStore(a->type, v.num, radix);
        return;
    }
    raise(err::Syntax);
}

void Interpreter::assign(const Expr& target, const Expr& value, bool radix) {
    // A numeric variable that exists already takes the number straight
    // from the numeric evaluation, with no value built on the way. A new
    // variable is made by store, after the value, as always.
    if (target.kind == Expr::Var) {
        if (!target.cache || target.cacheGen != varGen_) {
            const auto it = vars_.find(target.text);
            if (it != vars_.end()) {
                Expr& m = const_cast<Expr&>(target);
                m.cache = it->second;
                m.cacheGen = varGen_;
            }
        }
        if (target.cache && target.cacheGen == varGen_) {
            Variable& var = *static_cast<Variable*>(target.cache);
            const bool numeric = value.kind == Expr::Bin
                                     ? value.numGen == varGen_ || numericOperands(value)
                                     : !maybeString(value);
            if (var.type != VType::Str && numeric) {
                const double x = evalNum(value);
                var.num = convertForStore(var.type, x, radix);
                return;
            }
            // A$=A$+X appends X to the string in place, instead of copying
            // A$ into a new value and back.
            if (var.type == VType::Str && value.kind == Expr::Bin && value.op == Op::Add &&
                value.kids[0]->kind == Expr::Var && value.kids[0]->text == target.text) {
                Value b = eval(*value.kids[1]);
                if (!b.isStr()) raise(err::TypeMismatch);
                findVar(target)->str += b.str;
                return;
            }
        }
    }
    store(target, eval(value), radix);
}

// ------------------------------------------------------------- arrays

namespace {

// Bytes one element takes in the array value pool.
size_t elementWidth(VType t) {
    switch (t) {
    case VType::Sng: return 4;
    case VType::Dbl: return 8;
    default: return 2;  // integers, and the slot numbers of string elements
    }
}

// Most elements one array may hold, so that every array fits in 64 KB.
size_t elementLimit(VType t) {
    switch (t) {
    case VType::Int: return 32767;
    case VType::Sng: return 16383;
    case VType::Dbl: return 8191;
    default: return 65535;
    }
}

constexpr size_t kArrayPool = 1u << 20;  // bytes shared by all arrays
constexpr size_t kMaxArrays = 65535;
constexpr size_t kMaxStringElements = 65535;  // over all string arrays
constexpr size_t kMaxDims = 127;

}  // namespace

Array* Interpreter::findArray(const std::string& name, VType type, size_t ndims, bool create) {
    auto it = arrays_.find(name);
    if (it != arrays_.end()) return it->second.get();
    if (!create) return nullptr;
    return createArray(name, type, std::vector<int>(ndims, 10));
}

Array* Interpreter::createArray(const std::string& name, VType type, const std::vector<int>& dims) {
    if (dims.empty() || dims.size() > kMaxDims) raise(err::SubscriptOutOfRange);
    // Elements 0..upper bound exist in every dimension, whatever the base.
    const size_t limit = elementLimit(type);
    size_t count = 1;
    for (int d : dims) {
        if (d < 0) raise(err::SubscriptOutOfRange);
        count *= static_cast<size_t>(d) + 1;
        if (count > limit) raise(err::OutOfMemory);
    }
    if (arrays_.size() >= kMaxArrays) raise(err::OutOfMemory);
    if (type == VType::Str) {
        size_t strings = count;
        for (const auto& [n, other] : arrays_)
            if (other->type == VType::Str) strings += other->count;
        if (strings > kMaxStringElements) raise(err::OutOfMemory);
    }
    const size_t bytes = count * elementWidth(type);
    if (arrayBytes_ + bytes > kArrayPool) raise(err::OutOfMemory);
    auto a = std::make_unique<Array>();
    a->type = type;
    a->dims = dims;
    a->count = count;
    if (type == VType::Str)
        a->strs.assign(count, std::string());
    else
        a->nums.assign(count, 0.0);
    arrayBytes_ += bytes;
    Array* p = a.get();
    arrays_[name] = std::move(a);
    return p;
}

void Interpreter::eraseArray(const std::string& name) {
    auto it = arrays_.find(name);
    if (it == arrays_.end()) raise(err::Syntax);
    const Array& a = *it->second;
    arrayBytes_ -= std::min(arrayBytes_, a.count * elementWidth(a.type));
    if (freshArray_ == it->second.get()) freshArray_ = nullptr;
    arrays_.erase(it);
    ++varGen_;  // cached references to the array are gone
}

Array* Interpreter::arrayFor(const Expr& e) {
    if (e.cache && e.cacheGen == varGen_) {
        Array* a = static_cast<Array*>(e.cache);
        if (freshArray_ != a) freshArray_ = nullptr;
        return a;
    }
    if (e.text.empty() || !isUpper(e.text[0])) raise(err::Syntax);
    auto it = arrays_.find(e.text);
    Array* a;
    if (it != arrays_.end()) {
        a = it->second.get();
        if (freshArray_ != a) freshArray_ = nullptr;
    } else {
        // First use without DIM: upper bound 10 for each subscript given.
        const VType t = e.hasSuffix ? e.suffixType : defaultType(e.text[0]);
        a = createArray(e.text, t, std::vector<int>(e.kids.size(), 10));
        freshArray_ = a;
    }
    Expr& m = const_cast<Expr&>(e);
    m.cache = a;
    m.cacheGen = varGen_;
    return a;
}

size_t Interpreter::elementIndex(Array& a, const Expr& e) {
    // An array made by this very reference is taken back when a subscript
    // is outside 0..32767: that check comes before any lookup.
    const bool fresh = freshArray_ == &a;
    freshArray_ = nullptr;
    const size_t n = e.kids.size();
    int sub[kMaxDims];
    bool outside = n > kMaxDims;
    auto takeBack = [&]() {
        if (!fresh) return;
        for (auto it = arrays_.begin(); it != arrays_.end(); ++it)
            if (it->second.get() == &a) {
                eraseArray(it->first);
                return;
            }
    };
    try {
        for (size_t i = 0; i < n && !outside; ++i) {
            const double s = std::trunc(evalNum(*e.kids[i]));
            if (s < 0 || s > 32767) outside = true;
            else sub[i] = static_cast<int>(s);
        }
    } catch (const BasicError&) {
        takeBack();
        throw;
    }
    if (outside) {
        takeBack();
        raise(err::SubscriptOutOfRange);
    }
    if (n != a.dims.size()) raise(err::SubscriptOutOfRange);
    // The first subscript varies fastest.
    size_t idx = 0;
    for (size_t i = n; i-- > 0;) {
        if (sub[i] < optionBase_ || sub[i] > a.dims[i]) raise(err::SubscriptOutOfRange);
        idx = idx * (static_cast<size_t>(a.dims[i]) + 1) + static_cast<size_t>(sub[i]);
    }
    return idx;
}

// ------------------------------------------------------- function glue

int FunctionGlue::cursorRow() { return in_.screen().row(); }
int FunctionGlue::cursorColumn() { return in_.screen().col(); }
int FunctionGlue::errorCode() { return in_.err(); }
int FunctionGlue::errorLine() { return in_.erl(); }
int FunctionGlue::takeLastKey() { return in_.takeLastKey(); }
bool FunctionGlue::takeKeys(int n, std::string& out) { return in_.takeKeys(n, out); }

bool FunctionGlue::fileAtEnd(int f) { return in_.fnEof(f); }
double FunctionGlue::fileLength(int f) { return in_.fnLof(f); }
double FunctionGlue::filePosition(int f) { return in_.fnLoc(f); }
bool FunctionGlue::fileInput(int f, int count, std::string& out) { return in_.fnFileInput(f, count, out); }
double FunctionGlue::pointPosition(int n) { return in_.fnPointPosition(n); }
double FunctionGlue::pointColor(double x, double y) { return in_.fnPointColor(x, y); }
double FunctionGlue::mapCoord(double v, int n) { return in_.fnMap(v, n); }
int FunctionGlue::viewCoord(int n) { return in_.fnView(n); }
double FunctionGlue::windowCoord(int n) { return in_.fnWindow(n); }
int FunctionGlue::pen(int n) { return in_.fnPen(n); }
int FunctionGlue::peek(int64_t offset) { return in_.fnPeek(offset); }
int FunctionGlue::inp(int port) { return in_.fnInp(port); }
uint32_t FunctionGlue::defSeg() { return in_.fnDefSeg(); }
uint32_t FunctionGlue::segPtr() { return in_.fnSegPtr(); }
uint32_t FunctionGlue::varPtr(std::string_view reference) { return in_.fnVarPtr(reference); }

ClockTime FunctionGlue::clock() {
    const std::time_t t = static_cast<std::time_t>(in_.host().wallClockSeconds() + clockOffset);
    std::tm tm{};
    localtime_r(&t, &tm);
    ClockTime c;
    c.year = tm.tm_year + 1900;
    c.month = tm.tm_mon + 1;
    c.day = tm.tm_mday;
    c.hour = tm.tm_hour;
    c.minute = tm.tm_min;
    c.second = tm.tm_sec;
    return c;
}

}  // namespace tw
