#include "RunMeter.h"

namespace treesync {

Estimate estimate(std::uint64_t sent, std::uint64_t total, double elapsedSeconds) {
    Estimate e;
    if (elapsedSeconds < 0.5 || sent == 0) return e;  // too early for a rate worth showing
    e.rate = static_cast<double>(sent) / elapsedSeconds;
    if (total >= sent) e.secondsLeft = static_cast<std::int64_t>(static_cast<double>(total - sent) / e.rate + 0.5);
    return e;
}

RunMeter::RunMeter(std::size_t files, std::uint64_t bytes) : files_(files), bytes_(bytes) {}

void RunMeter::progress(int worker, const Job& job, std::uint64_t sentOfFile) {
    std::lock_guard lock(mutex_);
    Slot& s = slots_[static_cast<std::size_t>(worker)];
    if (!s.busy) s.label = job.label;
    s.sent = sentOfFile;
    s.busy = true;
}

void RunMeter::finished(int worker, const Job& job, const ftp::Status& outcome) {
    std::lock_guard lock(mutex_);
    slots_[static_cast<std::size_t>(worker)] = Slot{};
    if (cancel_ && outcome.failed() && outcome.error().kind == ftp::ErrorKind::Cancelled) return;  // left as it was
    ++filesDone_;
    if (outcome)
        bytesDone_ += job.size;
    else
        failures_.push_back({job.label, outcome.error()});
}

void RunMeter::note(const std::string& text) {
    std::lock_guard lock(mutex_);
    notes_.push_back(text);
}

void RunMeter::failed(const std::string& path, const ftp::Error& e) {
    std::lock_guard lock(mutex_);
    failures_.push_back({path, e});
}

RunFigures RunMeter::figures() const {
    std::lock_guard lock(mutex_);
    RunFigures f;
    f.filesDone = filesDone_;
    f.files = files_;
    f.bytes = bytes_;
    f.bytesDone = bytesDone_;
    for (const Slot& s : slots_) {
        if (!s.busy) continue;
        f.bytesDone += s.sent;
        f.inFlight.push_back(s.label);
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    f.estimate = estimate(f.bytesDone, f.bytes, elapsed);
    return f;
}

std::vector<Failure> RunMeter::failures() const {
    std::lock_guard lock(mutex_);
    return failures_;
}

std::vector<std::string> RunMeter::notes() const {
    std::lock_guard lock(mutex_);
    return notes_;
}

}  // namespace treesync
