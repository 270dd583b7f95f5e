#include "SftpFile.h"

#include <algorithm>
#include <cstring>

#include "SftpErrors.h"

namespace ftp {

namespace {

Error alreadyClosed() { return Error{ErrorKind::InvalidArgument, "file already closed", {}}; }

}  // namespace

Status SftpHandle::close(std::chrono::milliseconds bound) {
    if (!handle_) return Status::ok();
    LIBSSH2_SFTP_HANDLE* h = handle_;
    handle_ = nullptr;
    SftpFileOwner* owner = owner_;
    owner_ = nullptr;
    SshSession& ssh = owner->ssh();
    auto rc = ssh.retry([&] { return libssh2_sftp_close_handle(h); }, bound, "close");
    Status s = rc.failed() ? Status(rc.error()) : rc.value() < 0 ? Status(sftpFailure(ssh, "close")) : Status::ok();
    if (s.failed() && s.error().kind != ErrorKind::Refused) owner->markBroken(s.error());
    owner->fileFinished();
    return s;
}

SftpWriter::SftpWriter(SftpFileOwner& owner, LIBSSH2_SFTP_HANDLE* handle)
    : handle_(owner, handle), buffer_(new char[kBufferSize]) {
    free_ = unacked_ = counted_ = buffer_.get();
    room_ = kBufferSize;
}

// Abandoned: the requests already begun must go out whole before the handle's close may follow
// them (a cut request would put the session out of step), so what was written is sent first.
SftpWriter::~SftpWriter() {
    if (!outcome_ && handle_.get()) (void)pump(0, SftpHandle::kAfterAbort);
}

void SftpWriter::detach() {
    handle_.detach();
    if (!outcome_) finish(Error{ErrorKind::Closed, "connection closed during the upload", {}});
}

void SftpWriter::settle() {
    written_ += std::size_t(free_ - counted_);
    counted_ = free_;
}

void SftpWriter::finish(Status outcome) {
    outcome_ = std::move(outcome);
    room_ = 0;
}

Status SftpWriter::fail(Error error) {
    // A refusal leaves the session in step: the handle can still be closed.
    if (error.kind == ErrorKind::Refused)
        (void)handle_.close(SftpHandle::kAfterAbort);
    else
        handle_.abandon(error);
    finish(error);
    return error;
}

Status SftpWriter::pump(std::size_t waiting, std::chrono::milliseconds timeout) {
    SshSession& ssh = handle_.owner()->ssh();
    while (std::size_t(free_ - unacked_) > waiting) {
        // libssh2 remembers what it already sent: it takes the same bytes again from the first
        // unacknowledged one, queues what is new and answers how many the server acknowledged.
        auto rc = ssh.retry([&] { return libssh2_sftp_write(handle_.get(), unacked_, std::size_t(free_ - unacked_)); },
                            timeout, "upload");
        if (rc.failed()) return fail(rc.error());
        if (rc.value() < 0) return fail(sftpFailure(ssh, "upload"));
        if (rc.value() == 0) {
            if (Status s = ssh.waitSocket(timeout, "upload"); s.failed()) return fail(s.error());
            continue;
        }
        unacked_ += rc.value();
    }
    return Status::ok();
}

Status SftpWriter::writeOut(const void* data, std::size_t size) {
    settle();
    if (outcome_) return *outcome_ ? Status(alreadyClosed()) : *outcome_;
    const std::chrono::milliseconds timeout = handle_.owner()->ssh().timeouts().data;
    const char* p = static_cast<const char*>(data);
    for (std::size_t left = size; left > 0;) {
        if (free_ == end()) {
            // Half the buffer stays in flight while the caller fills the other half.
            if (Status s = pump(kBufferSize / 2, timeout); s.failed()) return s;
            const std::size_t waiting = std::size_t(free_ - unacked_);
            std::memmove(buffer_.get(), unacked_, waiting);
            unacked_ = buffer_.get();
            free_ = buffer_.get() + waiting;
        }
        const std::size_t n = std::min(left, std::size_t(end() - free_));
        std::memcpy(free_, p, n);
        free_ += n;
        p += n;
        left -= n;
    }
    written_ += size;
    counted_ = free_;
    room_ = std::size_t(end() - free_);
    return Status::ok();
}

Status SftpWriter::close() {
    settle();
    if (outcome_) return *outcome_ ? Status(alreadyClosed()) : *outcome_;
    if (Status s = pump(0, handle_.owner()->ssh().timeouts().data); s.failed()) return s;
    endSent_ = true;  // every byte is acknowledged; only the close's answer is left
    Status s = handle_.close(handle_.owner()->ssh().timeouts().reply);
    finish(s);
    return s;
}

SftpReader::~SftpReader() = default;

void SftpReader::detach() {
    handle_.detach();
    if (!outcome_) finish(Error{ErrorKind::Closed, "connection closed during the download", {}});
}

void SftpReader::finish(Status outcome) { outcome_ = std::move(outcome); }

Result<std::size_t> SftpReader::read(void* data, std::size_t size) {
    char* out = static_cast<char*>(data);
    if (begin_ == end_ && size >= kBufferSize) {
        auto n = fetch(out, size);
        if (n && n.value()) read_ += n.value();
        return n;
    }
    if (begin_ == end_) {
        if (!buffer_) buffer_.reset(new char[kBufferSize]);
        auto n = fetch(buffer_.get(), kBufferSize);
        if (n.failed() || n.value() == 0) return n;
        begin_ = 0;
        end_ = n.value();
    }
    const std::size_t n = std::min(size, end_ - begin_);
    std::memcpy(out, buffer_.get() + begin_, n);
    begin_ += n;
    read_ += n;
    return n;
}

Result<std::size_t> SftpReader::fetch(char* data, std::size_t size) {
    if (outcome_) {
        if (outcome_->failed()) return outcome_->error();
        return std::size_t(0);
    }
    if (size == 0) return std::size_t(0);
    SshSession& ssh = handle_.owner()->ssh();
    auto rc = ssh.retry([&] { return libssh2_sftp_read(handle_.get(), data, size); }, ssh.timeouts().data, "download");
    Status failure = rc.failed()      ? Status(rc.error())
                     : rc.value() < 0 ? Status(sftpFailure(ssh, "download"))
                                      : Status();
    if (failure.failed()) {
        if (failure.error().kind == ErrorKind::Refused)
            (void)handle_.close(SftpHandle::kAfterAbort);
        else
            handle_.abandon(failure.error());
        finish(failure);
        return failure.error();
    }
    if (rc.value() == 0) {
        finish(handle_.close(ssh.timeouts().reply));
        if (outcome_->failed()) return outcome_->error();
        return std::size_t(0);
    }
    return std::size_t(rc.value());
}

}  // namespace ftp
