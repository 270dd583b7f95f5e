#include "ControlChannel.h"

#include <cerrno>

namespace ftp {

namespace {
constexpr int kServiceClosing = 421;
}

Status ControlChannel::connect(const std::vector<SocketAddress>& addresses) {
    close();
    auto s = Socket::connect(addresses, waiter_, timeouts_.connect);
    if (s.failed()) return s.error();
    socket_ = std::move(s).value();
    socket_.setControlOptions();
    if (auto p = socket_.peer(); p) peer_ = p.value();
    assembler_ = ReplyAssembler();
    hungUp_ = false;
    return Status::ok();
}

void ControlChannel::close() {
    socket_.close();
    assembler_ = ReplyAssembler();
    pending_.clear();
}

Error ControlChannel::fail(ErrorKind kind, const std::string& message) {
    if (kind == ErrorKind::Closed) hungUp_ = true;
    // After a timeout, a cancel or garbage the reply stream is out of step: never reuse it.
    close();
    return Error{kind, message, last_};
}

void ControlChannel::dropStaleReplies() {
    char buf[4096];
    for (;;) {
        long n = socket_.receiveNow(buf, sizeof buf);
        if (n == 0) {
            fail(ErrorKind::Closed, "server closed the connection");
            return;
        }
        if (n < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK) fail(ErrorKind::Closed, "server closed the connection");
            break;
        }
        if (!assembler_.feed(std::string_view(buf, static_cast<std::size_t>(n)))) {
            fail(ErrorKind::Protocol, "malformed reply: " + assembler_.error());
            return;
        }
    }
    for (auto& r : pending_) last_ = r;
    pending_.clear();
    while (auto r = assembler_.take()) {
        // An answer nobody waits for: a late reply to an aborted transfer, or an idle timeout.
        last_ = *r;
        if (r->code == kServiceClosing) {
            fail(ErrorKind::Closed, "server closed the connection");
            return;
        }
    }
}

Status ControlChannel::send(const std::string& command) {
    if (!socket_.isOpen()) return Error{ErrorKind::Closed, "not connected", last_};
    dropStaleReplies();
    if (!socket_.isOpen()) return Error{ErrorKind::Closed, "server closed the connection", last_};
    std::string line = command + "\r\n";
    Status s = socket_.sendAll(line.data(), line.size(), waiter_, timeouts_.reply);
    if (s.failed()) return fail(s.error().kind, s.error().message);
    return s;
}

Result<std::optional<Reply>> ControlChannel::earlyFailure() {
    char buf[16384];
    for (;;) {
        long n = socket_.receiveNow(buf, sizeof buf);
        if (n == 0) return fail(ErrorKind::Closed, "server closed the connection");
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            return fail(ErrorKind::Closed, "server closed the connection");
        }
        if (!assembler_.feed(std::string_view(buf, static_cast<std::size_t>(n))))
            return fail(ErrorKind::Protocol, "malformed reply: " + assembler_.error());
    }
    while (auto r = assembler_.take()) {
        if (r->code == kServiceClosing) {
            last_ = *r;
            return fail(ErrorKind::Closed, "server closed the connection");
        }
        if (r->code >= 400) {
            last_ = *r;
            return std::optional<Reply>(*r);
        }
        pending_.push_back(*r);
    }
    return std::optional<Reply>();
}

Result<Reply> ControlChannel::reply(std::chrono::milliseconds timeout) {
    if (timeout.count() <= 0) timeout = timeouts_.reply;
    if (!pending_.empty()) {
        last_ = pending_.front();
        pending_.pop_front();
        return last_;
    }
    char buf[16384];
    while (!assembler_.hasReply()) {
        if (!socket_.isOpen()) return Error{ErrorKind::Closed, "not connected", last_};
        auto n = socket_.receive(buf, sizeof buf, waiter_, timeout);
        if (n.failed()) return fail(n.error().kind, n.error().message);
        if (n.value() == 0) return fail(ErrorKind::Closed, "server closed the connection");
        if (!assembler_.feed(std::string_view(buf, n.value())))
            return fail(ErrorKind::Protocol, "malformed reply: " + assembler_.error());
    }
    last_ = *assembler_.take();
    if (last_.code == kServiceClosing) return fail(ErrorKind::Closed, "server closed the connection");
    return last_;
}

Result<Reply> ControlChannel::finalReply(std::chrono::milliseconds timeout) {
    for (;;) {
        auto r = reply(timeout);
        if (r.failed() || r.value().code >= 200) return r;
    }
}

Result<Reply> ControlChannel::command(const std::string& command) {
    if (Status s = send(command); s.failed()) return s.error();
    return finalReply();
}

}  // namespace ftp
