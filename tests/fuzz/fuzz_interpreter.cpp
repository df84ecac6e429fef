// libFuzzer target: the input is a console session (lines of program text
// and direct commands, bytes as CP932), run with a statement budget per line.
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <string>

#include "core/host.h"
#include "core/interp.h"

namespace {

class FuzzHost : public tw::Host {
public:
    int64_t monotonicMs() override { return now++; }
    int64_t wallClockSeconds() override { return 1700000000; }
    int ask(const std::string&, int) override { return AnswerCancel; }
    int64_t now = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Program and data files the input writes land in a scratch directory.
    static bool moved = [] {
        char dir[] = "/tmp/tarnwick-fuzz-XXXXXX";
        return mkdtemp(dir) != nullptr && chdir(dir) == 0;
    }();
    (void)moved;
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
