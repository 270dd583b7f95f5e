#pragma once
// One SSH connection carrying one SFTP channel, over a TCP socket the caller connected and whose
// greeting is still unread. libssh2 runs non-blocking; every wait goes through a Waiter, so the
// wait hook keeps running and every wait has a deadline.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include <libssh2.h>
#include <libssh2_sftp.h>

#include "../Connection.h"
#include "../RateGuard.h"
#include "../Result.h"
#include "../Session.h"
#include "../Socket.h"
#include "../Ssh.h"

namespace ftp {

class SshSession {
public:
    // Handshake, host key check (before anything about the user is sent), login, SFTP start.
    // Session values are copied: the SSH session may outlive the session object. The password is
    // only used here and never kept.
    static Result<std::unique_ptr<SshSession>> start(const Session& session, Socket connected, const std::string& host,
                                                     std::uint16_t port, const std::string& user,
                                                     const std::string& password, const SshOptions& options);
    ~SshSession();  // ends SFTP and the session, each with a bounded wait
    SshSession(const SshSession&) = delete;
    SshSession& operator=(const SshSession&) = delete;

    LIBSSH2_SESSION* ssh() const { return ssh_; }
    LIBSSH2_SFTP* sftp() const { return sftp_; }
    const Timeouts& timeouts() const { return timeouts_; }
    const Limits& limits() const { return limits_; }
    const Waiter& waiter() const { return waiter_; }
    const SshStatus& status() const { return status_; }

    // Runs step() (a libssh2 call returning an integer) again while it answers
    // LIBSSH2_ERROR_EAGAIN, waiting on the socket in the directions libssh2 asks for; each wait
    // has `timeout`. Answers step's last value (>= 0, or another negative libssh2 code), or
    // Timeout / Cancelled / Closed when the wait fails.
    template <class Step>
    Result<long> retry(Step step, std::chrono::milliseconds timeout, const char* what) {
        for (;;) {
            const long rc = static_cast<long>(step());
            if (rc != LIBSSH2_ERROR_EAGAIN) return rc;
            if (Status s = waitSocket(timeout, what); !s) return s.error();
        }
    }
    // As retry(), a negative answer becoming error(what).
    template <class Step>
    Result<long> call(Step step, std::chrono::milliseconds timeout, const char* what) {
        Result<long> rc = retry(step, timeout, what);
        if (rc && rc.value() < 0) return error(what);
        return rc;
    }
    // For the calls that answer a pointer (sftp_open, sftp_opendir): nullptr with EAGAIN as the
    // session's last error means try again; nullptr otherwise becomes error(what).
    template <class T, class Step>
    Result<T*> callForPointer(Step step, std::chrono::milliseconds timeout, const char* what) {
        for (;;) {
            if (T* p = step()) return p;
            if (libssh2_session_last_errno(ssh_) != LIBSSH2_ERROR_EAGAIN) return error(what);
            if (Status s = waitSocket(timeout, what); !s) return s.error();
        }
    }

    // libssh2's last error as an Error. An SFTP status from the server is ErrorKind::Refused with
    // its name in the message; a lost connection is Closed; anything else is Protocol.
    Error error(const char* what) const;
    // The SFTP status of the last failed SFTP call (LIBSSH2_FX_*), 0 when there is none.
    unsigned long sftpStatus() const;

    // Waits until the socket is ready in the directions libssh2 last blocked on. Each wait has
    // its timeout, so a server sending a little before each runs out would hold a call forever:
    // once the waits add up to a whole period, fewer bytes than the session's minimum rate moved
    // in that time end the call with TooSlow.
    Status waitSocket(std::chrono::milliseconds timeout, const char* what);

private:
    SshSession(const Session& session, Socket socket);
    class Starter;    // the host key check and the login
    void describe();  // fills status_ once the session is up
    static LIBSSH2_ALLOC_FUNC(allocate);
    static LIBSSH2_REALLOC_FUNC(reallocate);
    static LIBSSH2_FREE_FUNC(release);
    static LIBSSH2_USERAUTH_KBDINT_RESPONSE_FUNC(answerPrompts);
    // libssh2's socket I/O, counting the bytes for the pace check.
    static LIBSSH2_RECV_FUNC(receive);
    static LIBSSH2_SEND_FUNC(transmit);

    Timeouts timeouts_;
    Limits limits_;
    WaitHook hook_;
    Waiter waiter_;
    Socket socket_;
    LIBSSH2_SESSION* ssh_ = nullptr;
    LIBSSH2_SFTP* sftp_ = nullptr;
    SshStatus status_;
    RateGuard pace_;
    RateGuard::Clock::duration waited_{};  // all the waits so far: the pace's clock
    std::size_t moved_ = 0;                // bytes the socket carried either way
    std::size_t paced_ = 0;                // of which the pace has counted
    // While logging in, every buffer libssh2 frees may hold the password: it is wiped first.
    bool wipeFrees_ = false;
    const std::string* password_ = nullptr;  // keyboard-interactive's answer, only during the login
    int promptRounds_ = 0;
};

// The Connection over a started SSH session (the SFTP file operations).
Result<std::unique_ptr<Connection>> openSftp(std::unique_ptr<SshSession> ssh);

}  // namespace ftp
