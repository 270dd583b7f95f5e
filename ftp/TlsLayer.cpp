#include "TlsLayer.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string_view>
#include <utility>

#include <arpa/inet.h>
#include <dirent.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>

namespace ftp {

namespace {

constexpr std::size_t kUnusedTickets = 4;

std::string opensslErrors() {
    std::string text;
    while (unsigned long e = ERR_get_error()) {
        char buf[256];
        ERR_error_string_n(e, buf, sizeof buf);
        if (!text.empty()) text += "; ";
        text += buf;
    }
    return text;
}

std::string nameText(const X509_NAME* name) {
    BIO* bio = BIO_new(BIO_s_mem());
    if (!bio) return {};
    X509_NAME_print_ex(bio, name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    long n = BIO_get_mem_data(bio, &data);
    std::string text(data, static_cast<std::size_t>(n > 0 ? n : 0));
    BIO_free(bio);
    return text;
}

std::string timeText(const ASN1_TIME* t) {
    std::tm tm{};
    if (!t || ASN1_TIME_to_tm(t, &tm) != 1) return {};
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return buf;
}

std::string sha256Hex(X509* cert) {
    std::string text;
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (X509_digest(cert, EVP_sha256(), md, &len) != 1) return text;
    static const char* hex = "0123456789abcdef";
    for (unsigned i = 0; i < len; ++i) {
        text += hex[md[i] >> 4];
        text += hex[md[i] & 15];
    }
    return text;
}

bool isAddress(const std::string& host) {
    unsigned char buf[16];
    return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

// Sends what waits in the wire's buffer: 1 when all is out, -1 with errno set when not (EAGAIN:
// the socket is full for now).
int drain(TlsWire& wire) {
    while (wire.sent < wire.out.size()) {
        const ssize_t n = ::send(wire.fd, wire.out.data() + wire.sent, wire.out.size() - wire.sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        wire.sent += static_cast<std::size_t>(n);
    }
    wire.out.clear();
    wire.sent = 0;
    return 1;
}

// OpenSSL's own socket BIO writes with write(), which raises SIGPIPE when the peer has gone, and
// sends each 16 KiB record on its own. This one gathers the records of one write into a buffer
// that a flush sends at once (a large upload costs a send per 128 KiB, not per record), and
// sends with MSG_NOSIGNAL, so a closed connection is an EPIPE like any other.
int bioWrite(BIO* bio, const char* data, int size) {
    auto& wire = *static_cast<TlsWire*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const auto n = static_cast<std::size_t>(size);
    if (wire.sent > 0) {
        wire.out.erase(wire.out.begin(), wire.out.begin() + static_cast<std::ptrdiff_t>(wire.sent));
        wire.sent = 0;
    }
    if (wire.out.size() + n > TlsWire::kCapacity && drain(wire) < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
        return -1;
    if (wire.out.size() + n > TlsWire::kCapacity && !wire.out.empty()) {
        BIO_set_retry_write(bio);
        return -1;
    }
    wire.out.insert(wire.out.end(), data, data + n);
    return size;
}

int bioRead(BIO* bio, char* buffer, int capacity) {
    const int fd = static_cast<TlsWire*>(BIO_get_data(bio))->fd;
    ssize_t n;
    do {
        n = ::recv(fd, buffer, static_cast<std::size_t>(capacity), 0);
    } while (n < 0 && errno == EINTR);
    BIO_clear_retry_flags(bio);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) BIO_set_retry_read(bio);
    // OpenSSL asks BIO_eof() to tell a truncation (no close_notify) from a stalled read.
    if (n == 0) BIO_set_flags(bio, BIO_FLAGS_IN_EOF);
    return static_cast<int>(n);
}

long bioControl(BIO* bio, int command, long, void*) {
    auto& wire = *static_cast<TlsWire*>(BIO_get_data(bio));
    switch (command) {
        case BIO_CTRL_FLUSH:
            BIO_clear_retry_flags(bio);
            if (drain(wire) > 0) return 1;
            if (errno == EAGAIN || errno == EWOULDBLOCK) BIO_set_retry_write(bio);
            return -1;
        case BIO_CTRL_WPENDING: return static_cast<long>(wire.out.size() - wire.sent);
        case BIO_CTRL_EOF: return BIO_test_flags(bio, BIO_FLAGS_IN_EOF) != 0;
        default: return 0;
    }
}

const BIO_METHOD* socketMethod() {
    static BIO_METHOD* const method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "pelicano socket");
        if (m) {
            BIO_meth_set_write(m, bioWrite);
            BIO_meth_set_read(m, bioRead);
            BIO_meth_set_ctrl(m, bioControl);
        }
        return m;
    }();
    return method;
}

// A directory of certificates named by subject hash, as c_rehash and update-ca-certificates
// leave it ("5ad8a5d6.0").
bool hasHashedCertificates(const char* dir) {
    DIR* d = ::opendir(dir);
    if (!d) return false;
    bool found = false;
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name = e->d_name;
        if (name.size() >= 10 && name[8] == '.' &&
            name.find_first_not_of("0123456789abcdef") == 8 && std::isdigit(static_cast<unsigned char>(name[9]))) {
            found = true;
            break;
        }
    }
    ::closedir(d);
    return found;
}

// The system's authorities as OpenSSL's defaults name them, but cheaper: the system's hashed
// directory is read one certificate at a time, when verification asks for an issuer, where its
// twin, the bundle file, would be parsed whole (some 140 certificates) at every connection.
// Directories the user adds (SSL_CERT_DIR) are read the same way, besides the system's. The
// bundle is still read when the user names one (SSL_CERT_FILE) or when the system keeps no
// hashed directory.
void useSystemAuthorities(SSL_CTX* ctx) {
    const char* systemDir = X509_get_default_cert_dir();
    bool loaded = false;
    if (!std::getenv(X509_get_default_cert_file_env()) && hasHashedCertificates(systemDir)) {
        loaded = SSL_CTX_load_verify_dir(ctx, systemDir) == 1;
        if (const char* userDirs = std::getenv(X509_get_default_cert_dir_env()))
            loaded = loaded && SSL_CTX_load_verify_dir(ctx, userDirs) == 1;  // a ':'-separated list
    }
    if (!loaded && SSL_CTX_set_default_verify_paths(ctx) != 1) ERR_clear_error();
}

}  // namespace

TlsLayer::TlsLayer(ssl_st* ssl, int fd) : ssl_(ssl), wanted_(POLLOUT) {
    wire_.fd = fd;
    SSL_set_app_data(ssl_, this);
    // Without a BIO every read and write fails cleanly as a TLS error.
    if (BIO* bio = socketMethod() ? BIO_new(socketMethod()) : nullptr) {
        BIO_set_data(bio, &wire_);
        BIO_set_init(bio, 1);
        SSL_set_bio(ssl_, bio, bio);
    }
}

TlsLayer::~TlsLayer() { SSL_free(ssl_); }

long TlsLayer::fail(int rc, const char* what) {
    const int err = SSL_get_error(ssl_, rc);
    if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
        wanted_ = err == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT;
        errno = EAGAIN;
        return -1;
    }
    const int sysErr = errno;
    if (err == SSL_ERROR_SSL && ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
        ERR_clear_error();
        failure_ = "the server ended the connection without TLS close_notify (data may be cut short)";
        errno = EPROTO;
        return -1;
    }
    std::string detail = opensslErrors();
    if (err == SSL_ERROR_SYSCALL && detail.empty())
        detail = sysErr ? std::strerror(sysErr) : "connection closed";
    failure_ = std::string(what) + ": " + detail;
    errno = (err == SSL_ERROR_SYSCALL && sysErr) ? sysErr : EPROTO;
    return -1;
}

bool TlsLayer::established() const { return SSL_is_init_finished(ssl_) == 1; }

bool TlsLayer::awaitingTicket() const {
    return habit_ && !habit_->noneWhileReading && !ticketSeen_ && established() &&
           SSL_version(ssl_) == TLS1_3_VERSION && !(SSL_get_shutdown(ssl_) & SSL_RECEIVED_SHUTDOWN);
}

void TlsLayer::ticketNeverCame() {
    if (habit_ && !ticketSeen_) habit_->noneWhileReading = true;
}

long TlsLayer::readNow(char* buffer, std::size_t capacity) {
    ERR_clear_error();
    std::size_t n = 0;
    int rc = SSL_read_ex(ssl_, buffer, capacity, &n);
    if (rc == 1) return static_cast<long>(n);
    if (SSL_get_error(ssl_, rc) == SSL_ERROR_ZERO_RETURN) {
        // Answer the peer's close_notify at once: a server that sees the connection end without
        // ours drops its session, and the next data connection could not resume it.
        if (!(SSL_get_shutdown(ssl_) & SSL_SENT_SHUTDOWN)) {
            SSL_shutdown(ssl_);
            ERR_clear_error();
        }
        return 0;
    }
    return fail(rc, "TLS read");
}

long TlsLayer::writeNow(const char* data, std::size_t size) {
    ERR_clear_error();
    // OpenSSL hands back each 16 KiB record (partial writes): take records until the write is
    // whole, then send them together. Bytes count as sent once their records are on the socket;
    // until then the caller retries with the same bytes, and only what still waits goes out.
    if (accepted_ == 0) {
        while (accepted_ < size) {
            std::size_t n = 0;
            int rc = SSL_write_ex(ssl_, data + accepted_, size - accepted_, &n);
            if (rc == 1) {
                accepted_ += n;
                continue;
            }
            if (accepted_ == 0) return fail(rc, "TLS write");
            ERR_clear_error();  // the record that did not fit goes with the next call
            break;
        }
    }
    if (!sendQueued("TLS write")) return -1;
    return static_cast<long>(std::exchange(accepted_, 0));
}

bool TlsLayer::sendQueued(const char* what) {
    if (drain(wire_) > 0) return true;
    const int err = errno;
    if (err == EAGAIN || err == EWOULDBLOCK) {
        wanted_ = POLLOUT;
        errno = EAGAIN;
        return false;
    }
    failure_ = std::string(what) + ": " + std::strerror(err);
    errno = err;
    return false;
}

Result<bool> TlsLayer::handshakeStep() {
    ERR_clear_error();
    int rc = SSL_connect(ssl_);
    if (rc == 1) return true;
    if (fail(rc, "TLS handshake") < 0 && errno == EAGAIN) return false;
    return Error{ErrorKind::Tls, failure_, {}};
}

Result<bool> TlsLayer::shutdownStep() {
    ERR_clear_error();
    if (!closeNotifyQueued_) {
        int rc = SSL_shutdown(ssl_);  // 0: ours is queued, the peer's not seen yet
        if (rc < 0) {
            if (fail(rc, "TLS shutdown") < 0 && errno == EAGAIN) return false;
            return Error{ErrorKind::Tls, failure_, {}};
        }
        closeNotifyQueued_ = true;
    }
    if (sendQueued("TLS shutdown")) return true;
    if (errno == EAGAIN) return false;
    return Error{ErrorKind::Tls, failure_, {}};
}

CertificateInfo TlsLayer::peerCertificate() const {
    CertificateInfo info;
    X509* cert = SSL_get0_peer_certificate(ssl_);
    if (!cert) return info;
    info.subject = nameText(X509_get_subject_name(cert));
    info.issuer = nameText(X509_get_issuer_name(cert));
    info.notBefore = timeText(X509_get0_notBefore(cert));
    info.notAfter = timeText(X509_get0_notAfter(cert));
    info.sha256 = sha256Hex(cert);
    const long result = SSL_get_verify_result(ssl_);
    info.verifyError = static_cast<int>(result);
    if (result != X509_V_OK) info.reason = X509_verify_cert_error_string(result);
    return info;
}

std::string TlsLayer::peerSha256() const {
    X509* cert = SSL_get0_peer_certificate(ssl_);
    return cert ? sha256Hex(cert) : std::string();
}

TlsStatus TlsLayer::status() const {
    TlsStatus s;
    s.protocol = SSL_get_version(ssl_);
    s.cipher = SSL_get_cipher_name(ssl_);
    s.certificate = peerCertificate();
    return s;
}

TlsClient::TlsClient(ssl_ctx_st* ctx, std::string host) : ctx_(ctx), host_(std::move(host)) {}

TlsClient::~TlsClient() {
    for (SSL_SESSION* s : unused_) SSL_SESSION_free(s);
    if (newest_) SSL_SESSION_free(newest_);
    SSL_CTX_free(ctx_);
}

Result<std::unique_ptr<TlsClient>> TlsClient::create(const std::string& hostIn) {
    std::string host = hostIn;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (!ctx) return Error{ErrorKind::Tls, "cannot set up TLS: " + opensslErrors(), {}};
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    // Verification runs during the handshake but does not stop it: the result decides, with
    // the user's trust, whether anything is sent afterwards.
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
    useSystemAuthorities(ctx);
    // Large uploads: partial writes, and a retry may come from a different buffer address.
    SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(ctx, &TlsClient::onNewSession);
    std::unique_ptr<TlsClient> client(new TlsClient(ctx, host));
    SSL_CTX_set_app_data(ctx, client.get());
    return client;
}

// TLS 1.3 sends its session tickets after the handshake, so the session to resume is taken
// whenever one arrives. Some servers accept a ticket only once (vsftpd): each data connection's
// own ticket is what a later one offers. Others send none on a connection they only read from
// (proftpd) but take a ticket again.
int TlsClient::onNewSession(ssl_st* ssl, ssl_session_st* session) {
    auto* self = static_cast<TlsClient*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
    if (!self) return 0;
    if (auto* layer = static_cast<TlsLayer*>(SSL_get_app_data(ssl))) layer->ticketArrived();
    SSL_SESSION_up_ref(session);
    self->unused_.push_back(session);
    if (self->unused_.size() > kUnusedTickets) {
        SSL_SESSION_free(self->unused_.front());
        self->unused_.erase(self->unused_.begin());
    }
    if (self->newest_) SSL_SESSION_free(self->newest_);
    self->newest_ = session;
    return 1;  // we keep the callback's reference in newest_
}

// A copy of the newest ticket not offered yet, else of the newest of all: OpenSSL marks a TLS 1.3
// session it resumed as used up, and the copy keeps ours for another try.
ssl_session_st* TlsClient::sessionToOffer() {
    SSL_SESSION* chosen = unused_.empty() ? newest_ : unused_.back();
    if (!chosen) return nullptr;
    SSL_SESSION* copy = SSL_SESSION_dup(chosen);
    if (!unused_.empty()) {
        SSL_SESSION_free(unused_.back());
        unused_.pop_back();
    }
    return copy;
}

Result<std::unique_ptr<TlsLayer>> TlsClient::layer(int fd, bool control) {
    SSL* ssl = SSL_new(ctx_);
    if (!ssl) return Error{ErrorKind::Tls, "cannot set up TLS: " + opensslErrors(), {}};
    auto layer = std::make_unique<TlsLayer>(ssl, fd);
    bool ok = true;
    if (isAddress(host_)) {
        ok = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host_.c_str()) == 1;
    } else {
        ok = SSL_set_tlsext_host_name(ssl, host_.c_str()) == 1 && SSL_set1_host(ssl, host_.c_str()) == 1;
    }
    if (!control) {
        if (SSL_SESSION* session = sessionToOffer()) {
            ok = ok && SSL_set_session(ssl, session) == 1;
            SSL_SESSION_free(session);
            layer->expectTicket(habit_);  // a server that issued one may issue one per connection
        }
    }
    if (!ok) return Error{ErrorKind::Tls, "cannot set up TLS for " + host_ + ": " + opensslErrors(), {}};
    SSL_set_connect_state(ssl);
    return layer;
}

}  // namespace ftp
