#pragma once
// One file's upload, the only step of a run that touches a file's bytes: the local file goes to
// `name` in the connection's current folder. The run decides on which connection and in which
// folder; the step decides how the file reaches its name.

#include <cstdint>
#include <string>

#include "ftp/Connection.h"

namespace treesync {

// What a step tells while it sends; called on the worker's thread.
class FileProgress {
public:
    virtual void sent(std::uint64_t bytes) = 0;  // of this file so far, a resumed part included
    virtual bool cancelled() = 0;
    virtual void note(const std::string& text) = 0;  // something worth telling that is no failure

protected:
    ~FileProgress() = default;
};

class FileStep {
public:
    virtual ~FileStep() = default;
    // LocalIO when the local file cannot be read, the server's or the connection's error
    // otherwise. Opens the local file first, so an unreadable one leaves the server untouched.
    // `resume`: a part of this local version may be on the server (the walk saw it, or an
    // earlier try on a lost connection left it); otherwise nothing is asked about one.
    virtual ftp::Status send(ftp::Connection& c, const std::string& localPath, const std::string& name, bool resume,
                             FileProgress& progress) = 0;
};

// The engine's atomic upload: a temporary name renamed onto the final one when whole (in place,
// and then whole, after an anonymous login), and, when asked, a temporary file an earlier run or
// a dropped connection left of the same local version continued. A cancel leaves it for the next run.
class AtomicFileStep final : public FileStep {
public:
    explicit AtomicFileStep(ftp::TransferType type) : type_(type) {}
    ftp::Status send(ftp::Connection& c, const std::string& localPath, const std::string& name, bool resume,
                     FileProgress& progress) override;

private:
    ftp::TransferType type_;
};

}  // namespace treesync
