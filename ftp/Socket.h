#pragma once
// A TCP socket owned by value, non-blocking underneath, with blocking-looking calls that wait
// in short slices so the session's wait hook keeps running and every wait has a deadline.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include <sys/socket.h>

#include "Result.h"
#include "Session.h"

namespace ftp {

// Waits on one descriptor in slices of at most ~15 ms, calling the hook between slices.
class Waiter {
public:
    static constexpr std::chrono::milliseconds kSlice{15};
    explicit Waiter(const WaitHook& hook) : hook_(hook) {}
    // Ok once fd is ready for `events` (or has an error or hang-up to report); Timeout or
    // Cancelled otherwise. `what` names the wait in the error message.
    Status wait(int fd, short events, std::chrono::milliseconds timeout, const char* what) const {
        return waitEither(fd, events, -1, timeout, what).status();
    }
    // As wait(), also returning when `watchFd` has something to read: true means it was the
    // watched descriptor (a transfer's control connection speaking up early).
    Result<bool> waitEither(int fd, short events, int watchFd, std::chrono::milliseconds timeout,
                            const char* what) const;

    // Pauses briefly while something else (a name lookup) makes progress.
    Status sleep(std::chrono::milliseconds pause, const char* what) const;

private:
    const WaitHook& hook_;
    mutable std::chrono::steady_clock::time_point lastHook_{};
};

struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
    int family() const { return storage.ss_family; }
    void setPort(std::uint16_t port);
    std::string text() const;  // numeric host, for messages
};

// Resolves host (name or literal; "[v6]" accepted) for TCP on port, within the timeout.
Result<std::vector<SocketAddress>> resolve(const std::string& host, std::uint16_t port, const Waiter& waiter,
                                           std::chrono::milliseconds timeout);

class TlsLayer;

// Reads and writes go through TLS once a layer is attached, in plain TCP otherwise.
class Socket {
public:
    Socket();
    ~Socket();
    Socket(Socket&& o) noexcept;
    Socket& operator=(Socket&& o) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Tries each address in turn until one connects within the timeout.
    static Result<Socket> connect(const std::vector<SocketAddress>& addresses, const Waiter& waiter,
                                  std::chrono::milliseconds timeout);

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // Sends everything; `timeout` bounds each stretch without progress.
    Status sendAll(const char* data, std::size_t size, const Waiter& waiter,
                   std::chrono::milliseconds timeout);
    // Receives up to `capacity` bytes; 0 means the peer closed its side.
    Result<std::size_t> receive(char* buffer, std::size_t capacity, const Waiter& waiter,
                                std::chrono::milliseconds timeout);
    // Only what can be done at once, never waiting. -1 with errno EAGAIN when nothing can.
    long receiveNow(char* buffer, std::size_t capacity);
    long sendNow(const char* data, std::size_t size);
    Result<SocketAddress> peer() const;
    void setControlOptions();  // no Nagle delay for commands, keep-alive for long uploads
    // Closes with a reset instead of an orderly end, so the peer sees an aborted transfer.
    void abortiveClose();
    void close();

    void attachTls(std::unique_ptr<TlsLayer> tls);
    TlsLayer* tls() const { return tls_.get(); }
    // Runs the TLS handshake within the timeout. false: watchFd became readable first.
    Result<bool> handshake(const Waiter& waiter, std::chrono::milliseconds timeout, int watchFd = -1);
    // Sends close_notify, waits (bounded) for the peer's end or for watchFd, then closes. True
    // when the end went out in order (a plain connection's always does).
    bool closeTls(const Waiter& waiter, std::chrono::milliseconds timeout, int watchFd);
    // Why the last receive or send failed (errno `err`, or the TLS layer's reason).
    std::string failureText(int err) const;

private:
    explicit Socket(int fd);
    short readEvents() const;
    short writeEvents() const;
    int fd_ = -1;
    std::unique_ptr<TlsLayer> tls_;
    std::string tlsFailure_;  // why TLS failed, kept after close()
};

}  // namespace ftp
