#include "ControlChannel.h"

#include <cerrno>
#include <utility>

#include <sys/socket.h>

#include "RateGuard.h"
#include "Wipe.h"

namespace ftp {

namespace {
constexpr int kServiceClosing = 421;
}

Status ControlChannel::connect(const std::vector<SocketAddress>& addresses) {
    close();
    auto s = Socket::connect(addresses, waiter_, timeouts_.connect);
    if (s.failed()) return s.error();
    adopt(std::move(s).value());
    return Status::ok();
}

void ControlChannel::adopt(Socket connected) {
    close();
    socket_ = std::move(connected);
    socket_.setControlOptions();
    if (auto p = socket_.peer(); p) peer_ = p.value();
    assembler_ = ReplyAssembler();
    hungUp_ = false;
    verb_.clear();
    nextVerb_.clear();
}

void ControlChannel::close() {
    socket_.close();
    assembler_ = ReplyAssembler();
    pending_.clear();
}

Error ControlChannel::fail(ErrorKind kind, const std::string& message, bool replyIsCause) {
    if (kind == ErrorKind::Closed) hungUp_ = true;
    // After a timeout, a cancel or garbage the reply stream is out of step: never reuse it.
    close();
    return Error{kind, message, replyIsCause ? last_ : Reply{}};
}

std::string ControlChannel::awaited() const {
    return verb_.empty() ? "the server's greeting" : "the server's reply to " + verb_;
}

Error ControlChannel::hungUp() {
    if (last_.code == kServiceClosing) return fail(ErrorKind::Closed, "the server closed the connection", true);
    return fail(ErrorKind::Closed, "the server closed the connection while we waited for " + awaited());
}

void ControlChannel::dropStaleReplies() {
    char buf[4096];
    for (;;) {
        long n = socket_.receiveNow(buf, sizeof buf);
        if (n == 0) {
            hungUp();
            return;
        }
        if (n < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK) hungUp();
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
            hungUp();
            return;
        }
    }
}

bool ControlChannel::hasUnreadInput() {
    if (!pending_.empty() || assembler_.hasReply() || assembler_.midReply()) return true;
    char byte;
    return ::recv(socket_.fd(), &byte, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
}

namespace {
std::string verbOf(const std::string& command) { return command.substr(0, command.find(' ')); }
}  // namespace

Status ControlChannel::send(const std::string& command) { return sendPair(command, {}); }

Status ControlChannel::sendPair(const std::string& first, const std::string& second) {
    if (!socket_.isOpen()) return Error{ErrorKind::Closed, "not connected", last_};
    dropStaleReplies();
    if (!socket_.isOpen()) return Error{ErrorKind::Closed, "the server closed the connection", {}};
    verb_ = verbOf(first);
    nextVerb_ = second.empty() ? std::string() : verbOf(second);
    std::string lines = first + "\r\n";
    if (!second.empty()) lines += second + "\r\n";
    Status s = socket_.sendAll(lines.data(), lines.size(), waiter_, timeouts_.reply);
    wipe(lines);  // it may hold the PASS command
    if (s.failed()) return fail(s.error().kind, s.error().message);
    return s;
}

Status ControlChannel::awaitData(const Socket& data, short events, std::chrono::milliseconds timeout, const char* what,
                                 bool hearServer) {
    if (!hearServer) return waiter_.waitEither(data.fd(), events, -1, timeout, what).status();
    auto early = earlyFailure();
    if (early.failed()) return early.error();
    if (early.value()) return Error{ErrorKind::Refused, std::string(what) + " refused: " + early.value()->text, *early.value()};
    return waiter_.waitEither(data.fd(), events, fd(), timeout, what).status();
}

Result<std::optional<Reply>> ControlChannel::earlyFailure() {
    char buf[16384];
    for (;;) {
        long n = socket_.receiveNow(buf, sizeof buf);
        if (n == 0) return hungUp();
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            return hungUp();
        }
        if (!assembler_.feed(std::string_view(buf, static_cast<std::size_t>(n))))
            return fail(ErrorKind::Protocol, "malformed reply: " + assembler_.error());
    }
    while (auto r = assembler_.take()) {
        if (r->code == kServiceClosing) {
            last_ = *r;
            return hungUp();
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
    RateGuard rate(rate_);
    while (!assembler_.hasReply()) {
        if (!socket_.isOpen()) return Error{ErrorKind::Closed, "not connected", {}};
        auto n = socket_.receive(buf, sizeof buf, waiter_, timeout);
        if (n.failed() && n.error().kind == ErrorKind::Timeout)
            return fail(ErrorKind::Timeout, awaited() + " did not come within " + durationText(timeout));
        if (n.failed()) return fail(n.error().kind, n.error().message);
        if (n.value() == 0) return hungUp();
        if (!assembler_.feed(std::string_view(buf, n.value())))
            return fail(ErrorKind::Protocol, "malformed reply: " + assembler_.error());
        if (!assembler_.hasReply() && !rate.add(n.value()))
            return fail(ErrorKind::TooSlow, awaited() + " came in " + rate.describe());
    }
    last_ = *assembler_.take();
    if (last_.code == kServiceClosing) return hungUp();
    return last_;
}

Result<Reply> ControlChannel::finalReply(std::chrono::milliseconds timeout) {
    for (;;) {
        auto r = reply(timeout);
        if (r.failed()) return r;
        if (r.value().code >= 200) {
            if (!nextVerb_.empty()) verb_ = std::exchange(nextVerb_, {});  // for the messages
            return r;
        }
    }
}

Result<Reply> ControlChannel::command(const std::string& command) {
    if (Status s = send(command); s.failed()) return s.error();
    return finalReply();
}

}  // namespace ftp
