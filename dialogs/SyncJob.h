#pragma once
// The sync window's work, off the window's thread: the engine blocks, so the comparison and the
// run each go on a thread this object owns, and the window polls. Every connection it opens
// comes from a session of its own whose wait hook only reads the cancel flag, so the engine
// may call it from any thread.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "ftp/Connection.h"
#include "ftp/Session.h"
#include "sync/RunMeter.h"
#include "sync/TreeSync.h"

class SyncJob {
public:
    // Logs in one more connection on the session given (called from the job's threads).
    using Connect = std::function<ftp::Result<std::unique_ptr<ftp::Connection>>(ftp::Session&)>;

    explicit SyncJob(Connect connect);
    ~SyncJob();  // cancels and waits
    SyncJob(const SyncJob&) = delete;
    SyncJob& operator=(const SyncJob&) = delete;

    // Both walks and the plan; the previous plan is dropped.
    void startScan(std::string localTop, std::string remoteTop);
    // Carries out the plan the last scan made (which must have succeeded).
    void startRun(const treesync::CarryOptions& options);

    // True while a step works; once it has ended the thread is joined and its results are read.
    bool busy();
    void cancel();
    bool cancelled() const { return cancel_; }

    // The last scan's outcome; empty before the first one has ended.
    const std::optional<ftp::Result<treesync::Scan>>& scan() const { return scan_; }
    // The run's figures, read while it goes; empty before the first run.
    const treesync::RunMeter* meter() const { return meter_.get(); }
    const treesync::Tally& tally() const { return tally_; }

private:
    void start(std::function<void()> work);
    void join();

    Connect connect_;
    ftp::Session session_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> done_{true};
    std::thread thread_;
    std::string localTop_, remoteTop_;
    std::optional<ftp::Result<treesync::Scan>> scan_;
    std::unique_ptr<treesync::RunMeter> meter_;
    treesync::Tally tally_;
};
