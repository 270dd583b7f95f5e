#pragma once
// Errors are values at the engine's edge: every operation returns a Status or a Result<T>
// carrying the reason and, where the server answered, its reply for diagnostics.

#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "Ssh.h"

namespace ftp {

struct Reply {
    int code = 0;          // three-digit reply code, 0 when none was received
    std::string text;      // whole reply text, lines joined by '\n', CR/LF stripped
    bool positive() const { return code >= 100 && code < 400; }
};

enum class ErrorKind {
    InvalidArgument,  // refused before anything was sent (CR, LF or NUL in a name, bad state)
    Resolve,          // host name could not be resolved
    Connect,          // TCP connection (control or data) could not be made
    Timeout,          // a wait on the network ran out
    TooSlow,          // a reply or listing stayed below the minimum rate for a whole period
    Closed,           // the server closed the connection
    Protocol,         // a reply or listing the engine could not make sense of
    Refused,          // the server answered with a 4xx/5xx (or other unexpected) code
    LocalIO,          // a local file could not be read
    Cancelled,        // the caller's wait hook asked to stop
    Tls,              // TLS failed or was refused (handshake, AUTH refused, downgrade, data TLS)
    Certificate,      // the server's certificate did not verify and was not trusted
    Downgrade,        // the server refused TLS although it used TLS before; nothing was sent
    TrustStore,       // the file of trusted certificates or host keys cannot be read or written
    HostKey,          // the SSH server's host key is unknown or changed and was not trusted
};

struct Error {
    ErrorKind kind = ErrorKind::Protocol;
    std::string message;  // short English description for logs and the command-line tool
    Reply reply;          // the server's reply when there was one
    std::optional<CertificateInfo> certificate = {};  // set with ErrorKind::Certificate
    std::optional<HostKeyQuestion> hostKey = {};      // set with ErrorKind::HostKey, and with TrustStore
                                                      // when the store is the host keys' one
};

class [[nodiscard]] Status {
public:
    Status() {}  // success; user-provided so that "return {}" does not zero the whole object
    Status(Error e) : error_(std::move(e)) {}
    static Status ok() { return {}; }
    explicit operator bool() const { return !error_; }
    bool failed() const { return error_.has_value(); }
    const Error& error() const { return error_ ? *error_ : none(); }

private:
    // A success is one flag, not a zeroed Error: a 1 GiB upload returns ten million of them.
    static const Error& none() {
        static const Error e;
        return e;
    }
    std::optional<Error> error_;
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::move(value)) {}
    Result(Error e) : v_(std::move(e)) {}
    explicit operator bool() const { return v_.index() == 0; }
    bool failed() const { return v_.index() != 0; }
    T& value() & { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    const T& value() const& { return std::get<0>(v_); }
    T* operator->() { return &std::get<0>(v_); }
    const Error& error() const { return std::get<1>(v_); }
    Status status() const { return failed() ? Status(error()) : Status(); }

private:
    std::variant<T, Error> v_;
};

}  // namespace ftp
