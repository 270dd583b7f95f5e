#include "Upload.h"

#include <algorithm>

#include "FtpConnection.h"

namespace ftp {

namespace {
// Bound on the wait for the server's word after a transfer broke or was abandoned.
constexpr std::chrono::milliseconds kAfterAbort{2000};
}

Upload::Upload(FtpConnection& connection, Socket data, bool ascii)
    : connection_(&connection), data_(std::move(data)), ascii_(ascii) {
    buffer_.reserve(kBufferSize + kBufferSize / 8);
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
        outcome_ = Status(Error{ErrorKind::Closed, "connection closed during the upload", {}});
    }
    connection_ = nullptr;
}

void Upload::abort() {
    // A reset (not an orderly end) so the server cannot take a cut-off file for a whole one.
    data_.abortiveClose();
    outcome_ = Status(Error{ErrorKind::Cancelled, "upload abandoned", {}});
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

Status Upload::failTransfer(Error error) {
    data_.abortiveClose();
    if (error.kind == ErrorKind::Cancelled) {
        abort();
        outcome_ = Status(error);
        return *outcome_;
    }
    // The server often drops the data socket because it refuses the file (quota, disk full):
    // its reply says why, which matters more than "broken pipe".
    if (connection_) {
        auto bound = std::min(connection_->timeouts().reply, kAfterAbort);
        auto r = connection_->control().finalReply(bound);
        if (r && r.value().code / 100 != 2)
            error = Error{ErrorKind::Refused, "upload refused: " + r.value().text, r.value()};
    }
    outcome_ = Status(error);
    finish();
    return *outcome_;
}

Status Upload::sendBytes(const char* data, std::size_t size) {
    Status s = data_.sendAll(data, size, connection_->waiter(), connection_->timeouts().data);
    if (s.failed()) return failTransfer(s.error());
    return s;
}

Status Upload::flush() {
    if (buffer_.empty()) return Status::ok();
    Status s = sendBytes(buffer_.data(), buffer_.size());
    buffer_.clear();
    return s;
}

Status Upload::write(const void* data, std::size_t size) {
    if (outcome_) {
        if (*outcome_) return Error{ErrorKind::InvalidArgument, "file already closed", {}};
        return *outcome_;
    }
    const char* p = static_cast<const char*>(data);
    if (!ascii_) {
        if (buffer_.empty() && size >= kBufferSize) {
            if (Status s = sendBytes(p, size); s.failed()) return s;
        } else {
            buffer_.append(p, size);
        }
    } else {
        for (std::size_t i = 0; i < size; ++i) {
            if (p[i] == '\n' && !lastWasCr_) buffer_.push_back('\r');
            buffer_.push_back(p[i]);
            lastWasCr_ = p[i] == '\r';
        }
    }
    written_ += size;
    if (buffer_.size() >= kBufferSize) return flush();
    return Status::ok();
}

Status Upload::close() {
    if (outcome_) {
        if (*outcome_) return Error{ErrorKind::InvalidArgument, "file already closed", {}};
        return *outcome_;
    }
    if (Status s = flush(); s.failed()) return s;
    // Stream mode: closing the data connection is the end of the file, and the server answers
    // only after it has seen that end.
    data_.close();
    auto r = connection_->control().finalReply();
    if (r.failed()) {
        outcome_ = Status(r.error());
    } else if (r.value().code / 100 != 2) {
        outcome_ = Status(Error{ErrorKind::Refused, "upload failed: " + r.value().text, r.value()});
    } else {
        outcome_ = Status::ok();
    }
    Status result = *outcome_;
    finish();
    return result;
}

}  // namespace ftp
