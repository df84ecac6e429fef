// Serial ports in the run loop: the ON COM poll between statements, the
// end of waits when a run stops, and program transfers (SAVE to a port or
// the printer, LOAD from a port), one piece per step of the run loop.
//
// Choices made here:
// - A transfer is closed, with what was sent or received so far, when the
//   user breaks it. A received program is read as a text program file is
//   read, whatever its first byte.
// - An ON COM row fires when its port has data waiting, once: it fires
//   again only after its handler has returned (a handler that waits for
//   the rest of a line is not called into again).
// - A port that is being sent a program waits for room, never for the
//   user: ESC ends the wait.
#include <algorithm>

#include "core/traps.h"
#include "editing/editing.h"
#include "editing/editops.h"
#include "io/fileops.h"
#include "io/progfile.h"

namespace tw {

namespace {

// A send step collects whole lines up to this many bytes.
constexpr size_t kChunk = 1024;

}  // namespace

int Interpreter::comRow(int port) const {
    const FileState& fs = *files_;
    for (size_t k = 1; k < fs.slots.size(); ++k)
        if (fs.slots[k].fileNo >= 1 && fs.slots[k].port == port)
            return TrapState::FirstComRow + static_cast<int>(k) - 1;
    return -1;
}

void Interpreter::updateComTraps() {
    comTrapsOn_ = false;
    for (int k = 0; k < 5; ++k) {
        const TrapRow& row = traps_->rows[static_cast<size_t>(TrapState::FirstComRow + k)];
        if ((row.state == TrapRow::On || row.state == TrapRow::Stopped) && files_->slots[static_cast<size_t>(k + 1)].link)
            comTrapsOn_ = true;
    }
}

void Interpreter::pollComTraps() {
    FileState& fs = *files_;
    for (size_t k = 1; k < fs.slots.size(); ++k) {
        const int row = TrapState::FirstComRow + static_cast<int>(k) - 1;
        const TrapRow& r = traps_->rows[static_cast<size_t>(row)];
        if (r.state != TrapRow::On && r.state != TrapRow::Stopped) continue;
        int32_t& depth = traps_->comHandlerDepth[k - 1];
        if (depth >= 0) {
            if (static_cast<int32_t>(gosub_.size()) > depth) continue;  // its handler runs
            depth = -1;
        }
        SerialSlot& sl = fs.slots[k];
        if (sl.fileNo < 1 || !sl.link || !sl.link->dataWaiting()) continue;
        if (trapEvent(row) == 1) return;  // the first such port fires
    }
}

void Interpreter::endDeviceWaits() {
    FileState& fs = *files_;
    for (SerialSlot& sl : fs.slots)
        if (sl.link) sl.link->endWait();
    if (fs.pendingOpen.port) fs.pendingOpen.port->close();
    fs.pendingOpen = PendingOpen{};
}

void FileOps::startTransfer(Interpreter& in, const std::string& name, bool send) {
    const bool serial = progfile::isDeviceName(name, "COM");
    FileState& fs = *in.files_;
    int n = 0;
    for (int k = 1; k <= FileState::MaxFiles && !n; ++k)
        if (!fs.table[static_cast<size_t>(k)].open) n = k;
    if (!n) raise(err::OutOfMemory);
    // The OPEN statement is kept by its text, so that an OPEN waiting for
    // its partner is the same statement when it runs again.
    std::string text = "OPEN \"" + name + "\" ";
    text += serial ? "AS #" : "FOR OUTPUT AS #";
    text += std::to_string(n);
    auto& forms = fs.keyboardForms;
    auto it = forms.find(text);
    if (it == forms.end()) it = forms.emplace(text, in.compile(text)).first;
    Stmt& st = *it->second;
    if (st.error) throw *st.error;
    open(in, st);
    const FileEntry& e = fs.table[static_cast<size_t>(n)];
    if (!send && e.device != Device::Serial) {
        closeEntry(in, n, false);
        raise(err::IllegalOperation, "Illegal operetion in ");
    }
    fs.transfer = ProgramTransfer{};
    fs.transfer.kind = send ? ProgramTransfer::Send : ProgramTransfer::Receive;
    fs.transfer.fileNo = n;
    in.transferring_ = true;
}

void Interpreter::transferStep() {
    FileState& fs = *files_;
    ProgramTransfer& t = fs.transfer;
    ++stmtCount_;  // a step counts as a statement (hosts pace by them)
    try {
        FileEntry* e = FileOps::openEntry(*this, t.fileNo);
        if (!e) raise(err::FileNotOpen);
        if (e->device != Device::Serial && e->device != Device::Printer)
            raise(err::IllegalOperation, "Illegal operetion in ");
        SerialPort* port = e->device == Device::Serial ? fs.slots[static_cast<size_t>(e->serialSlot)].link.get() : nullptr;
        if (t.kind == ProgramTransfer::Receive) {
            std::string got = port->takeAll();
            if (got.empty()) throw DeviceWait{};
            // Only the start of a program is read; the rest is let go.
            const size_t room = progfile::kMaxProgramBytes * 2 - std::min(t.received.size(), progfile::kMaxProgramBytes * 2);
            t.received.append(got, 0, std::min(room, got.size()));
            return;
        }
        if (t.nextLine >= progText_.size()) {
            // Everything is handed over: the number closes once the port
            // has sent it all.
            if (port && !port->flushOutput()) throw DeviceWait{};
            endTransfer(false);
            return;
        }
        std::string chunk;
        size_t next = t.nextLine;
        while (next < progText_.size()) {
            std::string line = progText_[next];
            if (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) line += "\r\n";
            if (!chunk.empty() && chunk.size() + line.size() > kChunk) break;
            chunk += line;
            ++next;
        }
        if (port) {
            port->readyToSend();
            port->send(chunk);
        } else {
            FileOps::toPrinter(*this, *e, chunk);
        }
        t.nextLine = next;
    } catch (const DeviceWait&) {
        deviceWait_ = true;
    } catch (const BasicError& be) {
        endTransfer(false);
        handleError(be);
    }
}

void Interpreter::endTransfer(bool broken) {
    FileState& fs = *files_;
    ProgramTransfer t = std::move(fs.transfer);
    fs.transfer = ProgramTransfer{};
    transferring_ = false;
    if (t.kind == ProgramTransfer::Receive && broken) {
        if (FileEntry* e = FileOps::openEntry(*this, t.fileNo); e && e->device == Device::Serial) {
            const std::string rest = fs.slots[static_cast<size_t>(e->serialSlot)].link->takeAll();
            t.received.append(rest, 0, std::min(rest.size(), progfile::kMaxProgramBytes * 2 - std::min(t.received.size(), progfile::kMaxProgramBytes * 2)));
        }
        const bool cut = t.received.size() > progfile::kMaxProgramBytes;
        // A leading CR keeps the text from being taken for the binary
        // format; the empty piece it makes is dropped.
        std::string bytes(1, '\r');
        bytes += progfile::programBytes(std::move(t.received), cut);
        EditingOps::replaceProgram(*this, progfile::parseImage(bytes));
        edit_->loadedFormat = progfile::Text;
    }
    if (FileOps::openEntry(*this, t.fileNo)) FileOps::closeEntry(*this, t.fileNo, false);
}

}  // namespace tw
