#pragma once
// Certificates the user chose to trust, by host and port, and the hosts that have used TLS
// (a later refusal of AUTH TLS from one of them is a downgrade). One small text file shared by
// the window and pelicano-ftp:
//
//   certificate HOST:PORT SHA256HEX
//   tls HOST:PORT
//
// Hosts are kept lowercase; an IPv6 literal is written in brackets. save() writes a temporary
// file and renames it over the old one (through a link to a regular file), mode 0600. A missing
// file is an empty store; anything else that is not a private regular file of at most kMaxBytes
// is an ErrorKind::TrustStore error, never read.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Result.h"
#include "StoreFile.h"

namespace ftp {

struct RememberedCertificate {
    std::string host;
    std::uint16_t port = 0;
    std::string sha256;
};

class TrustStore {
public:
    static constexpr std::size_t kMaxBytes = storefile::kMaxBytes;

    explicit TrustStore(std::string path) : path_(std::move(path)) {}

    // $XDG_CONFIG_HOME/pelicano/known-certificates, ~/.config/... when unset.
    static std::string defaultPath();

    const std::string& path() const { return path_; }
    Status load();        // replaces the contents; damaged lines are skipped
    Status save() const;  // creates the folder when needed

    std::optional<std::string> lookup(const std::string& host, std::uint16_t port) const;
    void remember(const std::string& host, std::uint16_t port, const std::string& sha256);
    bool forget(const std::string& host, std::uint16_t port);  // the certificate only
    std::vector<RememberedCertificate> list() const;           // sorted by host, then port

    bool usedTls(const std::string& host, std::uint16_t port) const;
    void markUsedTls(const std::string& host, std::uint16_t port);

private:
    std::string path_;
    std::map<std::pair<std::string, std::uint16_t>, std::string> certificates_;  // sorted as list() wants
    std::set<std::string> tlsHosts_;  // "host:port" keys
};

}  // namespace ftp
