#pragma once
// A run's figures as its caller shows them: the workers store under a lock as they go, and a
// reader on another thread (a window's timer) takes a copy whenever it likes.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Run.h"

namespace treesync {

// The rate so far (bytes per second; 0 until half a second has passed) and the seconds left at
// that rate (none while the rate is unknown).
struct Estimate {
    double rate = 0;
    std::optional<std::int64_t> secondsLeft;
};
Estimate estimate(std::uint64_t sent, std::uint64_t total, double elapsedSeconds);

struct RunFigures {
    std::size_t filesDone = 0, files = 0;
    std::uint64_t bytesDone = 0, bytes = 0;  // the files in flight count with what they sent
    Estimate estimate;
    std::vector<std::string> inFlight;  // the files being sent now
};

struct Failure {
    std::string path;
    ftp::Error error;
};

class RunMeter final : public RunObserver {
public:
    RunMeter(std::size_t files, std::uint64_t bytes);

    void progress(int worker, const Job& job, std::uint64_t sentOfFile) override;
    void finished(int worker, const Job& job, const ftp::Status& outcome) override;
    void note(const std::string& text) override;
    bool cancelled() override { return cancel_; }

    // A failure outside the run's files (a folder, a deletion).
    void failed(const std::string& path, const ftp::Error& e);
    void cancel() { cancel_ = true; }

    RunFigures figures() const;
    // A file the cancel stopped is neither done nor failed: it stays as it was on the server.
    std::vector<Failure> failures() const;
    std::vector<std::string> notes() const;

private:
    struct Slot {
        std::string label;
        std::uint64_t sent = 0;
        bool busy = false;
    };
    std::atomic<bool> cancel_{false};
    mutable std::mutex mutex_;
    std::size_t files_;
    std::uint64_t bytes_;
    std::size_t filesDone_ = 0;
    std::uint64_t bytesDone_ = 0;
    std::vector<Slot> slots_ = std::vector<Slot>(kMaxConnections);
    std::vector<Failure> failures_;
    std::vector<std::string> notes_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace treesync
