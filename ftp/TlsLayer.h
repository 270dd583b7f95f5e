#pragma once
// OpenSSL behind two small classes. TlsLayer is the TLS state of one socket: Socket reads and
// writes through it once attached. TlsClient is what one FTP connection's sockets share: the
// context with the system's CA store, the host to verify, and the control connection's session
// that data connections resume.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "Result.h"
#include "Tls.h"

struct ssl_st;
struct ssl_ctx_st;
struct ssl_session_st;

namespace ftp {

// The socket under one TLS connection and the records waiting to be sent on it.
struct TlsWire {
    static constexpr std::size_t kCapacity = 160 * 1024;  // the records of one 128 KiB write
    int fd = -1;
    std::vector<char> out;
    std::size_t sent = 0;  // of out
};

class TlsLayer {
public:
    TlsLayer(ssl_st* ssl, int fd);  // takes ownership of ssl
    ~TlsLayer();
    TlsLayer(const TlsLayer&) = delete;
    TlsLayer& operator=(const TlsLayer&) = delete;

    // As Socket::receiveNow/sendNow: bytes done; 0 on a read = the peer's close_notify; -1 with
    // errno EAGAIN = wait for wanted() first; -1 with another errno = failed (failure() says why;
    // EPROTO for a TLS error, including an end of stream without close_notify).
    long readNow(char* buffer, std::size_t capacity);
    long writeNow(const char* data, std::size_t size);
    // One step of the handshake: true once done, false when it waits for wanted().
    Result<bool> handshakeStep();
    // Sends close_notify; true once sent, false when it waits for wanted().
    Result<bool> shutdownStep();
    short wanted() const { return wanted_; }  // POLLIN or POLLOUT
    bool established() const;
    // A TLS 1.3 data connection whose server issues session tickets but has not sent this one's
    // yet: the next data connection needs it, and once close_notify is sent OpenSSL drops it.
    bool awaitingTicket() const;
    void ticketArrived() { ticketSeen_ = true; }
    // Waited for in vain: this server sends none while it only reads, so stop waiting for it.
    void ticketNeverCame();
    const std::string& failure() const { return failure_; }
    ssl_st* ssl() const { return ssl_; }

    struct TicketHabit {
        bool noneWhileReading = false;
    };
    void expectTicket(std::shared_ptr<TicketHabit> habit) { habit_ = std::move(habit); }

    CertificateInfo peerCertificate() const;  // empty sha256 when the peer sent none
    std::string peerSha256() const;           // the fingerprint alone, as above
    TlsStatus status() const;

private:
    long fail(int rc, const char* what);
    // Sends the records waiting in the wire: false when they are not all out (errno EAGAIN:
    // wait for wanted(); else failed, failure() says why).
    bool sendQueued(const char* what);

    TlsWire wire_;  // outlives ssl_, whose BIO points to it
    ssl_st* ssl_;
    short wanted_;
    std::shared_ptr<TicketHabit> habit_;  // set when a ticket may come
    bool ticketSeen_ = false;
    bool closeNotifyQueued_ = false;
    std::size_t accepted_ = 0;  // taken by OpenSSL, its records not all sent yet
    std::string failure_;
};

class TlsClient {
public:
    static Result<std::unique_ptr<TlsClient>> create(const std::string& host);
    ~TlsClient();
    TlsClient(const TlsClient&) = delete;
    TlsClient& operator=(const TlsClient&) = delete;

    // TLS for a freshly connected socket: SNI and the host name (or address) check; data
    // connections also offer the control connection's session for resumption.
    Result<std::unique_ptr<TlsLayer>> layer(int fd, bool control);

private:
    TlsClient(ssl_ctx_st* ctx, std::string host);
    static int onNewSession(ssl_st* ssl, ssl_session_st* session);
    ssl_session_st* sessionToOffer();

    ssl_ctx_st* ctx_;
    std::string host_;
    // TLS 1.3 tickets are meant for one use each: those not offered yet, newest last, and the
    // newest of all for a server that takes a ticket again when every one has been used.
    std::vector<ssl_session_st*> unused_;
    ssl_session_st* newest_ = nullptr;
    std::shared_ptr<TlsLayer::TicketHabit> habit_ = std::make_shared<TlsLayer::TicketHabit>();
};

}  // namespace ftp
