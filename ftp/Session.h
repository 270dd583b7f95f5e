#pragma once
// The Internet session: what every connection opened from it shares (agent text, timeouts,
// the caller's wait hook). Holds no socket.

#include <chrono>
#include <functional>
#include <string>

namespace ftp {

struct Timeouts {
    std::chrono::milliseconds connect{15000};
    std::chrono::milliseconds reply{30000};
    std::chrono::milliseconds data{30000};  // inactivity on a data connection
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
    const WaitHook& waitHook() const { return hook_; }
    void setWaitHook(WaitHook hook) { hook_ = std::move(hook); }

private:
    std::string agent_;
    Timeouts timeouts_;
    WaitHook hook_;
};

}  // namespace ftp
