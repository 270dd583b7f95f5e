#pragma once
// The arguments of pelicano-ftp, parsed without touching the network.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ftp/Connection.h"

struct CommandLine {
    std::uint16_t port = 0;  // 0: not given
    std::string user;        // empty: not given (then ~/.netrc's login, else anonymous)
    bool passwordFromStdin = false;
    std::string directory;  // --cd
    ftp::TransferType type = ftp::TransferType::Binary;
    std::string host;
    std::string command;
    std::vector<std::string> args;
    bool force = false;        // -f: get may replace a local file
    bool longListing = false;  // ls -l
    bool resume = false;       // put -c: continue what a broken upload left
    bool inPlace = false;      // put --in-place: write under the final name, no temporary one
    // sync, and put -r (which sends every file and never deletes)
    bool recursive = false;  // put -r
    bool dryRun = false;
    bool deleteExtra = false;  // --delete: remove what is only on the server
    bool sizeOnly = false;
    std::vector<std::string> excludes;
    int parallel = 2;
    ftp::TlsMode tls = ftp::TlsMode::Auto;
    std::string trustedSha256;   // --trust with a certificate's hex: 64 lowercase hex digits
    std::string trustedHostKey;  // --trust with a host key's "SHA256:" + base64, unpadded
    bool help = false;
    bool version = false;
};

// nullopt with `error` set when the arguments make no sense.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& argv, std::string& error);
extern const char* const kUsage;

