#include "AtomicUpload.h"

#include <cctype>
#include <cstdio>

namespace ftp {

namespace {

constexpr std::size_t kNameMax = 255;  // what most server file systems allow in one name

Error invalid(const std::string& message) { return Error{ErrorKind::InvalidArgument, message, {}}; }

// Failures after which the server cannot be asked to remove anything: the connection is gone
// or out of step. A temporary file then stays for a resume.
bool connectionLost(ErrorKind kind) {
    switch (kind) {
    case ErrorKind::Closed:
    case ErrorKind::Connect:
    case ErrorKind::Timeout:
    case ErrorKind::TooSlow:
    case ErrorKind::Protocol:
    case ErrorKind::Tls: return true;
    default: return false;
    }
}

// FNV-1a over the size and the time: a tag that changes with the local version.
std::string versionTag(std::uint64_t size, std::int64_t nanoseconds) {
    std::uint64_t h = 14695981039346656037ull;
    for (std::uint64_t v : {size, std::uint64_t(nanoseconds)})
        for (int i = 0; i < 8; ++i) {
            h ^= (v >> (8 * i)) & 0xff;
            h *= 1099511628211ull;
        }
    char text[9];
    std::snprintf(text, sizeof text, "%08x", unsigned((h ^ (h >> 32)) & 0xffffffffu));
    return text;
}

constexpr std::size_t kTagSize = 8;
constexpr std::size_t kTailSize = 1 + kTagSize + 5;  // ".<tag>.part"

// NAME as the temporary name holds it: shortened so that the whole fits in kNameMax.
std::string headOf(const std::string& name) {
    std::string head = name;
    if (1 + head.size() + kTailSize > kNameMax) {
        head.resize(kNameMax - 1 - kTailSize);
        // Never end inside a UTF-8 sequence: drop its lead byte too.
        while (!head.empty() && (static_cast<unsigned char>(head.back()) & 0xc0) == 0x80) head.pop_back();
        if (!head.empty() && static_cast<unsigned char>(head.back()) >= 0xc0) head.pop_back();
    }
    return head;
}

}  // namespace

UploadOptions uploadOptionsFor(const Connection& c, bool inPlace, bool resume) {
    UploadOptions o;
    o.temporaryName = !inPlace && !c.anonymous();
    o.resume = resume;
    return o;
}

std::string AtomicUpload::temporaryName(const std::string& name, std::uint64_t size,
                                        std::chrono::sys_time<std::chrono::nanoseconds> modified) {
    return "." + headOf(name) + "." + versionTag(size, modified.time_since_epoch().count()) + ".part";
}

bool AtomicUpload::isTemporaryName(const std::string& candidate) {
    if (candidate.size() < 2 + kTailSize || candidate.front() != '.' || !candidate.ends_with(".part")) return false;
    const std::size_t tag = candidate.size() - kTailSize + 1;
    if (candidate[tag - 1] != '.') return false;
    for (std::size_t i = tag; i < tag + kTagSize; ++i)
        if (!std::isdigit(static_cast<unsigned char>(candidate[i])) && (candidate[i] < 'a' || candidate[i] > 'f'))
            return false;
    return true;
}

bool AtomicUpload::isTemporaryNameOf(const std::string& candidate, const std::string& name) {
    return isTemporaryName(candidate) && candidate.compare(1, candidate.size() - 1 - kTailSize, headOf(name)) == 0;
}

AtomicUpload::AtomicUpload(Connection& c, FileReader& source, std::string name, TransferType type,
                           UploadOptions options)
    : c_(c), source_(source), name_(std::move(name)), type_(type), options_(options) {}

AtomicUpload::~AtomicUpload() = default;

std::uint64_t AtomicUpload::bytesSent() const { return outcome_.resumedFrom + (file_ ? file_->bytesWritten() : 0); }

bool AtomicUpload::open() {
    // The name goes back to the server beside a folder we trust: one segment, nothing more.
    if (name_.empty() || name_ == "." || name_ == ".." || name_.find('/') != std::string::npos) {
        outcome_.status = invalid("upload: not a single file name: " + name_);
        return false;
    }
    outcome_.written = options_.temporaryName ? temporaryName(name_, source_.size(), source_.modified()) : name_;
    const std::string& target = outcome_.written;
    // Resuming needs the server's count of what it holds, and bytes that mean the same in both
    // places: binary only. A remote file longer than ours is another file, never "complete".
    if (options_.resume && type_ != TransferType::Ascii && c_.features().size) {
        auto have = c_.size(target);
        if (have && have.value() <= source_.size() && source_.startAt(have.value()))
            outcome_.resumedFrom = have.value();
    }
    if (outcome_.resumedFrom > 0 && outcome_.resumedFrom == source_.size()) {
        outcome_.step = UploadStep::Send;
        return true;
    }
    auto file = outcome_.resumedFrom > 0 ? c_.openFileForWriteAt(target, outcome_.resumedFrom)
                                         : c_.openFileForWrite(target, type_);
    if (file.failed()) {
        const ErrorKind kind = file.error().kind;
        // Refused, or failed before the transfer command went out: nothing was created.
        if (kind == ErrorKind::Refused || kind == ErrorKind::InvalidArgument || kind == ErrorKind::Connect) {
            outcome_.status = file.error();
            outcome_.temporaryKept = options_.temporaryName && outcome_.resumedFrom > 0;
        } else {  // the transfer command may have gone out and created the file
            outcome_ = failed(file.error(), true);
        }
        return false;
    }
    file_ = std::move(file).value();
    outcome_.step = UploadStep::Send;
    return true;
}

UploadOutcome AtomicUpload::failed(Error error, bool discard) {
    const bool temporary = options_.temporaryName;
    const bool lost = connectionLost(error.kind) || (error.kind == ErrorKind::Cancelled && options_.keepOnCancel);
    outcome_.status = std::move(error);
    if (temporary && discard && !lost) {
        outcome_.temporaryKept = c_.deleteFile(outcome_.written).failed();
    } else {
        outcome_.temporaryKept = temporary;
    }
    return std::move(outcome_);
}

UploadOutcome AtomicUpload::finish(Status sent) {
    if (sent.failed()) {
        outcome_.endSent = file_ && file_->endSent();
        file_.reset();  // an unclosed file aborts its transfer with a reset
        return failed(sent.error(), true);
    }
    file_.reset();
    outcome_.step = UploadStep::Check;
    if (options_.temporaryName) {
        // The time before the rename, so the file never shows under its name with the wrong one.
        if (Status s = checkSizeAndTime(); s.failed()) return failed(s.error(), true);
        outcome_.step = UploadStep::Rename;
        if (Status s = place(); s.failed()) return failed(s.error(), !outcome_.replacedByDeleting);
    } else {
        if (Status s = checkSize(); s.failed()) return failed(s.error(), true);
        setTime(name_);  // only on a whole file
    }
    outcome_.step = UploadStep::Done;
    outcome_.status = Status::ok();
    return std::move(outcome_);
}

// A server that offers SIZE must hold every byte, whatever its completion reply said. Line
// ends change in ASCII mode, and an unreadable or refused SIZE proves nothing either way.
bool AtomicUpload::sizeChecked() const { return type_ != TransferType::Ascii && c_.features().size; }

Status AtomicUpload::checkSize() { return sizeChecked() ? sizeMatches(c_.size(outcome_.written)) : Status::ok(); }

Status AtomicUpload::sizeMatches(const Result<std::uint64_t>& have) const {
    if (!have || have.value() == source_.size()) return Status::ok();
    return Error{ErrorKind::Refused,
                 "the server holds " + std::to_string(have.value()) + " of " + std::to_string(source_.size()) +
                     " bytes after the transfer",
                 {}};
}

// A wrong size deletes the temporary file, so its time may go on before the size is known:
// both are asked together.
Status AtomicUpload::checkSizeAndTime() {
    if (!sizeChecked() || !c_.features().mfmt) {
        if (Status s = checkSize(); s.failed()) return s;
        setTime(outcome_.written);
        return Status::ok();
    }
    auto both = c_.sizeAndSetTime(outcome_.written, localTime());
    outcome_.timeSet = !both.time.failed();
    return sizeMatches(both.size);
}

std::chrono::sys_seconds AtomicUpload::localTime() const {
    return std::chrono::floor<std::chrono::seconds>(source_.modified());
}

void AtomicUpload::setTime(const std::string& remote) {
    if (!c_.features().mfmt) return;
    outcome_.timeSet = !c_.setModificationTime(remote, localTime()).failed();
}

Status AtomicUpload::place() {
    Status s = c_.rename(outcome_.written, name_);
    if (!s.failed() || s.error().kind != ErrorKind::Refused || s.error().reply.code < 500) return s;
    // Some servers (IIS, SFTP version 3) refuse to rename onto an existing name. Move the old file
    // aside rather than deleting it: a server that forbids renames altogether refuses that too, and
    // then nothing is lost. Only while the new file is known to be there, and only over a file: a
    // folder of that name is never moved.
    if (c_.size(outcome_.written).failed() || c_.size(name_).failed()) return s;
    const std::string aside = asideName();
    if (c_.rename(name_, aside).failed()) return s;
    if (Status again = c_.rename(outcome_.written, name_); again.failed()) {
        if (c_.rename(aside, name_).failed()) {
            Error e = again.error();
            e.message += "; the old " + name_ + " stays in " + aside + " and the new one in " + outcome_.written;
            return e;
        }
        return again;
    }
    outcome_.replacedByDeleting = true;
    (void)c_.deleteFile(aside);  // a refusal leaves the old version beside the new one, under a dot name
    return Status::ok();
}

// ".NAME.<tag>.old" beside ".NAME.<tag>.part": where the old file waits while the new one takes its name.
std::string AtomicUpload::asideName() const {
    const std::string& part = outcome_.written;
    const std::string suffix = ".part";
    if (part.size() > suffix.size() && part.compare(part.size() - suffix.size(), suffix.size(), suffix) == 0)
        return part.substr(0, part.size() - suffix.size()) + ".old";
    return part + ".old";
}

}  // namespace ftp
