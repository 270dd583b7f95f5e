// What an upload that resumes or replaces a file asks besides the transfer: REST or APPE to
// continue one, SIZE to check it, MDTM and MFMT for its time.

#include "FtpConnection.h"
#include "ReplyParsers.h"
#include "listing/Text.h"

namespace ftp {

bool FtpConnection::anonymous() const {
    return listing::equalsNoCase(credentials_.user, "anonymous") || listing::equalsNoCase(credentials_.user, "ftp");
}

Result<std::unique_ptr<RemoteFile>> FtpConnection::openFileForWriteAt(const std::string& name, std::uint64_t offset) {
    if (offset == 0) return openFileForWrite(name, TransferType::Binary);
    // Without REST STREAM a REST offset may mean a record marker: APPE continues at the end.
    if (features_.restStream) return beginUpload(startFileTransfer("resume", "STOR", name, false, offset), false);
    return beginUpload(startFileTransfer("resume", "APPE", name, false), false);
}

namespace {

Result<std::uint64_t> sizeFrom(const Result<Reply>& r) {
    if (r.failed()) return r.error();
    auto bytes = parseSizeReply(r.value().text);
    if (!bytes) return Error{ErrorKind::Protocol, "unreadable SIZE reply", r.value()};
    return *bytes;
}

}  // namespace

Result<std::uint64_t> FtpConnection::size(const std::string& name) { return sizeFrom(fileQuery("SIZE", name, "size")); }

Result<std::chrono::sys_seconds> FtpConnection::modificationTime(const std::string& name) {
    auto r = fileQuery("MDTM", name, "modification time");
    if (r.failed()) return r.error();
    auto time = parseMdtmReply(r.value().text);
    if (!time) return Error{ErrorKind::Protocol, "unreadable MDTM reply", r.value()};
    return *time;
}

Status FtpConnection::setModificationTime(const std::string& name, std::chrono::sys_seconds utc) {
    if (!features_.mfmt) return notOffered("MFMT");
    const auto text = formatTimeVal(utc);
    if (!text) return Error{ErrorKind::InvalidArgument, "set modification time: a year MFMT cannot carry", {}};
    return fileQuery("MFMT " + *text, name, "set modification time").status();
}

Connection::SizeAndTime FtpConnection::sizeAndSetTime(const std::string& name, std::chrono::sys_seconds utc) {
    const auto text = formatTimeVal(utc);
    if (!features_.mfmt || !text) return Connection::sizeAndSetTime(name, utc);  // each says why
    auto [bytes, timed] = fileQueries("SIZE", "MFMT " + *text, name, "size", "set modification time");
    return {sizeFrom(bytes), timed.status()};
}

}  // namespace ftp
