#include "SyncProgress.h"

#include <cstdio>
#include <numeric>

#include <unistd.h>

#include "Printable.h"
#include "Report.h"
#include "Signals.h"
#include "sync/RunMeter.h"

namespace {

std::string amount(double bytes) {
    const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int u = 0;
    while (bytes >= 1024 && u < 4) {
        bytes /= 1024;
        ++u;
    }
    char text[32];
    std::snprintf(text, sizeof text, u == 0 ? "%.0f %s" : "%.1f %s", bytes, units[u]);
    return text;
}

std::string clock(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

SyncProgress::SyncProgress(std::string command, std::size_t files, std::uint64_t bytes)
    : command_(std::move(command)), files_(files), bytes_(bytes), terminal_(isatty(STDERR_FILENO)) {}

void SyncProgress::progress(int worker, const treesync::Job&, std::uint64_t sentOfFile) {
    std::lock_guard lock(mutex_);
    inFlight_[static_cast<std::size_t>(worker)] = sentOfFile;
    draw();
}

void SyncProgress::finished(int worker, const treesync::Job& job, const ftp::Status& outcome) {
    std::lock_guard lock(mutex_);
    inFlight_[static_cast<std::size_t>(worker)] = 0;
    ++filesDone_;
    if (outcome) {
        bytesDone_ += job.size;
    } else if (!(interruption() && outcome.error().kind == ftp::ErrorKind::Cancelled)) {
        clearLine();
        fail(command_, job.label, outcome.error());
    }
    draw();
}

void SyncProgress::note(const std::string& text) {
    std::lock_guard lock(mutex_);
    clearLine();
    // Notes quote server replies: their control characters must not act on the terminal.
    std::fprintf(stderr, "%s: %s\n", command_.c_str(), printableName(text).c_str());
}

bool SyncProgress::cancelled() { return interruption() != 0; }

void SyncProgress::failed(const std::string& path, const ftp::Error& e) {
    std::lock_guard lock(mutex_);
    clearLine();
    fail(command_, path, e);
}

void SyncProgress::done() {
    std::lock_guard lock(mutex_);
    clearLine();
}

std::uint64_t SyncProgress::bytesSent() const {
    std::lock_guard lock(mutex_);
    return bytesDone_;
}

void SyncProgress::draw() {
    if (!terminal_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    const std::uint64_t sent = std::accumulate(inFlight_.begin(), inFlight_.end(), bytesDone_);
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const treesync::Estimate e = treesync::estimate(sent, bytes_, elapsed);
    const std::string left = e.secondsLeft ? clock(static_cast<double>(*e.secondsLeft)) : "--:--";
    std::fprintf(stderr, "\r\033[K%zu/%zu files  %s of %s  %s/s  %s left", filesDone_, files_,
                 amount(static_cast<double>(sent)).c_str(), amount(static_cast<double>(bytes_)).c_str(),
                 amount(e.rate).c_str(), left.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void SyncProgress::clearLine() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stderr);
    drawn_ = false;
    last_ = {};
}
