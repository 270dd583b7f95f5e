#include "SshdProcess.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "VsftpdProcess.h"

extern char** environ;

namespace testsupport {

namespace {

constexpr const char* kSshd = PELICANO_SSH_SERVERS "/usr/sbin/sshd";

std::string fromBase64(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        const auto at = alphabet.find(c);
        if (at == std::string::npos) break;  // "=" padding or the end
        bits = (bits << 6) | static_cast<unsigned>(at);
        if ((count += 6) >= 8) out += static_cast<char>((bits >> (count -= 8)) & 0xFF);
    }
    return out;
}

void chownTree(const std::string& path, uid_t uid, gid_t gid) {
    std::error_code ec;
    if (lchown(path.c_str(), uid, gid) != 0) return;
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(path, ec))) return;
    for (auto it = std::filesystem::recursive_directory_iterator(path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        (void)lchown(it->path().c_str(), uid, gid);
}

// Where the server's folder goes. Under root sshd runs as nobody, who must pass through every
// folder above it; a test program's own temporary folder may be private (0700), so then the
// system's shared one is used instead.
std::string reachableBase() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    if (getuid() != 0) return base.string();
    for (std::filesystem::path p = base;; p = p.parent_path()) {
        struct stat st {};
        if (::stat(p.c_str(), &st) != 0 || !(st.st_mode & S_IXOTH)) return "/tmp";
        if (p == p.root_path()) return base.string();
    }
}

}  // namespace

SshKeyPair makeSshKey(const std::string& privateKeyPath, const std::string& keyType) {
    std::filesystem::remove(privateKeyPath);
    std::filesystem::remove(privateKeyPath + ".pub");  // ssh-keygen would ask before replacing them
    const std::string command = "ssh-keygen -q -N '' -C pelicano-test -t " + keyType + " -f '" + privateKeyPath +
                                "' </dev/null >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 ? readSshKey(privateKeyPath) : SshKeyPair{};
}

SshKeyPair readSshKey(const std::string& privateKeyPath) {
    const std::string pub = privateKeyPath + ".pub", fp = privateKeyPath + ".fingerprint";
    if (std::system(("ssh-keygen -lf '" + pub + "' > '" + fp + "' 2>/dev/null").c_str()) != 0) return {};
    SshKeyPair key;
    key.privateKey = privateKeyPath;
    std::istringstream(readFile(pub)) >> key.type >> key.base64;
    key.blob = fromBase64(key.base64);
    std::string bits;
    std::istringstream(readFile(fp)) >> bits >> key.fingerprint;  // "256 SHA256:... comment (ED25519)"
    std::filesystem::remove(fp);
    return key;
}

SshdProcess::SshdProcess() : dir_(reachableBase()), root_(dir_.file("root")) {
    sshdPath_ = kSshd;
    if (access(kSshd, X_OK) != 0) {
        whyNot_ = "sshd is not unpacked (scripts/ssh-servers.sh build/ssh-servers unpacks it)";
        return;
    }
    const passwd* pw = getuid() == 0 ? getpwnam("nobody") : getpwuid(getuid());
    if (!pw) {
        whyNot_ = getuid() == 0 ? "no account nobody to run sshd as" : "the user running the tests has no account";
        return;
    }
    user_ = pw->pw_name;
    uid_ = pw->pw_uid;
    gid_ = pw->pw_gid;
    for (const char* sub : {"server", "root", "client/.ssh"}) std::filesystem::create_directories(dir_.file(sub));
    // The server's user (nobody, when we are root) must reach its files through our folder.
    std::filesystem::permissions(dir_.path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_exec |
                                                  std::filesystem::perms::others_exec);
    std::filesystem::permissions(dir_.file("client"), std::filesystem::perms::owner_all);
    clientKey_ = makeSshKey(dir_.file("client/.ssh/id_ed25519"));
    if (clientKey_.type.empty() || !makeHostKey()) {
        whyNot_ = "cannot make keys with ssh-keygen (openssh-client installed?)";
        return;
    }
    writeFile(dir_.file("server/authorized_keys"), clientKey_.type + " " + clientKey_.base64 + "\n");
    if (getuid() == 0) {
        // The unpacked binary may sit in a tree nobody cannot enter (a clone under /root): nobody
        // runs a copy of it from the folder made reachable above.
        std::error_code failed;
        std::filesystem::copy_file(kSshd, sshdPath_ = dir_.file("server/sshd"), failed);
        if (failed) {
            whyNot_ = "cannot copy sshd beside its configuration: " + failed.message();
            return;
        }
        chownTree(dir_.file("server"), uid_, gid_);
        chownTree(root_, uid_, gid_);
    }
    for (int attempt = 0; attempt < 5 && !running(); ++attempt) start(freeLoopbackPort());
    if (!running() && whyNot_.empty()) whyNot_ = "sshd did not start";
}

SshdProcess::~SshdProcess() { stop(); }

bool SshdProcess::makeHostKey() {
    hostKey_ = makeSshKey(dir_.file("server/host_ed25519"));
    if (hostKey_.type.empty()) return false;
    if (getuid() == 0) chownTree(hostKey_.privateKey, uid_, gid_);
    return true;
}

std::string SshdProcess::knownHostsLine() const {
    return "[127.0.0.1]:" + std::to_string(port_) + " " + hostKey_.type + " " + hostKey_.base64;
}

void SshdProcess::giveToServer(const std::string& path) const {
    if (getuid() == 0) chownTree(path, uid_, gid_);
}

std::string SshdProcess::log() const { return readFile(dir_.file("server/sshd.log")); }

bool SshdProcess::restartWithNewHostKey() {
    stop();
    whyNot_.clear();
    if (!makeHostKey()) {
        whyNot_ = "cannot make a host key with ssh-keygen";
        return false;
    }
    return start(port_);
}

std::string SshdProcess::writeConfig(unsigned short port) const {
    const std::string server = dir_.file("server");
    const std::string config = server + "/sshd_config";
    writeFile(config, "ListenAddress 127.0.0.1\nPort " + std::to_string(port) + "\nHostKey " + hostKey_.privateKey +
                          "\nPidFile " + server + "/sshd.pid\nAuthorizedKeysFile " + server +
                          "/authorized_keys\n"
                          // Not root: no PAM, no password database, files owned by whoever runs it.
                          "StrictModes no\nUsePAM no\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                          "PubkeyAuthentication yes\nAllowTcpForwarding no\nX11Forwarding no\nPermitTTY no\n"
                          "MaxStartups 100\nMaxSessions 100\nLogLevel VERBOSE\n"
                          // In-process, so a login whose shell is nologin still gets SFTP.
                          "Subsystem sftp internal-sftp\nForceCommand internal-sftp -d " +
                          root_ + "\n");
    return config;
}

bool SshdProcess::start(unsigned short port) {
    std::string config = writeConfig(port);
    const std::string logPath = dir_.file("server/sshd.log");
    const int logFd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::string sshd = sshdPath_, d = "-D", e = "-e", f = "-f";
    char* argv[] = {sshd.data(), d.data(), e.data(), f.data(), config.data(), nullptr};
    // Without it, systemd's name service says nobody's password is locked and sshd refuses it.
    std::string bypass = "SYSTEMD_NSS_BYPASS_SYNTHETIC=1";
    std::vector<char*> env;
    for (char** v = environ; *v; ++v) env.push_back(*v);
    env.push_back(bypass.data());
    env.push_back(nullptr);
    int ends[2];
    if (logFd < 0 || pipe2(ends, O_CLOEXEC) != 0) {
        if (logFd >= 0) close(logFd);
        whyNot_ = "cannot open sshd's log or make a pipe";
        return false;
    }
    pid_ = fork();
    if (pid_ == 0) supervise(argv, env.data(), logFd, ends);
    close(logFd);
    close(ends[0]);
    stopFd_ = ends[1];
    if (pid_ < 0) {
        stop();
        whyNot_ = "cannot fork for sshd";
        return false;
    }
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {  // exited: port taken or configuration refused
            pid_ = -1;
            stop();
            whyNot_ = "sshd exited: " + log();
            return false;
        }
        if (log().find("Server listening on") != std::string::npos) {
            port_ = port;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    stop();
    whyNot_ = "sshd did not listen in time: " + log();
    return false;
}

// The forked child: from here only async-signal-safe calls, as the test process may have threads.
// It stays beside sshd, ends it when the pipe's other end closes (stop(), or the test process
// dying, whichever thread started it), and ends with it.
void SshdProcess::supervise(char** argv, char** env, int logFd, const int ends[2]) const {
    if (getuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(gid_) != 0 || setuid(uid_) != 0)) _exit(126);
    dup2(ends[0], 0);
    dup2(logFd, 1);
    dup2(logFd, 2);
    // Without an exec nothing closes by itself: other fixtures' pipe ends would keep ours open.
    if (close_range(3, ~0U, 0) != 0)
        for (int fd = 3; fd < 1024; ++fd) close(fd);
    const pid_t sshd = fork();
    if (sshd == 0) {
        const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
        dup2(null, 0);
        execve(argv[0], argv, env);
        _exit(127);
    }
    pollfd p{0, POLLIN, 0};
    for (;;) {
        int status = 0;
        if (sshd < 0 || waitpid(sshd, &status, WNOHANG) == sshd) _exit(1);
        if (poll(&p, 1, 100) != 0) {  // the end of the pipe
            kill(sshd, SIGTERM);
            waitpid(sshd, &status, 0);
            _exit(0);
        }
    }
}

void SshdProcess::stop() {
    if (stopFd_ >= 0) close(stopFd_);
    stopFd_ = -1;
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace testsupport
