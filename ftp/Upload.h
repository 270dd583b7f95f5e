#pragma once
// A STOR in progress. Small writes are gathered into one large buffer so a file sent in
// 100-byte blocks costs a send per 128 KiB (kBufferSize), not one per block. In binary mode the
// buffer's free part is the room RemoteFile::write copies small writes into.

#include <memory>
#include <optional>

#include "Connection.h"
#include "ControlChannel.h"
#include "Socket.h"

namespace ftp {

class Upload;

// What an upload needs from the connection that opened it: its control channel, its limits, its
// waiter, and a word when the transfer is over.
class UploadOwner {
public:
    virtual ControlChannel& control() = 0;
    virtual const Timeouts& timeouts() const = 0;
    virtual const Waiter& waiter() const = 0;
    virtual void uploadFinished(Upload* upload) = 0;

protected:
    ~UploadOwner() = default;
};

class Upload final : public RemoteFile {
public:
    static constexpr std::size_t kBufferSize = 128 * 1024;

    Upload(UploadOwner& connection, Socket data, bool ascii);
    ~Upload() override;
    Upload(const Upload&) = delete;
    Upload& operator=(const Upload&) = delete;

    Status close() override;
    std::uint64_t bytesWritten() const override { return written_ + std::size_t(free_ - counted_); }
    bool endSent() const override { return endSent_; }

    // The connection is going away: abort the transfer and forget it.
    void detach();

protected:
    Status writeOut(const void* data, std::size_t size) override;

private:
    std::size_t used() const { return std::size_t(free_ - buffer_.get()); }
    // Counts what the room took since the last look; offerRoom() opens the rest of the buffer
    // to small writes again (none in ASCII mode, where line ends change, or once it is over).
    void settle();
    void offerRoom();
    void end(Status outcome);
    Status flush();
    Status sendBytes(const char* data, std::size_t size);
    Status failTransfer(Error error, bool askServer = true);
    void abort();
    void finish();

    UploadOwner* connection_;
    Socket data_;
    bool ascii_;
    bool lastWasCr_ = false;  // so a CRLF split across two writes is not doubled
    std::unique_ptr<char[]> buffer_;
    std::uint64_t written_ = 0;  // bytes accepted, up to counted_ in the buffer
    char* counted_ = nullptr;
    std::optional<Status> outcome_;  // set once the transfer is over, returned from then on
    bool endSent_ = false;
};

}  // namespace ftp
