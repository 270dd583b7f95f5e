#pragma once
// The host box's text as the engine takes it: "sftp://host[:port]" forces SFTP, "ftp://" FTP,
// "ftps://" FTP over implicit TLS, a bare host leaves it to the server's first line.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "ftp/Ssh.h"

namespace hosttext {

struct Choice {
    std::string host;
    std::uint16_t port = 0;  // 0: the engine's default
    ftp::Protocol protocol = ftp::Protocol::Auto;
    bool implicitTls = false;
};

// A port in the text wins; else the configured port, except that its default (21) stands for
// the protocol's own when the text forces SFTP (22) or implicit TLS (990). nullopt with `problem`
// set (Spanish, for a box) when the text cannot be read or names a user or a folder, which have
// fields of their own or no place here.
std::optional<Choice> choose(const QString& text, std::uint16_t configuredPort, QString& problem);

}  // namespace hosttext
