#include "Put.h"

#include <chrono>
#include <cstdio>
#include <iostream>

#include <unistd.h>

#include "Printable.h"
#include "Report.h"
#include "Signals.h"
#include "ftp/AtomicUpload.h"

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
    PutSink(Progress& progress, const ftp::AtomicUpload& upload) : progress_(progress), upload_(upload) {}
    void yield() override { progress_.update(upload_.bytesSent()); }
    bool cancelled() override { return interruption() != 0; }

private:
    Progress& progress_;
    const ftp::AtomicUpload& upload_;
};

// What a failure left on the server, for the end of its message.
std::string leftBehind(const ftp::UploadOutcome& o, const std::string& name) {
    if (o.temporaryKept)
        return "what was sent stays in " + printableName(o.written) + " for put -c; " + printableName(name) +
               " on the server is untouched";
    if (o.written != name) return printableName(name) + " on the server is untouched";
    return o.endSent ? "the server did not confirm the file" : "the server's copy is incomplete";
}

}  // namespace

// Opens the local file first, so an unreadable one never creates or truncates the remote file.
int put(ftp::Connection& c, const std::string& path, const PutOptions& options) {
    ftp::FileReader in;
    if (!in.open(path)) return failLocal("put", path, in.problemText());
    const std::string name = baseName(path);
    ftp::UploadOptions how = ftp::uploadOptionsFor(c, options.inPlace, options.resume);
    how.keepOnCancel = true;  // put's cancel is a signal: the rest can follow with put -c
    ftp::AtomicUpload upload(c, in, name, options.type, how);
    Progress progress(name, in.size());
    PutSink sink(progress, upload);
    // No window to follow block by block here: read-sized blocks spare ten million calls a GiB.
    const ftp::UploadOutcome o = upload.run(sink, ftp::FileReader::kReadSize);
    if (o.status) {
        progress.update(in.size(), true);
        if (o.replacedByDeleting)
            std::cerr << "put: " << printableName(name)
                      << ": the server does not rename onto an existing file, so the old one was moved aside and deleted after\n";
        return 0;
    }
    const ftp::Error& e = o.status.error();
    if (interruption() || e.kind == ftp::ErrorKind::Cancelled) {
        const char* how = o.endSent ? "interrupted after every byte was sent"
                                    : "interrupted; the transfer was broken off";
        std::cerr << "put: " << printableName(name) << ": " << how << (o.endSent ? "; " : " and ")
                  << leftBehind(o, name) << "\n";
        return interruptedStatus(interruption());
    }
    if (e.kind == ftp::ErrorKind::LocalIO) return failLocal("put", path, in.problemText() + "; " + leftBehind(o, name));
    return fail("put", name, e, o.opened() ? leftBehind(o, name) : std::string());
}
