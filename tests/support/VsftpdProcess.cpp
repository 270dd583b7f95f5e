#include "VsftpdProcess.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

namespace {

// Unpacked from its package into the build by scripts/ftp-servers.sh, never installed as a service.
constexpr const char* kVsftpd = PELICANO_FTP_SERVERS "/usr/sbin/vsftpd";

void replaceAll(std::string& s, const std::string& from, const std::string& to) {
    for (auto at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
}

}  // namespace

unsigned short freeLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    unsigned short port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), len) == 0 && getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    close(fd);
    return port;
}

bool acceptsOnLoopback(unsigned short port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

std::string vsftpdConfig(const std::string& root, const std::string& emptyDir, unsigned short port) {
    std::string conf = readFile(sourceDir() + "/scripts/vsftpd/vsftpd.conf.in");
    replaceAll(conf, "@ROOT@", root);
    replaceAll(conf, "@EMPTY@", emptyDir);
    replaceAll(conf, "@PORT@", std::to_string(port));
    return conf;
}

VsftpdProcess::VsftpdProcess() : root_(dir_.file("root")) {
    if (access(kVsftpd, X_OK) != 0) {
        whyNot_ = "vsftpd is not unpacked (scripts/ftp-servers.sh build/ftp-servers unpacks it)";
        return;
    }
    std::filesystem::create_directories(root_);
    std::filesystem::create_directories(dir_.file("empty"));
    for (int attempt = 0; attempt < 5 && !running(); ++attempt) tryStart(freeLoopbackPort());
    if (!running() && whyNot_.empty()) whyNot_ = "vsftpd did not start";
}

VsftpdProcess::~VsftpdProcess() { stop(); }

void VsftpdProcess::stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
}

bool VsftpdProcess::tryStart(unsigned short port) {
    writeFile(dir_.file("vsftpd.conf"), vsftpdConfig(root_, dir_.file("empty"), port));

    std::string confPath = dir_.file("vsftpd.conf");
    std::string log = dir_.file("vsftpd.log");
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    char* argv[] = {const_cast<char*>(kVsftpd), confPath.data(), nullptr};
    int rc = posix_spawn(&pid_, kVsftpd, &fa, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) {
        pid_ = -1;
        whyNot_ = "cannot start vsftpd";
        return false;
    }
    for (int i = 0; i < 100; ++i) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {  // exited: port taken or config refused
            pid_ = -1;
            whyNot_ = "vsftpd exited: " + readFile(log);
            return false;
        }
        if (acceptsOnLoopback(port)) {
            port_ = port;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    stop();
    whyNot_ = "vsftpd did not listen in time";
    return false;
}

}  // namespace testsupport
