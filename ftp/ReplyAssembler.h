#pragma once
// Incremental assembly of FTP control replies from arbitrary chunks of bytes (RFC 959 4.2):
// one read may hold several replies, a reply may arrive byte by byte, a multi-line reply
// ("123-" ... "123 ") ends only on a line with the same code followed by a blank.
// Bare LF ends a line too. Memory is bounded: a line longer than maxLineBytes or a reply of
// more than maxReplyLines lines puts the assembler into a failed state.

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "Result.h"

namespace ftp {

class ReplyAssembler {
public:
    static constexpr std::size_t kDefaultMaxLineBytes = 256 * 1024;
    static constexpr std::size_t kDefaultMaxReplyLines = 100000;

    explicit ReplyAssembler(std::size_t maxLineBytes = kDefaultMaxLineBytes,
                            std::size_t maxReplyLines = kDefaultMaxReplyLines);

    // Feeds received bytes. Returns false once the stream is malformed (over-long line, too many
    // lines, a NUL byte, a first line that does not start with three digits); error() says why.
    bool feed(std::string_view bytes);
    // Completed replies in arrival order.
    std::optional<Reply> take();
    bool hasReply() const { return !ready_.empty(); }
    bool failed() const { return failed_; }
    const std::string& error() const { return error_; }
    // True while part of a reply has been received but not its end.
    bool midReply() const;

private:
    void acceptLine(std::string_view line);
    void fail(std::string why);

    std::size_t maxLine_;
    std::size_t maxLines_;
    std::string partial_;         // bytes of the line being received
    std::optional<Reply> open_;   // multi-line reply in progress
    std::size_t openLines_ = 0;
    std::deque<Reply> ready_;
    bool failed_ = false;
    std::string error_;
};

}  // namespace ftp
