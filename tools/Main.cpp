// pelicano-ftp: the FTP engine without a window, for scripts, diagnostics and benchmarks.

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include <unistd.h>

#include "CommandLine.h"
#include "ftp/Connection.h"

namespace {

constexpr std::size_t kBlock = 100;  // the upload window's block size
constexpr std::size_t kReadChunk = 64 * 1024;  // small enough to stay in the CPU cache

int fail(const std::string& command, const std::string& name, const ftp::Error& e) {
    std::string line = command + ": " + printableName(name) + ": ";
    if (e.reply.code != 0) {
        std::string text = e.reply.text;  // starts with the code; one line per reply line
        for (char& c : text)
            if (c == '\n' || c == '\r') c = ' ';
        line += text;
    } else {
        line += e.message;
    }
    std::cerr << line << "\n";
    return 1;
}

int failLocal(const std::string& command, const std::string& name, const std::string& why) {
    std::cerr << command << ": " << name << ": " << why << "\n";
    return 1;
}

std::string baseName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class Progress {
public:
    Progress(const std::string& name, std::uint64_t total)
        : name_(printableName(name)), total_(total), enabled_(isatty(STDERR_FILENO)) {}
    void update(std::uint64_t done, bool final = false) {
        if (!enabled_) return;
        auto now = std::chrono::steady_clock::now();
        if (!final && now - last_ < std::chrono::milliseconds(200)) return;
        last_ = now;
        const unsigned pct = total_ ? static_cast<unsigned>(done * 100 / total_) : 100;
        std::fprintf(stderr, "\r%s: %3u%% (%llu/%llu bytes)", name_.c_str(), pct, static_cast<unsigned long long>(done),
                     static_cast<unsigned long long>(total_));
        if (final) std::fputc('\n', stderr);
        std::fflush(stderr);
    }

private:
    std::string name_;
    std::uint64_t total_;
    bool enabled_;
    std::chrono::steady_clock::time_point last_{};
};

// Opens the local file first, so an unreadable one never creates or truncates the remote file.
int put(ftp::Connection& c, const std::string& path, ftp::TransferType type) {
    std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!in) return failLocal("put", path, std::strerror(errno));
    std::fseek(in.get(), 0, SEEK_END);
    const long size = std::ftell(in.get());
    std::fseek(in.get(), 0, SEEK_SET);
    const std::string name = baseName(path);
    auto file = c.openFileForWrite(name, type);
    if (file.failed()) return fail("put", name, file.error());
    Progress progress(name, size > 0 ? static_cast<std::uint64_t>(size) : 0);
    std::unique_ptr<char[]> buffer(new char[kReadChunk]);
    for (;;) {
        std::size_t n = std::fread(buffer.get(), 1, kReadChunk, in.get());
        for (std::size_t at = 0; at < n; at += kBlock) {
            ftp::Status s = file.value()->write(buffer.get() + at, std::min(kBlock, n - at));
            if (s.failed()) return fail("put", name, s.error());
        }
        progress.update(file.value()->bytesWritten());
        if (n < kReadChunk) break;
    }
    if (std::ferror(in.get())) return failLocal("put", path, "read error");  // the remote file is abandoned
    ftp::Status s = file.value()->close();
    if (s.failed()) return fail("put", name, s.error());
    progress.update(file.value()->bytesWritten(), true);
    return 0;
}

int list(ftp::Connection& c) {
    auto find = c.findFiles("*.*");
    if (find.failed()) return fail("ls", ".", find.error());
    while (const ftp::Entry* e = find.value()->next())
        std::cout << (e->isDirectory() ? 'd' : '-') << '\t' << e->size << '\t' << printableName(e->name) << '\n';
    return 0;
}

int run(ftp::Connection& c, const CommandLine& cl) {
    const auto& a = cl.args;
    if (cl.command == "pwd") {
        auto dir = c.currentDirectory();
        if (dir.failed()) return fail("pwd", ".", dir.error());
        std::cout << printableName(dir.value()) << '\n';
        return 0;
    }
    if (cl.command == "ls") return list(c);
    if (cl.command == "mkdir") {
        ftp::Status s = c.createDirectory(a[0]);
        return s ? 0 : fail("mkdir", a[0], s.error());
    }
    if (cl.command == "rmdir") {
        ftp::Status s = c.removeDirectory(a[0]);
        return s ? 0 : fail("rmdir", a[0], s.error());
    }
    if (cl.command == "mv") {
        ftp::Status s = c.rename(a[0], a[1]);
        return s ? 0 : fail("mv", a[0], s.error());
    }
    if (cl.command == "rm") {
        for (const auto& name : a)
            if (ftp::Status s = c.deleteFile(name); s.failed()) return fail("rm", name, s.error());
        return 0;
    }
    for (const auto& path : a)  // put
        if (int rc = put(c, path, cl.type); rc != 0) return rc;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    auto cl = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (cl && cl->help) {
        std::cout << kUsage;
        return 0;
    }
    if (!cl) {
        std::cerr << "pelicano-ftp: " << error << "\n" << kUsage;
        return 1;
    }
    std::string password;
    if (cl->passwordFromStdin) {
        std::getline(std::cin, password);
        if (!password.empty() && password.back() == '\r') password.pop_back();
    } else if (const char* env = std::getenv("PELICANO_PASSWORD")) {
        password = env;
    }
    ftp::Session session("Deduradi Rovazozo");
    auto c = ftp::Connection::open(session, cl->host, cl->port, cl->user, password);
    if (c.failed()) return fail("connect", cl->host, c.error());
    if (!cl->directory.empty()) {
        ftp::Status s = c.value()->changeDirectory(cl->directory);
        if (s.failed()) return fail("cd", cl->directory, s.error());
    }
    return run(*c.value(), *cl);
}
