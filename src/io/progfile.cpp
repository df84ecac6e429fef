// Program file formats, BASIC file names and the disk operations behind
// the program-file statements.
#include "io/progfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>

#include "core/interp.h"
#include "io/encoding.h"

namespace tw::progfile {

namespace {

bool leadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

uint16_t le16(std::string_view s, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8));
}

void putLe16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

// A text line as the program store keeps it: the number in decimal, the
// statement after one blank (the blanks the file had are kept), trailing
// blanks removed and the letters upper-cased as for a typed line. Empty
// when the piece has no number or no statement.
std::string storedLine(std::string_view piece, int32_t* number) {
    size_t rest = 0;
    const int32_t n = textLineNumber(piece, &rest);
    *number = n;
    if (n < 1 || n > 65536) return {};
    std::string_view stmt = trimRight(piece.substr(rest));
    if (trim(stmt).empty()) return {};
    std::string text = std::to_string(n);
    if (stmt.front() != ' ') text.push_back(' ');
    text.append(stmt);
    Interpreter::normalizeLine(text);
    return text;
}

bool existsNoFollow(const std::string& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0;
}

std::string joinPath(const std::string& dir, const std::string& part) {
    if (dir.empty()) return part;
    if (dir.back() == '/') return dir + part;
    return dir + "/" + part;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// The entry of `dir` whose name equals `part` but for letter case; the
// smallest such name when there are several, "" when there is none.
std::string caseMatch(const std::string& dir, const std::string& part) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return {};
    std::string best;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (equalsIgnoringCase(name, part) && (best.empty() || name < best)) best = name;
    }
    ::closedir(d);
    return best;
}

// Resolves each part of a path that does not exist as written by a match
// that ignores letter case.
std::string resolveCase(const std::string& path) {
    if (path.empty() || existsNoFollow(path)) return path;
    std::string cur = path[0] == '/' ? "/" : "";
    size_t i = 0;
    bool matching = true;
    while (i <= path.size()) {
        size_t e = path.find('/', i);
        if (e == std::string::npos) e = path.size();
        const std::string part = path.substr(i, e - i);
        i = e + 1;
        if (part.empty()) continue;
        const std::string as = joinPath(cur, part);
        if (!matching || part == "." || part == ".." || existsNoFollow(as)) {
            cur = as;
            continue;
        }
        const std::string m = caseMatch(cur, part);
        if (m.empty()) {
            // Nothing further down can exist: keep the rest as written.
            matching = false;
            cur = as;
        } else {
            cur = joinPath(cur, m);
        }
    }
    if (!path.empty() && path.back() == '/' && (cur.empty() || cur.back() != '/')) cur.push_back('/');
    return cur;
}

}  // namespace

// ------------------------------------------------------------- formats

int32_t textLineNumber(std::string_view piece, size_t* rest) {
    int64_t n = 0;
    bool digits = false;
    size_t i = 0;
    for (; i < piece.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(piece[i]);
        if (c >= '0' && c <= '9') {
            digits = true;
            if (n < 100000000) n = n * 10 + (c - '0');
            continue;
        }
        if (c > '9') break;
        if (c == ' ' && digits) break;
        // Blanks before the number and other characters below '0' are skipped.
    }
    if (rest) *rest = i;
    return static_cast<int32_t>(n);
}

std::vector<Line> parseImage(std::string_view bytes, Format* format) {
    if (bytes.size() > kMaxProgramBytes) bytes = bytes.substr(0, kMaxProgramBytes);
    std::vector<Line> lines;
    if (!bytes.empty() && static_cast<uint8_t>(bytes[0]) == 0xFE) {
        if (format) *format = Binary;
        size_t p = 1;
        while (p + 4 <= bytes.size()) {
            const size_t len = le16(bytes, p);
            const uint16_t number = le16(bytes, p + 2);
            // A record shorter than its header or cut off by the end of the
            // file ends the program.
            if (len < 4 || p + len > bytes.size()) break;
            if (number > 0) {
                Line l;
                l.number = number;
                l.text = std::to_string(number);
                l.text.append(bytes.substr(p + 4, len - 4));
                lines.push_back(std::move(l));
            }
            p += len;
        }
        return lines;
    }
    if (format) *format = Text;
    const size_t eof = bytes.find('\x1a');
    if (eof != std::string_view::npos) bytes = bytes.substr(0, eof);
    size_t i = 0;
    while (i < bytes.size()) {
        size_t e = bytes.find_first_of("\r\n", i);
        if (e == std::string_view::npos) e = bytes.size();
        Line l;
        l.text = storedLine(bytes.substr(i, e - i), &l.number);
        if (!l.text.empty()) lines.push_back(std::move(l));
        i = e + 1;
    }
    return lines;
}

std::string textImage(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) {
        out += l;
        if (l.size() < 2 || l.compare(l.size() - 2, 2, "\r\n") != 0) out += "\r\n";
    }
    return out;
}

bool binaryImage(const std::vector<std::string>& lines, std::string& out, size_t* badLine) {
    out.assign(1, static_cast<char>(0xFE));
    for (size_t k = 0; k < lines.size(); ++k) {
        std::string_view t = lines[k];
        const size_t cut = t.find_first_of("\r\n");
        if (cut != std::string_view::npos) t = t.substr(0, cut);
        // The number: the text before the first blank that reads as a
        // nonzero decimal.
        size_t blank = std::string_view::npos;
        int64_t number = 0;
        for (size_t p = t.find(' '); p != std::string_view::npos; p = t.find(' ', p + 1)) {
            std::string_view head = t.substr(0, p);
            size_t j = 0;
            while (j < head.size() && head[j] == ' ') ++j;
            int64_t v = 0;
            while (j < head.size() && head[j] >= '0' && head[j] <= '9' && v < 1000000) v = v * 10 + (head[j++] - '0');
            if (v != 0) {
                blank = p;
                number = v;
                break;
            }
        }
        const size_t len = blank == std::string_view::npos ? 0 : t.size() - blank + 4;
        if (blank == std::string_view::npos || number > 65535 || len > 65535) {
            if (badLine) *badLine = k;
            out.clear();
            return false;
        }
        putLe16(out, static_cast<uint32_t>(len));
        putLe16(out, static_cast<uint32_t>(number));
        out.append(t.substr(blank));
    }
    return true;
}

std::string programBytes(std::string raw, bool fileWasCut) {
    if (raw.empty() || static_cast<uint8_t>(raw[0]) == 0xFE) return raw;
    std::string_view check = raw;
    if (fileWasCut) {
        // The read may have stopped inside a character: judge the complete
        // characters only.
        const size_t e = raw.size();
        size_t s = e;
        while (s > 0 && e - s < 3 && (static_cast<uint8_t>(raw[s - 1]) & 0xC0) == 0x80) --s;
        if (s > 0 && static_cast<uint8_t>(raw[s - 1]) >= 0xC0) {
            const uint8_t lead = static_cast<uint8_t>(raw[--s]);
            const size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            if (e - s < need) check = check.substr(0, s);
        }
    }
    if (!looksLikeUtf8(check)) return raw;
    // A byte-order mark is no text of the program.
    if (check.compare(0, 3, "\xEF\xBB\xBF") == 0) check.remove_prefix(3);
    return utf8ToCp932(check);
}

// --------------------------------------------------------------- names

std::string cleanName(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        const uint8_t c = static_cast<uint8_t>(value[i]);
        if (c == '"') continue;
        if (leadByte(c) && i + 1 < value.size()) {
            out.push_back(static_cast<char>(c));
            out.push_back(value[++i]);
            continue;
        }
        out.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : static_cast<char>(c));
    }
    return std::string(trim(out));
}

std::string withBasExtension(const std::string& name) {
    return name.find('.') == std::string::npos ? name + ".BAS" : name;
}

bool isDeviceName(std::string_view name, std::string_view device) {
    return name.find(device) != std::string_view::npos && name.find(':', 1) != std::string_view::npos;
}

std::string quotedName(std::string_view s, size_t from, size_t* end) {
    const size_t open = s.find('"', from);
    if (open == std::string_view::npos) {
        if (end) *end = s.size();
        return {};
    }
    size_t close = s.find('"', open + 1);
    if (end) *end = close == std::string_view::npos ? s.size() : close + 1;
    if (close == std::string_view::npos) close = s.size();
    std::string out;
    for (char c : s.substr(open + 1, close - open - 1))
        if (c != ' ') out.push_back(c);
    return out;
}

// ---------------------------------------------------------------- disk

std::string hostPath(std::string_view basicName) {
    std::string p = cp932ToUtf8(basicName);
    std::replace(p.begin(), p.end(), '\\', '/');
    return resolveCase(p);
}

std::string hostPathIn(const std::string& dir, std::string_view basicName) {
    std::string p = cp932ToUtf8(basicName);
    std::replace(p.begin(), p.end(), '\\', '/');
    return resolveCase(joinPath(dir, p));
}

std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool readable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return ok;
}

bool readFile(const std::string& path, size_t limit, std::string& out, bool* cut) {
    out.clear();
    if (cut) *cut = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    char buf[8192];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        const size_t take = std::min(static_cast<size_t>(n), limit - out.size());
        out.append(buf, take);
        if (take < static_cast<size_t>(n)) {
            if (cut) *cut = true;
            break;
        }
    }
    ::close(fd);
    return ok;
}

bool writeFileReplacing(const std::string& path, std::string_view data) {
    if (path.empty()) return false;
    std::string target = path;
    struct stat st;
    bool exists = ::lstat(target.c_str(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        // Replace the file the link points to, not the link.
        char* real = ::realpath(target.c_str(), nullptr);
        if (real) {
            target = real;
            std::free(real);
        }
        exists = ::stat(target.c_str(), &st) == 0;
    }
    // An existing file that could not be opened for writing is refused, as
    // creating over it would have been.
    if (exists && (!S_ISREG(st.st_mode) || ::access(target.c_str(), W_OK) != 0)) return false;
    const std::string dir = directoryOf(target);
    std::string tmpl = joinPath(dir, ".tarnwick-save-XXXXXX");
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return false;
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = ::fchmod(fd, mode) == 0;
    size_t done = 0;
    while (ok && done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(tmpl.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) ::unlink(tmpl.c_str());
    return ok;
}

}  // namespace tw::progfile
