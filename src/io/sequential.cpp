// Text through file numbers: PRINT #, PRINT # USING, WRITE and WRITE #,
// INPUT #, LINE INPUT #, and LPRINT / LPRINT USING on the printer.
//
// On disk, a line that PRINT # or WRITE # ends is terminated by CR (13)
// alone. The screen device runs the list as PRINT or WRITE would, the
// keyboard device reads as the console's INPUT and LINE INPUT do, and the
// printer ends its lines with CR LF.
//
// Choice made here: INPUT # takes a field that the end of the file cuts
// short (a last line without a line end) as complete; only an INPUT # that
// finds nothing before the end reports "Disk I/O error".
#include <cstdio>

#include "eval/numtext.h"
#include "io/fileops.h"

namespace tw {

namespace {

constexpr char kCR = '\r';
const char* const kPrinterLineEnd = "\r\n";

// Keeps a line's pending text short; the print zones only need its length
// modulo 14, and TAB no longer moves once a line is this long.
void limitPending(std::string& pending) {
    if (pending.size() > 4096) pending.erase(0, (pending.size() - 1024) / 14 * 14);
}

ExprPtr parseTarget(std::string_view t) {
    t = trim(t);
    if (t.empty() || !isUpper(t[0])) raise(err::Syntax);
    ExprPtr e = parseExpression(t);
    if (e->kind != Expr::Var && e->kind != Expr::Elem) raise(err::Syntax);
    return e;
}


}  // namespace

Stmt& FileOps::keyboardForm(Interpreter& in, const std::string& text, int code) {
    auto& forms = in.files_->keyboardForms;
    auto it = forms.find(text);
    if (it == forms.end()) it = forms.emplace(text, in.compile(text)).first;
    Stmt& st = *it->second;
    if (st.error) throw *st.error;
    if (st.code != code) raise(err::Syntax);
    return st;
}

SerialPort& FileOps::link(Interpreter& in, const FileEntry& e) {
    return *in.files_->slots[static_cast<size_t>(e.serialSlot)].link;
}

void FileOps::prepareFileList(Stmt& s) {
    const std::string_view r = std::string_view(s.text).substr(s.argPos);
    const size_t hash = r.find('#');
    const size_t comma = r.find(',', hash == std::string_view::npos ? 0 : hash);
    if (hash == std::string_view::npos || comma == std::string_view::npos) raise(err::Syntax);
    s.sub = fileNumber(r.substr(hash + 1, comma - hash - 1));
    s.str = std::string(r.substr(comma + 1));
}

// ------------------------------------------------------------ output

namespace {

void parseWriteList(Stmt& s) {
    if (s.promptSep == kListParsed) return;
    std::vector<PrintItem> items;
    const std::string_view list = trim(s.str);
    if (!list.empty()) {
        for (const auto& [text, sep] : splitList(list, ",;")) {
            PrintItem it;
            const std::string_view t = trim(text);
            if (!t.empty()) it.expr = parseExpression(t);
            it.sep = sep;
            items.push_back(std::move(it));
        }
    }
    s.items = std::move(items);
    s.promptSep = kListParsed;
}

}  // namespace

void FileOps::sendText(Interpreter& in, FileEntry& e, std::string_view text) {
    if (e.device == Device::Serial)
        link(in, e).send(text);
    else if (!disk(in, e).write(text))
        raise(err::DiskIO);
}

void FileOps::printFile(Interpreter& in, Stmt& s) {
    FileEntry* e = openEntry(in, s.sub);
    if (!e || (e->mode != FileMode::Output && e->mode != FileMode::Append && e->mode != FileMode::Comm))
        raise(err::FileNotOpen);
    if (s.promptSep != kListParsed) {
        // The list is parsed at the first run as PRINT would parse it.
        std::shared_ptr<Stmt> form = in.compile("PRINT " + std::string(trim(s.str)));
        if (form->error) throw *form->error;
        if (form->code != kw::Print && form->code != kw::PrintUsing) raise(err::Syntax);
        s.items = std::move(form->items);
        s.usingTmpl = std::move(form->usingTmpl);
        s.present.assign(1, form->code == kw::PrintUsing);
        s.promptSep = kListParsed;
    }
    const bool usingForm = s.present[0];
    // A port waits for its partner and for output room before the list is
    // evaluated, so that a wait never evaluates it twice.
    if (e->device == Device::Serial) link(in, *e).readyToSend();
    if (e->device == Device::Screen) {
        in.stPrint(s, usingForm);
        if (in.lineStart_ && in.running_) in.screen_.newline();
        return;
    }
    std::string text;
    bool lineEnds;
    {
        LineStartKeeper keep(in.lineStart_);
        text = in.buildPrint(s, usingForm, e->pending, static_cast<int>(e->pending.size()));
        lineEnds = in.lineStart_;
    }
    limitPending(e->pending);
    if (e->device == Device::Printer) {
        if (lineEnds) text += kPrinterLineEnd;
        toPrinter(in, *e, text);
        return;
    }
    if (lineEnds) text.push_back(kCR);
    sendText(in, *e, text);
}

void FileOps::lprint(Interpreter& in, Stmt& s, bool usingForm) {
    FileEntry* p = currentPrinter(in);
    std::string scratch;
    std::string& pending = p ? p->pending : scratch;
    std::string text;
    {
        LineStartKeeper keep(in.lineStart_);
        text = in.buildPrint(s, usingForm, pending, static_cast<int>(pending.size()));
        if (in.lineStart_) text += kPrinterLineEnd;
    }
    if (!p) throw BasicError{err::FileNotOpen, "File not open "};
    limitPending(pending);
    toPrinter(in, *p, text);
}

std::string FileOps::writeItem(const Value& v) {
    if (v.isStr()) return "\"" + v.str + "\"";
    std::string t;
    switch (v.type) {
    case VType::Int: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", v.num);
        return buf;
    }
    case VType::Sng:
        // The 7-digit value text; one with a fraction or an exponent is
        // written again with 6 digits.
        t = numtext::gcvt(v.num, 7);
        if (t.back() != '.' && t.find_first_of(".e") != std::string::npos) t = numtext::gcvt(v.num, 6);
        break;
    default:
        t = numtext::gcvt(v.num, 16);
        break;
    }
    if (t.back() == '.') t.pop_back();
    return t;
}

void FileOps::writeStatement(Interpreter& in, Stmt& s, bool toFile) {
    FileEntry* e = nullptr;
    if (toFile) {
        e = openEntry(in, s.sub);
        if (!e || (e->mode != FileMode::Output && e->mode != FileMode::Append && e->mode != FileMode::Comm))
            raise(err::FileNotOpen);
    }
    parseWriteList(s);
    if (e && e->device == Device::Serial) link(in, *e).readyToSend();
    std::string text;
    for (const PrintItem& it : s.items) {
        if (it.expr) text += writeItem(in.eval(*it.expr));
        if (it.sep) text.push_back(',');
    }
    if (!e || e->device == Device::Screen) {
        // WRITE always ends the row; the run loop moves to the next row
        // after a WRITE statement, PRINT # and WRITE # move here.
        in.screen_.write(text);
        in.pending_.clear();
        in.lineStart_ = true;
        if (e && in.running_) in.screen_.newline();
        return;
    }
    e->pending.clear();
    if (e->device == Device::Printer) {
        toPrinter(in, *e, text + kPrinterLineEnd);
        return;
    }
    text.push_back(kCR);
    sendText(in, *e, text);
}

// ------------------------------------------------------------ input

bool FileOps::isStringTarget(Interpreter& in, const Expr& t) {
    if (t.kind == Expr::Var) return in.findVar(t)->type == VType::Str;
    return in.arrayFor(t)->type == VType::Str;
}

void FileOps::assignText(Interpreter& in, const Expr& t, std::string text) {
    if (isStringTarget(in, t))
        in.store(t, Value::string(std::move(text)));
    else
        in.store(t, Value::dbl(numtext::atof(text)));
}

namespace {

// One INPUT # field. `next` gives the next byte, DiskFile::End at the end
// or DiskFile::Failed.
template <class Next>
void readField(Next&& next, bool numeric, std::string& field) {
    field.clear();
    bool quoted = false;
    bool content = false;
    for (;;) {
        const int c = next();
        if (c < 0) {
            if (c == DiskFile::End && content) return;
            raise(err::DiskIO);
        }
        if (c == '\n') continue;
        if (c == '"') {
            quoted = !quoted;
            content = true;
            continue;
        }
        if (!quoted && (c == ',' || c == '\r' || (numeric && c == ' '))) {
            // Separators before the field are passed over.
            if (content) return;
            continue;
        }
        field.push_back(static_cast<char>(c));
        content = true;
    }
}

// The same for a disk file, taking the buffered bytes in runs.
void readField(DiskFile& f, bool numeric, std::string& field) {
    field.clear();
    bool quoted = false;
    bool content = false;
    for (;;) {
        std::string_view bytes;
        const int r = f.peek(bytes);
        if (r < 0) {
            if (r == DiskFile::End && content) return;
            raise(err::DiskIO);
        }
        size_t run = 0;  // start of the bytes not yet taken into the field
        for (size_t i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            const bool ends = !quoted && (c == ',' || c == '\r' || (numeric && c == ' '));
            if (c != '\n' && c != '"' && !ends) continue;
            if (i > run) {
                field.append(bytes.data() + run, i - run);
                content = true;
            }
            run = i + 1;
            if (c == '"') {
                quoted = !quoted;
                content = true;
            } else if (ends && content) {
                f.skip(i + 1);
                return;
            }
        }
        if (bytes.size() > run) {
            field.append(bytes.data() + run, bytes.size() - run);
            content = true;
        }
        f.skip(bytes.size());
    }
}

}  // namespace

void FileOps::inputFile(Interpreter& in, Stmt& s) {
    FileEntry* e = openEntry(in, s.sub);
    if (!e || (e->mode != FileMode::Input && e->mode != FileMode::Comm)) raise(err::FileNotOpen);
    if (e->device == Device::Keyboard) {
        in.stInput(keyboardForm(in, "INPUT " + std::string(trim(s.str)), kw::Input));
        return;
    }
    if (s.promptSep != kListParsed) {
        s.targets.clear();
        for (const auto& piece : splitList(s.str, ",;")) s.targets.push_back(parseTarget(piece.first));
        s.promptSep = kListParsed;
    }
    std::string field;
    if (e->device == Device::Serial) {
        // A wait reads every field again from the first received byte.
        SerialPort::Reader r(link(in, *e), in.host());
        for (const ExprPtr& t : s.targets) {
            readField([&] { return r.next(); }, !isStringTarget(in, *t), field);
            assignText(in, *t, field);
        }
        r.commit();
        return;
    }
    DiskFile& f = disk(in, *e);
    for (const ExprPtr& t : s.targets) {
        if (t->kind == Expr::Var) {
            // A simple variable takes the field without a detour through a
            // value: a string variable keeps its buffer.
            Variable* v = in.findVar(*t);
            const bool str = v->type == VType::Str;
            readField(f, !str, field);
            if (str)
                v->str = field;
            else
                in.store(*t, Value::dbl(numtext::atof(field)));
            continue;
        }
        readField(f, !isStringTarget(in, *t), field);
        assignText(in, *t, field);
    }
}

void FileOps::lineInputFile(Interpreter& in, Stmt& s) {
    FileEntry* e = openEntry(in, s.sub);
    if (!e || (e->mode != FileMode::Input && e->device != Device::Serial)) raise(err::FileNotOpen);
    // The variable runs to the first "," ";" ":" "'" outside quotes.
    std::string_view var = s.str;
    bool q = false;
    for (size_t i = 0; i < var.size(); ++i) {
        const char c = var[i];
        if (c == '"') q = !q;
        if (!q && (c == ',' || c == ';' || c == ':' || c == '\'' || c == '\r' || c == '\n')) {
            var = var.substr(0, i);
            break;
        }
    }
    if (e->device == Device::Keyboard) {
        in.stInput(keyboardForm(in, "LINE INPUT " + std::string(trim(var)), kw::LineInput));
        return;
    }
    if (s.promptSep != kListParsed) {
        s.targets.clear();
        s.targets.push_back(parseTarget(var));
        s.promptSep = kListParsed;
    }
    std::string line;
    if (e->device == Device::Serial) {
        // Line ends before the line are passed over; a double quote
        // toggles a quoted part, in which a line end is text. The line
        // never waits for what follows its end: an LF that has already
        // come after the CR is taken with it.
        SerialPort::Reader r(link(in, *e), in.host());
        int c = r.next();
        while (c == '\r' || c == '\n') c = r.next();
        bool quoted = false;
        for (;; c = r.next()) {
            if (c == '"') {
                quoted = !quoted;
                continue;
            }
            if (!quoted && (c == '\r' || c == '\n')) break;
            line.push_back(static_cast<char>(c));
        }
        r.commit();
        if (c == '\r' && r.tryNext() == '\n') r.commit();
    } else {
        DiskFile& f = disk(in, *e);
        bool quoted = false;
        for (;;) {
            const int c = f.get();
            if (c == DiskFile::Failed) raise(err::DiskIO);
            if (c == DiskFile::End) break;
            if (c == '"') {
                quoted = !quoted;
                continue;
            }
            if (c == '\r' && !quoted) {
                // CR LF ends the line as CR does; a byte other than LF
                // after the CR belongs to the next line.
                const int d = f.get();
                if (d == DiskFile::Failed) raise(err::DiskIO);
                if (d >= 0 && d != '\n') f.unget();
                break;
            }
            line.push_back(static_cast<char>(c));
        }
    }
    while (!line.empty() && line.back() == '\r') line.pop_back();
    assignText(in, *s.targets[0], std::move(line));
}

}  // namespace tw
