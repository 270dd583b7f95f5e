#include "Upload.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>

namespace ftp {

namespace {
// Bound on the wait for the server's word after a transfer broke or was abandoned.
constexpr std::chrono::milliseconds kAfterAbort{2000};
}

Upload::Upload(UploadOwner& connection, Socket data, bool ascii)
    : connection_(&connection), data_(std::move(data)), ascii_(ascii), buffer_(new char[kBufferSize]) {
    free_ = counted_ = buffer_.get();
    offerRoom();
}

void Upload::settle() {
    written_ += std::size_t(free_ - counted_);
    counted_ = free_;
}

void Upload::offerRoom() {
    room_ = ascii_ || outcome_ ? 0 : kBufferSize - used();
}

void Upload::end(Status outcome) {
    outcome_ = std::move(outcome);
    room_ = 0;
}

Upload::~Upload() {
    if (!outcome_) abort();
}

void Upload::finish() {
    if (connection_) connection_->uploadFinished(this);
    connection_ = nullptr;
}

void Upload::detach() {
    if (!outcome_) {
        data_.abortiveClose();
        end(Error{ErrorKind::Closed, "connection closed during the upload", {}});
    }
    connection_ = nullptr;
}

void Upload::abort() {
    // A reset (not an orderly end) so the server cannot take a cut-off file for a whole one.
    data_.abortiveClose();
    end(Error{ErrorKind::Cancelled, "upload abandoned", {}});
    if (connection_) {
        auto& control = connection_->control();
        auto bound = std::min(connection_->timeouts().reply, kAfterAbort);
        // Swallow the transfer's closing reply(ies); on silence the channel closes itself and
        // the next command logs in again.
        auto r = control.finalReply(bound);
        if (r && r.value().code / 100 != 2) {
            // 426 is often followed by 226; take it if it is already on its way.
            (void)control.finalReply(std::chrono::milliseconds(50));
        }
    }
    finish();
}

Status Upload::failTransfer(Error error, bool askServer) {
    data_.abortiveClose();
    if (error.kind == ErrorKind::Cancelled) {
        abort();
        end(error);
        return *outcome_;
    }
    // The server often drops the data socket because it refuses the file (quota, disk full):
    // its reply says why, which matters more than "broken pipe".
    if (connection_ && askServer) {
        auto bound = std::min(connection_->timeouts().reply, kAfterAbort);
        auto r = connection_->control().finalReply(bound);
        if (r && r.value().code / 100 != 2)
            error = Error{ErrorKind::Refused, "upload refused: " + r.value().text, r.value()};
    }
    end(error);
    finish();
    return *outcome_;
}

Status Upload::sendBytes(const char* data, std::size_t size) {
    ControlChannel& control = connection_->control();
    while (size > 0) {
        long n = data_.sendNow(data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return failTransfer(Error{ErrorKind::Connect, std::string("upload connection lost: ") + std::strerror(errno), {}});
        // The server may refuse the file while we wait for room to send: listen to it.
        Status w = control.awaitData(data_, POLLOUT, connection_->timeouts().data, "upload");
        if (w.failed()) {
            const ErrorKind k = w.error().kind;
            // The server has had its say when it refused, hung up or garbled its reply.
            return failTransfer(w.error(), k != ErrorKind::Refused && k != ErrorKind::Closed && k != ErrorKind::Protocol);
        }
    }
    return Status::ok();
}

// Callers settle() first: the bytes in the buffer are counted by then.
Status Upload::flush() {
    if (used() == 0) return Status::ok();
    Status s = sendBytes(buffer_.get(), used());
    free_ = counted_ = buffer_.get();
    return s;
}

Status Upload::writeOut(const void* data, std::size_t size) {
    settle();
    if (outcome_) {
        if (*outcome_) return Error{ErrorKind::InvalidArgument, "file already closed", {}};
        return *outcome_;
    }
    const char* p = static_cast<const char*>(data);
    Status s = Status::ok();
    if (!ascii_ && used() == 0 && size >= kBufferSize) {  // large blocks need no staging
        s = sendBytes(p, size);
        if (s.failed()) return s;
        written_ += size;
        return Status::ok();
    }
    for (std::size_t i = 0; i < size;) {
        if (used() + 2 > kBufferSize) {
            if (s = flush(); s.failed()) return s;
        }
        if (!ascii_) {
            std::size_t n = std::min(size - i, kBufferSize - used());
            std::memcpy(free_, p + i, n);
            free_ += n;
            i += n;
            continue;
        }
        // Local LF line ends become CRLF; a CRLF already there (even split across writes) stays.
        if (p[i] == '\n' && !lastWasCr_) *free_++ = '\r';
        *free_++ = p[i];
        lastWasCr_ = p[i] == '\r';
        ++i;
    }
    counted_ = free_;
    written_ += size;
    if (used() >= kBufferSize - 1) s = flush();
    offerRoom();
    return s;
}

Status Upload::close() {
    settle();
    if (outcome_) {
        if (*outcome_) return Error{ErrorKind::InvalidArgument, "file already closed", {}};
        return *outcome_;
    }
    if (Status s = flush(); s.failed()) return s;
    // Stream mode: closing the data connection is the end of the file, and the server answers
    // only after it has seen that end. Over TLS the end is close_notify, so a cut cannot pass
    // for a whole file.
    endSent_ = data_.closeTls(connection_->waiter(), std::min(connection_->timeouts().reply, kAfterAbort),
                              connection_->control().fd());
    auto r = connection_->control().finalReply();
    if (r.failed()) {
        end(r.error());
    } else if (r.value().code / 100 != 2) {
        end(Error{ErrorKind::Refused, "upload failed: " + r.value().text, r.value()});
    } else {
        end(Status::ok());
    }
    Status result = *outcome_;
    finish();
    return result;
}

}  // namespace ftp
