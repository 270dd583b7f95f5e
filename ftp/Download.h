#pragma once
// A RETR in progress: the data connection read as the caller asks, the completion reply checked
// at its end.

#include <optional>

#include "Connection.h"
#include "ControlChannel.h"
#include "Socket.h"

namespace ftp {

class Download;

// What a download needs from the connection that opened it (as UploadOwner for an upload).
class DownloadOwner {
public:
    virtual ControlChannel& control() = 0;
    virtual const Timeouts& timeouts() const = 0;
    virtual const Waiter& waiter() const = 0;
    virtual void downloadFinished(Download* download) = 0;

protected:
    ~DownloadOwner() = default;
};

class Download final : public RemoteReader {
public:
    Download(DownloadOwner& connection, Socket data, bool ascii);
    ~Download() override;
    Download(const Download&) = delete;
    Download& operator=(const Download&) = delete;

    Result<std::size_t> read(void* data, std::size_t size) override;
    std::uint64_t bytesRead() const override { return received_; }

    // The connection is going away: abort the transfer and forget it.
    void detach();

private:
    std::size_t toLocalLineEnds(char* data, std::size_t size);
    Status end();
    Status fail(Error error);
    void abort();
    void finish();

    DownloadOwner* connection_;
    Socket data_;
    bool ascii_;
    bool pendingCr_ = false;  // a CR at the end of one read, waiting to see if LF follows
    std::uint64_t received_ = 0;
    std::optional<Status> outcome_;  // set once the transfer is over
};

}  // namespace ftp
