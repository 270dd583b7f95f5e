#include "SftpConnection.h"

#include "../FtpConnection.h"
#include "SftpErrors.h"

namespace ftp {

namespace {

Error invalid(const std::string& message) { return Error{ErrorKind::InvalidArgument, message, {}}; }

constexpr long kFileMode = 0644;  // the server's umask still applies
constexpr long kFolderMode = 0755;

bool isFolder(const LIBSSH2_SFTP_ATTRIBUTES& a) {
    return (a.flags & LIBSSH2_SFTP_ATTR_PERMISSIONS) && LIBSSH2_SFTP_S_ISDIR(a.permissions);
}

}  // namespace

Result<std::unique_ptr<Connection>> openSftp(std::unique_ptr<SshSession> ssh) { return openSftp(std::move(ssh), {}); }

Result<std::unique_ptr<Connection>> openSftp(std::unique_ptr<SshSession> ssh, SshReopen reopen) {
    auto c = SftpConnection::start(std::move(ssh), std::move(reopen));
    if (c.failed()) return c.error();
    return std::unique_ptr<Connection>(std::move(c).value());
}

Result<std::unique_ptr<SftpConnection>> SftpConnection::start(std::unique_ptr<SshSession> ssh, SshReopen reopen) {
    std::unique_ptr<SftpConnection> c(new SftpConnection(std::move(ssh), std::move(reopen)));
    auto home = c->resolve(".", "current folder");
    if (home.failed()) return home.error();
    c->directory_ = std::move(home).value();
    return c;
}

SftpConnection::~SftpConnection() {
    if (writer_) writer_->detach();
    if (reader_) reader_->detach();
}

void SftpConnection::fileFinished() {
    writer_ = nullptr;
    reader_ = nullptr;
}

void SftpConnection::markBroken(const Error& why) {
    if (!broken_) broken_ = why;
}

Status SftpConnection::usable() const {
    if (busy_) return invalid("another operation is in progress on this connection");
    if (writer_ || reader_) return invalid("a file is open on this connection");
    return Status::ok();
}

Status SftpConnection::reopen() {
    if (!reopen_) return Error{ErrorKind::Closed, "the SFTP session was lost: " + broken_->message, {}};
    auto fresh = reopen_();
    if (fresh.failed()) return fresh.error();
    ssh_ = std::move(fresh).value();
    broken_.reset();
    return Status::ok();
}

Status SftpConnection::usable(const std::string& name, const char* what) const {
    if (!isSafeArgument(name)) return invalid(std::string(what) + ": name holds CR, LF or NUL");
    if (name.empty()) return invalid(std::string(what) + ": empty name");
    return usable();
}

std::string SftpConnection::path(const std::string& name) const {
    if (name.front() == '/') return name;
    return directory_ == "/" ? "/" + name : directory_ + "/" + name;
}

Error SftpConnection::failure(Error e) {
    if (e.kind != ErrorKind::Refused && e.kind != ErrorKind::InvalidArgument) markBroken(e);
    lastReply_ = e.reply.code ? e.reply : Reply{0, e.message};
    return e;
}

Status SftpConnection::checked(const Result<long>& rc, const char* what) {
    if (rc.failed()) return failure(rc.error());
    if (rc.value() < 0) return failure(sftpFailure(*ssh_, what));
    lastReply_ = Reply{};
    return Status::ok();
}

Result<std::string> SftpConnection::resolve(const std::string& p, const char* what) {
    std::string target(4096, '\0');
    auto rc = ssh_->retry(
        [&] {
            return libssh2_sftp_symlink_ex(ssh_->sftp(), p.data(), unsigned(p.size()), target.data(),
                                           unsigned(target.size()), LIBSSH2_SFTP_REALPATH);
        },
        ssh_->timeouts().reply, what);
    if (Status s = checked(rc, what); s.failed()) return s.error();
    target.resize(std::size_t(rc.value()));
    if (target.empty() || target.front() != '/')
        return failure(Error{ErrorKind::Protocol, std::string(what) + ": the server answered a relative path", {}});
    return target;
}

Result<LIBSSH2_SFTP_ATTRIBUTES> SftpConnection::stat(const std::string& p, const char* what) {
    LIBSSH2_SFTP_ATTRIBUTES a{};
    auto rc = ssh_->retry(
        [&] { return libssh2_sftp_stat_ex(ssh_->sftp(), p.data(), unsigned(p.size()), LIBSSH2_SFTP_STAT, &a); },
        ssh_->timeouts().reply, what);
    if (Status s = checked(rc, what); s.failed()) return s.error();
    return a;
}

Result<LIBSSH2_SFTP_HANDLE*> SftpConnection::open(const std::string& p, unsigned long flags, long mode, int type,
                                                  const char* what) {
    auto h = ssh_->callForPointer<LIBSSH2_SFTP_HANDLE>(
        [&] { return libssh2_sftp_open_ex(ssh_->sftp(), p.data(), unsigned(p.size()), flags, mode, type); },
        ssh_->timeouts().reply, what);
    if (h.failed()) return failure(h.error().kind == ErrorKind::Refused ? sftpFailure(*ssh_, what) : h.error());
    lastReply_ = Reply{};
    return h.value();
}

Result<std::string> SftpConnection::currentDirectory() {
    if (Status s = usable(); s.failed()) return s.error();
    return directory_;  // kept here, asked of no one
}

Status SftpConnection::changeDirectory(const std::string& to) {
    if (Status s = usable(to, "change folder"); s.failed()) return s;
    return run([&]() -> Status {
        auto target = resolve(path(to), "change folder");
        if (target.failed()) return target.error();
        auto a = stat(target.value(), "change folder");
        if (a.failed()) return a.error();
        if (!isFolder(a.value()))
            return failure(Error{ErrorKind::Refused, "change folder: not a folder: " + to, Reply{550, "not a folder"}});
        directory_ = std::move(target).value();
        return Status::ok();
    });
}

template <class Call>
Status SftpConnection::simple(const std::string& name, const char* what, Call call) {
    if (Status s = usable(name, what); s.failed()) return s;
    const std::string p = path(name);
    const auto length = static_cast<unsigned>(p.size());
    return run([&] {
        return checked(ssh_->retry([&] { return call(ssh_->sftp(), p.data(), length); }, ssh_->timeouts().reply, what),
                       what);
    });
}

Status SftpConnection::createDirectory(const std::string& name) {
    return simple(name, "create folder",
                  [](auto* sftp, const char* p, unsigned n) { return libssh2_sftp_mkdir_ex(sftp, p, n, kFolderMode); });
}

Status SftpConnection::removeDirectory(const std::string& name) {
    return simple(name, "remove folder", libssh2_sftp_rmdir_ex);
}

Status SftpConnection::deleteFile(const std::string& name) { return simple(name, "delete", libssh2_sftp_unlink_ex); }

Status SftpConnection::rename(const std::string& from, const std::string& to) {
    if (Status s = usable(from, "rename"); s.failed()) return s;
    if (Status s = usable(to, "rename"); s.failed()) return s;
    return run([&] { return renameOnto(path(from), path(to)); });
}

// SFTP version 3 (OpenSSH's) has no flags: renaming onto an existing name fails there, and the
// caller that wants a replacement deletes first. Newer libssh2 speaks OpenSSH's POSIX rename.
Status SftpConnection::renameOnto(const std::string& from, const std::string& to) {
    auto rc = ssh_->retry(
        [&] {
#if LIBSSH2_VERSION_NUM >= 0x010b00
            return libssh2_sftp_posix_rename_ex(ssh_->sftp(), from.data(), from.size(), to.data(), to.size());
#else
            return libssh2_sftp_rename_ex(
                ssh_->sftp(), from.data(), unsigned(from.size()), to.data(), unsigned(to.size()),
                LIBSSH2_SFTP_RENAME_OVERWRITE | LIBSSH2_SFTP_RENAME_ATOMIC | LIBSSH2_SFTP_RENAME_NATIVE);
#endif
        },
        ssh_->timeouts().reply, "rename");
    return checked(rc, "rename");
}

Result<std::unique_ptr<RemoteFile>> SftpConnection::openFileForWrite(const std::string& name, TransferType) {
    // No text mode in SFTP version 3, and both ends are Unix: an ASCII file goes byte for byte.
    if (Status s = usable(name, "upload"); s.failed()) return s.error();
    auto h = run([&] {
        return open(path(name), LIBSSH2_FXF_WRITE | LIBSSH2_FXF_CREAT | LIBSSH2_FXF_TRUNC, kFileMode,
                    LIBSSH2_SFTP_OPENFILE, "upload");
    });
    if (h.failed()) return h.error();
    auto file = std::make_unique<SftpWriter>(owner(), h.value());
    writer_ = file.get();
    return std::unique_ptr<RemoteFile>(std::move(file));
}

Result<std::unique_ptr<RemoteFile>> SftpConnection::openFileForWriteAt(const std::string& name, std::uint64_t offset) {
    if (Status s = usable(name, "resume"); s.failed()) return s.error();
    auto h = run([&] {
        return open(path(name), LIBSSH2_FXF_WRITE | LIBSSH2_FXF_CREAT, kFileMode, LIBSSH2_SFTP_OPENFILE, "resume");
    });
    if (h.failed()) return h.error();
    libssh2_sftp_seek64(h.value(), offset);
    auto file = std::make_unique<SftpWriter>(owner(), h.value());
    writer_ = file.get();
    return std::unique_ptr<RemoteFile>(std::move(file));
}

Result<std::unique_ptr<RemoteReader>> SftpConnection::openFileForRead(const std::string& name, TransferType) {
    // ASCII comes byte for byte too, as it was written.
    if (Status s = usable(name, "download"); s.failed()) return s.error();
    auto h = run([&] { return open(path(name), LIBSSH2_FXF_READ, 0, LIBSSH2_SFTP_OPENFILE, "download"); });
    if (h.failed()) return h.error();
    auto file = std::make_unique<SftpReader>(owner(), h.value());
    reader_ = file.get();
    return std::unique_ptr<RemoteReader>(std::move(file));
}

Result<std::uint64_t> SftpConnection::size(const std::string& name) {
    if (Status s = usable(name, "size"); s.failed()) return s.error();
    auto a = run([&] { return stat(path(name), "size"); });
    if (a.failed()) return a.error();
    if (!(a.value().flags & LIBSSH2_SFTP_ATTR_SIZE))
        return Error{ErrorKind::Protocol, "size: the server did not tell the size of " + name, {}};
    // As FTP's SIZE: a plain file's length, never a folder's.
    if ((a.value().flags & LIBSSH2_SFTP_ATTR_PERMISSIONS) && !LIBSSH2_SFTP_S_ISREG(a.value().permissions))
        return Error{ErrorKind::Refused, "size: not a plain file: " + name, Reply{550, "not a plain file"}};
    return std::uint64_t(a.value().filesize);
}

Result<std::chrono::sys_seconds> SftpConnection::modificationTime(const std::string& name) {
    if (Status s = usable(name, "time"); s.failed()) return s.error();
    auto a = run([&] { return stat(path(name), "time"); });
    if (a.failed()) return a.error();
    if (!(a.value().flags & LIBSSH2_SFTP_ATTR_ACMODTIME))
        return Error{ErrorKind::Protocol, "time: the server did not tell the time of " + name, {}};
    return std::chrono::sys_seconds(std::chrono::seconds(a.value().mtime));
}

Status SftpConnection::setModificationTime(const std::string& name, std::chrono::sys_seconds utc) {
    if (Status s = usable(name, "set time"); s.failed()) return s;
    const auto seconds = utc.time_since_epoch().count();
    if (seconds < 0 || seconds > 0xffffffffLL) return invalid("set time: SFTP cannot carry this time");
    const std::string p = path(name);
    return run([&]() -> Status {
        auto old = stat(p, "set time");  // the access time is set too, and must stay as it was
        if (old.failed()) return old.status();
        LIBSSH2_SFTP_ATTRIBUTES a{};
        a.flags = LIBSSH2_SFTP_ATTR_ACMODTIME;
        a.atime = (old.value().flags & LIBSSH2_SFTP_ATTR_ACMODTIME) ? old.value().atime
                                                                    : static_cast<unsigned long>(seconds);
        a.mtime = static_cast<unsigned long>(seconds);
        auto rc = ssh_->retry(
            [&] { return libssh2_sftp_stat_ex(ssh_->sftp(), p.data(), unsigned(p.size()), LIBSSH2_SFTP_SETSTAT, &a); },
            ssh_->timeouts().reply, "set time");
        return checked(rc, "set time");
    });
}

}  // namespace ftp
