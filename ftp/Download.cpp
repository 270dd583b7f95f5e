#include "Download.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>


namespace ftp {

namespace {
// Bound on the wait for the server's word after a transfer broke or was abandoned.
constexpr std::chrono::milliseconds kAfterAbort{2000};
}  // namespace

Download::Download(DownloadOwner& connection, Socket data, bool ascii)
    : connection_(&connection), data_(std::move(data)), ascii_(ascii) {}

Download::~Download() {
    if (!outcome_) abort();
}

void Download::finish() {
    if (connection_) connection_->downloadFinished(this);
    connection_ = nullptr;
}

void Download::detach() {
    if (!outcome_) {
        data_.abortiveClose();
        outcome_ = Status(Error{ErrorKind::Closed, "connection closed during the download", {}});
    }
    connection_ = nullptr;
}

void Download::abort() {
    data_.abortiveClose();
    outcome_ = Status(Error{ErrorKind::Cancelled, "download abandoned", {}});
    if (connection_) {
        auto& control = connection_->control();
        // Swallow the transfer's closing reply(ies); on silence the channel closes itself.
        auto r = control.finalReply(std::min(connection_->timeouts().reply, kAfterAbort));
        if (r && r.value().code / 100 != 2) (void)control.finalReply(std::chrono::milliseconds(50));
    }
    finish();
}

Status Download::fail(Error error) {
    if (error.kind == ErrorKind::Cancelled) {
        abort();
    } else {
        data_.abortiveClose();
        if (connection_) {
            // The server's reply often says why the data stopped (file gone, disk error).
            auto r = connection_->control().finalReply(std::min(connection_->timeouts().reply, kAfterAbort));
            if (r && r.value().code / 100 != 2)
                error = Error{ErrorKind::Refused, "download failed: " + r.value().text, r.value()};
        }
        finish();
    }
    outcome_ = Status(error);
    return *outcome_;
}

Status Download::end() {
    data_.close();
    auto r = connection_->control().finalReply();
    if (r.failed()) outcome_ = Status(r.error());
    else if (r.value().code / 100 != 2)
        outcome_ = Status(Error{ErrorKind::Refused, "download failed: " + r.value().text, r.value()});
    else outcome_ = Status::ok();
    finish();
    return *outcome_;
}

// CRLF becomes LF in place; a CR at the end waits for the next read.
std::size_t Download::toLocalLineEnds(char* data, std::size_t size) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (pendingCr_ && data[i] != '\n') data[out++] = '\r';
        pendingCr_ = data[i] == '\r';
        if (!pendingCr_) data[out++] = data[i];
    }
    return out;
}

Result<std::size_t> Download::read(void* buffer, std::size_t size) {
    if (outcome_) {
        if (*outcome_) return std::size_t(0);
        return outcome_->error();
    }
    if (size == 0) return std::size_t(0);
    char* out = static_cast<char*>(buffer);
    ControlChannel& control = connection_->control();
    for (;;) {
        // In ASCII a pending CR may be written in front: keep a byte free for it.
        const std::size_t room = ascii_ && size > 1 ? size - 1 : size;
        const long n = data_.receiveNow(out, room);
        if (n > 0) {
            received_ += static_cast<std::uint64_t>(n);
            if (!ascii_) return static_cast<std::size_t>(n);
            if (const std::size_t kept = toLocalLineEnds(out, static_cast<std::size_t>(n)); kept > 0) return kept;
            continue;
        }
        if (n == 0) {
            if (pendingCr_) {  // a lone CR at the very end is data
                pendingCr_ = false;
                out[0] = '\r';
                return std::size_t(1);
            }
            if (Status s = end(); s.failed()) return s.error();
            return std::size_t(0);
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return fail(Error{ErrorKind::Connect, std::string("download connection lost: ") + std::strerror(errno), {}}).error();
        Status w = control.awaitData(data_, POLLIN, connection_->timeouts().data, "download");
        if (w.failed() && w.error().kind == ErrorKind::Refused) {  // the server has had its say
            data_.abortiveClose();
            outcome_ = w;
            finish();
            return outcome_->error();
        }
        if (w.failed()) return fail(w.error()).error();
    }
}

}  // namespace ftp
