#pragma once
// The steps of starting an SSH session that concern the server's identity and the user's.

#include <string>
#include <vector>

#include "HostKeys.h"
#include "SshSession.h"

namespace ftp {

class SshSession::Starter {
public:
    Starter(SshSession& session, const std::string& host, std::uint16_t port, const SshOptions& options);
    // Before the handshake: asks for the key types this host is known by, so a host remembered by
    // its ECDSA key is not reported changed because another type was negotiated.
    Status preferKnownKeyTypes();
    // After the handshake, before anything about the user is sent.
    Status checkHostKey();
    // Agent, default keys without passphrase, password, keyboard-interactive; Refused when all fail.
    Status logIn(const std::string& user, const std::string& password);

private:
    Result<HostKey> serverKey() const;
    Status askAboutKey(const HostKey& key, const std::string& remembered);
    // Each attempt: true when it logged in, false when refused; an error ends the login.
    Result<bool> attempt(const char* what, const std::function<int()>& step);
    Result<bool> tryAgent(const std::string& user);
    Result<bool> tryKeyFiles(const std::string& user);
    Result<bool> tryPassword(const std::string& user, const std::string& password);
    Result<bool> tryPrompts(const std::string& user, const std::string& password);

    SshSession& s_;
    const std::string& host_;
    std::uint16_t port_;
    const SshOptions& options_;
    std::vector<std::string> files_;  // known_hosts, then the program's own store
};

}  // namespace ftp
