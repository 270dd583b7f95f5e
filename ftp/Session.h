#pragma once
// The Internet session: what every connection opened from it shares (agent text, timeouts,
// the caller's wait hook). Holds no socket.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace ftp {

struct Timeouts {
    std::chrono::milliseconds connect{15000};
    std::chrono::milliseconds reply{30000};
    std::chrono::milliseconds data{30000};  // inactivity on a data connection
};

// A reply or a listing that stays below this rate for a whole period is ended: each wait has
// its own timeout, so a peer that sends a few bytes before each one runs out would never end.
struct MinimumRate {
    std::size_t bytes = 1024;
    std::chrono::milliseconds period{60000};
};

// Bounds on what a server can make the engine hold or wait for.
struct Limits {
    MinimumRate minimumRate;
    std::size_t listingBytes = 256u * 1024 * 1024;
    std::size_t listingEntries = 1000000;
};

// Called at most every ~15 ms while the engine waits on the network, so a GUI can repaint.
// Returning false cancels the wait: the operation fails with ErrorKind::Cancelled.
using WaitHook = std::function<bool()>;

class Session {
public:
    explicit Session(std::string agent, Timeouts timeouts = {}) : agent_(std::move(agent)), timeouts_(timeouts) {}
    const std::string& agent() const { return agent_; }  // kept for identification, never sent
    const Timeouts& timeouts() const { return timeouts_; }
    void setTimeouts(Timeouts t) { timeouts_ = t; }
    const Limits& limits() const { return limits_; }
    void setLimits(Limits l) { limits_ = l; }
    const WaitHook& waitHook() const { return hook_; }
    void setWaitHook(WaitHook hook) { hook_ = std::move(hook); }

private:
    std::string agent_;
    Timeouts timeouts_;
    Limits limits_;
    WaitHook hook_;
};

}  // namespace ftp
