#include "FileStep.h"

#include "ftp/UploadLoop.h"

namespace treesync {

namespace {

class Sink final : public ftp::UploadSink {
public:
    Sink(FileProgress& progress, const ftp::RemoteFile& file) : progress_(progress), file_(file) {}
    void yield() override { progress_.sent(file_.bytesWritten()); }
    bool cancelled() override { return progress_.cancelled(); }

private:
    FileProgress& progress_;
    const ftp::RemoteFile& file_;
};

}  // namespace

ftp::Status PlainFileStep::send(ftp::Connection& c, const std::string& localPath, const std::string& name,
                                FileProgress& progress) {
    ftp::FileReader in;
    if (!in.open(localPath)) return ftp::Error{ftp::ErrorKind::LocalIO, in.problemText(), {}};
    auto file = c.openFileForWrite(name, type_);
    if (file.failed()) return file.error();
    Sink sink(progress, *file.value());
    ftp::Status s = ftp::sendFile(*file.value(), in, sink, ftp::FileReader::kReadSize);
    if (s.failed() && s.error().kind == ftp::ErrorKind::LocalIO)
        return ftp::Error{ftp::ErrorKind::LocalIO, in.problemText(), {}};
    if (s) progress.sent(file.value()->bytesWritten());
    return s;  // an unclosed file aborts its transfer as it goes
}

}  // namespace treesync
