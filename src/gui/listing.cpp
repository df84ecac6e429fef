#include "gui/listing.h"

#include <vector>

#include "core/errors.h"
#include "core/interp.h"

namespace tw {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

constexpr size_t kMaxLineBytes = 1024;

}  // namespace

std::string listingText(const Interpreter& in, int32_t from, int32_t to, std::string_view eol) {
    std::string out;
    for (int i = 0; i < in.lineCount(); ++i) {
        const int32_t n = in.lineNumber(i);
        if (n < from || n > to) continue;
        std::string_view t = in.lineText(i);
        while (!t.empty() && (t.back() == '\r' || t.back() == '\n')) t.remove_suffix(1);
        out += t;
        out += eol;
    }
    return out;
}

int32_t leadingLineNumber(std::string_view line) {
    line = trimmed(line);
    int32_t n = 0;
    for (char c : line) {
        if (c < '0' || c > '9') break;
        if (n < 999999) n = n * 10 + (c - '0');
        if (n > 999999) n = 999999;
    }
    return n;
}

EnterResult enterLines(Interpreter& in, std::string_view text, bool bigIsError) {
    EnterResult r;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = text.substr(pos, std::min(end - pos, kMaxLineBytes));
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
        std::string line(trimmed(raw));
        const int32_t n = leadingLineNumber(line);
        if (n < 1 || (n > 65536 && !bigIsError)) continue;
        Interpreter::normalizeLine(line);
        try {
            in.enterLine(line);
            ++r.entered;
        } catch (const BasicError& be) {
            if (r.error.empty()) r.error = be.msg;
            if (n > 65536) break;
        }
    }
    return r;
}

int deleteLines(Interpreter& in, int32_t from, int32_t to) {
    std::vector<int32_t> doomed;
    for (int i = 0; i < in.lineCount(); ++i)
        if (in.lineNumber(i) >= from && in.lineNumber(i) <= to) doomed.push_back(in.lineNumber(i));
    // A line holding only its number deletes that line.
    for (int32_t n : doomed) in.enterLine(std::to_string(n));
    return static_cast<int>(doomed.size());
}

}  // namespace tw
