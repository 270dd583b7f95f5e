#include "SshSession.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <poll.h>
#include <sys/socket.h>

#include "SshStarter.h"

namespace ftp {

namespace {

constexpr std::chrono::milliseconds kGoodbyeWait{1000};
constexpr int kGoodbyeTries = 100;       // once the socket is shut down nothing can block, but bound it anyway
constexpr std::size_t kBannerCap = 255;  // the longest identification line SSH allows

// libssh2 would also offer arcfour, 3des, blowfish, cast128 and hmac-md5: only strong methods
// here, CBC last for old servers. AES-128-CTR and HMAC-SHA2-256 lead because they cost least per
// byte: this library runs the cipher one 16-byte block per call, where AES-256 costs 10 % more,
// and HMAC-SHA2-512 twice as much as SHA2-256 on CPUs with SHA instructions.
constexpr const char* kCiphers = "aes128-ctr,aes192-ctr,aes256-ctr,aes256-cbc,aes192-cbc,aes128-cbc";
constexpr const char* kMacs = "hmac-sha2-256,hmac-sha2-512,hmac-sha1";

bool preferStrongMethods(LIBSSH2_SESSION* ssh) {
    for (int method : {LIBSSH2_METHOD_CRYPT_CS, LIBSSH2_METHOD_CRYPT_SC})
        if (libssh2_session_method_pref(ssh, method, kCiphers) != 0) return false;
    for (int method : {LIBSSH2_METHOD_MAC_CS, LIBSSH2_METHOD_MAC_SC})
        if (libssh2_session_method_pref(ssh, method, kMacs) != 0) return false;
    return true;
}

// libssh2 keeps global state that must be set up once per process, before any session; the
// static's initialisation is thread-safe, and sync opens connections from several threads.
bool initialiseLibrary() {
    static const int rc = libssh2_init(0);
    return rc == 0;
}

void wipeBlock(void* ptr) {
    if (!ptr) return;
    volatile char* p = static_cast<char*>(ptr);
    const std::size_t n = malloc_usable_size(ptr);
    for (std::size_t i = 0; i < n; ++i) p[i] = 0;
}

const char* sftpStatusText(unsigned long status) {
    static const char* const names[] = {"ok",
                                        "end of file",
                                        "no such file",
                                        "permission denied",
                                        "failure",
                                        "bad message",
                                        "no connection",
                                        "connection lost",
                                        "operation unsupported",
                                        "invalid handle",
                                        "no such path",
                                        "file already exists",
                                        "write protected",
                                        "no media",
                                        "no space left on the file system",
                                        "quota exceeded",
                                        "unknown principal",
                                        "lock conflict",
                                        "directory not empty",
                                        "not a directory",
                                        "invalid file name",
                                        "link loop"};
    return status < std::size(names) ? names[status] : "unknown status";
}

}  // namespace

LIBSSH2_ALLOC_FUNC(SshSession::allocate) {
    (void)abstract;
    return std::malloc(count);
}

LIBSSH2_REALLOC_FUNC(SshSession::reallocate) {
    auto* self = static_cast<SshSession*>(*abstract);
    if (!self->wipeFrees_ || !ptr) return std::realloc(ptr, count);
    // realloc would give the old block back unwiped: move by hand.
    void* moved = std::malloc(count);
    if (!moved) return nullptr;
    std::memcpy(moved, ptr, std::min(count, malloc_usable_size(ptr)));
    wipeBlock(ptr);
    std::free(ptr);
    return moved;
}

LIBSSH2_FREE_FUNC(SshSession::release) {
    auto* self = static_cast<SshSession*>(*abstract);
    if (self->wipeFrees_) wipeBlock(ptr);
    std::free(ptr);
}

LIBSSH2_RECV_FUNC(SshSession::receive) {
    const ssize_t n = ::recv(socket, buffer, length, flags);
    if (n < 0) return -errno;
    static_cast<SshSession*>(*abstract)->moved_ += std::size_t(n);
    return n;
}

LIBSSH2_SEND_FUNC(SshSession::transmit) {
    const ssize_t n = ::send(socket, buffer, length, flags);
    if (n < 0) return -errno;
    static_cast<SshSession*>(*abstract)->moved_ += std::size_t(n);
    return n;
}

SshSession::SshSession(const Session& session, Socket socket)
    : timeouts_(session.timeouts()),
      limits_(session.limits()),
      hook_(session.waitHook()),
      waiter_(hook_),
      socket_(std::move(socket)),
      pace_(limits_.minimumRate) {}

Result<std::unique_ptr<SshSession>> SshSession::start(const Session& session, Socket connected, const std::string& host,
                                                      std::uint16_t port, const std::string& user,
                                                      const std::string& password, const SshOptions& options) {
    if (!initialiseLibrary()) return Error{ErrorKind::Protocol, "the SSH library could not start", {}};
    std::unique_ptr<SshSession> s(new SshSession(session, std::move(connected)));
    s->ssh_ = libssh2_session_init_ex(allocate, release, reallocate, s.get());
    if (!s->ssh_) return Error{ErrorKind::Protocol, "the SSH library could not start a session", {}};
    libssh2_session_set_blocking(s->ssh_, 0);
    libssh2_session_callback_set(s->ssh_, LIBSSH2_CALLBACK_RECV, reinterpret_cast<void*>(receive));
    libssh2_session_callback_set(s->ssh_, LIBSSH2_CALLBACK_SEND, reinterpret_cast<void*>(transmit));
    if (!preferStrongMethods(s->ssh_))
        return Error{ErrorKind::Protocol, "the SSH library offers no strong cipher or MAC", {}};

    Starter starter(*s, host, port, options);
    // A store error names the host and its key, so it is told as the host keys' store and not
    // the certificates', whatever protocol the caller expected.
    auto aboutHost = [&](Error e) {
        if (e.kind == ErrorKind::TrustStore && !e.hostKey) e.hostKey = HostKeyQuestion{host, port, s->status_.key, {}};
        return e;
    };
    if (Status st = starter.preferKnownKeyTypes(); st.failed()) return aboutHost(st.error());
    const int fd = s->socket_.fd();
    if (auto rc = s->call([&] { return libssh2_session_handshake(s->ssh_, fd); }, s->timeouts_.connect,
                          "the SSH handshake");
        rc.failed())
        return rc.error();
    if (Status st = starter.checkHostKey(); st.failed()) return aboutHost(st.error());
    if (Status st = starter.logIn(user, password); st.failed()) return st.error();
    auto sftp = s->callForPointer<LIBSSH2_SFTP>([&] { return libssh2_sftp_init(s->ssh_); }, s->timeouts_.reply,
                                                "starting SFTP");
    if (sftp.failed()) return sftp.error();
    s->sftp_ = sftp.value();
    s->describe();
    return s;
}

void SshSession::describe() {
    const char* banner = libssh2_session_banner_get(ssh_);
    status_.protocol = banner ? std::string(banner).substr(0, kBannerCap) : "SSH-2.0";
    const char* cs = libssh2_session_methods(ssh_, LIBSSH2_METHOD_CRYPT_CS);
    const char* sc = libssh2_session_methods(ssh_, LIBSSH2_METHOD_CRYPT_SC);
    const std::string toServer = cs ? cs : "", fromServer = sc ? sc : "";
    status_.cipher = toServer == fromServer ? fromServer : fromServer + " / " + toServer;
}

SshSession::~SshSession() {
    if (!ssh_) return;
    // A goodbye that cannot go out soon is dropped: shutting the socket down makes every later
    // libssh2 call fail at once instead of waiting.
    const auto wait = std::min(kGoodbyeWait, timeouts_.reply);
    auto bounded = [&](auto step) {
        if (retry(step, wait, "closing the SSH session")) return;
        ::shutdown(socket_.fd(), SHUT_RDWR);
        for (int i = 0; i < kGoodbyeTries && step() == LIBSSH2_ERROR_EAGAIN; ++i) {
        }
    };
    if (sftp_) bounded([&] { return libssh2_sftp_shutdown(sftp_); });
    bounded([&] { return libssh2_session_disconnect(ssh_, "bye"); });
    bounded([&] { return libssh2_session_free(ssh_); });
    socket_.close();
}

Status SshSession::waitSocket(std::chrono::milliseconds timeout, const char* what) {
    const int directions = libssh2_session_block_directions(ssh_);
    short events = 0;
    if (directions & LIBSSH2_SESSION_BLOCK_INBOUND) events |= POLLIN;
    if (directions & LIBSSH2_SESSION_BLOCK_OUTBOUND) events |= POLLOUT;
    const auto before = RateGuard::Clock::now();
    Status s = waiter_.wait(socket_.fd(), events ? events : POLLIN, timeout, what);
    if (s.failed()) return s;
    // Only the time spent waiting counts: the caller's own pauses between calls are not the
    // server's slowness. Calls that never wait cost nothing here.
    waited_ += RateGuard::Clock::now() - before;
    const std::size_t moved = moved_ - paced_;
    paced_ = moved_;
    if (!pace_.add(moved, RateGuard::Clock::time_point(waited_)))
        return Error{ErrorKind::TooSlow, "the server moved " + pace_.describe() + " during " + what, {}};
    return s;
}

unsigned long SshSession::sftpStatus() const {
    if (!sftp_ || libssh2_session_last_errno(ssh_) != LIBSSH2_ERROR_SFTP_PROTOCOL) return 0;
    return libssh2_sftp_last_error(sftp_);
}

Error SshSession::error(const char* what) const {
    char* text = nullptr;
    const int rc = libssh2_session_last_error(ssh_, &text, nullptr, 0);
    const std::string step(what);
    switch (rc) {
    case LIBSSH2_ERROR_SFTP_PROTOCOL: return Error{ErrorKind::Refused, step + ": " + sftpStatusText(sftpStatus()), {}};
    case LIBSSH2_ERROR_SOCKET_DISCONNECT:
    case LIBSSH2_ERROR_SOCKET_RECV:
    case LIBSSH2_ERROR_SOCKET_SEND:
        return Error{ErrorKind::Closed, "the server closed the connection during " + step, {}};
    case LIBSSH2_ERROR_TIMEOUT:
    case LIBSSH2_ERROR_SOCKET_TIMEOUT: return Error{ErrorKind::Timeout, step + " did not answer in time", {}};
    default:
        return Error{ErrorKind::Protocol, step + ": " + (text && *text ? text : "SSH error " + std::to_string(rc)), {}};
    }
}

}  // namespace ftp
