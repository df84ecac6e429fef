// Program files: LOAD, SAVE, MERGE, CHAIN with COMMON, RUN with a file
// name, KILL and NAME, and the reading and writing that File Open, Save As
// and the batch driver share with them.
//
// BASIC errors for refusals of the operating system (the original platform
// reported them by exceptions nobody caught): a KILL or NAME that the
// system refuses after the file was found gives "Disk I/O error in ";
// a program file that opens but cannot be read gives "Disk I/O error in "
// in MERGE and CHAIN and "File not open in " in LOAD.
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <map>

#include "core/interp.h"
#include "core/stmt.h"
#include "editing/editing.h"
#include "editing/editops.h"
#include "eval/numtext.h"
#include "io/fileops.h"
#include "io/progfile.h"

namespace tw {

namespace {

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    const auto abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.lexically_normal().string();
}

// The current directory follows the program file read or written.
void followDirectory(const std::string& path) {
    const std::string dir = progfile::directoryOf(path);
    if (!dir.empty() && ::chdir(dir.c_str()) != 0) {
        // The file was reachable through this directory; if it cannot
        // become the current one, the current one stays.
    }
}

// Evaluates the name operand of LOAD or SAVE and cleans it.
std::string nameOperand(Interpreter& in, std::string_view expr) {
    expr = trim(expr);
    if (expr.empty()) raise(err::Syntax);
    const Value v = in.evalRegion(expr);
    if (!v.isStr()) raise(err::TypeMismatch);
    std::string name = progfile::cleanName(v.str);
    if (name.empty()) raise(err::Syntax);
    return name;
}

// The device a LOAD or SAVE name stands for: 'C' a serial port, 'L' the
// printer, 'D' the screen or keyboard device, 0 a disk file.
char transferDevice(const std::string& name) {
    if (progfile::isDeviceName(name, "COM")) return 'C';
    if (progfile::isDeviceName(name, "LPT")) return 'L';
    for (const char* dev : {"SCRN", "KYBD"}) {
        const std::string d = dev;
        if (name.find(d + ":") != std::string::npos || name.find(d + " :") != std::string::npos) return 'D';
    }
    return 0;
}

// A program goes to a port or the printer, and comes from a port; the
// other devices can do neither.
void deviceTransfer(Interpreter& in, const std::string& name, bool send) {
    const char dev = transferDevice(name);
    if (dev == 'D' || (dev == 'L' && !send)) raise(err::IllegalOperation, "Illegal operetion in ");
    FileOps::startTransfer(in, name, send);
}

// The file MERGE and CHAIN read: the name as given, or with ".BAS" when it
// has no extension and the bare name does not exist.
std::string findProgram(const std::string& name) {
    std::string path = progfile::hostPath(name);
    if (progfile::readable(path)) return path;
    if (name.find('.') == std::string::npos) {
        const std::string withExt = progfile::hostPath(progfile::withBasExtension(name));
        if (progfile::readable(withExt)) return withExt;
    }
    raise(err::FileNotFound);
}

std::vector<progfile::Line> readProgram(const std::string& path) {
    std::string raw;
    bool cut = false;
    if (!progfile::readFile(path, progfile::kMaxProgramBytes * 2, raw, &cut)) raise(err::DiskIO);
    return progfile::parseImage(progfile::programBytes(std::move(raw), cut));
}

// Bytes an array takes in the array value pool (as the array store counts).
size_t arrayBytes(const Array& a) {
    const size_t width = a.type == VType::Sng ? 4 : a.type == VType::Dbl ? 8 : 2;
    return a.count * width;
}

}  // namespace

// ------------------------------------------------------------ interface

bool Interpreter::loadProgramFile(const std::string& path, std::string* error) {
    std::string raw;
    bool cut = false;
    if (!progfile::readable(path) || !progfile::readFile(path, progfile::kMaxProgramBytes * 2, raw, &cut)) {
        if (error) *error = err::message(err::FileNotOpen);
        return false;
    }
    progfile::Format format = progfile::Text;
    const auto lines = progfile::parseImage(progfile::programBytes(std::move(raw), cut), &format);
    EditingOps::replaceProgram(*this, lines);
    edit_->loadedFormat = format;
    edit_->path = absolutePath(path);
    followDirectory(path);
    return true;
}

bool Interpreter::saveProgramFile(const std::string& path, bool text, std::string* error) {
    std::string image;
    if (text) {
        image = progfile::textImage(progText_);
    } else if (!progfile::binaryImage(progText_, image)) {
        if (error) *error = err::message(err::Syntax);
        return false;
    }
    if (!progfile::writeFileReplacing(path, image)) {
        if (error) *error = err::message(err::FileAlreadyExist);
        return false;
    }
    edit_->path = absolutePath(path);
    followDirectory(path);
    return true;
}

int Interpreter::loadedFormat() const { return edit_->loadedFormat; }

const std::string& Interpreter::programFilePath() const { return edit_->path; }

void Interpreter::runProgramFile(std::string_view operand) { EditingOps::load(*this, operand, true); }

void EditingOps::replaceProgram(Interpreter& in, const std::vector<progfile::Line>& lines) {
    std::map<int32_t, std::string> sorted;
    for (const auto& l : lines) sorted[l.number] = l.text;
    in.progNo_.clear();
    in.progText_.clear();
    in.progNo_.reserve(sorted.size());
    in.progText_.reserve(sorted.size());
    for (auto& [n, t] : sorted) {
        in.progNo_.push_back(n);
        in.progText_.push_back(std::move(t));
    }
    in.progDirty_ = true;
    in.contAllowed_ = false;
}

void EditingOps::enterLines(Interpreter& in, const std::vector<progfile::Line>& lines) {
    for (const auto& l : lines) in.storeLine(l.text);
}

// ------------------------------------------------------- LOAD, RUN, SAVE

void EditingOps::load(Interpreter& in, std::string_view operand, bool alwaysRun) {
    const std::string_view r = trim(operand);
    const size_t comma = findOutside(r, ",");
    const bool run = alwaysRun || (comma != std::string_view::npos && r.substr(comma + 1).find('R') != std::string_view::npos);
    const std::string name = nameOperand(in, r.substr(0, comma));
    if (transferDevice(name)) {
        deviceTransfer(in, name, false);
        return;
    }
    const std::string path = progfile::hostPath(progfile::withBasExtension(name));
    if (!in.loadProgramFile(path)) raise(err::FileNotOpen);
    in.pending_.clear();
    if (run) {
        in.beginRun(-1);
        return;
    }
    in.finishRun(true);
}

void EditingOps::save(Interpreter& in, Stmt& s) {
    const std::string_view r = trim(operandOf(s));
    const size_t comma = findOutside(r, ",");
    bool text = false;
    if (comma != std::string_view::npos) {
        if (r.substr(comma + 1).find('A') == std::string_view::npos) raise(err::Syntax);
        text = true;
    }
    const std::string name = nameOperand(in, r.substr(0, comma));
    if (transferDevice(name)) {
        deviceTransfer(in, name, true);
        return;
    }
    const std::string path = progfile::hostPath(progfile::withBasExtension(name));
    std::string error;
    if (!in.saveProgramFile(path, text, &error))
        raise(error == err::message(err::Syntax) ? err::Syntax : err::FileAlreadyExist);
}

// ---------------------------------------------------------------- MERGE

void EditingOps::merge(Interpreter& in, Stmt& s) {
    std::string_view r = operandOf(s);
    r = trim(r.substr(0, r.find('\'')));
    std::string name;
    for (char c : r)
        if (c != '"') name.push_back(c);
    name = std::string(trim(name));
    if (name.empty()) raise(err::MissingOperand);
    enterLines(in, readProgram(findProgram(name)));
}

// ------------------------------------------------------- CHAIN, COMMON

void EditingOps::chain(Interpreter& in, Stmt& s) {
    const bool typed = in.inDirectLine();
    const int chainLine = in.currentLine();
    std::string_view r = trim(operandOf(s));
    bool merge = false;
    if (r.compare(0, 5, "MERGE") == 0) {
        merge = true;
        r = trim(r.substr(5));
    }
    const std::vector<std::string_view> fields = splitArgs(r);
    std::string name;
    if (!fields.empty())
        for (char c : fields[0])
            if (c != '"') name.push_back(c);
    name = std::string(trim(name));
    if (name.empty()) raise(err::MissingOperand);

    std::string start;
    bool all = false;
    bool hasRange = false;
    int32_t delFrom = INT32_MIN, delTo = INT32_MAX;
    for (size_t k = 1; k < fields.size(); ++k) {
        const std::string_view t = trim(fields[k]);
        if (t == "ALL") {
            all = true;
        } else if (t.compare(0, 6, "DELETE") == 0) {
            const std::string_view range = trim(t.substr(6));
            const size_t dash = range.find('-');
            const std::string_view a = trim(range.substr(0, dash));
            const std::string_view b = dash == std::string_view::npos ? a : trim(range.substr(dash + 1));
            if (!a.empty() && numtext::atoi(a) > 0) delFrom = numtext::atoi(a);
            if (!b.empty() && numtext::atoi(b) > 0) delTo = numtext::atoi(b);
            if (delFrom > delTo) raise(err::Syntax);
            hasRange = true;
        } else if (k == 1) {
            start = std::string(t);
        } else {
            raise(err::Syntax);
        }
    }

    // The file is read before anything changes: a CHAIN that fails to
    // open its file leaves the program and the variables as they were.
    const std::vector<progfile::Line> lines = readProgram(findProgram(name));

    if (!merge) {
        in.progNo_.clear();
        in.progText_.clear();
        in.progDirty_ = true;
    }
    if (hasRange) {
        auto first = std::lower_bound(in.progNo_.begin(), in.progNo_.end(), delFrom);
        auto last = std::upper_bound(first, in.progNo_.end(), delTo);
        const auto a = first - in.progNo_.begin();
        const auto b = last - in.progNo_.begin();
        in.progNo_.erase(first, last);
        in.progText_.erase(in.progText_.begin() + a, in.progText_.begin() + b);
        in.progDirty_ = true;
    }
    enterLines(in, lines);

    // Variables and arrays that go over to the chained program.
    struct KeptVar {
        std::string name;
        Variable var;
    };
    std::vector<KeptVar> vars;
    std::vector<std::pair<std::string, std::unique_ptr<Array>>> arrays;
    auto keepVar = [&](const std::string& n) {
        auto it = in.vars_.find(n);
        if (it == in.vars_.end()) return;
        for (const auto& k : vars)
            if (k.name == n) return;
        vars.push_back({n, *it->second});
    };
    auto keepArray = [&](const std::string& n) {
        auto it = in.arrays_.find(n);
        if (it == in.arrays_.end()) return;
        arrays.emplace_back(n, std::move(it->second));
        in.arrays_.erase(it);
    };
    if (all) {
        for (const auto& [n, v] : in.vars_) keepVar(n);
        std::vector<std::string> names;
        for (const auto& [n, a] : in.arrays_) names.push_back(n);
        for (const auto& n : names) keepArray(n);
    } else {
        for (const auto& c : in.edit_->common) {
            for (std::string_view item : splitArgs(c.names)) {
                std::string_view t = trim(item);
                const size_t paren = t.find('(');
                if (paren != std::string_view::npos)
                    keepArray(std::string(trim(t.substr(0, paren))));
                else if (!t.empty())
                    keepVar(std::string(t));
            }
        }
    }
    // Creation order decides VARPTR addresses: keep it.
    std::sort(vars.begin(), vars.end(), [](const KeptVar& a, const KeptVar& b) { return a.var.slot < b.var.slot; });

    in.contAllowed_ = false;
    in.pending_.clear();
    auto restore = [&]() {
        for (auto& k : vars) {
            Variable& v = in.varStore_.emplace_back(k.var);
            v.slot = static_cast<uint32_t>(in.varStore_.size());
            in.vars_[k.name] = &v;
        }
        for (auto& [n, a] : arrays) {
            in.arrayBytes_ += arrayBytes(*a);
            in.arrays_[n] = std::move(a);
        }
    };
    try {
        in.beginRun(-1);
    } catch (const BasicError&) {
        restore();
        throw;
    }
    restore();

    if (start.empty()) return;
    int code = 0;
    if (start[0] == '*') {
        const std::string label = start.substr(0, start.find(' '));
        for (const auto& l : in.labels_)
            if (l.first == label) {
                in.cur_ = l.second - 1;
                return;
            }
        code = err::UndefinedLabel;
    } else {
        // The first line numbered at least the given number.
        const int32_t n = numtext::atoi(start);
        const auto it = std::lower_bound(in.progNo_.begin(), in.progNo_.end(), n);
        in.cur_ = static_cast<int32_t>(it - in.progNo_.begin());
        return;
    }
    // Reported for the CHAIN statement, whose program is gone.
    std::string msg = err::message(code);
    if (typed) {
        msg.resize(msg.size() - 4);
        in.erl_ = 0;
    } else {
        msg += std::to_string(chainLine);
        in.erl_ = chainLine;
    }
    throw BasicError{code, msg, true};
}

void EditingOps::common(Interpreter& in, Stmt& s) {
    EditState& st = *in.edit_;
    for (const auto& c : st.common)
        if (c.entry == in.cur_) return;
    if (st.common.size() >= EditState::kMaxCommon) raise(err::OutOfMemory);
    st.common.push_back({in.cur_, std::string(operandOf(s))});
}

// ------------------------------------------------------------ KILL, NAME

void EditingOps::kill(Interpreter& in, Stmt& s) {
    (void)in;
    const std::string name = progfile::quotedName(operandOf(s));
    const std::string path = progfile::hostPath(name);
    if (name.empty() || !progfile::readable(path)) raise(err::FileNotFound);
    if (::unlink(path.c_str()) != 0) raise(err::DiskIO);
}

void EditingOps::name(Interpreter& in, Stmt& s) {
    (void)in;
    const std::string_view r = operandOf(s);
    size_t end = 0;
    const std::string oldName = progfile::quotedName(r, 0, &end);
    const std::string newName = progfile::quotedName(r, end);
    const std::string oldPath = progfile::hostPath(oldName);
    if (oldName.empty() || !progfile::readable(oldPath)) raise(err::FileNotFound);
    // Only the file-name part of the new name counts: the file stays in
    // its directory.
    const size_t sep = newName.find_last_of("\\:/");
    const std::string part = sep == std::string::npos ? newName : newName.substr(sep + 1);
    if (part.empty()) raise(err::Syntax);
    const std::string target = progfile::hostPathIn(progfile::directoryOf(oldPath), part);
    if (::access(target.c_str(), F_OK) == 0) raise(err::FileAlreadyExist);
    if (::rename(oldPath.c_str(), target.c_str()) != 0) raise(err::DiskIO);
}

}  // namespace tw
