// Memory and port statements on safe stand-ins: DEF SEG, POKE, PEEK, BSAVE
// and BLOAD address a private 1 MiB byte array, OUT and INP a simulated
// port space of 64 Ki byte latches; CALL and USR are refused.
//
// Addresses:
// - memory byte = (segment value + offset) modulo 1 MiB; a BSAVE or BLOAD
//   range that would run past the end stops there. SEGPTR is 0, the start
//   of the array, so DEF SEG = SEGPTR addresses it from its first byte.
// - INP reads back the byte last written to the port with OUT; a port never
//   written reads 255, as an unconnected bus does.
// - VARPTR follows the value pools of the variables: scalars from
//   0x100000 on in creation order (2 bytes integer, 4 single, 8 double,
//   2 string), string variables by their string slot at 0x300000 + 4 x slot
//   (slots numbered from 1 in creation order), array elements from 0x200000
//   on, one block after the other. The interpreter does not record the
//   order in which arrays were made, so the blocks are laid out in name
//   order.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <map>

#include "io/fileops.h"

namespace tw {

namespace {

constexpr uint32_t kScalarPool = 0x100000;
constexpr uint32_t kArrayPool = 0x200000;
constexpr uint32_t kStringSlots = 0x300000;
constexpr uint8_t kIdlePort = 0xFF;

// A number as a 32-bit integer: the fraction dropped, wrapped to 32 bits.
int64_t int32Of(double x) {
    if (std::isnan(x)) return 0;
    double t = std::fmod(std::trunc(x), 4294967296.0);
    if (t < 0) t += 4294967296.0;
    const auto u = static_cast<uint32_t>(t);
    return static_cast<int32_t>(u);
}

uint8_t lowByte(double x) { return static_cast<uint8_t>(static_cast<uint32_t>(int32Of(x)) & 0xFF); }

size_t width(VType t) {
    switch (t) {
    case VType::Sng: return 4;
    case VType::Dbl: return 8;
    default: return 2;
    }
}

ExprPtr parsePart(std::string_view t) {
    t = trim(t);
    if (t.empty()) raise(err::Syntax);
    return parseExpression(t);
}

std::vector<uint8_t>& memoryOf(FileState& fs) {
    if (fs.memory.empty()) fs.memory.assign(FileState::MemorySize, 0);
    return fs.memory;
}

uint32_t address(const FileState& fs, int64_t offset) {
    const int64_t m = FileState::MemorySize;
    return static_cast<uint32_t>((((fs.segment + offset) % m) + m) % m);
}

std::string fileNameOf(const Value& v) {
    if (!v.isStr()) raise(err::TypeMismatch);
    return hostFileName(v.str);
}

}  // namespace

bool FileOps::prepareMemory(Stmt& s) {
    const std::string_view r = s.args();
    switch (s.code) {
    case kw::DefSeg: {
        const size_t eq = r.find('=');
        if (eq == std::string_view::npos) raise(err::Syntax);
        s.ex.push_back(parsePart(r.substr(eq + 1)));
        return true;
    }
    case kw::DefUsr: {
        const size_t eq = r.find('=');
        if (eq == std::string_view::npos) raise(err::Syntax);
        const std::string_view digit = trim(r.substr(0, eq));
        if (digit.size() > 1 || (digit.size() == 1 && !isDigit(digit[0]))) raise(err::Syntax);
        s.sub = digit.empty() ? 0 : digit[0] - '0';
        s.ex.push_back(parsePart(r.substr(eq + 1)));
        return true;
    }
    case kw::Poke: {
        const auto parts = splitArgs(r);
        if (parts.size() != 2) raise(err::Syntax);
        s.ex.push_back(parsePart(parts[0]));
        s.ex.push_back(parsePart(parts[1]));
        return true;
    }
    case kw::Out: {
        const size_t comma = splitArgs(r)[0].size();
        if (comma >= r.size()) raise(err::IllegalFunctionCall);
        s.ex.push_back(parsePart(r.substr(0, comma)));
        s.ex.push_back(parsePart(r.substr(comma + 1)));
        return true;
    }
    case kw::Bsave:
    case kw::Bload: {
        // name, offset[, length]: the last part runs to the end.
        const auto parts = splitArgs(r);
        const size_t need = s.code == kw::Bsave ? 3 : 2;
        if (parts.size() < need) raise(err::Syntax);
        s.ex.push_back(parsePart(parts[0]));
        const size_t second = parts[0].size() + 1;
        if (need == 2) {
            s.ex.push_back(parsePart(r.substr(second)));
        } else {
            s.ex.push_back(parsePart(parts[1]));
            s.ex.push_back(parsePart(r.substr(second + parts[1].size() + 1)));
        }
        return true;
    }
    case kw::Call:
    case kw::Usr:
        return true;
    default:
        return false;
    }
}

bool FileOps::executeMemory(Interpreter& in, Stmt& s) {
    FileState& fs = *in.files_;
    switch (s.code) {
    case kw::DefSeg:
        fs.segment = static_cast<int32_t>(int32Of(in.evalNum(*s.ex[0])));
        return true;
    case kw::DefUsr:
        // Kept for DEFUSER-style programs; USR itself is refused.
        fs.usrAddress[static_cast<size_t>(s.sub)] = static_cast<uint32_t>(int32Of(in.evalNum(*s.ex[0])));
        return true;
    case kw::Poke: {
        const int64_t offset = int32Of(in.evalNum(*s.ex[0]));
        const uint8_t value = lowByte(in.evalNum(*s.ex[1]));
        memoryOf(fs)[address(fs, offset)] = value;
        return true;
    }
    case kw::Out: {
        int64_t port = int32Of(in.evalNum(*s.ex[0])) % 65536;
        if (port < 0) port += 65536;
        if (port >= 32768) raise(err::IllegalFunctionCall);
        const uint8_t value = lowByte(in.evalNum(*s.ex[1]));
        if (fs.ports.empty()) fs.ports.assign(FileState::PortCount, kIdlePort);
        fs.ports[static_cast<size_t>(port)] = value;
        return true;
    }
    case kw::Bsave: {
        const std::string name = fileNameOf(in.eval(*s.ex[0]));
        const uint32_t from = address(fs, int32Of(in.evalNum(*s.ex[1])));
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) raise(err::FileNotOpen);
        struct Closer {
            int fd;
            ~Closer() { ::close(fd); }
        } closer{fd};
        const int64_t count = std::clamp<int64_t>(int32Of(in.evalNum(*s.ex[2])), 0,
                                                  FileState::MemorySize - from);
        const std::vector<uint8_t>& mem = memoryOf(fs);
        int64_t done = 0;
        while (done < count) {
            const ssize_t n = ::write(fd, mem.data() + from + done, static_cast<size_t>(count - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) raise(err::DiskIO);
            done += n;
        }
        return true;
    }
    case kw::Bload: {
        const std::string name = fileNameOf(in.eval(*s.ex[0]));
        const int64_t offset = int32Of(in.evalNum(*s.ex[1]));
        fs.lastLoadOffset = static_cast<int32_t>(offset);
        const uint32_t from = address(fs, offset);
        const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) raise(err::FileNotOpen);
        std::vector<uint8_t>& mem = memoryOf(fs);
        size_t at = from;
        while (at < mem.size()) {
            const ssize_t n = ::read(fd, mem.data() + at, mem.size() - at);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            at += static_cast<size_t>(n);
        }
        ::close(fd);
        return true;
    }
    case kw::Call:
    case kw::Usr:
        raise(err::IllegalFunctionCall);
    default:
        return false;
    }
}

// ------------------------------------------------------------ functions

int Interpreter::fnPeek(int64_t offset) {
    FileState& fs = *files_;
    return memoryOf(fs)[address(fs, int32Of(static_cast<double>(offset)))];
}

int Interpreter::fnInp(int port) {
    FileState& fs = *files_;
    const int p = ((port % 65536) + 65536) % 65536;
    return fs.ports.empty() ? kIdlePort : fs.ports[static_cast<size_t>(p)];
}

uint32_t Interpreter::fnDefSeg() { return static_cast<uint32_t>(files_->segment); }

uint32_t Interpreter::fnSegPtr() { return 0; }

uint32_t Interpreter::fnVarPtr(std::string_view reference) {
    const std::string_view t = trim(reference);
    if (t.empty() || !isUpper(t[0])) raise(err::Syntax);
    const ExprPtr e = parseExpression(t);
    if (e->kind == Expr::Var) {
        const Variable* v = findVar(*e);
        const size_t before = std::min<size_t>(v->slot ? v->slot - 1 : 0, varStore_.size());
        if (v->type == VType::Str) {
            uint32_t stringSlot = 1;
            for (size_t i = 0; i < before; ++i)
                if (varStore_[i].type == VType::Str) ++stringSlot;
            return kStringSlots + 4 * stringSlot;
        }
        uint32_t at = kScalarPool;
        for (size_t i = 0; i < before; ++i) at += static_cast<uint32_t>(width(varStore_[i].type));
        return at;
    }
    if (e->kind != Expr::Elem) raise(err::IllegalFunctionCall);
    Array* a = arrayFor(*e);
    const size_t idx = elementIndex(*a, *e);
    std::map<std::string, const Array*> byName;
    for (const auto& [name, arr] : arrays_) byName.emplace(name, arr.get());
    uint32_t at = kArrayPool;
    for (const auto& [name, arr] : byName) {
        if (arr == a) break;
        at += static_cast<uint32_t>(arr->count * width(arr->type));
    }
    return at + static_cast<uint32_t>(idx * width(a->type));
}

}  // namespace tw
