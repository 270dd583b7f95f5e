#pragma once
// OpenSSH's sshd (unpacked by scripts/ssh-servers.sh, never installed) on a free loopback port,
// with a fresh host key, a client key pair it accepts, and an SFTP-only login that starts in a
// temporary folder. It runs unprivileged, because as root it would need the privilege-separation
// account "sshd" that a fresh machine lacks: as the invoking user, or as nobody when the tests run
// as root (its folder is then one nobody can reach, whatever the test program's own temporary
// folder allows). Only the user it runs as can log in, by public key only. It stops with the
// object, or when the test process ends however it ends.

#include <string>
#include <sys/types.h>

#include "FtpServerProcess.h"

namespace testsupport {

// A key pair made by ssh-keygen, without passphrase.
struct SshKeyPair {
    std::string privateKey;   // the file; the public key is beside it with ".pub"
    std::string type;         // as OpenSSH names it: "ssh-ed25519", "ecdsa-sha2-nistp256", "ssh-rsa"
    std::string blob;         // the raw public key bytes
    std::string base64;       // the same, as in a .pub or known_hosts line
    std::string fingerprint;  // "SHA256:..." as `ssh-keygen -lf` prints it
};
// keyType as ssh-keygen -t takes it: "ed25519", "ecdsa", "rsa". An empty type on failure.
SshKeyPair makeSshKey(const std::string& privateKeyPath, const std::string& keyType = "ed25519");
// A key pair already made: reads its ".pub" and asks ssh-keygen for the fingerprint.
SshKeyPair readSshKey(const std::string& privateKeyPath);

class SshdProcess {
public:
    SshdProcess();
    ~SshdProcess();
    SshdProcess(const SshdProcess&) = delete;
    SshdProcess& operator=(const SshdProcess&) = delete;

    bool running() const { return pid_ > 0; }
    const std::string& whyNot() const { return whyNot_; }
    unsigned short port() const { return port_; }
    const std::string& user() const { return user_; }
    // The client's private key, also named id_ed25519 in keyFolder() as in a ~/.ssh.
    const std::string& clientKey() const { return clientKey_.privateKey; }
    std::string keyFolder() const { return dir_.file("client/.ssh"); }
    const SshKeyPair& hostKey() const { return hostKey_; }
    // "[127.0.0.1]:PORT ssh-ed25519 AAAA...", the host key as a known_hosts line.
    std::string knownHostsLine() const;
    // The absolute folder where a login starts; the SFTP user can write in it.
    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }
    // Makes what a test put under root() the server's own, so it may also change or delete it.
    void giveToServer(const std::string& path) const;
    // Stops, makes another host key and starts again on the same port: a server whose key changed.
    bool restartWithNewHostKey();
    std::string log() const;

private:
    bool makeHostKey();
    std::string writeConfig(unsigned short port) const;  // answers the file's path
    bool start(unsigned short port);
    [[noreturn]] void supervise(char** argv, char** env, int logFd, const int ends[2]) const;
    void stop();

    TempDir dir_;
    std::string root_;
    std::string sshdPath_;  // the unpacked sshd, or under root the copy nobody can reach
    std::string user_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    SshKeyPair hostKey_, clientKey_;
    pid_t pid_ = -1;   // the process that watches over sshd
    int stopFd_ = -1;  // closing it stops sshd
    unsigned short port_ = 0;
    std::string whyNot_;
};

}  // namespace testsupport
