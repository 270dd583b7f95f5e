#include "Socket.h"

#include "RateGuard.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include "TlsLayer.h"

namespace ftp {

namespace {

using Clock = std::chrono::steady_clock;

// A ticket follows the handshake by about one round trip.
constexpr std::chrono::milliseconds kTicketWait{1000};

Error sysError(ErrorKind kind, const std::string& what, int err) {
    return Error{kind, what + ": " + std::strerror(err), {}};
}

bool isDisconnect(int err) {
    return err == ECONNRESET || err == EPIPE || err == ENOTCONN || err == ECONNABORTED;
}

}  // namespace

Result<bool> Waiter::waitEither(int fd, short events, int watchFd, std::chrono::milliseconds timeout,
                                const char* what) const {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() < 0) left = std::chrono::milliseconds(0);
        const auto slice = std::min(left, kSlice);
        pollfd p[2] = {{fd, events, 0}, {watchFd, POLLIN, 0}};
        int n = ::poll(p, watchFd >= 0 ? 2 : 1, static_cast<int>(slice.count()));
        if (n > 0) return p[0].revents == 0;
        if (n < 0 && errno != EINTR) return Error{ErrorKind::Connect, std::string(what) + ": poll failed", {}};
        if (hook_ && !hook_()) return Error{ErrorKind::Cancelled, std::string(what) + ": given up", {}};
        if (Clock::now() >= deadline)
            return Error{ErrorKind::Timeout, std::string(what) + " did not answer within " + durationText(timeout), {}};
    }
}

Status Waiter::sleep(std::chrono::milliseconds pause, const char* what) const {
    // Short naps, with the hook at most every slice, so a GUI stays live during a lookup.
    const auto now = Clock::now();
    if (now - lastHook_ >= kSlice) {
        lastHook_ = now;
        if (hook_ && !hook_()) return Error{ErrorKind::Cancelled, std::string(what) + ": given up", {}};
    }
    std::this_thread::sleep_for(pause);
    return Status::ok();
}

void SocketAddress::setPort(std::uint16_t port) {
    if (family() == AF_INET) reinterpret_cast<sockaddr_in*>(&storage)->sin_port = htons(port);
    if (family() == AF_INET6) reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port = htons(port);
}

std::string SocketAddress::text() const {
    char host[NI_MAXHOST] = {};
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&storage), length, host, sizeof host, nullptr, 0,
                    NI_NUMERICHOST) != 0)
        return "?";
    return host;
}

namespace {

// One name lookup on a thread of its own: the system resolver cannot be given a deadline, and
// the caller must be free to give up on it (the state outlives an abandoned wait).
struct Lookup {
    std::mutex mutex;
    bool done = false;
    int rc = 0;
    addrinfo* list = nullptr;
    ~Lookup() {
        if (list) freeaddrinfo(list);
    }
};

void runLookup(const std::shared_ptr<Lookup>& lookup, const std::string& host, const std::string& service) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    std::lock_guard lock(lookup->mutex);
    lookup->rc = rc;
    lookup->list = list;
    lookup->done = true;
}

std::vector<SocketAddress> addressesOf(const addrinfo* list) {
    std::vector<SocketAddress> out;
    for (const addrinfo* a = list; a; a = a->ai_next) {
        SocketAddress s;
        std::memcpy(&s.storage, a->ai_addr, a->ai_addrlen);
        s.length = a->ai_addrlen;
        out.push_back(s);
    }
    return out;
}

}  // namespace

Result<std::vector<SocketAddress>> resolve(const std::string& hostIn, std::uint16_t port, const Waiter& waiter,
                                           std::chrono::milliseconds timeout) {
    std::string host = hostIn;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    if (host.empty() || host.find('\0') != std::string::npos)
        return Error{ErrorKind::InvalidArgument, "empty or invalid host name", {}};
    const std::string service = std::to_string(port);

    // Address literals need no lookup and no thread.
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &list) == 0) {
        auto out = addressesOf(list);
        freeaddrinfo(list);
        return out;
    }

    auto lookup = std::make_shared<Lookup>();
    std::thread(runLookup, lookup, host, service).detach();
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        {
            std::lock_guard lock(lookup->mutex);
            if (lookup->done) {
                if (lookup->rc != 0)
                    return Error{ErrorKind::Resolve, "cannot resolve " + host + ": " + gai_strerror(lookup->rc), {}};
                return addressesOf(lookup->list);
            }
        }
        if (Clock::now() >= deadline) return Error{ErrorKind::Timeout, "the name lookup of " + host + " did not answer within " + durationText(timeout), {}};
        Status w = waiter.sleep(std::chrono::milliseconds(5), "the name lookup");
        if (w.failed()) return w.error();
    }
}

Socket::Socket() = default;
Socket::Socket(int fd) : fd_(fd) {}
Socket::~Socket() { close(); }
Socket::Socket(Socket&& o) noexcept : fd_(o.fd_), tls_(std::move(o.tls_)), tlsFailure_(std::move(o.tlsFailure_)) {
    o.fd_ = -1;
}

Socket& Socket::operator=(Socket&& o) noexcept {
    if (this != &o) {
        close();
        fd_ = o.fd_;
        tls_ = std::move(o.tls_);
        tlsFailure_ = std::move(o.tlsFailure_);
        o.fd_ = -1;
    }
    return *this;
}

Result<Socket> Socket::connect(const std::vector<SocketAddress>& addresses, const Waiter& waiter,
                               std::chrono::milliseconds timeout) {
    Error last{ErrorKind::Connect, "no address to connect to", {}};
    for (const auto& a : addresses) {
        Socket s(::socket(a.family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!s.isOpen()) {
            last = sysError(ErrorKind::Connect, "socket", errno);
            continue;
        }
        if (::connect(s.fd_, reinterpret_cast<const sockaddr*>(&a.storage), a.length) == 0) return s;
        if (errno != EINPROGRESS) {
            last = sysError(ErrorKind::Connect, "connect to " + a.text(), errno);
            continue;
        }
        const std::string what = "the connection to " + a.text();
        Status w = waiter.wait(s.fd_, POLLOUT, timeout, what.c_str());
        if (w.failed()) {
            last = w.error();
            if (last.kind == ErrorKind::Cancelled) return last;
            continue;
        }
        int err = 0;
        socklen_t len = sizeof err;
        getsockopt(s.fd_, SOL_SOCKET, SO_ERROR, &err, &len);
        if (err == 0) return s;
        last = sysError(ErrorKind::Connect, "connect to " + a.text(), err);
    }
    return last;
}

Status Socket::sendAll(const char* data, std::size_t size, const Waiter& waiter,
                       std::chrono::milliseconds timeout) {
    while (size > 0) {
        const long n = sendNow(data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (Status w = waiter.wait(fd_, writeEvents(), timeout, "the server"); w.failed()) return w;
            continue;
        }
        int err = n < 0 ? errno : EPIPE;
        if (tls_ && err == EPROTO) return Error{ErrorKind::Tls, failureText(err), {}};
        return sysError(isDisconnect(err) ? ErrorKind::Closed : ErrorKind::Connect, "send", err);
    }
    return Status::ok();
}

Result<std::size_t> Socket::receive(char* buffer, std::size_t capacity, const Waiter& waiter,
                                    std::chrono::milliseconds timeout) {
    for (;;) {
        const long n = receiveNow(buffer, capacity);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (Status w = waiter.wait(fd_, readEvents(), timeout, "the server"); w.failed()) return w.error();
            continue;
        }
        if (tls_ && errno == EPROTO) return Error{ErrorKind::Tls, failureText(errno), {}};
        return sysError(isDisconnect(errno) ? ErrorKind::Closed : ErrorKind::Connect, "receive", errno);
    }
}

long Socket::receiveNow(char* buffer, std::size_t capacity) {
    if (tls_) return tls_->readNow(buffer, capacity);
    ssize_t n;
    do {
        n = ::recv(fd_, buffer, capacity, MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

long Socket::sendNow(const char* data, std::size_t size) {
    if (tls_) return tls_->writeNow(data, size);
    ssize_t n;
    do {
        n = ::send(fd_, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

Result<SocketAddress> Socket::peer() const {
    SocketAddress a;
    a.length = sizeof a.storage;
    if (getpeername(fd_, reinterpret_cast<sockaddr*>(&a.storage), &a.length) != 0)
        return sysError(ErrorKind::Connect, "getpeername", errno);
    return a;
}

void Socket::setControlOptions() {
    int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    setsockopt(fd_, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
}

void Socket::abortiveClose() {
    if (fd_ < 0) return;
    linger l{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close();
}

void Socket::close() {
    if (tls_ && !tls_->failure().empty()) tlsFailure_ = tls_->failure();  // still wanted in the report
    tls_.reset();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

short Socket::readEvents() const { return tls_ ? tls_->wanted() : POLLIN; }
short Socket::writeEvents() const { return tls_ ? tls_->wanted() : POLLOUT; }

void Socket::attachTls(std::unique_ptr<TlsLayer> tls) { tls_ = std::move(tls); }

Result<bool> Socket::handshake(const Waiter& waiter, std::chrono::milliseconds timeout, int watchFd) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        auto done = tls_->handshakeStep();
        if (done.failed() || done.value()) return done;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return Error{ErrorKind::Timeout, "TLS handshake: timed out", {}};
        auto which = waiter.waitEither(fd_, tls_->wanted(), watchFd, left, "TLS handshake");
        if (which.failed()) return which.error();
        if (which.value()) return false;
    }
}

bool Socket::closeTls(const Waiter& waiter, std::chrono::milliseconds timeout, int watchFd) {
    if (!tls_) {
        close();
        return true;
    }
    const auto deadline = Clock::now() + timeout;
    auto left = [&] {
        return std::max(std::chrono::milliseconds(0),
                        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
    };
    char buf[4096];
    // Read what already came (TLS 1.3 session tickets) while it still counts: after our
    // close_notify OpenSSL discards all but alerts. A ticket still on its way is waited for,
    // briefly: without it the next data connection could not resume the session.
    const auto ticketDeadline = Clock::now() + std::min(timeout, kTicketWait);
    for (;;) {
        long n = receiveNow(buf, sizeof buf);
        if (n > 0) continue;
        if (n == 0 || errno != EAGAIN || !tls_->awaitingTicket()) break;
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(ticketDeadline - Clock::now());
        auto which = waiter.waitEither(fd_, readEvents(), watchFd, std::max(wait, std::chrono::milliseconds(0)),
                                       "TLS session ticket");
        if (which.failed() && which.error().kind == ErrorKind::Timeout) tls_->ticketNeverCame();
        if (which.failed() || which.value()) break;
    }
    bool ended = true;
    for (;;) {
        auto sent = tls_->shutdownStep();
        if (sent.failed()) ended = false;
        if (sent.failed() || sent.value()) break;
        if (waiter.wait(fd_, tls_->wanted(), left(), "TLS shutdown").failed()) {
            close();
            return false;
        }
    }
    ::shutdown(fd_, SHUT_WR);
    // Read what the peer still sends (its close_notify) so closing does not reset the
    // connection; stop as soon as the server answers on the control connection.
    for (;;) {
        long n = receiveNow(buf, sizeof buf);
        if (n > 0) continue;
        if (n == 0 || errno != EAGAIN) break;
        auto which = waiter.waitEither(fd_, readEvents(), watchFd, left(), "TLS shutdown");
        if (which.failed() || which.value()) break;
    }
    close();
    return ended;
}

std::string Socket::failureText(int err) const {
    if (tls_ && !tls_->failure().empty()) return tls_->failure();
    return tlsFailure_.empty() ? std::strerror(err) : tlsFailure_;
}

}  // namespace ftp
