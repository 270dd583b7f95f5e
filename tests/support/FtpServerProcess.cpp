#include "FtpServerProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

TempDir::TempDir() : TempDir(std::filesystem::temp_directory_path().string()) {}

TempDir::TempDir(const std::string& base) {
    std::string tmpl = (std::filesystem::path(base) / "pelicano-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Give back write permission that a test may have removed, so the tree can be deleted.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ec);
    }
    std::filesystem::remove_all(path_, ec);
}

std::string sourceDir() { return PELICANO_SOURCE_DIR; }

ScriptProcess startScript(std::vector<std::string> args) {
    ScriptProcess process;
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int rc = posix_spawn(&process.pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(in[0]);
    close(out[1]);
    process.stdinFd = in[1];
    if (rc != 0) {
        close(out[0]);
        process.pid = -1;
        return process;
    }
    std::string& line = process.firstLine;
    pollfd p{out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
        char buf[128];
        ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        line.append(buf, static_cast<size_t>(n));
    }
    close(out[0]);
    line = line.substr(0, line.find('\n'));
    return process;
}

void stopScript(ScriptProcess& process) {
    if (process.stdinFd >= 0) close(process.stdinFd);
    if (process.pid > 0) {
        kill(process.pid, SIGTERM);
        waitpid(process.pid, nullptr, 0);
    }
    process = {};
}

FtpServerProcess::FtpServerProcess(FtpServerOptions options) : options_(std::move(options)) {
    std::string script = sourceDir() + "/scripts/ftp_server.py";
    std::vector<std::string> args = {"/usr/bin/python3", script, "--root", root_.path(),
                                     "--user", options_.user, "--password", options_.password,
                                     "--encoding", options_.encoding, "--watch-stdin"};
    if (!options_.mlsd) args.push_back("--no-mlsd");
    if (!options_.tlsCertificate.empty()) args.insert(args.end(), {"--tls-cert", options_.tlsCertificate});
    if (!options_.tlsFault.empty()) args.insert(args.end(), {"--tls-fault", options_.tlsFault});
    if (options_.maxConnectionsPerIp > 0)
        args.insert(args.end(), {"--max-cons-per-ip", std::to_string(options_.maxConnectionsPerIp)});
    process_ = startScript(std::move(args));
    unsigned port = 0;
    if (std::sscanf(process_.firstLine.c_str(), "PORT %u", &port) == 1) port_ = static_cast<unsigned short>(port);
}

FtpServerProcess::~FtpServerProcess() { stopScript(process_); }

std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace testsupport
