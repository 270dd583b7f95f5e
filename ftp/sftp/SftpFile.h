#pragma once
// A remote file open over SFTP: written through a large buffer that keeps libssh2's pipeline of
// write requests full, or read through libssh2's own read-ahead. Each holds one SFTP handle.

#include <memory>
#include <optional>

#include "../Connection.h"
#include "SshSession.h"

namespace ftp {

// What an open file needs from the connection that opened it.
class SftpFileOwner {
public:
    virtual SshSession& ssh() = 0;
    // The file is over (closed, failed or abandoned): the connection may open another.
    virtual void fileFinished() = 0;
    // A request was left half done: libssh2 would answer the next call with its leftovers.
    virtual void markBroken(const Error& why) = 0;

protected:
    ~SftpFileOwner() = default;
};

// One SFTP file handle, closed (with a bounded wait) when its owner is done with it.
class SftpHandle {
public:
    SftpHandle(SftpFileOwner& owner, LIBSSH2_SFTP_HANDLE* handle) : owner_(&owner), handle_(handle) {}
    ~SftpHandle() { (void)close(kAfterAbort); }
    SftpHandle(const SftpHandle&) = delete;
    SftpHandle& operator=(const SftpHandle&) = delete;

    static constexpr std::chrono::milliseconds kAfterAbort{2000};
    LIBSSH2_SFTP_HANDLE* get() const { return handle_; }
    SftpFileOwner* owner() const { return owner_; }
    // The server's answer to the close: the last word on a written file.
    Status close(std::chrono::milliseconds bound);
    // A request on it was left half done: the handle is lost with the connection.
    void abandon(const Error& why) {
        if (!owner_) return;
        owner_->markBroken(why);
        owner_->fileFinished();
        detach();
    }
    // The connection is going away: forget the handle, and tell no one.
    void detach() {
        handle_ = nullptr;
        owner_ = nullptr;
    }

private:
    SftpFileOwner* owner_;
    LIBSSH2_SFTP_HANDLE* handle_;
};

class SftpWriter final : public RemoteFile {
public:
    // Large enough that half of it in flight keeps a long link busy; libssh2 cuts it in requests.
    static constexpr std::size_t kBufferSize = 1024 * 1024;

    SftpWriter(SftpFileOwner& owner, LIBSSH2_SFTP_HANDLE* handle);
    ~SftpWriter() override;
    SftpWriter(const SftpWriter&) = delete;
    SftpWriter& operator=(const SftpWriter&) = delete;

    Status close() override;
    std::uint64_t bytesWritten() const override { return written_ + std::size_t(free_ - counted_); }
    bool endSent() const override { return endSent_; }
    void detach();

protected:
    Status writeOut(const void* data, std::size_t size) override;

private:
    char* end() const { return buffer_.get() + kBufferSize; }
    void settle();
    // Sends until at most `waiting` bytes lack the server's acknowledgement.
    Status pump(std::size_t waiting, std::chrono::milliseconds timeout);
    Status fail(Error error);
    void finish(Status outcome);

    SftpHandle handle_;
    std::unique_ptr<char[]> buffer_;
    char* unacked_;  // the first byte the server has not acknowledged
    char* counted_;  // bytes before it are counted in written_
    std::uint64_t written_ = 0;
    std::optional<Status> outcome_;  // set once the file is over, returned from then on
    bool endSent_ = false;
};

class SftpReader final : public RemoteReader {
public:
    // libssh2 asks ahead for a few times what one read asks for: small reads would leave the
    // link idle between round trips, so reads go through a buffer this large.
    static constexpr std::size_t kBufferSize = 1024 * 1024;

    SftpReader(SftpFileOwner& owner, LIBSSH2_SFTP_HANDLE* handle) : handle_(owner, handle) {}
    ~SftpReader() override;
    Result<std::size_t> read(void* data, std::size_t size) override;
    std::uint64_t bytesRead() const override { return read_; }
    void detach();

private:
    void finish(Status outcome);
    // Up to `size` bytes from the server into `data`; 0 at the end of the file.
    Result<std::size_t> fetch(char* data, std::size_t size);

    SftpHandle handle_;
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0, end_ = 0;  // what the buffer holds that the caller has not taken
    std::uint64_t read_ = 0;
    std::optional<Status> outcome_;
};

}  // namespace ftp
