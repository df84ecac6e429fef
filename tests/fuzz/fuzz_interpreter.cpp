// libFuzzer target: the input is a console session (lines of program text
// and direct commands, bytes as CP932), run with a statement budget per line.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <string>

#include "core/host.h"
#include "core/interp.h"
#include "io/serial.h"

namespace {

class FuzzHost : public tw::Host {
public:
    int64_t monotonicMs() override { return now++; }
    int64_t wallClockSeconds() override { return 1700000000; }
    int ask(const std::string&, int) override { return AnswerCancel; }
    int64_t now = 0;
};

// COM ports never reach a real device: each is a line that echoes what is
// sent on it.
class EchoLink : public tw::SerialLink {
public:
    bool open(const tw::SerialSettings&) override { return true; }
    bool partnerPresent() override { return true; }
    void close() override {}
    long write(std::string_view b) override {
        const size_t n = std::min(b.size(), size_t{65536} - std::min(buf_.size(), size_t{65536}));
        buf_.append(b.substr(0, n));
        return static_cast<long>(n);
    }
    bool read(std::string& into, size_t max) override {
        const size_t n = std::min(max, buf_.size());
        into.append(buf_, 0, n);
        buf_.erase(0, n);
        return true;
    }

private:
    std::string buf_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Program and data files the input writes land in a scratch directory.
    static bool moved = [] {
        char dir[] = "/tmp/tarnwick-fuzz-XXXXXX";
        return mkdtemp(dir) != nullptr && chdir(dir) == 0;
    }();
    (void)moved;
    static bool echo = [] {
        tw::setSerialLinkFactory([](int) { return std::make_unique<EchoLink>(); });
        return true;
    }();
    (void)echo;
    FuzzHost host;
    tw::Interpreter in(host);
    size_t lines = 0;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t c = data[i];
        if (c == '\n') {
            in.keyChar(13);
            if (++lines > 200) break;
            long budget = 20000;
            while (in.running() && !in.inputWaiting() && budget > 0) {
                if (in.keysWanted()) in.keyChar('x');
                in.runSlice(1000, 2000);
                budget -= 2000;
            }
            if (in.running() && !in.inputWaiting()) in.keyChar(27);  // break a long run
            continue;
        }
        in.keyChar(c == '\r' ? ' ' : c);
    }
    return 0;
}
