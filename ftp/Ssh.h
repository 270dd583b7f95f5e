#pragma once
// SFTP: what a caller chooses and what it is told. Plain types only (no libssh2 here).
//
//   Connection::open(session, host, port, user, password, tls, ssh)
//     ssh.protocol   Auto: the server's first line decides (an "SSH-" greeting means SFTP, read
//                    without consuming it); Sftp: sftp:// was given, a server that is not SSH is
//                    an error; Ftp: never SFTP. Auto looks only where TLS is not implicit.
//                    port 0 means 22 under Sftp.
//     ssh.knownHostsPath  the user's known_hosts (read only; hashed entries included).
//     ssh.keyStorePath    the program's own store of host keys ("Confiar siempre" writes here).
//     ssh.prompt     asked when the host key is unknown or changed, before any password or key
//                    is sent; empty = Cancel. Always writes to keyStorePath, never known_hosts.
//     ssh.trustedFingerprint  accept exactly this key for this run ("SHA256:" + base64).
//     ssh.keyFolder  where the user's default keys are (~/.ssh); keys without a passphrase are
//                    tried after the agent and before the password. Empty = none.
//     ssh.useAgent   try the keys of the ssh agent (SSH_AUTH_SOCK) first.
//   A host key that is not trusted fails open() with ErrorKind::HostKey and Error::hostKey set;
//   a store that cannot be read or written when needed is ErrorKind::TrustStore, with
//   Error::hostKey set too (its key empty when none was seen yet); a refused login is
//   ErrorKind::Refused, as for FTP.
//   Connection::sshStatus() tells the protocol, the key and the ciphers of an SFTP session.

#include <cstdint>
#include <functional>
#include <string>

#include "Tls.h"

namespace ftp {

enum class Protocol { Auto, Ftp, Sftp };

struct HostKeyInfo {
    std::string type;         // as OpenSSH names it: "ssh-ed25519", "ecdsa-sha2-nistp256", "ssh-rsa"
    std::string fingerprint;  // "SHA256:" + unpadded base64 of the key blob's SHA-256, as ssh-keygen -l
};

struct HostKeyQuestion {
    std::string host;
    std::uint16_t port = 0;
    HostKeyInfo key;
    std::string rememberedFingerprint;  // non-empty: a remembered key CHANGED
    bool revoked = false;               // on an "@revoked" line: refused, nothing can trust it
};

using HostKeyPrompt = std::function<TrustAnswer(const HostKeyQuestion&)>;

struct SshOptions {
    Protocol protocol = Protocol::Auto;
    std::string knownHostsPath;
    std::string keyStorePath;
    HostKeyPrompt prompt;
    std::string trustedFingerprint;
    std::string keyFolder;
    bool useAgent = true;
};

struct SshStatus {
    std::string protocol;      // "SSH-2.0" and the server's software as it announced itself
    std::string cipher;        // server-to-client and client-to-server ciphers, e.g. "aes256-gcm@openssh.com"
    HostKeyInfo key;
};

}  // namespace ftp
