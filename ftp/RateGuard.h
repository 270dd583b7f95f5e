#pragma once
// Watches the bytes of one reply or listing and says when they stayed below the minimum rate
// for a whole period. The period starts with the first byte: the wait for that one has its
// own timeout.

#include <chrono>
#include <cstddef>
#include <string>

#include "Session.h"

namespace ftp {

class RateGuard {
public:
    using Clock = std::chrono::steady_clock;
    explicit RateGuard(MinimumRate rate) : rate_(rate) {}

    // Counts n more bytes; false once a whole period passed below the minimum.
    bool add(std::size_t n) { return add(n, Clock::now()); }
    // As above, on a clock of the caller's (the time spent waiting, say).
    bool add(std::size_t n, Clock::time_point now) {
        if (!started_) {
            started_ = true;
            start_ = now;
        }
        bytes_ += n;
        if (now - start_ < rate_.period) return true;
        if (bytes_ < rate_.bytes) return false;
        start_ = now;
        bytes_ = 0;
        return true;
    }
    // "under 1 KiB in 60 s", for the message that ends the transfer.
    std::string describe() const;

private:
    MinimumRate rate_;
    bool started_ = false;
    Clock::time_point start_{};
    std::size_t bytes_ = 0;
};

// "30 s", or "700 ms" for what is not whole seconds.
std::string durationText(std::chrono::milliseconds d);

}  // namespace ftp
