#include "FileStep.h"

#include "ftp/AtomicUpload.h"

namespace treesync {

namespace {

class Sink final : public ftp::UploadSink {
public:
    Sink(FileProgress& progress, const ftp::AtomicUpload& upload) : progress_(progress), upload_(upload) {}
    void yield() override { progress_.sent(upload_.bytesSent()); }
    bool cancelled() override { return progress_.cancelled(); }

private:
    FileProgress& progress_;
    const ftp::AtomicUpload& upload_;
};

}  // namespace

ftp::Status AtomicFileStep::send(ftp::Connection& c, const std::string& localPath, const std::string& name, bool resume,
                                 FileProgress& progress) {
    ftp::FileReader in;
    if (!in.open(localPath)) return ftp::Error{ftp::ErrorKind::LocalIO, in.problemText(), {}};
    ftp::UploadOptions options = ftp::uploadOptionsFor(c);
    // Only a temporary name, tagged with the local version, holds bytes worth continuing: written
    // in place (anonymous logins), the name holds the old version, whose bytes are no prefix.
    options.resume = resume && options.temporaryName && type_ != ftp::TransferType::Ascii;
    options.keepOnCancel = true;  // running the sync again continues it
    ftp::AtomicUpload upload(c, in, name, type_, options);
    Sink sink(progress, upload);
    const ftp::UploadOutcome outcome = upload.run(sink, ftp::FileReader::kReadSize);
    if (outcome.status.failed() && outcome.status.error().kind == ftp::ErrorKind::LocalIO)
        return ftp::Error{ftp::ErrorKind::LocalIO, in.problemText(), {}};
    if (outcome.status) progress.sent(upload.bytesSent());
    if (outcome.replacedByDeleting)
        progress.note(name + ": the server would not rename onto the old file, so it was moved aside and deleted after");
    return outcome.status;
}

}  // namespace treesync
