// Statement handlers: each statement is prepared once from its text and
// then executed as often as the run loop reaches it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "core/interp.h"
#include "core/printusing.h"
#include "core/stmt.h"
#include "eval/funcglue.h"
#include "eval/functions.h"
#include "eval/numtext.h"

namespace tw {

namespace {

ExprPtr parseTarget(std::string_view t) {
    t = trim(t);
    if (t.empty() || !isUpper(t[0])) raise(err::Syntax);
    ExprPtr e = parseExpression(t);
    if (e->kind != Expr::Var && e->kind != Expr::Elem) raise(err::Syntax);
    return e;
}

// PRINT items: "SPC(" and "TAB(" become the string functions SPC$ and TAB$;
// two quotes inside a string literal stand for one quote character.
std::string rewritePrintText(std::string_view t) {
    std::string out;
    bool q = false;
    for (size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (c == '"') {
            if (q && i + 1 < t.size() && t[i + 1] == '"') {
                out += "\"+CHR$(34)+\"";
                ++i;
                continue;
            }
            q = !q;
        }
        if (!q && (t.compare(i, 3, "SPC") == 0 || t.compare(i, 3, "TAB") == 0) &&
            (i == 0 || !std::isalnum(static_cast<unsigned char>(t[i - 1])))) {
            size_t j = i + 3;
            while (j < t.size() && t[j] == ' ') ++j;
            if (j < t.size() && t[j] == '(') {
                out.append(t.substr(i, 3));
                out += "$";
                i = j - 1;
                continue;
            }
        }
        out.push_back(c);
    }
    return out;
}

void parsePrintItems(std::string_view t, std::vector<PrintItem>& items) {
    // Parentheses must balance.
    int depth = 0;
    bool q = false;
    for (char c : t) {
        if (c == '"') q = !q;
        if (q) continue;
        if (c == '(') ++depth;
        if (c == ')') --depth;
    }
    if (depth != 0) raise(err::Syntax);
    q = false;
    depth = 0;
    size_t start = 0;
    for (size_t i = 0; i <= t.size(); ++i) {
        const char c = i < t.size() ? t[i] : '\0';
        if (c == '"') q = !q;
        if (q && i < t.size()) continue;
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (i == t.size() || ((c == ';' || c == ',') && depth == 0)) {
            std::string_view item = trim(t.substr(start, i - start));
            // A pair of parentheses holding only blanks is an empty item.
            if (item.size() >= 2 && item.front() == '(' && item.back() == ')' &&
                trim(item.substr(1, item.size() - 2)).empty())
                item = {};
            PrintItem pi;
            if (!item.empty()) {
                // Expressions side by side print as if ";" stood between them.
                std::vector<ExprPtr> parts = parseJuxtaposed(item);
                for (size_t k = 0; k + 1 < parts.size(); ++k) {
                    PrintItem j;
                    j.expr = std::move(parts[k]);
                    j.sep = ';';
                    items.push_back(std::move(j));
                }
                pi.expr = std::move(parts.back());
            }
            pi.sep = i < t.size() ? c : 0;
            if (pi.expr || pi.sep) items.push_back(std::move(pi));
            start = i + 1;
        }
    }
}

}  // namespace

// ----------------------------------------------------------- prepare

void Interpreter::prepare(Stmt& s) {
    std::string_view r = s.args();
    switch (s.code) {
    case kw::Print:
    case kw::Question:
    case kw::Lprint: {
        // "PRINTX" is not PRINT X: the keyword needs a blank, a quote or "(".
        if (s.code == kw::Print && !r.empty() && r[0] != ' ' && r[0] != '"' && r[0] != '(')
            raise(err::Syntax);
        const std::string text = rewritePrintText(r);
        parsePrintItems(text, s.items);
        break;
    }
    case kw::PrintUsing:
    case kw::LprintUsing: {
        const std::string text = rewritePrintText(r);
        const size_t semi = findOutside(text, ";", 0, true);
        if (semi == std::string::npos) raise(err::Syntax);
        s.usingTmpl = parseExpression(std::string_view(text).substr(0, semi));
        parsePrintItems(std::string_view(text).substr(semi + 1), s.items);
        break;
    }
    case kw::Assign: {
        const size_t eq = findOutside(r, "=");
        if (eq == std::string::npos) raise(err::Syntax);
        s.target = parseTarget(r.substr(0, eq));
        std::string_view rhs = trim(r.substr(eq + 1));
        if (rhs.empty()) raise(err::Syntax);
        s.ex.push_back(parseExpression(rhs));
        s.radix = hasRadixLiteral(*s.ex[0]);
        break;
    }
    case kw::Goto:
    case kw::GoTo:
    case kw::Gosub:
    case kw::Return:
    case kw::Resume:
    case kw::OnErrorGoto:
        if (s.code == kw::OnErrorGoto) {
            const size_t g = r.find("GOTO");
            r = g == std::string_view::npos ? std::string_view() : r.substr(g + 4);
        }
        s.str = std::string(trim(r));
        break;
    case kw::For: {
        const size_t eq = findOutside(r, "=");
        if (eq == std::string::npos) raise(err::Syntax);
        std::string_view var = trim(r.substr(0, eq));
        if (var.empty() || !isUpper(var[0])) raise(err::Syntax);
        s.target = parseTarget(var);
        if (s.target->kind != Expr::Var) raise(err::Syntax);
        const size_t to = findOutside(r, "TO", eq + 1, true);
        if (to == std::string::npos) raise(err::Syntax);
        const size_t step = findOutside(r, "STEP", to + 2, true);
        std::string_view a = trim(r.substr(eq + 1, to - eq - 1));
        std::string_view b = trim(r.substr(to + 2, step == std::string::npos ? std::string::npos : step - to - 2));
        if (a.empty() || b.empty()) raise(err::Syntax);
        s.ex.push_back(parseExpression(a));
        s.ex.push_back(parseExpression(b));
        if (step != std::string::npos) {
            std::string_view c = trim(r.substr(step + 4));
            if (c.empty()) raise(err::Syntax);
            s.ex.push_back(parseExpression(c));
        }
        s.radix = hasRadixLiteral(*s.ex[0]);
        break;
    }
    case kw::Next: {
        if (!r.empty() && r[0] != ' ') raise(err::Syntax);
        std::string_view v = trim(r);
        if (!v.empty()) s.target = parseTarget(v);
        break;
    }
    case kw::If:
    case kw::While: {
        std::string_view c = r;
        if (s.code == kw::If) {
            size_t e1 = findOutside(c, " THEN");
            size_t e2 = findOutside(c, " GOTO");
            size_t e3 = findOutside(c, "THEN");
            size_t e = std::min({e1, e2, e3});
            if (e != std::string::npos) c = c.substr(0, e);
        }
        s.cond = parseCondition(c);
        break;
    }
    case kw::OnGoto: {
        const size_t g1 = findOutside(r, "GOTO");
        const size_t g2 = findOutside(r, "GOSUB");
        const size_t g = std::min(g1, g2);
        if (g == std::string::npos) raise(err::Syntax);
        s.sub = g == g2 ? 1 : 0;
        s.ex.push_back(parseExpression(trim(r.substr(0, g))));
        for (std::string_view item : splitArgs(r.substr(g + (s.sub ? 5 : 4))))
            s.tokens.emplace_back(trim(item));
        break;
    }
    case kw::Error:
    case kw::Randomize:
        if (!trim(r).empty()) s.ex.push_back(parseExpression(trim(r)));
        break;
    case kw::Swap: {
        auto parts = splitArgs(r);
        if (parts.size() != 2) raise(err::Syntax);
        s.targets.push_back(parseTarget(parts[0]));
        s.targets.push_back(parseTarget(parts[1]));
        break;
    }
    case kw::Input:
    case kw::LineInput: {
        std::string_view t = trim(r);
        if (!t.empty() && t[0] == ';') t = trim(t.substr(1));
        if (!t.empty() && t[0] == '"') {
            const size_t close = t.find('"', 1);
            if (close == std::string_view::npos) raise(err::Syntax);
            s.str = std::string(t.substr(1, close - 1));
            std::string_view after = trim(t.substr(close + 1));
            if (after.empty() || (after[0] != ';' && after[0] != ',')) raise(err::Syntax);
            s.promptSep = after[0];
            t = trim(after.substr(1));
        }
        if (t.empty()) raise(err::Syntax);
        for (std::string_view v : splitArgs(t)) s.targets.push_back(parseTarget(v));
        if (s.code == kw::LineInput && s.targets.size() != 1) raise(err::Syntax);
        break;
    }
    case kw::Dim:
    case kw::Erase:
        for (std::string_view v : splitArgs(r)) {
            std::string_view t = trim(v);
            if (t.empty()) raise(err::Syntax);
            ExprPtr e = parseExpression(t);
            if (s.code == kw::Dim && e->kind != Expr::Elem) raise(err::Syntax);
            if (s.code == kw::Erase && e->kind != Expr::Var) raise(err::Syntax);
            s.targets.push_back(std::move(e));
        }
        break;
    default:
        if (prepareScreen(s) || prepareData(s) || prepareFiles(s) || prepareGraphics(s) ||
            prepareEditing(s) || prepareKeys(s))
            break;
        break;
    }
}

CondPtr Interpreter::parseCondition(std::string_view text) {
    // Cut at the logical words (each after a blank) outside quotes and
    // parentheses; each piece is a comparison of two full expressions.
    std::string t = " " + std::string(text);
    struct Tok {
        bool isOp;
        Op op;
        bool isNot;
        std::string_view text;
    };
    std::vector<Tok> toks;
    static const std::pair<const char*, Op> words[] = {
        {" AND", Op::And}, {" OR", Op::Or}, {" XOR", Op::Xor},
        {" IMP", Op::Imp}, {" EQV", Op::Eqv}, {" NOT", Op::Eq}};
    std::string_view sv = t;
    bool q = false;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < sv.size(); ++i) {
        const char c = sv[i];
        if (c == '"') q = !q;
        if (q) continue;
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (depth != 0 || c != ' ') continue;
        for (const auto& w : words) {
            const size_t n = std::strlen(w.first);
            if (sv.compare(i, n, w.first) != 0) continue;
            const bool isNot = std::strcmp(w.first, " NOT") == 0;
            toks.push_back({false, Op::Eq, false, sv.substr(start, i - start)});
            toks.push_back({true, w.second, isNot, {}});
            start = i + n;
            i = start - 1;
            break;
        }
    }
    toks.push_back({false, Op::Eq, false, sv.substr(start)});
    // Operands: comparisons, with NOT as a prefix; empty operands before a
    // NOT are dropped.
    std::vector<CondPtr> operands;
    std::vector<Op> ops;
    std::vector<int> nots;  // pending NOT count before each operand
    int pendingNot = 0;
    for (size_t i = 0; i < toks.size(); ++i) {
        const Tok& tk = toks[i];
        if (tk.isOp) {
            if (tk.isNot) {
                ++pendingNot;
                continue;
            }
            ops.push_back(tk.op);
            continue;
        }
        std::string_view piece = trim(tk.text);
        if (piece.empty()) {
            if (i + 1 < toks.size() && toks[i + 1].isNot) continue;
            raise(err::Syntax);
        }
        auto node = std::make_unique<CondNode>();
        // Split at the first relational operator at depth 0.
        size_t rp = std::string_view::npos;
        size_t rlen = 0;
        Op rop = Op::Eq;
        bool q2 = false;
        int d2 = 0;
        for (size_t k = 0; k < piece.size(); ++k) {
            const char c = piece[k];
            if (c == '"') q2 = !q2;
            if (q2) continue;
            if (c == '(') ++d2;
            if (c == ')') --d2;
            if (d2 != 0) continue;
            if (c == '=' || c == '<' || c == '>') {
                const char n = k + 1 < piece.size() ? piece[k + 1] : '\0';
                rp = k;
                rlen = 1;
                if (c == '=') rop = n == '<' ? (rlen = 2, Op::Le) : n == '>' ? (rlen = 2, Op::Ge) : Op::Eq;
                if (c == '<') rop = n == '>' ? (rlen = 2, Op::Ne) : n == '=' ? (rlen = 2, Op::Le) : Op::Lt;
                if (c == '>') rop = n == '<' ? (rlen = 2, Op::Ne) : n == '=' ? (rlen = 2, Op::Ge) : Op::Gt;
                break;
            }
        }
        if (rp == std::string_view::npos) {
            node->kind = CondNode::Value;
            node->lhs = parseExpression(piece);
        } else {
            node->kind = CondNode::Compare;
            node->op = rop;
            node->lhs = parseExpression(trim(piece.substr(0, rp)));
            node->rhs = parseExpression(trim(piece.substr(rp + rlen)));
        }
        CondPtr n = std::move(node);
        for (; pendingNot > 0; --pendingNot) {
            auto nn = std::make_unique<CondNode>();
            nn->kind = CondNode::Not;
            nn->a = std::move(n);
            n = std::move(nn);
        }
        operands.push_back(std::move(n));
    }
    if (operands.empty() || ops.size() + 1 != operands.size()) raise(err::Syntax);
    // Combine with the logical precedence: OR over AND over XOR, EQV, IMP,
    // equal levels grouping to the right.
    auto level = [](Op o) {
        switch (o) {
        case Op::Or: return 5;
        case Op::And: return 4;
        case Op::Xor: return 3;
        case Op::Eqv: return 2;
        default: return 1;
        }
    };
    std::function<CondPtr(size_t, size_t)> build = [&](size_t lo, size_t hi) -> CondPtr {
        if (lo == hi) return std::move(operands[lo]);
        // The loosest operator splits; the leftmost of equal levels, so the
        // right side groups first.
        size_t split = lo;
        int best = 100;
        for (size_t k = lo; k < hi; ++k) {
            if (level(ops[k]) < best) {
                best = level(ops[k]);
                split = k;
            }
        }
        auto n = std::make_unique<CondNode>();
        n->kind = CondNode::Logic;
        n->op = ops[split];
        n->a = build(lo, split);
        n->b = build(split + 1, hi);
        return n;
    };
    return build(0, operands.size() - 1);
}

double Interpreter::evalCond(const CondNode& n) {
    switch (n.kind) {
    case CondNode::Value: {
        Value v = eval(*n.lhs);
        if (v.isStr()) raise(err::TypeMismatch);
        return v.num;
    }
    case CondNode::Compare: {
        Value a = eval(*n.lhs);
        Value b = eval(*n.rhs);
        if (a.isStr() != b.isStr()) raise(err::TypeMismatch);
        int c;
        if (a.isStr()) {
            c = std::strcmp(a.str.c_str(), b.str.c_str());
        } else {
            c = a.num < b.num ? -1 : a.num > b.num ? 1 : 0;
        }
        bool r = false;
        switch (n.op) {
        case Op::Eq: r = c == 0; break;
        case Op::Ne: r = c != 0; break;
        case Op::Lt: r = c < 0; break;
        case Op::Gt: r = c > 0; break;
        case Op::Le: r = c <= 0; break;
        default: r = c >= 0; break;
        }
        return r ? -1.0 : 0.0;
    }
    case CondNode::Not: {
        const double v = evalCond(*n.a);
        return static_cast<int16_t>(~static_cast<int16_t>(static_cast<int64_t>(std::trunc(v)) & 0xFFFF));
    }
    case CondNode::Logic: {
        const auto a = static_cast<int16_t>(static_cast<int64_t>(std::trunc(evalCond(*n.a))) & 0xFFFF);
        const auto b = static_cast<int16_t>(static_cast<int64_t>(std::trunc(evalCond(*n.b))) & 0xFFFF);
        switch (n.op) {
        case Op::And: return static_cast<int16_t>(a & b);
        case Op::Or: return static_cast<int16_t>(a | b);
        case Op::Xor: return static_cast<int16_t>(a ^ b);
        case Op::Eqv: return static_cast<int16_t>(~(a ^ b));
        default: return static_cast<int16_t>(~a | b);
        }
    }
    }
    return 0.0;
}

// ----------------------------------------------------------- execute

int32_t Interpreter::jumpTarget(Stmt& s, size_t i, std::string_view token) {
    if (s.cacheGen != scanGen_) {
        s.cached.assign(std::max<size_t>(s.tokens.size(), 1), -1);
        s.cacheGen = scanGen_;
    }
    if (i < s.cached.size() && s.cached[i] > 0) return s.cached[i];
    const int32_t t = resolveTarget(token);
    if (i < s.cached.size()) s.cached[i] = t;
    return t;
}

void Interpreter::execute(Stmt& s) {
    switch (s.code) {
    case kw::Print:
    case kw::Question:
        stPrint(s, false);
        return;
    case kw::PrintUsing:
        stPrint(s, true);
        return;
    case kw::Assign:
        assign(*s.target, *s.ex[0], s.radix);
        return;
    case kw::Goto:
    case kw::GoTo:
        cur_ = jumpTarget(s, 0, s.str) - 1;
        return;
    case kw::Gosub: {
        const int32_t t = jumpTarget(s, 0, s.str);
        if (gosub_.size() >= 255) raise(err::OutOfMemory);
        gosub_.push_back(cur_ + 1);
        cur_ = t - 1;
        return;
    }
    case kw::Return: {
        if (gosub_.empty()) raise(err::ReturnWithoutGosub);
        cur_ = gosub_.back() - 1;
        gosub_.pop_back();
        if (!s.str.empty()) cur_ = jumpTarget(s, 0, s.str) - 1;
        return;
    }
    case kw::For:
        stFor(s);
        return;
    case kw::Next:
        stNext(s);
        return;
    case kw::If: {
        const bool t = evalCond(*s.cond) != 0.0;
        if (s.cacheGen != scanGen_ || s.cached.empty()) {
            s.cached.assign(1, -1);
            s.cacheGen = scanGen_;
        }
        if (s.cached[0] <= 0) {
            for (const auto& row : ifTable_)
                if (row.first == cur_) {
                    s.cached[0] = row.second;
                    break;
                }
            if (s.cached[0] <= 0) raise(err::IllegalFunctionCall);
        }
        cur_ = (t ? s.cached[0] : s.cached[0] + 2) - 1;
        return;
    }
    case kw::While:
        stWhile(s);
        return;
    case kw::Wend:
        if (while_.empty()) raise(err::Syntax);
        cur_ = while_.back() - 1;
        while_.pop_back();
        return;
    case kw::OnGoto: {
        const double v = std::trunc(evalNum(*s.ex[0]));
        if (v < 0) raise(err::Syntax);
        if (v == 0 || v > static_cast<double>(s.tokens.size())) return;
        const size_t i = static_cast<size_t>(v) - 1;
        const int32_t t = jumpTarget(s, i, s.tokens[i]);
        if (s.sub) {
            if (gosub_.size() >= 255) raise(err::OutOfMemory);
            gosub_.push_back(cur_ + 1);
        }
        cur_ = t - 1;
        return;
    }
    case kw::End:
        finishRun(true);
        return;
    case kw::Stop:
        doBreak(true);
        return;
    case kw::Cont:
        contRun();
        return;
    case kw::Run:
        stRun(s);
        return;
    case kw::New:
        progNo_.clear();
        progText_.clear();
        progDirty_ = true;
        resetRuntime();
        finishRun(true);
        return;
    case kw::Clear:
        resetRuntime();
        return;
    case kw::Rem:
    case kw::Apostrophe:
    case kw::Data:
        return;
    case kw::OnErrorGoto: {
        if (trim(s.str) == "0") {
            handler_ = 0;
            return;
        }
        handler_ = jumpTarget(s, 0, s.str);
        errFlag_ = 0;
        return;
    }
    case kw::Resume:
        stResume(s);
        return;
    case kw::Error: {
        if (s.ex.empty()) raise(err::Syntax);
        const Value v = eval(*s.ex[0]);
        if (v.isStr()) raise(err::TypeMismatch);
        if (v.num < 0 || v.num > 255 || v.num != std::floor(v.num)) raise(err::IllegalFunctionCall);
        throw BasicError{static_cast<int>(v.num), "error in "};
    }
    case kw::Defint:
    case kw::Defsng:
    case kw::Defdbl:
    case kw::Defstr:
        stDefType(s);
        return;
    case kw::Swap: {
        Value a = eval(*s.targets[0]);
        Value b = eval(*s.targets[1]);
        if (a.isStr() != b.isStr()) raise(err::TypeMismatch);
        store(*s.targets[0], b);
        store(*s.targets[1], a);
        return;
    }
    case kw::Input:
    case kw::LineInput:
        stInput(s);
        return;
    case kw::Dim:
        stDim(s);
        return;
    case kw::Erase:
        for (const auto& t : s.targets) eraseArray(t->text);
        return;
    case kw::Randomize:
        if (s.ex.empty()) {
            // Asks for the seed and waits for a typed line, as INPUT does.
            keyBuffer_.clear();
            screen_.write(RandomState::kPrompt);
            input_.prompt = RandomState::kPrompt;
            input_.startRow = screen_.row();
            input_.startCol = screen_.col();
            input_.stmt = &s;
            input_.hold = ent_[cur_].stmt;
            inputWaiting_ = true;
            return;
        }
        glue_->random().randomize(eval(*s.ex[0]));
        return;
    default:
        if (executeScreen(s) || executeData(s) || executeFiles(s) || executeGraphics(s) ||
            executeEditing(s) || executeKeys(s))
            return;
        // Statements of parts not built yet.
        raise(err::IllegalFunctionCall);
    }
}

void Interpreter::stPrint(Stmt& s, bool usingForm) {
    screen_.write(buildPrint(s, usingForm, pending_, screen_.col()));
}

std::string Interpreter::buildPrint(Stmt& s, bool usingForm, std::string& pending, int col) {
    lineStart_ = true;
    std::string out;
    if (usingForm) {
        const Value tmpl = eval(*s.usingTmpl);
        if (!tmpl.isStr()) raise(err::TypeMismatch);
        // Each field takes the next item, evaluated when the field needs it.
        size_t i = 0;
        out = formatUsing(tmpl.str, [&](Value& v) {
            while (i < s.items.size() && !s.items[i].expr) ++i;
            if (i >= s.items.size()) return false;
            v = eval(*s.items[i++].expr);
            return true;
        });
        // A trailing ";" or "," keeps the cursor on the row.
        if (!s.items.empty() && s.items.back().sep) lineStart_ = false;
    } else {
        for (const auto& it : s.items) {
            if (it.expr) {
                lineStart_ = true;
                if (it.expr->kind == Expr::Func && std::strcmp(it.expr->fn->name, "TAB$") == 0 &&
                    it.expr->kids.size() == 1) {
                    // TAB counts from where the next character will appear:
                    // the cursor column plus what this statement has built.
                    const double x = evalNum(*it.expr->kids[0]);
                    const double n = std::trunc(std::clamp(x, -1e15, 1e15) + (x < 0 ? -0.5 : 0.5));
                    const double blanks = n - col - static_cast<double>(out.size());
                    if (blanks > 65535) raise(err::OutOfMemory);
                    if (blanks > 0) out.append(static_cast<size_t>(blanks), ' ');
                } else {
                    const Value v = eval(*it.expr);
                    if (v.isStr())
                        out += v.str;
                    else
                        out += numtext::printText(v.num, v.type == VType::Sng);
                }
            }
            if (it.sep == ';') {
                lineStart_ = false;
            } else if (it.sep == ',') {
                // Print zones are 14 columns wide, counted over the row's
                // pending text and this statement's output.
                lineStart_ = false;
                const size_t count = pending.size() + out.size();
                out.append(14 - count % 14, ' ');
            }
        }
    }
    if (lineStart_)
        pending.clear();
    else
        pending += out;
    return out;
}

namespace {

// An entry's statement text for the loop scans: without its line number,
// cut at a comment outside quotes.
std::string scanText(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (isDigit(text[i]) || text[i] == ' ')) ++i;
    std::string t = text.substr(i);
    bool q = false;
    for (size_t k = 0; k < t.size(); ++k) {
        if (t[k] == '"') q = !q;
        if (!q && (t[k] == '\'' || t.compare(k, 3, "REM") == 0)) {
            t.resize(k);
            break;
        }
    }
    return t;
}

// 16-bit wrap of a whole number of any size.
int16_t wrap16(double x) {
    double m = std::fmod(std::trunc(x), 65536.0);
    if (m < 0) m += 65536.0;
    return static_cast<int16_t>(static_cast<uint16_t>(m));
}

}  // namespace

void Interpreter::stFor(Stmt& s) {
    assign(*s.target, *s.ex[0], s.radix);
    Variable* var = findVar(*s.target);
    if (var->type != VType::Int && var->type != VType::Sng) raise(err::TypeMismatch);
    // The same FOR running again takes its old level back and drops the
    // levels above it.
    size_t level = for_.size();
    for (size_t i = 0; i < for_.size(); ++i)
        if (for_[i].entry == cur_) {
            level = i;
            break;
        }
    if (level == for_.size()) {
        if (for_.size() >= 31) raise(err::OutOfMemory);
        for_.emplace_back();
    } else {
        for_.resize(level + 1);
    }
    ForLevel& f = for_[level];
    f.entry = cur_;
    f.var = var;
    f.isInt = var->type == VType::Int;
    f.limit = evalNum(*s.ex[1]);
    f.step = s.ex.size() > 2 ? evalNum(*s.ex[2]) : 1.0;
    if (f.step == 0) f.step = 1.0;
    const double v = var->num;
    if (!((f.step > 0 && v > f.limit) || (f.step < 0 && v < f.limit))) return;

    // The body is skipped: find the NEXT that closes this FOR, following
    // the statements in execution order. Entries holding a string literal
    // are passed over.
    int depth = 0;
    for (int32_t k : executionOrderAfter(cur_)) {
        std::string t = scanText(ent_[k].text);
        if (t.find('"') != std::string::npos) continue;
        for (auto& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        size_t p = 0;
        for (;;) {
            const size_t f1 = t.find("FOR ", p);
            const size_t n1 = t.find("NEXT", p);
            if (f1 == std::string::npos && n1 == std::string::npos) break;
            if (f1 < n1) {
                ++depth;
                p = f1 + 4;
            } else if (depth == 0) {
                for_.resize(level);
                cur_ = k;
                return;
            } else {
                --depth;
                p = n1 + 4;
            }
        }
    }
    for_.resize(level);
    raise(err::ForWithoutNext);
}

std::vector<int32_t> Interpreter::executionOrderAfter(int32_t e) const {
    // A branch entry of an IF goes on after the IF statement.
    for (const auto& row : ifTable_)
        if (e >= row.second && e < row.second + 4) return executionOrderAfter(row.first);
    std::vector<int32_t> order;
    const int32_t owner = ent_[e].owner;
    const int32_t size = static_cast<int32_t>(ent_.size());
    if (e != owner && ent_[e].origin != e) {
        // The remaining pieces of a multi-statement line; the last piece is
        // its own origin.
        for (int32_t p = e + 1; p < size && ent_[p].owner == owner; ++p) {
            order.push_back(p);
            if (ent_[p].origin == p) break;
        }
    }
    if (directEntry_ > 0 && e >= directEntry_) return order;
    const int32_t n = static_cast<int32_t>(progNo_.size());
    for (int32_t k = owner + 1; k <= n && k < size; ++k) {
        if (!ent_[k].redirect) {
            order.push_back(k);
            continue;
        }
        for (int32_t p = ent_[k].redirect; p < size && ent_[p].owner == k; ++p) {
            order.push_back(p);
            if (ent_[p].origin == p) break;
        }
    }
    return order;
}

void Interpreter::stNext(Stmt& s) {
    if (for_.empty()) raise(err::NextWithoutFor);
    size_t level = for_.size() - 1;
    if (s.target) {
        Variable* v = s.target->kind == Expr::Var ? findVar(*s.target) : nullptr;
        size_t i = for_.size();
        while (i > 0 && for_[i - 1].var != v) --i;
        if (i == 0) raise(err::NextWithoutFor);
        level = i - 1;
        for_.resize(level + 1);
    }
    ForLevel& f = for_[level];
    Variable& var = *f.var;
    double v;
    bool done;
    if (f.isInt) {
        // Integer loops wrap around at 16 bits and never overflow.
        v = wrap16(static_cast<double>(wrap16(var.num)) + static_cast<double>(wrap16(f.step)));
        const double lim = wrap16(f.limit);
        done = (f.step > 0 && v > lim) || (f.step < 0 && v < lim);
    } else {
        v = numtext::singleValue(static_cast<float>(var.num) + static_cast<float>(f.step));
        done = (f.step > 0 && v > f.limit) || (f.step < 0 && v < f.limit);
    }
    var.num = v;
    if (done)
        for_.pop_back();
    else
        cur_ = f.entry;
}

void Interpreter::stWhile(Stmt& s) {
    if (while_.size() >= 31) raise(err::OutOfMemory);
    while_.push_back(cur_);
    if (evalCond(*s.cond) != 0.0) return;
    // False: continue after the WEND at this WHILE's level, found by
    // counting the words in the statements that follow in execution order.
    int depth = 0;
    for (int32_t k : executionOrderAfter(cur_)) {
        const std::string t = scanText(ent_[k].text);
        bool q = false;
        for (size_t i = 0; i < t.size(); ++i) {
            if (t[i] == '"') q = !q;
            if (q) continue;
            if (t.compare(i, 5, "WHILE") == 0) {
                ++depth;
                i += 4;
            } else if (t.compare(i, 4, "WEND") == 0) {
                if (depth == 0) {
                    while_.pop_back();
                    cur_ = k;
                    return;
                }
                --depth;
                i += 3;
            }
        }
    }
    while_.pop_back();
    raise(err::WhileWithoutWend);
}

void Interpreter::stRun(Stmt& s) {
    const std::string r(trim(s.args()));
    if (!r.empty() && (r[0] == '"' || isUpper(r[0]))) {
        // A file name: LOAD it and run it.
        runProgramFile(r);
        return;
    }
    // A missing start line is reported for the RUN statement itself.
    const bool typed = inDirectLine();
    const int runLine = currentLine();
    pending_.clear();
    beginRun(-1);
    if (r.empty()) return;
    int code = 0;
    if (r[0] == '*') {
        for (const auto& l : labels_)
            if (l.first == r) {
                cur_ = l.second - 1;
                return;
            }
        code = err::UndefinedLabel;
    } else {
        const int idx = findLineIndex(numtext::atoi(r));
        if (idx > 0) {
            cur_ = idx - 1;
            return;
        }
        code = err::UndefinedLine;
    }
    std::string msg = err::message(code);
    if (typed) {
        msg.resize(msg.size() - 4);  // without " in "
        erl_ = 0;
    } else {
        msg += std::to_string(runLine);
        erl_ = runLine;
    }
    throw BasicError{code, msg, true};
}

void Interpreter::stResume(Stmt& s) {
    std::string_view op = trim(s.str);
    int32_t target;
    if (op == "NEXT") {
        target = savedEntry_ + 1;
    } else if (op.empty() || op == "0") {
        target = savedEntry_;
    } else {
        target = jumpTarget(s, 0, op);
    }
    errCode_ = 0;
    erl_ = 0;
    inHandler_ = false;
    savedEntry_ = 0;
    errFlag_ = 0;
    cur_ = std::max<int32_t>(target - 1, 0);
}

void Interpreter::stDefType(Stmt& s) {
    const uint8_t type = static_cast<uint8_t>(s.code - kw::Defint);
    std::string_view r = s.args();
    for (std::string_view item : splitArgs(r)) {
        std::string t;
        for (char c : item)
            if (c != ' ') t.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        char a, b;
        if (t.size() == 1 && isUpper(t[0])) {
            a = b = t[0];
        } else if (t.size() == 3 && isUpper(t[0]) && t[1] == '-' && isUpper(t[2])) {
            a = t[0];
            b = t[2];
        } else {
            raise(err::Syntax);
        }
        for (char c = a; c <= b; ++c) {
            uint8_t& slot = defType_[static_cast<size_t>(c - 'A')];
            if (slot != 127 && slot != type) raise(err::DuplicateDefinition);
            slot = type;
            // Which operands give strings was remembered under the old types.
            ++varGen_;
        }
    }
}

void Interpreter::stDim(Stmt& s) {
    // Each declaration is made in turn; a failing one leaves the earlier
    // ones in place.
    for (const auto& t : s.targets) {
        std::vector<int> dims;
        for (const auto& k : t->kids) {
            const double d = std::trunc(evalNum(*k));
            if (d < 0 || d > 32767) raise(err::SubscriptOutOfRange);
            dims.push_back(static_cast<int>(d));
        }
        if (arrays_.count(t->text)) raise(err::DuplicateDefinition);
        const VType type = t->hasSuffix ? t->suffixType : defaultType(t->text[0]);
        createArray(t->text, type, dims);
    }
}

}  // namespace tw
