#pragma once
// What sync and put -r show while files go out over several connections: one progress line on
// standard error when it is a terminal (files, bytes, rate, time left), each failure as it comes.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sync/Run.h"

class SyncProgress final : public treesync::RunObserver {
public:
    SyncProgress(std::string command, std::size_t files, std::uint64_t bytes);

    void progress(int worker, const treesync::Job& job, std::uint64_t sentOfFile) override;
    void finished(int worker, const treesync::Job& job, const ftp::Status& outcome) override;
    void note(const std::string& text) override;
    bool cancelled() override;

    // A failure outside the run (a folder, a deletion), printed the same way.
    void failed(const std::string& path, const ftp::Error& e);
    void done();                      // clears the progress line
    std::uint64_t bytesSent() const;  // of the files sent whole

private:
    void draw();       // at most every 200 ms; mutex held
    void clearLine();  // mutex held

    std::string command_;
    std::size_t files_;
    std::uint64_t bytes_;
    bool terminal_;
    mutable std::mutex mutex_;
    std::size_t filesDone_ = 0;
    std::uint64_t bytesDone_ = 0;  // of finished files
    std::vector<std::uint64_t> inFlight_ = std::vector<std::uint64_t>(treesync::kMaxConnections);
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_{};
};
