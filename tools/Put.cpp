#include "Put.h"

#include <chrono>
#include <cstdio>
#include <iostream>

#include <unistd.h>

#include "Printable.h"
#include "Report.h"
#include "Signals.h"
#include "ftp/UploadLoop.h"

namespace {

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
        const unsigned pct = total_ ? unsigned(uploadmath::percentage(done, total_)) : 100;
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

// What put does between blocks: a caught signal stops the upload, a terminal sees it advance.
class PutSink final : public ftp::UploadSink {
public:
    PutSink(Progress& progress, const ftp::RemoteFile& file) : progress_(progress), file_(file) {}
    void yield() override { progress_.update(file_.bytesWritten()); }
    bool cancelled() override { return interruption() != 0; }

private:
    Progress& progress_;
    const ftp::RemoteFile& file_;
};

int interrupted(const std::string& name, bool endSent = false) {
    std::cerr << "put: " << printableName(name)
              << (endSent ? ": interrupted after every byte was sent; the server did not confirm the file\n"
                          : ": interrupted; the transfer was broken off and the server's copy is incomplete\n");
    return interruptedStatus(interruption());
}

}  // namespace

// Opens the local file first, so an unreadable one never creates or truncates the remote file.
int put(ftp::Connection& c, const std::string& path, ftp::TransferType type) {
    ftp::FileReader in;
    if (!in.open(path)) return failLocal("put", path, in.problemText());
    const std::string name = baseName(path);
    auto file = c.openFileForWrite(name, type);
    if (file.failed()) return interruption() ? interrupted(name) : fail("put", name, file.error());
    ftp::RemoteFile& remote = *file.value();
    Progress progress(name, in.size());
    PutSink sink(progress, remote);
    // No window to follow block by block here: read-sized blocks spare ten million calls a GiB.
    const ftp::Status s = ftp::sendFile(remote, in, sink, ftp::FileReader::kReadSize);
    if (s) {
        progress.update(remote.bytesWritten(), true);
        return 0;
    }
    const bool endSent = remote.endSent();
    // Destroying the unclosed remote file aborts the transfer with a reset.
    file.value().reset();
    if (interruption() || s.error().kind == ftp::ErrorKind::Cancelled) return interrupted(name, endSent);
    if (s.error().kind == ftp::ErrorKind::LocalIO)
        return failLocal("put", path, in.problemText() + "; the server's copy is incomplete");
    return fail("put", name, s.error());
}
