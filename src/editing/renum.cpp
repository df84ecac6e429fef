#include "editing/renum.h"

#include <algorithm>
#include <string_view>

namespace tw {

namespace {

bool leadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool digit(char c) { return c >= '0' && c <= '9'; }

// Keywords followed by one reference.
constexpr std::string_view kRefWords[] = {"THEN ",   "ELSE ", "GOTO ", "GO TO ",   "GOSUB ", "RETURN ",
                                          "RUN ",    "LLIST ", "LIST ", "RESTORE ", "RESUME "};

// Rewrites the references of one line.
class Rewriter {
public:
    Rewriter(const std::vector<int32_t>& numbers, const std::vector<int32_t>& fresh, int64_t old,
             int32_t lineNo, RenumResult& result)
        : numbers_(numbers), fresh_(fresh), old_(old), lineNo_(lineNo), result_(result) {}

    std::string run(std::string_view t) {
        t_ = t;
        i_ = 0;
        out_.clear();
        out_.reserve(t.size() + 8);
        bool quoted = false;
        while (i_ < t_.size()) {
            const char c = t_[i_];
            if (c == '"') quoted = !quoted;
            if (quoted || c == '"') {
                out_.push_back(c);
                ++i_;
                continue;
            }
            if (leadByte(static_cast<uint8_t>(c)) && i_ + 1 < t_.size()) {
                out_.append(t_.substr(i_, 2));
                i_ += 2;
                continue;
            }
            if (c == '\'' || at("REM")) {
                out_.append(t_.substr(i_));
                break;
            }
            if (at("ERL")) {
                copy(3);
                copyBlanks();
                size_t ops = 0;
                while (ops < 2 && i_ < t_.size() && (t_[i_] == '=' || t_[i_] == '<' || t_[i_] == '>')) {
                    copy(1);
                    ++ops;
                }
                if (ops > 0) reference();
                continue;
            }
            if (at("ON ")) {
                copy(3);
                onList();
                continue;
            }
            bool matched = false;
            for (std::string_view w : kRefWords) {
                if (!at(w)) continue;
                copy(w.size());
                reference();
                if (w == "LIST " || w == "LLIST ") {
                    // A range: from-to, either side may be missing.
                    const size_t save = i_;
                    size_t j = i_;
                    while (j < t_.size() && t_[j] == ' ') ++j;
                    if (j < t_.size() && t_[j] == '-') {
                        copy(j + 1 - save);
                        reference();
                    }
                }
                matched = true;
                break;
            }
            if (!matched) copy(1);
        }
        return out_;
    }

private:
    bool at(std::string_view w) const { return t_.compare(i_, w.size(), w) == 0; }
    void copy(size_t n) {
        n = std::min(n, t_.size() - i_);
        out_.append(t_.substr(i_, n));
        i_ += n;
    }
    void copyBlanks() {
        while (i_ < t_.size() && t_[i_] == ' ') copy(1);
    }

    // One reference: blanks, then digits. Only the digits change.
    void reference() {
        copyBlanks();
        const size_t s = i_;
        int64_t v = 0;
        while (i_ < t_.size() && digit(t_[i_])) {
            if (v < 100000000) v = v * 10 + (t_[i_] - '0');
            ++i_;
        }
        if (s == i_) return;
        const std::string_view digits = t_.substr(s, i_ - s);
        if (v < old_) {
            out_.append(digits);
            return;
        }
        auto it = std::lower_bound(numbers_.begin(), numbers_.end(), v);
        if (it == numbers_.end() || *it != v) {
            out_.append(digits);
            result_.undefined.push_back({lineNo_, static_cast<int32_t>(v)});
            return;
        }
        out_ += std::to_string(fresh_[static_cast<size_t>(it - numbers_.begin())]);
    }

    // After ON: the GOTO or GOSUB of the same statement and its list.
    void onList() {
        bool quoted = false;
        size_t kw = std::string_view::npos;
        size_t len = 0;
        for (size_t j = i_; j < t_.size(); ++j) {
            if (t_[j] == '"') quoted = !quoted;
            if (quoted) continue;
            if (t_[j] == ':' || t_[j] == '\'' || t_.compare(j, 3, "REM") == 0) break;
            if (t_.compare(j, 5, "GOTO ") == 0) len = 5;
            else if (t_.compare(j, 6, "GOSUB ") == 0) len = 6;
            if (len) {
                kw = j;
                break;
            }
        }
        if (kw == std::string_view::npos) return;
        copy(kw + len - i_);
        for (;;) {
            reference();
            size_t j = i_;
            while (j < t_.size() && t_[j] == ' ') ++j;
            if (j >= t_.size() || t_[j] != ',') break;
            copy(j + 1 - i_);
        }
    }

    const std::vector<int32_t>& numbers_;
    const std::vector<int32_t>& fresh_;
    int64_t old_;
    int32_t lineNo_;
    RenumResult& result_;
    std::string_view t_;
    size_t i_ = 0;
    std::string out_;
};

}  // namespace

RenumResult renumber(std::vector<int32_t>& numbers, std::vector<std::string>& texts, int64_t first,
                     int64_t old, int64_t step) {
    RenumResult result;
    if (first > kRenumLimit) {
        result.status = RenumResult::TooHigh;
        return result;
    }
    if (numbers.empty()) {
        result.status = RenumResult::NothingToDo;
        return result;
    }
    if (old < 1) old = numbers.front();
    const size_t start = static_cast<size_t>(std::lower_bound(numbers.begin(), numbers.end(), old) - numbers.begin());
    if (start == numbers.size()) {
        result.status = RenumResult::NothingToDo;
        return result;
    }
    if (start > 0 && first <= numbers[start - 1]) {
        result.status = RenumResult::OutOfOrder;
        return result;
    }
    std::vector<int32_t> fresh(numbers);
    for (size_t k = start; k < numbers.size(); ++k) {
        const int64_t n = first + static_cast<int64_t>(k - start) * step;
        if (n > kRenumLimit) {
            result.status = RenumResult::TooHigh;
            return result;
        }
        fresh[k] = static_cast<int32_t>(n);
    }
    for (size_t k = 0; k < texts.size(); ++k) {
        Rewriter rw(numbers, fresh, old, numbers[k], result);
        texts[k] = rw.run(texts[k]);
    }
    for (size_t k = start; k < numbers.size(); ++k) {
        std::string& t = texts[k];
        size_t e = 0;
        while (e < t.size() && t[e] == ' ') ++e;
        while (e < t.size() && digit(t[e])) ++e;
        t.replace(0, e, std::to_string(fresh[k]));
    }
    numbers = std::move(fresh);
    return result;
}

}  // namespace tw
