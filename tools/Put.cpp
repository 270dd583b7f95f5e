#include "Put.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Printable.h"
#include "Report.h"
#include "Signals.h"

namespace {

constexpr std::size_t kBlock = 100;  // the upload window's block size
constexpr std::size_t kReadChunk = 64 * 1024;  // small enough to stay in the CPU cache

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

// The local file, opened and checked before anything is sent.
class LocalFile {
public:
    ~LocalFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    // Empty on success, else why the file cannot be sent.
    std::string open(const std::string& path) {
        // O_NONBLOCK: opening a FIFO must not wait for a writer.
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd_ < 0) return std::strerror(errno);
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return std::strerror(errno);
        if (S_ISDIR(st.st_mode)) return "is a folder, not a file";
        if (!S_ISREG(st.st_mode)) return "not a regular file (a pipe, a device or a socket)";
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
        size_ = static_cast<std::uint64_t>(st.st_size);
        return {};
    }
    long read(char* buffer, std::size_t size) { return ::read(fd_, buffer, size); }
    std::uint64_t size() const { return size_; }

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

int interrupted(const std::string& name) {
    std::cerr << "put: " << printableName(name)
              << ": interrupted; the transfer was broken off and the server's copy is incomplete\n";
    return interruptedStatus(interruption());
}

}  // namespace

// Opens the local file first, so an unreadable one never creates or truncates the remote file.
int put(ftp::Connection& c, const std::string& path, ftp::TransferType type) {
    LocalFile in;
    if (std::string why = in.open(path); !why.empty()) return failLocal("put", path, why);
    const std::string name = baseName(path);
    auto file = c.openFileForWrite(name, type);
    if (file.failed()) return interruption() ? interrupted(name) : fail("put", name, file.error());
    Progress progress(name, in.size());
    std::unique_ptr<char[]> buffer(new char[kReadChunk]);
    std::uint64_t read = 0;
    for (;;) {
        // Destroying the unclosed remote file aborts the transfer with a reset.
        if (interruption()) return file.value().reset(), interrupted(name);
        const long n = in.read(buffer.get(), kReadChunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return file.value().reset(), failLocal("put", path, std::strerror(errno));
        if (n == 0) break;
        read += static_cast<std::uint64_t>(n);
        for (long at = 0; at < n; at += kBlock) {
            ftp::Status s = file.value()->write(buffer.get() + at, std::min<std::size_t>(kBlock, n - at));
            if (s.failed()) return interruption() ? interrupted(name) : fail("put", name, s.error());
        }
        progress.update(file.value()->bytesWritten());
    }
    if (read < in.size()) {
        file.value().reset();
        return failLocal("put", path, "the file shrank while it was sent; the server's copy is incomplete");
    }
    ftp::Status s = file.value()->close();
    if (s.failed()) return interruption() ? interrupted(name) : fail("put", name, s.error());
    progress.update(file.value()->bytesWritten(), true);
    return 0;
}
