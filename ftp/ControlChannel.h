#pragma once
// The control connection: sends command lines and assembles the replies that answer them.
// It remembers whether the server hung up (end of stream, reset, or a 421), which is what lets
// the connection log in again and repeat the command.

#include <chrono>
#include <deque>
#include <optional>
#include <string>

#include "ReplyAssembler.h"
#include "Result.h"
#include "Socket.h"

namespace ftp {

class ControlChannel {
public:
    ControlChannel(const Waiter& waiter, const Timeouts& timeouts) : waiter_(waiter), timeouts_(timeouts) {}

    Status connect(const std::vector<SocketAddress>& addresses);
    // Takes a socket already connected to the server, its greeting still unread.
    void adopt(Socket connected);
    bool isOpen() const { return socket_.isOpen(); }
    // True once the server closed the connection or announced it would (421).
    bool serverHungUp() const { return hungUp_; }
    void close();
    const SocketAddress& peer() const { return peer_; }

    // Sends "command\r\n". Drops stale replies first, so they are never taken as the answer.
    Status send(const std::string& command);
    // Sends both lines in one write, for a pair whose second command does not depend on the
    // first's reply. The caller reads both replies, in order, or the stream is out of step.
    Status sendPair(const std::string& first, const std::string& second);
    // The next reply. Preliminary 1xx replies are returned too; callers that want the final
    // answer use finalReply(). `timeout` overrides the session's reply timeout when set.
    Result<Reply> reply(std::chrono::milliseconds timeout = std::chrono::milliseconds::zero());
    Result<Reply> finalReply(std::chrono::milliseconds timeout = std::chrono::milliseconds::zero());
    // send() then finalReply().
    Result<Reply> command(const std::string& command);
    const Reply& lastReply() const { return last_; }
    void setMinimumRate(MinimumRate rate) { rate_ = rate; }
    int fd() const { return socket_.fd(); }
    Socket& socket() { return socket_; }  // to start TLS on it
    const Socket& socket() const { return socket_; }
    // Bytes received and not asked for yet: after AUTH TLS they would be replies injected before
    // encryption started.
    bool hasUnreadInput();
    // The one wait of every transfer: Ok once `data` is ready for `events`. With hearServer it
    // listens here meanwhile: a failure reply the server sends first is a Refused error holding it
    // ("<what> refused: ..."), a hang-up or a malformed reply is Closed or Protocol (and this
    // channel is closed). A wait that runs out or is cancelled is Timeout or Cancelled.
    [[nodiscard]] Status awaitData(const Socket& data, short events, std::chrono::milliseconds timeout,
                                   const char* what, bool hearServer = true);

private:
    // Reads what the server has sent so far without waiting. Returns the first failure reply
    // (4xx/5xx) if one came; other replies stay queued for reply().
    Result<std::optional<Reply>> earlyFailure();
    void dropStaleReplies();
    // The reply is kept with the error only when it is the cause (a 421).
    Error fail(ErrorKind kind, const std::string& message, bool replyIsCause = false);
    Error hungUp();
    // "the server did not answer PWD", "the server sent no greeting": for messages.
    std::string awaited() const;

    const Waiter& waiter_;
    const Timeouts& timeouts_;
    Socket socket_;
    SocketAddress peer_;
    ReplyAssembler assembler_;
    std::deque<Reply> pending_;  // read ahead by earlyFailure(), not yet asked for
    Reply last_;
    std::string verb_;      // the last command's verb, never its argument (a password)
    std::string nextVerb_;  // the second of a pair: awaited once the first is answered
    MinimumRate rate_;
    bool hungUp_ = false;
};

}  // namespace ftp
