// Evaluation of expression trees, variables and arrays.
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

int16_t low16(double x) {
    double t = std::trunc(x);
    if (std::fabs(t) < 9.0e15) return static_cast<int16_t>(static_cast<uint16_t>(static_cast<int64_t>(t) & 0xFFFF));
    double m = std::fmod(t, 65536.0);
    if (m < 0) m += 65536.0;
    return static_cast<int16_t>(static_cast<uint16_t>(m));
}

// The dialect's rounding to a whole number: halves away from zero.
double roundHalfAway(double x) { return x >= 0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5); }

int32_t toInt32(double x) {
    const double r = roundHalfAway(x);
    if (r < -2147483648.0 || r > 2147483647.0) raise(err::Overflow);
    return static_cast<int32_t>(r);
}

double checked(double r) {
    if (std::isinf(r) || std::isnan(r)) raise(err::Overflow);
    return numtext::roundSig(r, 16);
}

double power(double x, double y) {
    if (x == 0.0) return 0.0;
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

Variable* Interpreter::findVar(const Expr& e) {
    if (e.cache && e.cacheGen == varGen_) return static_cast<Variable*>(e.cache);
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

double Interpreter::evalNum(const Expr& e) {
    switch (e.kind) {
    case Expr::NumLit:
        return e.num;
    case Expr::Var: {
        const Variable* v = findVar(e);
        if (v->type == VType::Str) raise(err::TypeMismatch);
        return v->num;
    }
    default: {
        Value v = eval(e);
        if (v.isStr()) raise(err::TypeMismatch);
        return v.num;
    }
    }
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
        std::vector<Value> args;
        args.reserve(e.kids.size());
        if (e.fn->referenceArg) {
            for (const auto& k : e.kids) args.push_back(Value::string(k->text));
        } else {
            for (const auto& k : e.kids) args.push_back(eval(*k));
        }
        return callFunction(*e.fn, args, *glue_);
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
    const double x = a.num;
    const double y = b.num;
    switch (op) {
    case Op::Add: return Value::dbl(checked(x + y));
    case Op::Sub: return Value::dbl(checked(x - y));
    case Op::Mul: return Value::dbl(checked(x * y));
    case Op::Div:
        if (std::fabs(y) <= kZero) raise(err::DivisionByZero);
        return Value::dbl(checked(x / y));
    case Op::Pow: return Value::dbl(checked(power(x, y)));
    case Op::IDiv: {
        const int32_t p = toInt32(x);
        const int32_t q = toInt32(y);
        if (q == 0) raise(err::DivisionByZero);
        const int64_t r = static_cast<int64_t>(p) / q;
        return Value::integer(numtext::roundSig(static_cast<double>(r), 7));
    }
    case Op::Mod: {
        const int32_t p = toInt32(x);
        const int32_t q = toInt32(y);
        if (q == 0) raise(err::DivisionByZero);
        const int64_t r = static_cast<int64_t>(p) % q;
        return Value::integer(numtext::roundSig(static_cast<double>(r), 7));
    }
    case Op::Eq: return Value::integer(low16(x) == low16(y) ? -1 : 0);
    case Op::Ne: return Value::integer(low16(x) != low16(y) ? -1 : 0);
    case Op::Lt: return Value::integer(low16(x) < low16(y) ? -1 : 0);
    case Op::Gt: return Value::integer(low16(x) > low16(y) ? -1 : 0);
    case Op::Le: return Value::integer(low16(x) <= low16(y) ? -1 : 0);
    case Op::Ge: return Value::integer(low16(x) >= low16(y) ? -1 : 0);
    case Op::And: return Value::integer(static_cast<int16_t>(low16(x) & low16(y)));
    case Op::Or: return Value::integer(static_cast<int16_t>(low16(x) | low16(y)));
    case Op::Xor: return Value::integer(static_cast<int16_t>(low16(x) ^ low16(y)));
    case Op::Eqv: return Value::integer(static_cast<int16_t>(~(low16(x) ^ low16(y))));
    case Op::Imp: return Value::integer(static_cast<int16_t>(~low16(x) | low16(y)));
    }
    raise(err::Syntax);
}

Value Interpreter::evalRegion(std::string_view text) {
    ExprPtr e = parseExpression(text);
    return eval(*e);
}

// Converts a value for a variable or element of type t, with the range
// checks of the store.
static double convertForStore(VType t, const Value& v, bool radix) {
    double x = v.num;
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
        var.num = convertForStore(var.type, v, radix);
}

void Interpreter::store(const Expr& target, Value v, bool radix) {
    if (target.kind == Expr::Var) {
        Variable* var = findVar(target);
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
            a->nums[idx] = convertForStore(a->type, v, radix);
        return;
    }
    raise(err::Syntax);
}

// ------------------------------------------------------------- arrays

Array* Interpreter::findArray(const std::string& name, VType type, size_t ndims, bool create) {
    auto it = arrays_.find(name);
    if (it != arrays_.end()) return it->second.get();
    if (!create) return nullptr;
    std::vector<int> dims(ndims, 10);
    return createArray(name, type, dims);
}

Array* Interpreter::createArray(const std::string& name, VType type, const std::vector<int>& dims) {
    if (dims.empty() || dims.size() > 255) raise(err::SubscriptOutOfRange);
    size_t count = 1;
    for (int d : dims) {
        if (d < optionBase_) raise(err::IllegalFunctionCall);
        count *= static_cast<size_t>(d - optionBase_ + 1);
        if (count > 4000000) raise(err::OutOfMemory);
    }
    const size_t width = type == VType::Int ? 2 : type == VType::Sng ? 4 : type == VType::Dbl ? 8 : 2;
    if (arrayBytes_ + count * width > (1u << 20)) raise(err::OutOfMemory);
    auto a = std::make_unique<Array>();
    a->type = type;
    a->dims = dims;
    a->count = count;
    if (type == VType::Str)
        a->strs.assign(count, std::string());
    else
        a->nums.assign(count, 0.0);
    arrayBytes_ += count * width;
    Array* p = a.get();
    arrays_[name] = std::move(a);
    return p;
}

Array* Interpreter::arrayFor(const Expr& e) {
    if (e.cache && e.cacheGen == varGen_) return static_cast<Array*>(e.cache);
    if (e.text.empty() || !isUpper(e.text[0])) raise(err::Syntax);
    const VType t = e.hasSuffix ? e.suffixType : defaultType(e.text[0]);
    auto it = arrays_.find(e.text);
    Array* a = it != arrays_.end() ? it->second.get() : createArray(e.text, t, std::vector<int>(e.kids.size(), 10));
    Expr& m = const_cast<Expr&>(e);
    m.cache = a;
    m.cacheGen = varGen_;
    return a;
}

size_t Interpreter::elementIndex(Array& a, const Expr& e) {
    if (e.kids.size() != a.dims.size()) raise(err::SubscriptOutOfRange);
    size_t idx = 0;
    for (size_t i = 0; i < e.kids.size(); ++i) {
        const double s = std::trunc(evalNum(*e.kids[i]));
        if (s < optionBase_ || s > a.dims[i]) raise(err::SubscriptOutOfRange);
        idx = idx * static_cast<size_t>(a.dims[i] - optionBase_ + 1) + static_cast<size_t>(s - optionBase_);
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
