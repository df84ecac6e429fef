// What a host needs to know to sleep between run slices instead of polling:
// the next moment one of the interpreter's own clocks has work.
#include <algorithm>

#include "core/interp.h"
#include "core/traps.h"

namespace tw {

int64_t Interpreter::nextTimerMs() const {
    int64_t next = beepNext_;
    // An ON TIME$ deadline is acted on only while a program runs (one that
    // waits for INPUT included).
    const int64_t deadline = running_ ? traps_->timeDeadline : -1;
    if (deadline >= 0) next = next < 0 ? deadline : std::min(next, deadline);
    return next;
}

}  // namespace tw
