#pragma once
// SSH host keys: the user's known_hosts files (read only) and the program's own store, both in
// OpenSSH's known_hosts syntax:
//
//   [@revoked|@cert-authority] PATTERNS TYPE BASE64-BLOB [COMMENT]
//
// PATTERNS is a comma list of names ("host" for port 22, "[host]:port" otherwise) with "*" and "?"
// wildcards and "!" negation (a negated match rules the line out), or one hashed name
// "|1|base64(salt)|base64(HMAC-SHA1(salt, name))". Names compare case-insensitively. A line that
// does not parse, or whose TYPE is not the blob's own, is skipped. "@cert-authority" lines are
// ignored. A key on an "@revoked" line matching the host is never trusted: the lookup fails with
// ErrorKind::HostKey (Error::hostKey set) so that neither a prompt nor a fingerprint given for the
// run can let it through. The store is written plain, so that its user can read it.

#include <cstdint>
#include <string>
#include <vector>

#include "../Result.h"

namespace ftp {

struct HostKey {
    std::string type;
    std::string blob;  // the raw public key bytes
};

std::string hostKeyFingerprint(const std::string& blob);  // "SHA256:..." unpadded

enum class HostKeyMatch { Known, Unknown, Changed };

struct HostKeyLookup {
    HostKeyMatch match = HostKeyMatch::Unknown;
    std::string rememberedFingerprint;
};

// Looks host:port up in each file in turn. A missing file is empty; an unreadable one (or one
// anyone may write) is ErrorKind::TrustStore. Known: an entry of the same type and blob in any
// file. Changed: the host has an entry of the same type with another blob (rememberedFingerprint
// is the first such one's).
Result<HostKeyLookup> lookUpHostKey(const std::vector<std::string>& files, const std::string& host, std::uint16_t port,
                                    const HostKey& key);

// Key types the files hold for host:port, in file order, so the session can prefer them.
Result<std::vector<std::string>> knownHostKeyTypes(const std::vector<std::string>& files, const std::string& host,
                                                   std::uint16_t port);

// Writes (atomically, mode 0600, creating the folder) host:port's key into the program's own
// store, replacing that host's entries of the same type. Never called with the user's known_hosts.
Status rememberHostKey(const std::string& storePath, const std::string& host, std::uint16_t port, const HostKey& key);

struct RememberedHostKey {
    std::string host;  // as the store writes it: lower case, an IPv6 address without brackets
    std::uint16_t port = 22;
    std::string type;
    std::string fingerprint;
};

// The program's own store as the window shows it, sorted by host, port and type: the lines that
// name one host as rememberHostKey writes it. Lines the user added in other forms (hashed names,
// lists, wildcards, markers) are not listed, and forgetHostKey leaves them alone.
Result<std::vector<RememberedHostKey>> rememberedHostKeys(const std::string& storePath);

// Removes host:port's entries of that type from the program's own store (written atomically as
// rememberHostKey writes it; untouched when there is none). Never called with the user's known_hosts.
Status forgetHostKey(const std::string& storePath, const std::string& host, std::uint16_t port,
                     const std::string& type);

}  // namespace ftp
