// DATA/READ/RESTORE, OPTION BASE, DEF FN and user-function calls, and the
// MID$, DATE$ and TIME$ statements.
#include <algorithm>
#include <array>
#include <cmath>

#include "core/interp.h"
#include "core/stmt.h"
#include "eval/funcglue.h"
#include "eval/numtext.h"

namespace tw {

namespace {

constexpr size_t kMaxDataItems = 65535;
constexpr size_t kMaxReadNames = 255;
constexpr size_t kMaxUserFns = 64;
constexpr int kMaxFnDepth = 10;

// A simple variable or an array element, as READ and MID$ take them.
ExprPtr parseVariable(std::string_view t) {
    t = trim(t);
    if (t.empty() || !isUpper(t[0])) raise(err::Syntax);
    ExprPtr e = parseExpression(t);
    if (e->kind != Expr::Var && e->kind != Expr::Elem) raise(err::Syntax);
    return e;
}

// Whole number of a numeric argument: halves away from zero, clamped far
// outside every range checked by the callers.
int64_t wholeArg(double x) {
    x = std::clamp(x, -1e15, 1e15);
    return static_cast<int64_t>(x >= 0 ? x + 0.5 : x - 0.5);
}

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool validDate(int y, int m, int d) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12 || d < 1) return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

// The three fields of "a/b/c" or "a:b:c", each read with atoi.
std::array<int, 3> clockFields(std::string_view t, char sep) {
    std::array<int, 3> f{};
    for (int& v : f) {
        const size_t p = t.find(sep);
        v = numtext::atoi(t.substr(0, p));
        t = p == std::string_view::npos ? std::string_view() : t.substr(p + 1);
    }
    return f;
}

// The text after an "&" item has been rewritten for a numeric reading:
// "&HFF" reads as hexadecimal 255, "&17" as octal 15.
std::string radixItem(const std::string& item) {
    std::string t;
    for (char c : item)
        if (c != '&') t.push_back(c);
    int base = 8;
    const size_t h = t.find_first_of("Hh");
    if (h != std::string::npos) {
        t.erase(h, 1);
        base = 16;
    }
    return std::to_string(numtext::strtol(t, base));
}

// Splits the text after the word DATA into its items.
void splitDataItems(std::string_view t, std::vector<std::string>& out) {
    size_t i = 0;
    const size_t n = t.size();
    for (;;) {
        while (i < n && t[i] == ' ') ++i;
        std::string item;
        bool ended = false;  // an apostrophe ends the items
        if (i < n && t[i] == '"') {
            const size_t close = t.find('"', i + 1);
            const size_t stop = close == std::string_view::npos ? n : close;
            item.assign(t.substr(i + 1, stop - i - 1));
            i = stop == n ? n : stop + 1;
        } else {
            while (i < n && t[i] != ' ' && t[i] != ',' && t[i] != '\'') item.push_back(t[i++]);
        }
        // Whatever follows the item up to the next comma is ignored.
        while (i < n && t[i] != ',') {
            if (t[i] == '\'') {
                ended = true;
                break;
            }
            ++i;
        }
        if (out.size() >= kMaxDataItems) raise(err::OutOfMemory);
        out.push_back(std::move(item));
        if (ended || i >= n) return;
        ++i;  // the comma; nothing after a final comma is an empty item
    }
}

// Position after the word DATA when a statement of the line starts with
// it, outside quotes and comments; npos when the line has none.
size_t dataStart(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && isDigit(line[i])) ++i;
    bool atStart = true;
    bool q = false;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (q) {
            if (c == '"') q = false;
            continue;
        }
        if (atStart) {
            if (c == ' ') continue;
            if (c == '*') {
                // A label stands before the statement; skip it.
                while (i + 1 < line.size() && line[i + 1] != ' ' && line[i + 1] != ':') ++i;
                continue;
            }
            atStart = false;
            if (line.compare(i, 4, "DATA") == 0 && (i + 4 == line.size() || line[i + 4] == ' '))
                return i + 4;
        }
        if (c == '"') q = true;
        else if (c == ':') atStart = true;
        else if (c == '\'' || line.compare(i, 3, "REM") == 0) return std::string_view::npos;
    }
    return std::string_view::npos;
}

}  // namespace

// ----------------------------------------------------------- prepare

bool Interpreter::prepareData(Stmt& s) {
    std::string_view r = s.args();
    switch (s.code) {
    case kw::Read: {
        if (trim(r).empty()) raise(err::Syntax);
        for (std::string_view v : splitArgs(r)) s.targets.push_back(parseVariable(v));
        if (s.targets.size() > kMaxReadNames) raise(err::OutOfMemory);
        return true;
    }
    case kw::Restore: {
        std::string_view t = trim(r);
        if (!t.empty() && t[0] == '*')
            s.str = std::string(t);
        else if (!t.empty())
            s.ex.push_back(parseExpression(t));
        return true;
    }
    case kw::DefFn: {
        // DEF FNname[(p, ...)] = expression
        size_t i = 0;
        std::string name = "FN";
        while (i < r.size() && r[i] != '(' && r[i] != '=') {
            const char c = r[i++];
            if (c == ' ') continue;
            if (!isUpper(c) && !isDigit(c) && c != '%' && c != '!' && c != '#' && c != '$')
                raise(err::Syntax);
            name.push_back(c);
        }
        if (name.size() == 2 || i >= r.size()) raise(err::Syntax);
        if (r[i] == '(') {
            const size_t close = r.find(')', i);
            if (close == std::string_view::npos) raise(err::Syntax);
            std::string_view list = trim(r.substr(i + 1, close - i - 1));
            if (!list.empty()) {
                for (std::string_view p : splitArgs(list)) {
                    ExprPtr e = parseVariable(p);
                    if (e->kind != Expr::Var) raise(err::Syntax);
                    s.tokens.emplace_back(trim(p));
                }
            }
            i = close + 1;
            while (i < r.size() && r[i] == ' ') ++i;
            if (i >= r.size() || r[i] != '=') raise(err::Syntax);
        }
        s.str = std::move(name);
        s.sub = static_cast<int>(s.argPos + i + 1);  // where the body starts
        return true;
    }
    case kw::MidS: {
        // MID$(v$, start[, length]) = r$
        std::string_view t = trim(r);
        if (t.empty() || t[0] != '(') raise(err::Syntax);
        int depth = 0;
        bool q = false;
        size_t close = std::string_view::npos;
        for (size_t k = 0; k < t.size() && close == std::string_view::npos; ++k) {
            if (t[k] == '"') q = !q;
            if (q) continue;
            if (t[k] == '(') ++depth;
            if (t[k] == ')' && --depth == 0) close = k;
        }
        if (close == std::string_view::npos) raise(err::Syntax);
        auto args = splitArgs(t.substr(1, close - 1));
        std::string_view after = trim(t.substr(close + 1));
        if (args.size() < 2 || args.size() > 3 || after.empty() || after[0] != '=') raise(err::Syntax);
        std::string_view rhs = trim(after.substr(1));
        if (rhs.empty()) raise(err::Syntax);
        s.target = parseVariable(args[0]);
        for (size_t k = 1; k < args.size(); ++k) {
            if (trim(args[k]).empty()) raise(err::Syntax);
            s.ex.push_back(parseExpression(trim(args[k])));
        }
        s.sub = static_cast<int>(args.size()) - 1;  // numeric arguments
        s.ex.push_back(parseExpression(rhs));
        return true;
    }
    case kw::DateS:
    case kw::TimeS: {
        std::string_view t = trim(r);
        if (t.empty() || t[0] != '=' || trim(t.substr(1)).empty()) raise(err::Syntax);
        s.ex.push_back(parseExpression(trim(t.substr(1))));
        return true;
    }
    case kw::OptionBase:
        return true;
    default:
        return false;
    }
}

// ----------------------------------------------------------- execute

bool Interpreter::executeData(Stmt& s) {
    switch (s.code) {
    case kw::Read:
        stRead(s);
        return true;
    case kw::Restore: {
        dataPos_ = 0;
        if (!s.str.empty()) {
            int32_t t;
            try {
                t = resolveTarget(s.str);
            } catch (const BasicError& e) {
                if (e.code == err::UndefinedLabel) raise(err::Syntax);
                throw;
            }
            // A label on a multi-statement line stands at one of its pieces.
            dataEntry_ = ent_[ent_[t].owner].line;
        } else if (!s.ex.empty()) {
            const Value v = eval(*s.ex[0]);
            dataEntry_ = v.isStr() ? numtext::atoi(v.str)
                                   : static_cast<int32_t>(std::clamp(std::trunc(v.num), -2e9, 2e9));
        } else {
            dataEntry_ = 0;
        }
        return true;
    }
    case kw::DefFn:
        stDefFn(s);
        return true;
    case kw::MidS:
        stMidAssign(s);
        return true;
    case kw::DateS:
    case kw::TimeS:
        stSetClock(s);
        return true;
    case kw::OptionBase: {
        if (optionBaseSet_) raise(err::DuplicateDefinition);
        const int32_t n = numtext::atoi(s.args());
        if (n != 0 && n != 1) raise(err::Syntax);
        optionBase_ = n;
        optionBaseSet_ = true;
        return true;
    }
    default:
        return false;
    }
}

// ------------------------------------------------------- DATA and READ

void Interpreter::collectData() {
    dataItems_.clear();
    for (size_t k = 0; k < progNo_.size(); ++k) {
        if (progNo_[k] < dataEntry_) continue;
        const std::string& line = progText_[k];
        const size_t p = dataStart(line);
        if (p != std::string::npos) splitDataItems(std::string_view(line).substr(p), dataItems_);
    }
}

void Interpreter::stRead(Stmt& s) {
    if (dataPos_ == 0) collectData();
    for (const auto& t : s.targets) {
        ++dataPos_;
        if (dataPos_ > dataItems_.size()) raise(err::OutOfData);
        std::string item = dataItems_[dataPos_ - 1];
        bool isStr;
        if (t->kind == Expr::Var) {
            if (item.find('&') != std::string::npos) item = radixItem(item);
            isStr = findVar(*t)->type == VType::Str;
        } else {
            isStr = arrayFor(*t)->type == VType::Str;
        }
        // No type check: text read into a number is read as far as it is one.
        store(*t, isStr ? Value::string(std::move(item)) : Value::dbl(numtext::atof(item)));
    }
}

// ---------------------------------------------------------- user functions

void Interpreter::stDefFn(Stmt& s) {
    auto fn = std::make_shared<UserFn>();
    for (const auto& p : s.tokens) fn->params.push_back(parseExpression(p));
    try {
        std::string_view body = trim(std::string_view(s.text).substr(static_cast<size_t>(s.sub)));
        if (body.empty()) raise(err::Syntax);
        fn->body = parseExpression(body);
    } catch (const BasicError& e) {
        // The definition is only text until it is called.
        fn->bodyError = e;
    }
    const char last = s.str.back();
    fn->type = last == '%' ? VType::Int
               : last == '!' ? VType::Sng
               : last == '#' ? VType::Dbl
               : last == '$' ? VType::Str
                             : defaultType(s.str[2]);
    auto it = userFns_.find(s.str);
    if (it != userFns_.end()) {
        it->second = std::move(fn);
        return;
    }
    if (userFns_.size() >= kMaxUserFns) raise(err::OutOfMemory);
    userFns_.emplace(s.str, std::move(fn));
}

Value Interpreter::callUserFn(const Expr& e) {
    auto it = userFns_.find(e.text);
    if (it == userFns_.end()) raise(err::UndefinedUserFunction);
    const std::shared_ptr<UserFn> fn = it->second;

    // The parameters are the program's variables of those names; their
    // values are put back when the call ends, however it ends.
    struct Saved {
        Variable* var;
        double num;
        std::string str;
    };
    struct Frame {
        Interpreter& in;
        std::vector<Saved> saved;
        ~Frame() {
            for (auto s = saved.rbegin(); s != saved.rend(); ++s) {
                s->var->num = s->num;
                s->var->str = std::move(s->str);
            }
            --in.fnDepth_;
        }
    } frame{*this, {}};
    if (++fnDepth_ > kMaxFnDepth) raise(err::OutOfMemory);
    if (e.kids.size() != fn->params.size()) raise(err::Syntax);

    // Arguments are evaluated before any parameter changes.
    std::vector<Value> args;
    args.reserve(e.kids.size());
    for (const auto& k : e.kids) args.push_back(eval(*k));
    for (size_t i = 0; i < fn->params.size(); ++i) {
        Variable* v = findVar(*fn->params[i]);
        frame.saved.push_back({v, v->num, v->str});
        storeVar(*v, args[i], false);
    }
    if (fn->bodyError) throw *fn->bodyError;
    Value r = eval(*fn->body);

    if ((fn->type == VType::Str) != r.isStr()) raise(err::TypeMismatch);
    switch (fn->type) {
    case VType::Int: {
        const double x = r.num >= 0 ? std::trunc(r.num + 0.5) : std::trunc(r.num - 0.5);
        if (x < -32768 || x > 32767) raise(err::Overflow);
        return Value::integer(x == 0 ? 0.0 : x);
    }
    case VType::Sng:
        if (std::fabs(r.num) > 1.701410009187828e38) raise(err::Overflow);
        return Value::single(r.num == 0 ? 0.0 : numtext::singleValue(static_cast<float>(r.num)));
    case VType::Dbl:
        return Value::dbl(r.num);
    case VType::Str:
        break;
    }
    return r;
}

// -------------------------------------------------- MID$, DATE$, TIME$

void Interpreter::stMidAssign(Stmt& s) {
    if (s.target->kind != Expr::Var) raise(err::TypeMismatch);
    Variable* v = findVar(*s.target);
    if (v->type != VType::Str) raise(err::TypeMismatch);
    const int64_t start = wholeArg(evalNum(*s.ex[0]));
    int64_t count = -1;
    if (s.sub == 2) {
        count = wholeArg(evalNum(*s.ex[1]));
        if (count < 0) raise(err::IllegalFunctionCall);
    }
    const Value r = eval(*s.ex.back());
    if (!r.isStr()) raise(err::TypeMismatch);
    std::string& t = v->str;
    const int64_t len = static_cast<int64_t>(t.size());
    if (start < 1 || start > len) raise(err::IllegalFunctionCall);
    int64_t n = std::min<int64_t>(static_cast<int64_t>(r.str.size()), len - start + 1);
    if (count >= 0) n = std::min(n, count);
    t.replace(static_cast<size_t>(start - 1), static_cast<size_t>(n), r.str, 0, static_cast<size_t>(n));
}

void Interpreter::stSetClock(Stmt& s) {
    const Value v = eval(*s.ex[0]);
    if (!v.isStr()) raise(err::TypeMismatch);
    const ClockTime now = glue_->clock();
    ClockTime set = now;
    if (s.code == kw::DateS) {
        const auto f = clockFields(v.str, '/');
        if (f[0] < 0 || f[0] > 99 || !validDate(2000 + f[0], f[1], f[2])) raise(err::IllegalFunctionCall);
        set.year = 2000 + f[0];
        set.month = f[1];
        set.day = f[2];
    } else {
        const auto f = clockFields(v.str, ':');
        if (f[0] < 0 || f[0] > 23 || f[1] < 0 || f[1] > 59 || f[2] < 0 || f[2] > 59)
            raise(err::IllegalFunctionCall);
        set.hour = f[0];
        set.minute = f[1];
        set.second = f[2];
    }
    // The interpreter's clock moves by the difference; the system clock is
    // not touched and both run on together.
    auto seconds = [](const ClockTime& c) {
        return daysFromCivil(c.year, c.month, c.day) * 86400 + c.hour * 3600 + c.minute * 60 + c.second;
    };
    glue_->clockOffset += seconds(set) - seconds(now);
}

}  // namespace tw
