// Pacing of the run loop: a token bucket that hands out a budget of events
// (statements, or unanswered keyboard polls) per unit of time, read from a
// clock the caller passes in. It holds no clock of its own, so the same
// object paces the window, the batch driver and the tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tw {

class RateLimiter {
public:
    // `perSecond` events a second, 0 for no limit. The bucket holds at most
    // `burstMs` worth of events (never less than one), so a pause does not
    // store up a burst of statements.
    explicit RateLimiter(int64_t perSecond = 0, int burstMs = 50);

    // A new rate; the bucket starts full at `nowMs`.
    void setRate(int64_t perSecond, int64_t nowMs);
    int64_t rate() const { return rate_; }
    bool limited() const { return rate_ > 0; }
    // Fills the bucket (after the caller has been idle for a reason of its
    // own, such as a key that arrived).
    void refill(int64_t nowMs);

    // Whole events that may happen now (0 when the bucket is empty or in
    // debt). Unlimited: a very large number.
    int64_t budget(int64_t nowMs);
    // Events that happened. Spending more than the budget leaves a debt of
    // at most one bucketful, paid back before the budget is positive again.
    void spend(int64_t n);
    // Milliseconds from `nowMs` until `n` events may happen (n is capped at
    // one bucketful); 0 when they may happen now.
    int64_t msUntil(int64_t nowMs, int64_t n = 1);
    // One bucketful, in whole events (at least 1).
    int64_t burst() const;

    static constexpr int64_t Unlimited = INT64_MAX / 4;

private:
    void advance(int64_t nowMs);

    int64_t rate_ = 0;     // events per second, 0 unlimited
    int burstMs_;
    int64_t credit_ = 0;   // thousandths of an event
    int64_t last_ = 0;     // the clock when credit_ was last brought up to date
    bool started_ = false;
};

// The statement rates of the --speed option and the speed menu.
namespace speed {
// Statements a second of the old machine running an interpreted loop: an
// empty FOR loop of 1000 turns takes half a second.
constexpr int64_t Original = 2000;
// Reads "full" (0, no limit), "original" (Original) or a positive number
// of statements per second. Nothing for anything else.
std::optional<int64_t> parse(std::string_view text);
}  // namespace speed

}  // namespace tw
