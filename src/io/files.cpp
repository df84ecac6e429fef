// The file table: OPEN, CLOSE, the device a number is bound to, and the
// functions EOF, LOF, LOC and INPUT$(n, #f) that read it.
//
// Choices made here:
// - OPEN of a number that is already open closes the earlier binding first
//   (its buffered bytes are written out), so nothing is leaked or lost.
// - CLOSE of a printer closes its sink (a pipe's command is waited for).
// - LPRINT writes to the printer file opened, or written to through its
//   number, last; with no printer file open it reports "File not open ".
// - The device is chosen from the upper-cased name, but a disk file keeps
//   the name as written: it matches an existing file without regard to
//   letter case (as program files do), and a new file gets the case written.
// - Open files stay open across RUN, END, NEW and CLEAR; they are closed by
//   CLOSE, and by the interpreter going away.
#include "io/files.h"

#include <algorithm>

#include "core/traps.h"
#include "eval/numtext.h"
#include "io/fileops.h"

namespace tw {

namespace {

// Upper-cases a-z, leaving double-byte characters whole.
std::string upperName(std::string_view s) {
    std::string out(s);
    for (size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<uint8_t>(out[i]);
        if (isLead(c)) {
            ++i;
            continue;
        }
        if (c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 32);
    }
    return out;
}

bool contains(std::string_view s, std::string_view w) { return s.find(w) != std::string_view::npos; }

}  // namespace

int fileNumber(std::string_view text) { return numtext::atoi(text); }

// ------------------------------------------------------------ dispatch

bool Interpreter::prepareFiles(Stmt& s) {
    switch (s.code) {
    case kw::Open:
    case kw::Close:
        return true;  // both read their text when they run
    case kw::PrintFile:
    case kw::WriteFile:
    case kw::InputFile:
    case kw::LineInputFile:
        FileOps::prepareFileList(s);
        return true;
    case kw::Write:
        s.str = std::string(s.args());
        return true;
    case kw::Field:
        return true;
    case kw::Get:
    case kw::Put:
        if (!FileOps::isRecordForm(s)) return false;
        FileOps::prepareRecord(s);
        return true;
    case kw::Lset:
    case kw::Rset:
        FileOps::prepareSetField(s);
        return true;
    default:
        return FileOps::prepareMemory(s);
    }
}

bool Interpreter::executeFiles(Stmt& s) {
    switch (s.code) {
    case kw::Open: FileOps::open(*this, s); return true;
    case kw::Close: FileOps::close(*this, s); return true;
    case kw::PrintFile: FileOps::printFile(*this, s); return true;
    case kw::Write: FileOps::writeStatement(*this, s, false); return true;
    case kw::WriteFile: FileOps::writeStatement(*this, s, true); return true;
    case kw::InputFile: FileOps::inputFile(*this, s); return true;
    case kw::LineInputFile: FileOps::lineInputFile(*this, s); return true;
    case kw::Lprint: FileOps::lprint(*this, s, false); return true;
    case kw::LprintUsing: FileOps::lprint(*this, s, true); return true;
    case kw::Field: FileOps::field(*this, s); return true;
    case kw::Get:
    case kw::Put:
        if (!FileOps::isRecordForm(s)) return false;
        FileOps::getPut(*this, s, s.code == kw::Put);
        return true;
    case kw::Lset:
    case kw::Rset:
        FileOps::setField(*this, s, s.code == kw::Rset);
        return true;
    default:
        return FileOps::executeMemory(*this, s);
    }
}

// ------------------------------------------------------------ the table

FileEntry* FileOps::openEntry(Interpreter& in, int n) {
    if (n < 1 || n > FileState::MaxFiles) return nullptr;
    FileEntry& e = in.files_->table[static_cast<size_t>(n)];
    return e.open ? &e : nullptr;
}

FileEntry& FileOps::requireOpen(Interpreter& in, int n) {
    FileEntry* e = openEntry(in, n);
    if (!e) raise(err::FileNotOpen);
    return *e;
}

DiskFile& FileOps::disk(Interpreter& in, FileEntry& e) {
    if (e.shared) {
        for (FileEntry& other : in.files_->table)
            if (&other != &e && other.open && other.disk && other.disk->device() == e.disk->device() &&
                other.disk->inode() == e.disk->inode())
                other.disk->flush();
        e.disk->resync();
    }
    return *e.disk;
}

namespace {

// Marks the disk entries that share their file with another open number.
void markShared(FileState& fs) {
    for (FileEntry& e : fs.table) {
        e.shared = false;
        if (!e.open || !e.disk) continue;
        for (const FileEntry& o : fs.table)
            if (&o != &e && o.open && o.disk && o.disk->device() == e.disk->device() &&
                o.disk->inode() == e.disk->inode())
                e.shared = true;
    }
}

}  // namespace

FileEntry* FileOps::currentPrinter(Interpreter& in) {
    FileEntry* best = nullptr;
    for (FileEntry& e : in.files_->table)
        if (e.open && e.device == Device::Printer && (!best || e.printerOrder > best->printerOrder)) best = &e;
    return best;
}

void FileOps::toPrinter(Interpreter& in, FileEntry& e, std::string_view text) {
    e.printerOrder = ++in.files_->printerUses;
    if (!e.printer || !e.printer->write(text)) throw BasicError{err::DiskIO, "Disk I/O error "};
}

// ------------------------------------------------------------ OPEN

void FileOps::open(Interpreter& in, Stmt& s) {
    const std::string_view t = s.text;
    // The name ends at the first " FOR " or " AS " of the statement.
    const size_t forPos = t.find(" FOR ");
    const size_t asPos = t.find(" AS ");
    if (forPos == std::string_view::npos && asPos == std::string_view::npos) raise(err::Syntax);
    const bool shortForm = asPos < forPos;
    const size_t nameEnd = std::min(forPos, asPos);
    if (nameEnd < s.argPos) raise(err::Syntax);
    const std::string_view nameText = trim(t.substr(s.argPos, nameEnd - s.argPos));
    if (nameText.empty()) raise(err::Syntax);
    const Value nameValue = in.evalRegion(nameText);
    if (!nameValue.isStr()) raise(err::TypeMismatch);

    FileMode mode = FileMode::Random;
    size_t scan = nameEnd + 4;  // after " AS "
    if (!shortForm) {
        // The first of INPUT, OUTPUT and APPEND after the name, with more
        // text after it.
        static constexpr std::pair<const char*, FileMode> words[] = {
            {"INPUT", FileMode::Input}, {"OUTPUT", FileMode::Output}, {"APPEND", FileMode::Append}};
        size_t found = std::string_view::npos;
        for (size_t i = nameEnd; i < t.size() && found == std::string_view::npos; ++i)
            for (const auto& [w, m] : words) {
                const size_t n = std::char_traits<char>::length(w);
                if (t.compare(i, n, w) == 0) {
                    found = i + n;
                    mode = m;
                    break;
                }
            }
        if (found == std::string_view::npos || found >= t.size()) raise(err::Syntax);
        scan = found;
    }
    const size_t hash = t.find('#', scan);
    if (hash == std::string_view::npos) raise(err::Syntax);
    // One or two characters after "#": two when at least two follow.
    const size_t after = t.size() - hash - 1;
    const int n = fileNumber(t.substr(hash + 1, after >= 2 ? 2 : 1));
    if (n < 1 || n > FileState::MaxFiles) raise(err::BadFileNumber);

    const std::string& name = nameValue.str;
    const std::string upper = upperName(name);
    FileState& fs = *in.files_;
    if (FileEntry& was = fs.table[static_cast<size_t>(n)]; was.open) {
        // A port taken over keeps nothing back: its queued output goes first.
        if (was.device == Device::Serial && !link(in, was).flushOutput()) throw DeviceWait{};
        closeEntry(in, n, true);
    }
    FileEntry& e = fs.table[static_cast<size_t>(n)];
    e = FileEntry{};
    e.record.fill(' ');

    if (contains(upper, "COM")) {
        const int port = serialPort(upper);
        for (size_t k = 1; k < fs.slots.size(); ++k)
            if (fs.slots[k].fileNo >= 1 && fs.slots[k].port == port) raise(err::PortAlreadyOpen);
        const SerialSettings settings = serialSettings(upper);
        size_t slot = 0;
        for (size_t k = 1; k < fs.slots.size() && !slot; ++k)
            if (fs.slots[k].fileNo < 1) slot = k;
        if (!slot) raise(err::OutOfMemory);
        // The port is made once; an OPEN that waits for its partner finds
        // it again when the statement runs again.
        PendingOpen& po = fs.pendingOpen;
        std::unique_ptr<SerialPort> link;
        int64_t since = in.host().monotonicMs();
        if (po.port && po.stmt == &s && po.fileNo == n) {
            link = std::move(po.port);
            since = po.since;
        } else {
            if (po.port) po.port->close();
            std::unique_ptr<SerialLink> line = makeSerialLink(port);
            if (!line || !line->open(settings)) raise(err::FileNotOpen, "File can not open in ");
            link = std::make_unique<SerialPort>(std::move(line));
        }
        po = PendingOpen{};
        while (!link->link().partnerPresent()) {
            if (in.host().monotonicMs() - since < link->link().partnerWaitMs()) {
                po.stmt = &s;
                po.fileNo = n;
                po.port = std::move(link);
                po.since = since;
                throw DeviceWait{};
            }
            if (in.host().ask("Partner is not connect , Retry ?", Host::RetryCancel) != Host::AnswerRetry) {
                link->close();
                raise(err::NotConnectCom);
            }
            since = in.host().monotonicMs();
        }
        fs.slots[slot].fileNo = n;
        fs.slots[slot].port = port;
        fs.slots[slot].link = std::move(link);
        e.serialSlot = static_cast<int>(slot);
        e.mode = FileMode::Comm;
        e.device = Device::Serial;
    } else if (contains(upper, "LPT")) {
        if (mode != FileMode::Output) raise(err::Syntax);
        std::string stream;
        for (char c : upper)
            if (c != ':') stream.push_back(c);
        e.printer = PrinterSink::open(PrinterSink::number(trim(stream)));
        if (!e.printer) raise(err::FileNotOpen, "File can not open in ");
        e.mode = mode;
        e.device = Device::Printer;
        e.printerOrder = ++fs.printerUses;
    } else if (contains(upper, "SCRN") && (contains(upper, "SCRN:") || contains(upper, "SCRN :"))) {
        if (mode != FileMode::Output) raise(err::Syntax);
        e.mode = mode;
        e.device = Device::Screen;
    } else if (contains(upper, "KYBD") && (contains(upper, "KYBD:") || contains(upper, "KYBD :"))) {
        if (mode != FileMode::Input) raise(err::Syntax);
        e.mode = mode;
        e.device = Device::Keyboard;
    } else {
        static constexpr DiskFile::Access access[] = {DiskFile::Access::Random, DiskFile::Access::Input,
                                                      DiskFile::Access::Output, DiskFile::Access::Append};
        e.mode = mode;
        e.device = Device::Disk;
        e.disk = DiskFile::open(hostFileName(name), access[static_cast<int>(mode)]);
        if (!e.disk) raise(mode == FileMode::Random ? err::FileNotOpen : err::FileNotFound);
    }
    e.open = true;
    markShared(fs);
}

// ------------------------------------------------------------ CLOSE

namespace {

// A serial file closes once its queued output has gone out; until then
// CLOSE waits (and closes nothing, so that it can run again).
void awaitOutput(Interpreter& in, const std::vector<int>& numbers) {
    for (int n : numbers) {
        const FileEntry* e = FileOps::openEntry(in, n);
        if (e && e->device == Device::Serial && !FileOps::link(in, *e).flushOutput()) throw DeviceWait{};
    }
}

}  // namespace

void FileOps::close(Interpreter& in, Stmt& s) {
    const std::string_view t = s.text;
    const size_t hash = t.find('#');
    std::vector<int> numbers;
    if (hash == std::string_view::npos) {
        for (int n = 1; n <= FileState::MaxFiles; ++n)
            if (openEntry(in, n)) numbers.push_back(n);
        awaitOutput(in, numbers);
        for (int n : numbers) closeEntry(in, n, true);
        return;
    }
    // "#a,b,c": only the first number carries the "#"; the list ends at
    // the end of the statement or at an empty item.
    size_t i = hash + 1;
    for (;;) {
        size_t j = i;
        while (j < t.size() && t[j] != ',' && t[j] != ':' && t[j] != '\'' && t[j] != '\r' && t[j] != '\n') ++j;
        const std::string_view item = t.substr(i, j - i);
        if (trim(item).empty()) break;
        numbers.push_back(fileNumber(item));
        if (j >= t.size() || t[j] != ',') break;
        i = j + 1;
    }
    awaitOutput(in, numbers);
    for (int n : numbers) closeEntry(in, n, true);
}

void FileOps::closeEntry(Interpreter& in, int n, bool report) {
    FileEntry* e = openEntry(in, n);
    if (!e) {
        if (report) raise(err::FileNotOpen);
        return;
    }
    FileState& fs = *in.files_;
    bool failed = false;
    if (e->device == Device::Serial) {
        const int slot = e->serialSlot;
        if (report && slot >= 1 &&
            in.traps_->rows[static_cast<size_t>(TrapState::FirstComRow + slot - 1)].state == TrapRow::On)
            raise(err::IllegalOperation);
        if (slot >= 1 && slot < static_cast<int>(fs.slots.size())) {
            SerialSlot& sl = fs.slots[static_cast<size_t>(slot)];
            // Queued output is given a moment to go out (the statement
            // waits for it before it gets here).
            if (sl.link) sl.link->close(report ? 0 : 1000);
            sl = SerialSlot{};
            // The slot's trap row goes with the port.
            const size_t row = static_cast<size_t>(TrapState::FirstComRow + slot - 1);
            in.traps_->rows[row] = TrapRow{};
            in.traps_->comHandlerDepth[static_cast<size_t>(slot - 1)] = -1;
            in.updateComTraps();
        }
    } else if (e->disk) {
        failed = !e->disk->close();
    } else if (e->printer) {
        e->printer->close();
    }
    *e = FileEntry{};
    markShared(fs);
    if (failed && report) raise(err::DiskIO);
}

void Interpreter::closeAllFiles() {
    for (int n = 1; n <= FileState::MaxFiles; ++n) FileOps::closeEntry(*this, n, false);
}

void Interpreter::flushFiles() {
    for (FileEntry& e : files_->table)
        if (e.open && e.disk) e.disk->flush();
}

// ------------------------------------------------------------ functions

bool Interpreter::fnEof(int fileNo) {
    FileEntry& e = FileOps::requireOpen(*this, fileNo);
    switch (e.device) {
    case Device::Disk: return FileOps::disk(*this, e).atEnd();
    case Device::Serial: return !FileOps::link(*this, e).dataWaiting();
    case Device::Keyboard: return false;  // more keys can always come
    default: raise(err::IllegalFunctionCall);
    }
}

double Interpreter::fnLof(int fileNo) {
    FileEntry& e = FileOps::requireOpen(*this, fileNo);
    switch (e.device) {
    case Device::Disk: return static_cast<double>(FileOps::disk(*this, e).size());
    case Device::Serial: return static_cast<double>(FileOps::link(*this, e).freeSpace());
    default: raise(err::IllegalFunctionCall);
    }
}

double Interpreter::fnLoc(int fileNo) {
    FileEntry& e = FileOps::requireOpen(*this, fileNo);
    switch (e.device) {
    case Device::Disk: return static_cast<double>(FileOps::disk(*this, e).position());
    case Device::Serial: return static_cast<double>(FileOps::link(*this, e).waiting());
    default: raise(err::IllegalFunctionCall);
    }
}

bool Interpreter::fnFileInput(int fileNo, int count, std::string& out) {
    FileEntry& e = FileOps::requireOpen(*this, fileNo);
    switch (e.device) {
    case Device::Keyboard:
        return count <= 0 || takeKeys(count, out);
    case Device::Serial: {
        // All n bytes or none: a wait reads them again from the start.
        SerialPort::Reader r(FileOps::link(*this, e), host_);
        std::string got;
        for (int i = 0; i < count; ++i) got.push_back(static_cast<char>(r.next()));
        r.commit();
        out += got;
        return true;
    }
    case Device::Disk: {
        if (e.mode != FileMode::Input) raise(err::Syntax);
        DiskFile& f = FileOps::disk(*this, e);
        for (int i = 0; i < count; ++i) {
            const int c = f.get();
            if (c < 0) raise(err::DiskIO);
            out.push_back(static_cast<char>(c));
        }
        return true;
    }
    default:
        raise(err::Syntax);
    }
}

}  // namespace tw
