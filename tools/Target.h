#pragma once
// Where pelicano-ftp connects and as whom: a host or an ftp://, ftps:// or sftp:// URL, the
// options, the password's sources and ~/.netrc, resolved without touching the network.

#include <cstdint>
#include <optional>
#include <string>

#include "CommandLine.h"
#include "ftp/Ssh.h"

struct NetrcEntry {
    std::string login;     // empty when the entry names none
    std::string password;
};
// The entry of netrc text for host ("machine", else "default") whose login matches user (any
// login when user is empty).
std::optional<NetrcEntry> findNetrcEntry(const std::string& text, const std::string& host, const std::string& user);

struct Target {
    ftp::Protocol protocol = ftp::Protocol::Auto;
    bool secure = false;  // ftps://: implicit TLS
    std::string host;
    std::uint16_t port = 0;
    std::string user;
    std::string password;
    std::string directory;  // changed into before the command; empty: stay
    bool userGiven = true;  // false: anonymous (or the local user) for want of one
};

// Where the password comes from when neither --password-stdin nor PELICANO_PASSWORD gave one.
struct PasswordSources {
    std::optional<std::string> given;  // from standard input or the environment
    std::string netrcPath;             // read only when nothing was given
};

// nullopt with `error` set on wrong usage: options that contradict the URL, a password in the
// URL, a ~/.netrc others can read. Without a user: sftp:// logs in as `localUser` (as ssh does),
// anything else as anonymous.

std::optional<Target> resolveTarget(const CommandLine& cl, const PasswordSources& passwords,
                                    const std::string& localUser, std::string& error);
