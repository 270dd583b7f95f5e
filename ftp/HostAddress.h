#pragma once
// What the user typed to name a server, in the window's host box or as pelicano-ftp's host:
// "sftp://" forces SFTP, "ftp://" FTP and "ftps://" FTP over implicit TLS; a bare host leaves the
// protocol to the server's first line. Both read it here, so both agree.

#include <cstdint>
#include <string>

#include "Result.h"
#include "Ssh.h"

namespace ftp {

struct HostAddress {
    Protocol protocol = Protocol::Auto;
    bool implicitTls = false;  // ftps://
    std::string user;          // empty: not given
    bool hasPassword = false;  // "user:password@": refused by both, but told apart
    std::string host;
    std::uint16_t port = 0;  // 0: not given
    std::string path;        // decoded, without the "/" after the host
};

// True when the text starts with one of the schemes above (any case).
bool hasScheme(const std::string& text);

// A URL: scheme://[user[:password]@]host[:port][/path], %XX decoded, IPv6 in brackets. A bare
// host is kept as typed (blanks included), except a ":port" after a name with no other colon or
// after "[v6]". InvalidArgument with a short English reason when it cannot be read.
Result<HostAddress> parseHostAddress(const std::string& text);

}  // namespace ftp
