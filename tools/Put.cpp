#include "Put.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include <unistd.h>

#include "Printable.h"
#include "Report.h"

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

}  // namespace

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
