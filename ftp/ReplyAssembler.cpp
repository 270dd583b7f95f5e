#include "ReplyAssembler.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace ftp {

namespace {

// Whatever the line caps say, one reply never holds more text than this: a hostile server
// could otherwise send maxReplyLines lines of maxLineBytes each.
constexpr std::size_t kMaxReplyBytes = 16 * 1024 * 1024;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "ddd" at the start of the line, the first digit not 0 (code 0 means "no reply").
bool startsWithCode(std::string_view line) {
    return line.size() >= 3 && isDigit(line[0]) && line[0] != '0' && isDigit(line[1]) &&
           isDigit(line[2]);
}

int codeOf(std::string_view line) {
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

// "ddd " or a bare "ddd": the last line of a reply with that code.
bool endsReply(std::string_view line, int code) {
    return startsWithCode(line) && codeOf(line) == code && (line.size() == 3 || line[3] == ' ');
}

}  // namespace

ReplyAssembler::ReplyAssembler(std::size_t maxLineBytes, std::size_t maxReplyLines)
    : maxLine_(std::max<std::size_t>(maxLineBytes, 4)), maxLines_(std::max<std::size_t>(maxReplyLines, 1)) {}

bool ReplyAssembler::feed(std::string_view bytes) {
    if (failed_) {
        return false;
    }
    if (std::memchr(bytes.data(), '\0', bytes.size()) != nullptr) {
        fail("NUL byte in a server reply");
        return false;
    }
    while (!bytes.empty() && !failed_) {
        const std::size_t lf = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, lf);
        // A CR may still arrive before the LF, hence the one byte of slack while incomplete.
        if (partial_.size() + piece.size() > maxLine_ + 1) {
            fail("server reply line longer than " + std::to_string(maxLine_) + " bytes");
            break;
        }
        partial_.append(piece);
        if (lf == std::string_view::npos) {
            break;
        }
        bytes.remove_prefix(lf + 1);
        std::string line = std::move(partial_);
        partial_.clear();
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() > maxLine_) {
            fail("server reply line longer than " + std::to_string(maxLine_) + " bytes");
            break;
        }
        acceptLine(line);
    }
    return !failed_;
}

void ReplyAssembler::acceptLine(std::string_view line) {
    if (!open_) {
        // A stray empty line between replies carries nothing; some servers send one.
        if (line.empty()) {
            return;
        }
        if (!startsWithCode(line) || (line.size() > 3 && line[3] != ' ' && line[3] != '-')) {
            fail("malformed server reply: a reply must start with a three-digit code");
            return;
        }
        Reply reply{codeOf(line), std::string(line)};
        if (line.size() > 3 && line[3] == '-') {
            open_ = std::move(reply);
            openLines_ = 1;
        } else {
            ready_.push_back(std::move(reply));
        }
        return;
    }
    // Inside a multi-line reply every line is text, even one led by another code.
    ++openLines_;
    if (openLines_ > maxLines_) {
        fail("server reply longer than " + std::to_string(maxLines_) + " lines");
        return;
    }
    if (open_->text.size() + 1 + line.size() > kMaxReplyBytes) {
        fail("server reply longer than " + std::to_string(kMaxReplyBytes) + " bytes");
        return;
    }
    open_->text.push_back('\n');
    open_->text.append(line);
    if (endsReply(line, open_->code)) {
        ready_.push_back(std::move(*open_));
        open_.reset();
        openLines_ = 0;
    }
}

std::optional<Reply> ReplyAssembler::take() {
    if (ready_.empty()) {
        return std::nullopt;
    }
    Reply reply = std::move(ready_.front());
    ready_.pop_front();
    return reply;
}

bool ReplyAssembler::midReply() const { return open_.has_value() || !partial_.empty(); }

void ReplyAssembler::fail(std::string why) {
    failed_ = true;
    error_ = std::move(why);
    // Nothing more will be assembled; drop what is buffered so a failed assembler holds no memory.
    partial_.clear();
    partial_.shrink_to_fit();
    open_.reset();
    openLines_ = 0;
}

}  // namespace ftp
