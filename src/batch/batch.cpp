#include "batch/batch.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <functional>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "batch/png.h"
#include "core/interp.h"
#include "core/ratelimit.h"
#include "io/encoding.h"

namespace tw {

namespace {

struct Options {
    double timeout = 0;
    std::string screenshot;
    bool cp932 = false;
    bool keys = false;
    int64_t speed = 0;  // statements a second, 0 for full speed
    std::string file;
};

class BatchHost : public Host {
public:
    explicit BatchHost(bool cp932) : cp932_(cp932) {}
    int64_t monotonicMs() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    int64_t wallClockSeconds() override { return static_cast<int64_t>(std::time(nullptr)); }
    int ask(const std::string& text, int) override {
        std::cerr << out(text) << "\n";
        return AnswerCancel;
    }
    void rowScrolledOff(const std::string& row) override { emit(row); }
    int pollKey() override { return keySource ? keySource() : -1; }

    void emit(const std::string& row) {
        const std::string t = out(row);
        std::fwrite(t.data(), 1, t.size(), stdout);
        std::fputc('\n', stdout);
    }
    std::string out(const std::string& s) const { return cp932_ ? s : cp932ToUtf8(s); }

    std::function<int()> keySource;

private:
    bool cp932_;
};

// The input as a stream of key bytes (CP932), line ends as 13.
class KeyStream {
public:
    KeyStream(bool cp932, double deadlineMs) : cp932_(cp932), deadline_(deadlineMs) {}
    // Next key, -1 at the end of input, -2 when the deadline passed.
    int next() {
        if (pos_ >= buf_.size() && !fill()) return eof_ ? -1 : -2;
        return static_cast<unsigned char>(buf_[pos_++]);
    }
    bool atEnd() {
        if (pos_ < buf_.size()) return false;
        return !fill() && eof_;
    }
    // Keys up to and including the next Enter.
    bool nextLine(std::string& line) {
        line.clear();
        for (;;) {
            const int k = next();
            if (k < 0) return !line.empty() ? (line.push_back('\r'), true) : false;
            line.push_back(static_cast<char>(k));
            if (k == 13) return true;
        }
    }

private:
    bool fill() {
        if (eof_) return false;
        std::string raw;
        for (;;) {
            if (deadline_ > 0) {
                const double left = deadline_ - nowMs();
                if (left <= 0) return false;
                pollfd p{0, POLLIN, 0};
                const int r = ::poll(&p, 1, static_cast<int>(std::min(left, 1000.0)));
                if (r == 0) continue;
            }
            char c;
            const ssize_t n = ::read(0, &c, 1);
            if (n <= 0) {
                eof_ = true;
                if (raw.empty()) return false;
                break;
            }
            if (c == '\n') {
                if (!raw.empty() && raw.back() == '\r') raw.pop_back();
                raw.push_back('\r');
                break;
            }
            raw.push_back(c);
        }
        buf_ = cp932_ ? raw : utf8ToCp932(raw);
        pos_ = 0;
        return true;
    }
    static double nowMs() {
        using namespace std::chrono;
        return static_cast<double>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }

    bool cp932_;
    double deadline_;
    std::string buf_;
    size_t pos_ = 0;
    bool eof_ = false;
};

// One key of the stream: a byte, or a named key.
struct KeyTok {
    enum Kind { None, End, Timeout, Byte, Named, Click } kind = None;
    int code = 0;  // byte value, or the virtual key of a named key
    int x = 0, y = 0;
};

enum NamedKey { NkEsc = 1000, NkStop, NkCtrlC, NkF1 = 1100 };

// Reads the next key; with braces enabled, "{NAME}" is a named key and
// "{{" a literal brace.
KeyTok nextKey(KeyStream& ks, bool braces) {
    KeyTok t;
    int k = ks.next();
    if (k == -1) return {KeyTok::End};
    if (k == -2) return {KeyTok::Timeout};
    if (!braces || k != '{') return {KeyTok::Byte, k};
    std::string name;
    for (;;) {
        const int c = ks.next();
        if (c < 0) break;
        if (c == '{' && name.empty()) return {KeyTok::Byte, '{'};
        if (c == '}') break;
        if (c == 13) {
            // A name left open at the line end: the line end still counts.
            std::cerr << "tarnwick: unterminated key name {" << name << " ignored\n";
            return {KeyTok::Byte, 13};
        }
        name.push_back(static_cast<char>(std::toupper(c)));
    }
    static const std::pair<const char*, int> names[] = {
        {"ESC", NkEsc}, {"STOP", NkStop}, {"CTRL-C", NkCtrlC},
        {"UP", Interpreter::KeyUp}, {"DOWN", Interpreter::KeyDown},
        {"LEFT", Interpreter::KeyLeft}, {"RIGHT", Interpreter::KeyRight},
        {"HOME", Interpreter::KeyHome}, {"INS", Interpreter::KeyInsert},
        {"DEL", Interpreter::KeyDelete}, {"TAB", Interpreter::KeyTab}};
    for (const auto& n : names)
        if (name == n.first) return {KeyTok::Named, n.second};
    if (name == "BS") return {KeyTok::Byte, 8};
    if (name == "ENTER") return {KeyTok::Byte, 13};
    if (name.size() >= 2 && name[0] == 'F') {
        const int n = std::atoi(name.c_str() + 1);
        if (n >= 1 && n <= 10) return {KeyTok::Named, NkF1 + n - 1};
    }
    if (name.rfind("CLICK", 0) == 0) {
        KeyTok c{KeyTok::Click};
        if (std::sscanf(name.c_str() + 5, "%d %d", &c.x, &c.y) == 2) return c;
    }
    std::cerr << "tarnwick: unknown key name {" << name << "} ignored\n";
    return {KeyTok::None};
}

void deliver(Interpreter& in, const KeyTok& k) {
    switch (k.kind) {
    case KeyTok::Byte:
        // Backspace is a key press that also gives its character.
        if (k.code == 8) in.keyDown(Interpreter::KeyBack);
        in.keyChar(static_cast<uint8_t>(k.code));
        break;
    case KeyTok::Named:
        if (k.code == NkEsc) {
            in.keyChar(27);
        } else if (k.code == NkStop) {
            in.keyDown(Interpreter::KeyPause);
        } else if (k.code == NkCtrlC) {
            // Ctrl+C acts when C is released.
            in.keyDown('C', true);
            in.keyUp('C', true);
        } else if (k.code >= NkF1) {
            in.functionKey(k.code - NkF1 + 1);
        } else {
            in.keyDown(k.code);
        }
        break;
    case KeyTok::Click:
        in.mouseClick(k.x, k.y);
        break;
    default:
        break;
    }
}

int usage(const std::string& msg) {
    std::cerr << "tarnwick: " << msg << "\n"
              << "usage: tarnwick --batch [--timeout SECONDS] [--screenshot OUT.png] "
                 "[--encoding utf-8|cp932] [--keys] [--speed full|original|N] [FILE.BAS]\n";
    return 2;
}

// Writes the composite screen (640x400) as a PNG file.
bool writeScreenshot(Interpreter& in, const std::string& path) {
    const Framebuffer& fb = in.display().composite();
    return writePng(path, Framebuffer::Width, Framebuffer::Height, [&](int y) { return fb.row(y); });
}

void dumpScreen(Interpreter& in, BatchHost& host) {
    const TextScreen& s = in.screen();
    const int upTo = s.fkeyLine() ? 23 : 24;
    const int last = s.lastUsedRow(upTo);
    for (int r = 0; r <= last; ++r) host.emit(std::string(trimRight(s.rowText(r))));
    std::fflush(stdout);
}

}  // namespace

int runBatch(int argc, char** argv) {
    Options opt;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= argc) return false;
            v = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--timeout") {
            if (!value(v)) return usage("--timeout needs a number of seconds");
            char* end = nullptr;
            opt.timeout = std::strtod(v.c_str(), &end);
            if (end == v.c_str() || *end || opt.timeout <= 0) return usage("bad --timeout value: " + v);
        } else if (a == "--screenshot") {
            if (!value(opt.screenshot)) return usage("--screenshot needs a file name");
        } else if (a == "--encoding") {
            if (!value(v)) return usage("--encoding needs utf-8 or cp932");
            if (v == "cp932" || v == "CP932" || v == "sjis" || v == "shift-jis")
                opt.cp932 = true;
            else if (v == "utf-8" || v == "UTF-8" || v == "utf8")
                opt.cp932 = false;
            else
                return usage("unknown encoding: " + v);
        } else if (a == "--keys") {
            opt.keys = true;
        } else if (a == "--speed") {
            if (!value(v)) return usage("--speed needs full, original or statements a second");
            const auto rate = speed::parse(v);
            if (!rate) return usage("bad --speed value: " + v);
            opt.speed = *rate;
        } else if (a.size() > 1 && a[0] == '-') {
            return usage("unknown option: " + a);
        } else if (opt.file.empty()) {
            opt.file = a;
        } else {
            return usage("only one program file may be given");
        }
    }

    BatchHost host(opt.cp932);
    Interpreter in(host);
    const double startMs = static_cast<double>(host.monotonicMs());
    const double deadline = opt.timeout > 0 ? startMs + opt.timeout * 1000.0 : 0;
    KeyStream keys(opt.cp932, deadline);
    bool inputEnded = false;
    bool inputTimedOut = false;
    // Statements run when the last key was taken from the stream: with
    // --keys, a running program gets the next key 1000 statements later.
    uint64_t lastKeyAt = 0;
    // INKEY$ with no key pending takes the next byte of the stream.
    host.keySource = [&]() {
        if (inputEnded) return -1;
        const KeyTok k = nextKey(keys, opt.keys);
        if (k.kind == KeyTok::End || k.kind == KeyTok::Timeout) {
            inputEnded = true;
            inputTimedOut = k.kind == KeyTok::Timeout;
            return -1;
        }
        lastKeyAt = in.statementsRun();
        if (k.kind == KeyTok::Byte) return k.code;
        deliver(in, k);
        return -1;
    };
    auto timedOut = [&]() { return inputTimedOut || (deadline > 0 && host.monotonicMs() >= deadline); };
    // --speed: statements are handed out by the limiter; while it has none
    // the driver sleeps (never past the --timeout deadline).
    RateLimiter pace(opt.speed);
    // Sleeps until the limiter has a statement to give; false when it had
    // one already.
    auto napped = [&]() {
        if (!pace.limited()) return false;
        const int64_t now = host.monotonicMs();
        if (pace.budget(now) > 0) return false;
        int64_t wait = std::max<int64_t>(1, pace.msUntil(now));
        if (deadline > 0) wait = std::min<int64_t>(wait, static_cast<int64_t>(deadline) - now + 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max<int64_t>(wait, 0)));
        return true;
    };
    auto runPaced = [&](long maxSteps) {
        if (pace.limited()) {
            const int64_t budget = std::max<int64_t>(1, pace.budget(host.monotonicMs()));
            maxSteps = maxSteps < 0 ? static_cast<long>(std::min<int64_t>(budget, 1 << 20))
                                    : static_cast<long>(std::min<int64_t>(budget, maxSteps));
        }
        const uint64_t before = in.statementsRun();
        in.runSlice(20, maxSteps);
        pace.spend(static_cast<int64_t>(in.statementsRun() - before));
    };
    auto finish = [&](int code) {
        dumpScreen(in, host);
        if (!opt.screenshot.empty() && !writeScreenshot(in, opt.screenshot)) {
            std::cerr << "tarnwick: cannot write the screenshot " << opt.screenshot << "\n";
            if (code == 0) code = 2;
        }
        if (code == 124) std::cerr << "tarnwick: timed out after " << opt.timeout << " s\n";
        if (code == 3) std::cerr << "tarnwick: the program waits for input after the input ended\n";
        return code;
    };
    auto take = [&]() -> KeyTok {
        if (inputEnded) return {KeyTok::End};
        KeyTok k = nextKey(keys, opt.keys);
        if (k.kind == KeyTok::End || k.kind == KeyTok::Timeout) {
            inputEnded = true;
            inputTimedOut = k.kind == KeyTok::Timeout;
        }
        lastKeyAt = in.statementsRun();
        return k;
    };

    if (!opt.file.empty()) {
        // Loaded as LOAD loads it: the current directory follows the file.
        if (!in.loadProgramFile(opt.file)) {
            std::cerr << "tarnwick: cannot open " << opt.file << "\n";
            return 2;
        }
        in.startRun();
    }

    for (;;) {
        if (timedOut()) return finish(124);
        // ON TIME$ deadlines against the host clock.
        in.pollTimers();
        if (in.running() && !in.inputWaiting()) {
            if (napped()) continue;
            if (in.keysWanted()) {
                // INPUT$ waits: one key, then the statement runs again.
                const KeyTok k = take();
                if (k.kind == KeyTok::Timeout) return finish(124);
                if (k.kind == KeyTok::End) return finish(3);
                deliver(in, k);
                runPaced(1);
                continue;
            }
            if (opt.keys && !inputEnded) {
                // One key of the stream after every 1000 statements. A run
                // slice counts steps, which are never fewer than statements,
                // so it cannot pass the moment the key is due.
                const uint64_t now = in.statementsRun();
                if (now >= lastKeyAt + 1000) {
                    const KeyTok k = take();
                    if (k.kind != KeyTok::End && k.kind != KeyTok::Timeout) deliver(in, k);
                    continue;
                }
                runPaced(static_cast<long>(lastKeyAt + 1000 - now));
            } else {
                runPaced(-1);
            }
            // A program waiting for a serial port: look again shortly.
            if (in.deviceWaiting()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (!opt.file.empty() && !in.running()) return finish(in.lastRunFailed() ? 1 : 0);
        // Waiting for a typed line: keys one by one until the wait ends.
        const KeyTok k = take();
        if (k.kind == KeyTok::Timeout) return finish(124);
        if (k.kind == KeyTok::End) return finish(in.inputWaiting() ? 3 : 0);
        deliver(in, k);
    }
}

}  // namespace tw
