#include "core/ratelimit.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace tw {

RateLimiter::RateLimiter(int64_t perSecond, int burstMs)
    : rate_(std::max<int64_t>(perSecond, 0)), burstMs_(std::max(burstMs, 1)) {}

int64_t RateLimiter::burst() const { return std::max<int64_t>(1, rate_ * burstMs_ / 1000); }

void RateLimiter::setRate(int64_t perSecond, int64_t nowMs) {
    rate_ = std::max<int64_t>(perSecond, 0);
    refill(nowMs);
}

void RateLimiter::refill(int64_t nowMs) {
    started_ = true;
    last_ = nowMs;
    credit_ = burst() * 1000;
}

void RateLimiter::advance(int64_t nowMs) {
    if (!started_) {
        refill(nowMs);
        return;
    }
    // A clock that went back only moves the reference point.
    if (nowMs > last_) {
        const int64_t cap = burst() * 1000;
        // Anything longer than a bucketful of time fills the bucket; the
        // bound keeps the product far from overflowing.
        const int64_t elapsed = std::min<int64_t>(nowMs - last_, burstMs_ + 1000);
        credit_ = std::min(cap, credit_ + elapsed * rate_);
    }
    last_ = nowMs;
}

int64_t RateLimiter::budget(int64_t nowMs) {
    if (!limited()) return Unlimited;
    advance(nowMs);
    return credit_ > 0 ? credit_ / 1000 : 0;
}

void RateLimiter::spend(int64_t n) {
    if (!limited() || n <= 0) return;
    const int64_t cap = burst() * 1000;
    // Past two bucketfuls the debt is at its floor anyway.
    n = std::min(n, 2 * burst() + 1);
    credit_ = std::max(-cap, credit_ - n * 1000);
}

int64_t RateLimiter::msUntil(int64_t nowMs, int64_t n) {
    if (!limited()) return 0;
    advance(nowMs);
    n = std::clamp<int64_t>(n, 1, burst());
    const int64_t need = n * 1000 - credit_;
    if (need <= 0) return 0;
    return (need + rate_ - 1) / rate_;
}

namespace speed {

std::optional<int64_t> parse(std::string_view text) {
    std::string t;
    for (char c : text) t.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (t == "full") return 0;
    if (t == "original") return Original;
    if (t.empty() || t.size() > 10) return std::nullopt;
    int64_t n = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n <= 0 || n > 1000000000) return std::nullopt;
    return n;
}

}  // namespace speed

}  // namespace tw
