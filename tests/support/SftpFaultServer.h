#pragma once
// A small SFTP server of our own (scripts/sftp_fault_server.py, on paramiko) on loopback, for what
// sshd will not do on demand: password and keyboard-interactive logins, a connection that drops in
// the middle of a file, a host key the test chooses, names no real folder holds, slow replies.
// It serves a temporary folder as "/" and stops with the object (or with the test process).

#include <string>
#include <vector>

#include "FtpServerProcess.h"
#include "SshdProcess.h"

namespace testsupport {

struct SftpFaultOptions {
    std::string user = "demo";
    std::string password = "demo";
    std::string auth = "password,keyboard-interactive";  // the login methods offered, in order
    std::string hostKey = {};   // private key file to present (see makeSshKey); empty: a new ed25519 key
    long dropAfter = -1;        // end the connection when a write would take a file past this many
                                // bytes, once those bytes are on disk
    int dropTimes = -1;         // in this many uploads at most (-1: every one)
    bool hostileNames = false;  // every listing also holds ".", "..", "", "a/b", "/etc/passwd",
                                // control characters, CR and LF, U+202E, 1000 x's, non-UTF-8 bytes
    int replyDelayMs = 0;       // before each SFTP reply
    std::string ciphers = {};   // the only ciphers offered, comma-separated; empty: paramiko's own
    std::string macs = {};      // the same for MACs
    unsigned short port = 0;    // 0: any free one; another takes the place of a server just stopped
};

class SftpFaultServer {
public:
    explicit SftpFaultServer(SftpFaultOptions options = {});
    ~SftpFaultServer();
    SftpFaultServer(const SftpFaultServer&) = delete;
    SftpFaultServer& operator=(const SftpFaultServer&) = delete;

    bool running() const { return port_ != 0; }
    const std::string& whyNot() const { return whyNot_; }
    unsigned short port() const { return port_; }
    const SftpFaultOptions& options() const { return options_; }
    const SshKeyPair& hostKey() const { return hostKey_; }   // the key it presents
    const std::string& root() const { return dir_.path(); }  // what the client sees as "/"
    std::string path(const std::string& relative) const { return dir_.file(relative); }
    // What happened so far, a line each: "auth METHOD USER ok|refused" for every login attempt
    // (publickey ones name the key type), "drop /PATH BYTES" for every connection dropped mid-file.
    std::vector<std::string> events() const;

private:
    SftpFaultOptions options_;
    TempDir dir_, work_;  // served, and the server's own files
    SshKeyPair hostKey_;
    ScriptProcess process_;
    unsigned short port_ = 0;
    std::string whyNot_;
};

}  // namespace testsupport
