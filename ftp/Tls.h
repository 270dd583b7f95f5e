#pragma once
// FTP over TLS: what a caller chooses and what it is told. Plain types only (no OpenSSL here).
//
//   Connection::open(session, host, port, user, password, tls)
//     tls.mode       Auto (ask AUTH TLS, go on in clear when refused, unless the host used TLS
//                    before or the store cannot tell), Require (refused = error before USER/PASS), Off (plain FTP as
//                    always; the default of open()), Implicit (TLS from the first byte, port 990).
//     tls.trustStorePath  the TrustStore file (TrustStore::defaultPath() for the program).
//     tls.prompt     asked when the certificate does not verify, before anything is sent;
//                    empty = Cancel. Always remembers the fingerprint in the store.
//     tls.trustedSha256   accept exactly this certificate (64 lowercase hex) for this run.
//   A certificate that is not trusted fails open() with ErrorKind::Certificate and
//   Error::certificate set; a refusal of AUTH TLS by a host that used TLS before (on this
//   connection or as the store says) is ErrorKind::Downgrade; a store that cannot be read or
//   written when it is needed is ErrorKind::TrustStore; a TLS failure of any other kind
//   (handshake, refused AUTH under Require, data connection, missing close_notify) is
//   ErrorKind::Tls.
//   Connection::tlsStatus() tells the protocol, cipher and certificate of an encrypted session.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ftp {

enum class TlsMode { Auto, Require, Off, Implicit };

struct CertificateInfo {
    std::string subject, issuer;      // one-line distinguished names
    std::string notBefore, notAfter;  // "YYYY-MM-DD HH:MM:SS UTC"
    std::string sha256;               // 64 lowercase hex digits of the DER certificate
    int verifyError = 0;              // X509_V_ERR_* (0 = verified); name mismatch included
    std::string reason;               // English text of verifyError, empty when verified
};

enum class TrustAnswer { Cancel, ThisTime, Always };

struct TrustQuestion {
    std::string host;
    std::uint16_t port = 0;
    CertificateInfo certificate;
    std::string rememberedSha256;  // non-empty: a remembered certificate CHANGED
};

using TrustPrompt = std::function<TrustAnswer(const TrustQuestion&)>;

struct TlsOptions {
    TlsMode mode = TlsMode::Auto;
    std::string trustStorePath;  // remembered certificates and hosts known to use TLS
    TrustPrompt prompt;          // asked when verification fails; empty = Cancel
    std::string trustedSha256;   // accept exactly this certificate for this run (--trust)

    static TlsOptions off() {
        TlsOptions o;
        o.mode = TlsMode::Off;
        return o;
    }
};

struct TlsStatus {
    std::string protocol, cipher;  // e.g. "TLSv1.3", "TLS_AES_256_GCM_SHA384"
    CertificateInfo certificate;
};

// "SHA256:AB:cd..." or plain hex, colons optional, any case -> 64 lowercase hex digits.
std::optional<std::string> parseFingerprint(const std::string& text);

// "auto", "require", "off", "implicit" (the command line's and the settings' spelling).
std::optional<TlsMode> parseTlsMode(const std::string& text);
const char* tlsModeName(TlsMode mode);

}  // namespace ftp
