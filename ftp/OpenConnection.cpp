// Connection::open: which protocol the server speaks, then the connection that speaks it.

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>

#include "FtpConnection.h"
#include "RateGuard.h"
#include "sftp/SftpConnection.h"

namespace ftp {

namespace {

using Clock = std::chrono::steady_clock;

enum class Greeting { Ssh, Other };

// Looks at the server's first bytes without consuming them, so whichever protocol follows still
// reads its greeting whole. Four bytes or a line end are enough to tell "SSH-" from anything else;
// a server that closes or fails here is left to the FTP login to report, as before.
Result<Greeting> peekGreeting(const Socket& socket, const Waiter& waiter, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    char buf[4];
    for (;;) {
        const long n = ::recv(socket.fd(), buf, sizeof buf, MSG_PEEK);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return Greeting::Other;
        if (n == 0) return Greeting::Other;
        if (n == static_cast<long>(sizeof buf))
            return std::memcmp(buf, "SSH-", 4) == 0 ? Greeting::Ssh : Greeting::Other;
        if (n > 0 && std::memchr(buf, '\n', static_cast<std::size_t>(n))) return Greeting::Other;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Error{ErrorKind::Timeout, "the server's greeting did not come within " + durationText(timeout), {}};
        // With part of the greeting already here the socket stays readable: nap instead of polling.
        Status s = n > 0 ? waiter.sleep(std::min(left, Waiter::kSlice), "the server's greeting")
                         : waiter.wait(socket.fd(), POLLIN, left, "the server's greeting");
        if (s.failed() && s.error().kind != ErrorKind::Timeout) return s.error();
    }
}

Result<Socket> connectTo(const std::string& host, std::uint16_t port, const Waiter& waiter,
                         std::chrono::milliseconds timeout) {
    auto addresses = resolve(host, port, waiter, timeout);
    if (addresses.failed()) return addresses.error();
    return Socket::connect(addresses.value(), waiter, timeout);
}

Result<std::unique_ptr<Connection>> openFtp(Session& session, Credentials credentials, const TlsOptions& tls,
                                            Socket connected) {
    auto c = std::make_unique<FtpConnection>(session, std::move(credentials), tls);
    if (Status s = c->login(std::move(connected)); s.failed()) return s.error();
    return std::unique_ptr<Connection>(std::move(c));
}

Result<std::unique_ptr<Connection>> startSftp(Session& session, Socket connected, const std::string& host,
                                              std::uint16_t port, const std::string& user, const std::string& password,
                                              const SshOptions& ssh) {
    auto started = SshSession::start(session, std::move(connected), host, port, user, password, ssh);
    if (started.failed()) return started.error();
    SshReopen again = sshReopener(session, host, port, user, password, ssh, started.value()->status());
    return openSftp(std::move(started).value(), std::move(again));
}

}  // namespace

Result<std::unique_ptr<Connection>> Connection::open(Session& session, const std::string& host, std::uint16_t port,
                                                     const std::string& user, const std::string& password,
                                                     const TlsOptions& tls, const SshOptions& ssh) {
    if (!isSafeArgument(user) || !isSafeArgument(password) || !isSafeArgument(host))
        return Error{ErrorKind::InvalidArgument, "user, password or host holds CR, LF or NUL", {}};
    const bool sftp = ssh.protocol == Protocol::Sftp;
    const bool implicitTls = tls.mode == TlsMode::Implicit;
    if (port == 0) port = sftp ? 22 : implicitTls ? 990 : 21;
    if (ssh.protocol == Protocol::Ftp || (!sftp && implicitTls))
        return openFtp(session, Credentials{host, port, user, password}, tls, Socket());

    const WaitHook& hook = session.waitHook();
    const Waiter waiter(hook);
    const auto timeout = session.timeouts().connect;
    auto socket = connectTo(host, port, waiter, timeout);
    if (socket.failed()) return socket.error();
    auto greeting = peekGreeting(socket.value(), waiter, timeout);
    if (greeting.failed()) return greeting.error();
    if (greeting.value() == Greeting::Ssh)
        return startSftp(session, std::move(socket).value(), host, port, user, password, ssh);
    if (sftp)
        return Error{
            ErrorKind::Protocol, "the server at " + host + " port " + std::to_string(port) + " does not speak SSH", {}};
    return openFtp(session, Credentials{host, port, user, password}, tls, std::move(socket).value());
}

}  // namespace ftp
