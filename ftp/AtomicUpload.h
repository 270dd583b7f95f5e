#pragma once
// One local file sent so that its remote name only ever holds a whole file: the bytes go to a
// dot name in the same folder (".NAME.<tag>.part", the tag standing for the local file's size
// and time), which is renamed onto NAME once the server has confirmed the transfer and, where it
// offers SIZE, holds as many bytes as the local file. Until then an existing NAME is untouched.
// A temporary file that a broken upload of the same local version left behind can be continued.

#include <chrono>
#include <memory>
#include <string>

#include "Connection.h"
#include "FileReader.h"
#include "UploadLoop.h"

namespace ftp {

struct UploadOptions {
    bool temporaryName = true;  // false: write under the final name itself
    bool resume = false;        // continue what a broken upload of this local version left
    bool keepOnCancel = false;  // a cancel is a signal: the temporary file stays for a resume
};

// A temporary name unless the caller wants the file written in place or the login is anonymous
// (incoming folders often forbid renames).
UploadOptions uploadOptionsFor(const Connection& c, bool inPlace = false, bool resume = false);

// How far an upload went: where it failed, or Done.
enum class UploadStep { Open, Send, Check, Rename, Done };

struct UploadOutcome {
    Status status;
    UploadStep step = UploadStep::Open;
    bool opened() const { return step != UploadStep::Open; }
    std::string written;              // where the bytes went: the temporary name or the final one
    std::uint64_t resumedFrom = 0;    // bytes already on the server that were kept
    bool endSent = false;             // every byte went out, but the server's confirmation did not come
    bool replacedByDeleting = false;  // the server would not rename onto NAME: the old NAME was moved aside and deleted
    bool temporaryKept = false;       // a failure left the temporary file for a later resume
    bool timeSet = false;             // MFMT gave the remote file the local time
};

class AtomicUpload {
public:
    // `source` is open; `name` is one path segment in the connection's current folder.
    AtomicUpload(Connection& c, FileReader& source, std::string name, TransferType type, UploadOptions options);
    ~AtomicUpload();
    AtomicUpload(const AtomicUpload&) = delete;
    AtomicUpload& operator=(const AtomicUpload&) = delete;

    // ".NAME.<tag>.part", shortened to fit a 255-byte name where NAME is long.
    static std::string temporaryName(const std::string& name, std::uint64_t size,
                                     std::chrono::sys_time<std::chrono::nanoseconds> modified);
    // Whether a listed name has that form: for some NAME, or for this one (any version of it).
    static bool isTemporaryName(const std::string& candidate);
    static bool isTemporaryNameOf(const std::string& candidate, const std::string& name);

    // The whole upload: open, the blocks through sendFile with the caller's sink, then the checks,
    // the time and the rename.
    template <class Sink>
    UploadOutcome run(Sink& sink, std::size_t block = uploadmath::kBlock) {
        if (!open()) return std::move(outcome_);
        if (!file_) return finish(Status::ok());  // the temporary file already holds every byte
        return finish(sendFile(*file_, source_, sink, block));
    }

    // Bytes of the file on the server or on their way there, the resumed part included.
    std::uint64_t bytesSent() const;

private:
    bool open();
    UploadOutcome finish(Status sent);
    UploadOutcome failed(Error error, bool discard);
    bool sizeChecked() const;
    Status checkSize();
    Status sizeMatches(const Result<std::uint64_t>& have) const;
    Status checkSizeAndTime();
    std::chrono::sys_seconds localTime() const;
    void setTime(const std::string& remote);
    Status place();
    std::string asideName() const;

    Connection& c_;
    FileReader& source_;
    std::string name_;
    TransferType type_;
    UploadOptions options_;
    std::unique_ptr<RemoteFile> file_;
    UploadOutcome outcome_;
};

}  // namespace ftp
