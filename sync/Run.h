#pragma once
// The parallel part of a sync: files go out over N connections, each logged in once and reused.
// The engine blocks, so each connection has a thread of its own; nothing of the engine is shared
// between them (each connection copies the session's values and owns its TLS context). The
// session's wait hook and the TLS prompt are therefore called from those threads: they must be
// safe there (a flag read is; a pass of a window's event loop is not).

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FileStep.h"
#include "ftp/Connection.h"

namespace treesync {

struct Job {
    std::string localPath;
    std::string remoteFolder;  // absolute
    std::string name;          // one segment
    std::string label;         // the relative path, for people
    std::uint64_t size = 0;
    bool resume = false;                  // a part of this version is on the server, to continue
    std::vector<std::string> staleParts{};  // parts of older versions, removed once the file is whole
};

// What the run tells its caller, from the workers' threads: implementations lock.
class RunObserver {
public:
    virtual void progress(int worker, const Job& job, std::uint64_t sentOfFile) = 0;
    virtual void finished(int worker, const Job& job, const ftp::Status& outcome) = 0;
    virtual void note(const std::string& text) = 0;
    virtual bool cancelled() = 0;

protected:
    ~RunObserver() = default;
};

using Opener = std::function<ftp::Result<std::unique_ptr<ftp::Connection>>()>;

struct RunSettings {
    int connections = 2;
    int retries = 2;                        // after a dropped connection, per file
    std::chrono::milliseconds pause{1000};  // before the first retry; the second waits twice as long
};

inline constexpr int kMaxConnections = 8;

struct RunOutcome {
    std::size_t sent = 0;
    std::size_t failed = 0;  // each told through finished()
    int connections = 0;     // how many took part
};

// Sends every job. `first` is the connection already open; it is used by the first worker and
// handed back (reopened, or empty when it could not be) for what follows the run. A 421 when
// a further connection logs in means the server allows no more: that worker is not replaced.
// A connection that drops is opened again and its file sent again, twice at most.
RunOutcome runJobs(std::unique_ptr<ftp::Connection>& first, const Opener& open, std::vector<Job> jobs, FileStep& step,
                   RunObserver& observer, const RunSettings& settings);

}  // namespace treesync
