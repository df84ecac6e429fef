// Random-access files: FIELD lays out a record of up to 256 bytes as
// string fields bound to variables; GET and PUT move record r, which starts
// at byte (r - 1) x record length; LSET and RSET store padded text into a
// field variable.
//
// GET and PUT take the next record when no record number (or 0) is given.
// A keyboard file opened for input reads a record as typed keys: GET waits
// until a record's worth of keys has been typed.
#include <algorithm>
#include <cmath>

#include "eval/functions.h"
#include "io/fileops.h"

namespace tw {

namespace {

std::string withoutBlanks(std::string_view t) {
    std::string out;
    bool q = false;
    for (char c : t) {
        if (c == '"') q = !q;
        if (q || c != ' ') out.push_back(c);
    }
    return out;
}

// Record or width numbers: the fraction is dropped.
double whole(double x) { return std::trunc(std::clamp(x, -1e15, 1e15)); }

}  // namespace

// ------------------------------------------------------------ FIELD

void FileOps::field(Interpreter& in, Stmt& s) {
    const std::string_view r = s.args();
    const size_t comma = r.find(',');
    std::string numberText(r.substr(0, comma));
    std::erase(numberText, '#');
    FileEntry& e = requireOpen(in, fileNumber(numberText));
    const bool randomDisk = e.device == Device::Disk && e.mode == FileMode::Random;
    const bool keyboard = e.device == Device::Keyboard;
    if (!randomDisk && !keyboard) raise(err::IllegalFunctionCall);
    e.recordLength = 0;
    e.fields.clear();
    const std::string_view list = comma == std::string_view::npos ? std::string_view() : r.substr(comma + 1);
    if (trim(list).empty()) raise(err::IllegalFunctionCall);
    for (std::string_view item : splitArgs(list)) {
        if (e.fields.size() >= FileState::MaxFields) raise(err::OutOfMemory);
        const size_t as = findOutside(item, " AS ");
        if (as == std::string_view::npos) raise(err::Syntax);
        const std::string_view widthText = trim(item.substr(0, as));
        if (widthText.empty()) raise(err::Syntax);
        const Value wv = in.evalRegion(widthText);
        if (wv.isStr()) raise(err::TypeMismatch);
        const double width = whole(wv.num);
        if (width < 1 || width > 256) raise(err::IllegalFunctionCall);
        FieldDef f;
        f.offset = e.recordLength;
        f.width = static_cast<int>(width);
        if (e.recordLength + f.width > 256) raise(err::FieldOverflow);
        e.recordLength += f.width;
        const std::string_view var = trim(item.substr(as + 4));
        if (var.empty() || !isUpper(var[0])) raise(err::IllegalFunctionCall);
        f.target = parseExpression(var);
        const Expr& t = *f.target;
        if (t.kind != Expr::Var && t.kind != Expr::Elem) raise(err::IllegalFunctionCall);
        const VType type = t.hasSuffix ? t.suffixType : in.defaultType(t.text[0]);
        if (type != VType::Str) raise(err::IllegalFunctionCall);
        f.key = withoutBlanks(var);
        e.fields.push_back(std::move(f));
    }
    e.record.fill(' ');
}

// ------------------------------------------------------------ GET, PUT

bool FileOps::isRecordForm(const Stmt& s) {
    const std::string_view t = trim(s.args());
    return !t.empty() && (t[0] == '#' || isDigit(t[0]));
}

void FileOps::prepareRecord(Stmt& s) {
    const std::string_view r = s.args();
    const size_t comma = r.find(',');
    std::string numberText(r.substr(0, comma));
    std::erase(numberText, '#');
    s.sub = fileNumber(numberText);
    if (comma != std::string_view::npos) {
        const std::string_view n = trim(r.substr(comma + 1));
        if (n.empty()) raise(err::Syntax);
        s.ex.push_back(parseExpression(n));
    }
}

void FileOps::getPut(Interpreter& in, Stmt& s, bool put) {
    FileEntry& e = requireOpen(in, s.sub);
    const auto len = static_cast<size_t>(e.recordLength);
    if (e.device == Device::Keyboard && e.mode == FileMode::Input && !put) {
        std::string keys;
        if (!in.takeKeys(static_cast<int>(len), keys)) throw InputWait{};
        std::copy(keys.begin(), keys.end(), e.record.begin());
    } else {
        if (e.device != Device::Disk || e.mode != FileMode::Random) raise(err::Syntax);
        double r = s.ex.empty() ? 0.0 : whole(in.evalNum(*s.ex[0]));
        if (r == 0) r = static_cast<double>(e.currentRecord) + 1;
        e.currentRecord = static_cast<int32_t>(std::clamp(r, -2147483648.0, 2147483647.0));
        if (r < 1 || r > FileState::MaxRecord) raise(err::DiskIO);
        DiskFile& f = disk(in, e);
        f.seek((static_cast<int64_t>(r) - 1) * static_cast<int64_t>(len));
        if (put) {
            // The record as the field variables hold it now.
            for (const FieldDef& fd : e.fields) {
                const Value v = in.eval(*fd.target);
                if (!v.isStr()) raise(err::TypeMismatch);
                const size_t w = static_cast<size_t>(fd.width);
                const size_t n = std::min(w, v.str.size());
                auto at = e.record.begin() + fd.offset;
                std::copy_n(v.str.begin(), n, at);
                std::fill(at + static_cast<ptrdiff_t>(n), at + static_cast<ptrdiff_t>(w), ' ');
            }
            if (!f.write(std::string_view(e.record.data(), len))) raise(err::DiskIO);
            return;
        }
        e.record.fill(' ');
        if (f.read(e.record.data(), len) <= 0) raise(err::DiskIO);
    }
    for (const FieldDef& fd : e.fields)
        in.store(*fd.target, Value::string(std::string(e.record.data() + fd.offset, static_cast<size_t>(fd.width))));
}

// ------------------------------------------------------------ LSET, RSET

void FileOps::prepareSetField(Stmt& s) {
    const std::string_view r = s.args();
    const size_t eq = findOutside(r, "=");
    if (eq == std::string_view::npos) raise(err::Syntax);
    const std::string_view var = trim(r.substr(0, eq));
    const std::string_view value = trim(r.substr(eq + 1));
    if (var.empty() || value.empty() || !isUpper(var[0])) raise(err::Syntax);
    s.target = parseExpression(var);
    if (s.target->kind != Expr::Var && s.target->kind != Expr::Elem) raise(err::Syntax);
    s.str = withoutBlanks(var);
    s.ex.push_back(parseExpression(value));
}

void FileOps::setField(Interpreter& in, Stmt& s, bool right) {
    const FieldDef* field = nullptr;
    for (int n = 1; n <= FileState::MaxFiles && !field; ++n)
        if (const FileEntry* e = openEntry(in, n))
            for (const FieldDef& f : e->fields)
                if (f.key == s.str) {
                    field = &f;
                    break;
                }
    if (!field) raise(err::IllegalFunctionCall);
    Value v = in.eval(*s.ex[0]);
    if (!v.isStr()) raise(err::TypeMismatch);
    const size_t w = static_cast<size_t>(field->width);
    std::string text = std::move(v.str);
    if (text.size() < w) {
        if (right)
            text.insert(0, w - text.size(), ' ');
        else
            text.append(w - text.size(), ' ');
    }
    text.resize(w);
    in.store(*s.target, Value::string(std::move(text)));
}

}  // namespace tw
