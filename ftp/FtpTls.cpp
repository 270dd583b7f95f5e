// FTP over TLS (RFC 4217) on FtpConnection: AUTH TLS and the rules of each mode, the
// certificate decision, PBSZ/PROT, and TLS on data connections.

#include "FtpConnection.h"
#include "TrustStore.h"

namespace ftp {

namespace {

bool isAuthRefusal(int code) { return code == 500 || code == 502 || code == 504 || code == 530 || code == 534; }

Error tlsError(const std::string& message, const Reply& reply = {}) { return Error{ErrorKind::Tls, message, reply}; }

// A failed data handshake keeps its kind when it timed out or was cancelled.
Error dataError(Error e) {
    if (e.kind != ErrorKind::Timeout && e.kind != ErrorKind::Cancelled) e.kind = ErrorKind::Tls;
    e.message = "data connection: " + e.message;
    return e;
}

}  // namespace

Status FtpConnection::secureFromStart() {
    tlsClient_.reset();
    protectedData_ = false;
    return tls_.mode == TlsMode::Implicit ? startTls() : Status::ok();
}

Status FtpConnection::secureBeforeLogin() {
    if (tls_.mode != TlsMode::Auto && tls_.mode != TlsMode::Require) return Status::ok();
    auto r = control_.command("AUTH TLS");
    if (r.failed()) return r.error();
    const Reply& reply = r.value();
    if (reply.code == 234) {
        // Anything already behind the 234 came before encryption: it cannot be trusted.
        if (control_.hasUnreadInput()) {
            control_.close();
            return tlsError("unexpected data after the AUTH TLS reply; connection dropped", reply);
        }
        return startTls();
    }
    // From here on nothing is sent: above all no USER and no PASS.
    if (tls_.mode == TlsMode::Require || !isAuthRefusal(reply.code)) {
        control_.close();
        return tlsError("server refused TLS: " + reply.text, reply);
    }
    // A fresh login after a hang-up must not go on in clear whatever the file says; a file that
    // cannot be read cannot say the host never used TLS.
    bool usedBefore = usedTls_;
    if (!usedBefore && !tls_.trustStorePath.empty()) {
        TrustStore store(tls_.trustStorePath);
        if (Status s = store.load(); s.failed()) {
            control_.close();
            return s;
        }
        usedBefore = store.usedTls(credentials_.host, credentials_.port);
    }
    if (usedBefore) {
        control_.close();
        return Error{ErrorKind::Downgrade,
                     std::string("server refused TLS although it used TLS ") +
                         (usedTls_ ? "on this connection" : "before") + " (possible downgrade attack): " + reply.text,
                     reply};
    }
    return Status::ok();  // auto: plain FTP with a server that has no TLS
}

Status FtpConnection::startTls() {
    auto client = TlsClient::create(credentials_.host);
    if (client.failed()) {
        control_.close();
        return client.error();
    }
    tlsClient_ = std::move(client).value();
    auto layer = tlsClient_->layer(control_.fd(), true);
    if (layer.failed()) {
        control_.close();
        return layer.error();
    }
    control_.socket().attachTls(std::move(layer).value());
    auto done = control_.socket().handshake(waiter_, timeouts_.connect);
    if (done.failed()) {
        control_.close();
        Error e = done.error();
        if (e.kind == ErrorKind::Timeout) e.message = "TLS handshake with " + credentials_.host + " timed out";
        else if (e.kind == ErrorKind::Tls) e.message = "TLS handshake with " + credentials_.host + " failed: " + e.message;
        return e;
    }
    CertificateInfo certificate = control_.socket().tls()->peerCertificate();
    if (Status s = checkCertificate(certificate); s.failed()) {
        control_.close();
        return s;
    }
    controlSha256_ = certificate.sha256;
    usedTls_ = true;
    return Status::ok();
}

// A certificate that does not verify is accepted only when the user trusts it: for this run
// (--trust), remembered from before, or asked now. A remembered one that changed is asked again.
Status FtpConnection::checkCertificate(const CertificateInfo& certificate) {
    if (certificate.sha256.empty()) return tlsError("the server sent no certificate");
    if (certificate.verifyError == 0) return Status::ok();
    if (!tls_.trustedSha256.empty() && tls_.trustedSha256 == certificate.sha256) return Status::ok();
    TrustStore store(tls_.trustStorePath);
    if (!tls_.trustStorePath.empty()) {
        if (Status s = store.load(); s.failed()) return s;
    }
    const std::string remembered = store.lookup(credentials_.host, credentials_.port).value_or("");
    if (remembered == certificate.sha256) return Status::ok();

    TrustQuestion question{credentials_.host, credentials_.port, certificate, remembered};
    const TrustAnswer answer = tls_.prompt ? tls_.prompt(question) : TrustAnswer::Cancel;
    if (answer == TrustAnswer::Always && !tls_.trustStorePath.empty()) {
        if (Status s = store.load(); s.failed()) return s;  // it may have changed while the user thought
        store.remember(credentials_.host, credentials_.port, certificate.sha256);
        if (Status s = store.save(); s.failed()) return s;
    }
    if (answer != TrustAnswer::Cancel) return Status::ok();
    std::string message = remembered.empty() ? "certificate not trusted: " + certificate.reason
                                             : "certificate CHANGED since it was trusted (was SHA256:" + remembered +
                                                   "): " + certificate.reason;
    Error e{ErrorKind::Certificate, message + " (SHA256:" + certificate.sha256 + ")", {}};
    e.certificate = certificate;
    return e;
}

Status FtpConnection::protectData() {
    if (!control_.socket().tls()) return Status::ok();
    for (const char* command : {"PBSZ 0", "PROT P"}) {
        auto r = control_.command(command);
        if (r.failed()) return r.error();
        if (r.value().code / 100 != 2) {
            control_.close();  // never send files in clear over a connection meant to be private
            return tlsError(std::string("server refused ") + command + ": " + r.value().text, r.value());
        }
    }
    protectedData_ = true;
    if (tls_.trustStorePath.empty()) return Status::ok();
    // Without this line a later run in mode auto would take a refusal of TLS for a server that
    // never had it: a file that cannot keep it is an error, not a detail.
    TrustStore store(tls_.trustStorePath);
    Status s = store.load();
    if (s && !store.usedTls(credentials_.host, credentials_.port)) {
        store.markUsedTls(credentials_.host, credentials_.port);
        s = store.save();
    }
    if (s.failed()) {
        control_.close();
        Error e = s.error();
        e.message = "cannot record that " + credentials_.host + " uses TLS: " + e.message;
        return e;
    }
    return Status::ok();
}

// Some servers answer 150 before the data handshake, others only after it: run the handshake
// until it is done or the server speaks, and let the caller read the reply.
Status FtpConnection::beginDataTls(Socket& data) {
    if (!protectedData_) return Status::ok();
    auto layer = tlsClient_->layer(data.fd(), false);
    if (layer.failed()) return layer.error();
    data.attachTls(std::move(layer).value());
    auto done = data.handshake(waiter_, timeouts_.data, control_.fd());
    if (done.failed()) return dataError(done.error());
    return Status::ok();
}

Status FtpConnection::finishDataTls(Socket& data) {
    if (!protectedData_) return Status::ok();
    if (!data.tls()->established()) {
        auto done = data.handshake(waiter_, timeouts_.data);
        if (done.failed()) return dataError(done.error());
    }
    // The data connection must be the same server as the control one.
    if (data.tls()->peerSha256() != controlSha256_)
        return tlsError("data connection presented a different certificate");
    return Status::ok();
}

std::optional<TlsStatus> FtpConnection::tlsStatus() const {
    if (!control_.isOpen() || !control_.socket().tls()) return std::nullopt;
    return control_.socket().tls()->status();
}

}  // namespace ftp
