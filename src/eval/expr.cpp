#include "eval/expr.h"

#include <cctype>
#include <cstring>

#include "core/errors.h"
#include "eval/functions.h"
#include "eval/numtext.h"

namespace tw {

std::string_view trim(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && s[b] == ' ') ++b;
    size_t e = s.size();
    while (e > b && s[e - 1] == ' ') --e;
    return s.substr(b, e - b);
}

std::string_view trimRight(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && s[e - 1] == ' ') --e;
    return s.substr(0, e);
}

size_t findOutside(std::string_view s, std::string_view word, size_t from, bool depth0) {
    bool q = false;
    int depth = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            q = !q;
            continue;
        }
        if (q) continue;
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (i < from) continue;
        if (depth0 && depth != 0) continue;
        if (s.compare(i, word.size(), word) == 0) return i;
    }
    return std::string_view::npos;
}

std::vector<std::pair<std::string_view, char>> splitList(std::string_view s,
                                                         std::string_view seps) {
    std::vector<std::pair<std::string_view, char>> out;
    bool q = false;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') q = !q;
        if (q) continue;
        if (c == '(') ++depth;
        else if (c == ')') --depth;
        else if (depth == 0 && seps.find(c) != std::string_view::npos) {
            out.emplace_back(s.substr(start, i - start), c);
            start = i + 1;
        }
    }
    out.emplace_back(s.substr(start), '\0');
    return out;
}

std::vector<std::string_view> splitArgs(std::string_view s) {
    std::vector<std::string_view> out;
    for (const auto& piece : splitList(s, ",")) out.push_back(piece.first);
    return out;
}

static bool nameStop(char c) {
    switch (c) {
    case ' ': case '+': case '-': case '*': case '/': case '^': case '\\': case '<': case '>':
    case '=': case ';': case ',': case ':': case '\'': case '\r': case '\n': case '(': case ')':
    case '"': case '&': case '\0':
        return true;
    default:
        return false;
    }
}

std::string readName(std::string_view s, size_t pos, size_t* end) {
    std::string name;
    size_t i = pos;
    while (i < s.size()) {
        const char c = s[i];
        if (nameStop(c)) break;
        if (i > pos && s.compare(i, 3, "MOD") == 0) break;
        name.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        ++i;
        if (c == '%' || c == '!' || c == '#' || c == '$') break;
    }
    if (end) *end = i;
    return name;
}

namespace {

struct OpInfo {
    Op op;
    int lbp;  // how strongly it takes the operand on its left
    int rbp;  // how strongly it holds the operand on its right
};

// Levels and thresholds of the dialect: a pending operator of level L is
// applied before a new operator of threshold T when L > T. Doubling keeps
// the comparison in integers: lbp = 2T + 1, rbp = 2L. Relational operators
// have no threshold: they always take their left operand.
constexpr int kRel = 1000;

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}

    size_t position() const { return pos_; }

    ExprPtr parseTop(bool wholeRegion = true) {
        skip();
        ExprPtr e;
        if (pos_ < s_.size() && s_[pos_] == '-' && leadingMinusApplies()) {
            ++pos_;
            const size_t end = firstTermEnd(pos_);
            std::string_view sub = s_.substr(pos_, end - pos_);
            Parser inner(sub);
            ExprPtr x = inner.parse(0);
            inner.expectEnd();
            pos_ = end;
            auto neg = std::make_unique<Expr>();
            neg->kind = Expr::Neg;
            neg->kids.push_back(std::move(x));
            e = parseInfix(std::move(neg), 0);
        } else {
            e = parse(0);
        }
        if (wholeRegion) expectEnd();
        return e;
    }

    ExprPtr parse(int minBp) { return parseInfix(parsePrefix(), minBp); }

    void expectEnd() {
        skip();
        if (pos_ != s_.size()) raise(err::Syntax);
    }

private:
    void skip() {
        while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
    }

    bool leadingMinusApplies() const {
        static const char* words[] = {" AND", " NOT", " OR", " XOR", " IMP", " EQV",
                                      " \\",  " MOD", " THEN", " ELSE"};
        std::string_view rest = s_.substr(pos_ + 1);
        for (const char* w : words)
            if (rest.find(w) != std::string_view::npos) return false;
        return true;
    }

    size_t firstTermEnd(size_t from) const {
        bool q = false;
        int depth = 0;
        for (size_t i = from; i < s_.size(); ++i) {
            const char c = s_[i];
            if (c == '"') q = !q;
            if (q) continue;
            if (c == '(') ++depth;
            else if (c == ')') --depth;
            else if ((c == '+' || c == '-') && depth == 0 && i > from) {
                const char p = s_[i - 1];
                if (p == 'E' || p == 'D' || p == 'e' || p == 'd') continue;
                return i;
            }
        }
        return s_.size();
    }

    bool wordAt(const char* w) const { return s_.compare(pos_, std::strlen(w), w) == 0; }

    bool peekOp(OpInfo& oi, size_t& len) {
        skip();
        if (pos_ >= s_.size()) return false;
        const char c = s_[pos_];
        const char n = pos_ + 1 < s_.size() ? s_[pos_ + 1] : '\0';
        len = 1;
        switch (c) {
        case '^': oi = {Op::Pow, 33, 34}; return true;
        case '/': oi = {Op::Div, 29, 32}; return true;
        case '*': oi = {Op::Mul, 29, 30}; return true;
        case '\\': oi = {Op::IDiv, 27, 28}; return true;
        case '-': oi = {Op::Sub, 21, 24}; return true;
        case '+': oi = {Op::Add, 21, 22}; return true;
        case '=':
            if (n == '<') { len = 2; oi = {Op::Le, kRel, 46}; return true; }
            if (n == '>') { len = 2; oi = {Op::Ge, kRel, 50}; return true; }
            oi = {Op::Eq, kRel, 54};
            return true;
        case '<':
            if (n == '>') { len = 2; oi = {Op::Ne, kRel, 56}; return true; }
            if (n == '=') { len = 2; oi = {Op::Le, kRel, 46}; return true; }
            oi = {Op::Lt, kRel, 42};
            return true;
        case '>':
            if (n == '<') { len = 2; oi = {Op::Ne, kRel, 56}; return true; }
            if (n == '=') { len = 2; oi = {Op::Ge, kRel, 50}; return true; }
            oi = {Op::Gt, kRel, 44};
            return true;
        default:
            break;
        }
        len = 3;
        if (wordAt("MOD")) { oi = {Op::Mod, 25, 26}; return true; }
        if (wordAt("AND")) { oi = {Op::And, 9, 8}; return true; }
        if (wordAt("XOR")) { oi = {Op::Xor, 7, 6}; return true; }
        if (wordAt("EQV")) { oi = {Op::Eqv, 5, 4}; return true; }
        if (wordAt("IMP")) { oi = {Op::Imp, 3, 2}; return true; }
        len = 2;
        if (wordAt("OR")) { oi = {Op::Or, 11, 10}; return true; }
        return false;
    }

    ExprPtr parseInfix(ExprPtr left, int minBp) {
        for (;;) {
            OpInfo oi{};
            size_t len = 0;
            if (!peekOp(oi, len)) return left;
            if (oi.lbp <= minBp) return left;
            pos_ += len;
            ExprPtr right = parse(oi.rbp);
            auto b = std::make_unique<Expr>();
            b->kind = Expr::Bin;
            b->op = oi.op;
            b->kids.push_back(std::move(left));
            b->kids.push_back(std::move(right));
            left = std::move(b);
        }
    }

    ExprPtr parsePrefix() {
        skip();
        if (pos_ >= s_.size()) raise(err::Syntax);
        const char c = s_[pos_];
        if (c == '-' || c == '+') {
            ++pos_;
            ExprPtr x = parsePrefix();
            if (c == '+') return x;
            if (x->kind == Expr::NumLit) {
                x->num = -x->num;
                return x;
            }
            auto neg = std::make_unique<Expr>();
            neg->kind = Expr::Neg;
            neg->kids.push_back(std::move(x));
            return neg;
        }
        if (wordAt("NOT")) {
            pos_ += 3;
            auto e = std::make_unique<Expr>();
            e->kind = Expr::Not;
            e->kids.push_back(parse(12));
            return e;
        }
        if (c == '(') {
            ++pos_;
            ExprPtr e = parse(0);
            skip();
            if (pos_ >= s_.size() || s_[pos_] != ')') raise(err::Syntax);
            ++pos_;
            return e;
        }
        if (c == '"') {
            const size_t close = s_.find('"', pos_ + 1);
            if (close == std::string_view::npos) raise(err::IllegalFunctionCall);
            auto e = std::make_unique<Expr>();
            e->kind = Expr::StrLit;
            e->text = std::string(s_.substr(pos_ + 1, close - pos_ - 1));
            pos_ = close + 1;
            return e;
        }
        if (c == '&') return parseRadix();
        if (isDigit(c) || c == '.') return parseNumber();
        if (std::isalpha(static_cast<unsigned char>(c))) return parseOperand();
        raise(err::Syntax);
    }

    ExprPtr parseRadix() {
        ++pos_;
        int base = 8;
        if (pos_ < s_.size() && (s_[pos_] == 'H' || s_[pos_] == 'h')) {
            base = 16;
            ++pos_;
        } else if (pos_ < s_.size() && (s_[pos_] == 'O' || s_[pos_] == 'o')) {
            ++pos_;
        }
        size_t b = pos_;
        while (pos_ < s_.size() && (isDigit(s_[pos_]) || (s_[pos_] >= 'A' && s_[pos_] <= 'F') ||
                                    (s_[pos_] >= 'a' && s_[pos_] <= 'f')))
            ++pos_;
        auto e = std::make_unique<Expr>();
        e->kind = Expr::NumLit;
        e->radix = true;
        e->num = numtext::strtol(s_.substr(b, pos_ - b), base);
        return e;
    }

    ExprPtr parseNumber() {
        // Digits may be separated by blanks ("1 2" reads as 12); the exponent
        // letter must follow directly.
        std::string digits;
        bool point = false;
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (isDigit(c)) {
                digits.push_back(c);
                ++pos_;
            } else if (c == '.' && !point) {
                point = true;
                digits.push_back(c);
                ++pos_;
            } else if (c == ' ') {
                size_t k = pos_;
                while (k < s_.size() && s_[k] == ' ') ++k;
                if (k < s_.size() && (isDigit(s_[k]) || (s_[k] == '.' && !point)))
                    pos_ = k;
                else
                    break;
            } else {
                break;
            }
        }
        if (pos_ < s_.size() && (s_[pos_] == 'E' || s_[pos_] == 'D' || s_[pos_] == 'e' ||
                                 s_[pos_] == 'd')) {
            size_t k = pos_ + 1;
            if (k < s_.size() && (s_[k] == '+' || s_[k] == '-')) ++k;
            if (k < s_.size() && isDigit(s_[k])) {
                digits.push_back('E');
                digits.append(s_.substr(pos_ + 1, k - pos_ - 1));
                pos_ = k;
                while (pos_ < s_.size() && isDigit(s_[pos_])) digits.push_back(s_[pos_++]);
            }
        }
        // A type suffix on a literal is accepted and ignored.
        if (pos_ < s_.size() && (s_[pos_] == '!' || s_[pos_] == '#' || s_[pos_] == '%')) ++pos_;
        auto e = std::make_unique<Expr>();
        e->kind = Expr::NumLit;
        e->num = numtext::atof(digits);
        return e;
    }

    ExprPtr parseOperand() {
        size_t end = 0;
        std::string name = readName(s_, pos_, &end);
        if (name.empty()) raise(err::Syntax);
        pos_ = end;
        auto e = std::make_unique<Expr>();
        e->text = name;
        const char last = name.back();
        e->hasSuffix = last == '%' || last == '!' || last == '#' || last == '$';
        if (e->hasSuffix)
            e->suffixType = last == '%' ? VType::Int
                            : last == '!' ? VType::Sng
                            : last == '#' ? VType::Dbl
                                          : VType::Str;
        size_t save = pos_;
        skip();
        const bool paren = pos_ < s_.size() && s_[pos_] == '(';
        if (!paren) pos_ = save;
        if (name.size() > 2 && name[0] == 'F' && name[1] == 'N') {
            e->kind = Expr::UserFn;
            if (paren) parseArgs(*e);
            return e;
        }
        if (const FuncInfo* f = findFunction(name)) {
            e->kind = Expr::Func;
            e->fn = f;
            if (paren) parseArgs(*e);
            return e;
        }
        if (paren) {
            e->kind = Expr::Elem;
            parseArgs(*e);
            if (e->kids.empty()) raise(err::Syntax);
            return e;
        }
        e->kind = Expr::Var;
        return e;
    }

    void parseArgs(Expr& e) {
        ++pos_;  // '('
        skip();
        if (pos_ < s_.size() && s_[pos_] == ')') {
            ++pos_;
            return;
        }
        for (;;) {
            // A file number may be written with "#" (INPUT$(n,#1)).
            skip();
            if (e.kind == Expr::Func && pos_ < s_.size() && s_[pos_] == '#') ++pos_;
            const size_t argStart = pos_;
            e.kids.push_back(parse(0));
            if (e.kind == Expr::Func && e.fn && e.fn->referenceArg) {
                // A reference argument keeps its text (VARPTR(A(1))).
                std::string ref;
                for (char c : s_.substr(argStart, pos_ - argStart))
                    if (c != ' ') ref.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
                e.kids.back()->ref = ref;
            }
            skip();
            if (pos_ >= s_.size()) raise(err::Syntax);
            if (s_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (s_[pos_] == ')') {
                ++pos_;
                return;
            }
            raise(err::Syntax);
        }
    }

    std::string_view s_;
    size_t pos_ = 0;
};

}  // namespace

// Marks the nodes that can only give numbers, so evaluation can skip the
// checks for strings there.
static void markNumeric(Expr& e) {
    for (auto& k : e.kids) markNumeric(*k);
    switch (e.kind) {
    case Expr::NumLit:
    case Expr::Neg:
    case Expr::Not:
        e.numeric = true;
        break;
    case Expr::Bin:
        e.numeric = e.op != Op::Add || (e.kids[0]->numeric && e.kids[1]->numeric);
        break;
    case Expr::Var:
    case Expr::Elem:
        e.numeric = e.hasSuffix && e.suffixType != VType::Str;
        break;
    case Expr::Func:
        e.numeric = !e.fn->stringResult;
        e.plainFn = e.kids.size() == 1 && isPlainFunction(*e.fn);
        break;
    default:
        break;
    }
}

ExprPtr parseExpression(std::string_view region) {
    // Parentheses must balance over the whole region.
    int depth = 0;
    bool q = false;
    for (char c : region) {
        if (c == '"') q = !q;
        if (q) continue;
        if (c == '(') {
            if (++depth > 63) raise(err::OutOfMemory);
        } else if (c == ')') {
            --depth;
        }
    }
    if (depth != 0 && !q) raise(err::Syntax);
    Parser p(region);
    ExprPtr e = p.parseTop();
    markNumeric(*e);
    return e;
}

std::vector<ExprPtr> parseJuxtaposed(std::string_view region) {
    std::vector<ExprPtr> out;
    size_t pos = 0;
    while (true) {
        std::string_view rest = region.substr(pos);
        if (trim(rest).empty()) break;
        if (out.empty()) {
            // The common case: the whole region is one expression.
            try {
                out.push_back(parseExpression(rest));
                break;
            } catch (const BasicError& e) {
                if (e.code != err::Syntax) throw;
            }
        }
        Parser p(rest);
        out.push_back(p.parseTop(false));
        markNumeric(*out.back());
        if (p.position() == 0) raise(err::Syntax);
        pos += p.position();
    }
    return out;
}

bool hasRadixLiteral(const Expr& e) {
    if (e.radix) return true;
    for (const auto& k : e.kids)
        if (hasRadixLiteral(*k)) return true;
    return false;
}

}  // namespace tw
