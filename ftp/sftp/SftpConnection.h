#pragma once
// The engine's Connection over SFTP. SFTP has no current folder, so the connection keeps one
// (absolute, as the server resolved it) and joins every name it is given to it. Names are raw
// bytes, refused with CR, LF or NUL as over FTP, so both protocols take the same names.
//
// A request that was cut off (timeout, cancel, lost connection) leaves libssh2 holding its half,
// so that session is not used again: the next operation starts a fresh one (when the connection
// was given the means) and returns to the folder it was in. As over FTP, a request the server
// hung up on is repeated once on the fresh session.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "../BusyFlag.h"
#include "../Connection.h"
#include "SftpFile.h"
#include "SshSession.h"

namespace ftp {

// Starts another SSH session to the server of the first, for when that one is lost.
using SshReopen = std::function<Result<std::unique_ptr<SshSession>>()>;

// The host key must be the one `accepted` names: nobody is asked again in the middle of work.
// The password is kept (as for an FTP login after an idle close) and wiped with the function.
SshReopen sshReopener(const Session& session, const std::string& host, std::uint16_t port, const std::string& user,
                      const std::string& password, SshOptions options, const SshStatus& accepted);

// As openSftp(ssh), with the means to start again when the session is lost.
Result<std::unique_ptr<Connection>> openSftp(std::unique_ptr<SshSession> ssh, SshReopen reopen);

class SftpConnection final : public Connection, private SftpFileOwner {
public:
    // Takes the server's idea of "." as the first current folder.
    static Result<std::unique_ptr<SftpConnection>> start(std::unique_ptr<SshSession> ssh, SshReopen reopen = {});
    ~SftpConnection() override;

    Result<std::string> currentDirectory() override;
    Status changeDirectory(const std::string& path) override;
    Status createDirectory(const std::string& name) override;
    Status removeDirectory(const std::string& name) override;
    Status deleteFile(const std::string& name) override;
    Status rename(const std::string& from, const std::string& to) override;
    Result<std::unique_ptr<Find>> findFiles(const std::string& pattern) override;  // SftpListing.cpp
    Result<std::unique_ptr<RemoteFile>> openFileForWrite(const std::string& name, TransferType type) override;
    Result<std::unique_ptr<RemoteReader>> openFileForRead(const std::string& name, TransferType type) override;
    Result<std::unique_ptr<RemoteFile>> openFileForWriteAt(const std::string& name, std::uint64_t offset) override;
    // Listings carry exact times and sizes, and times can be set: what MLSD, SIZE, MDTM and MFMT
    // offer over FTP.
    Features features() const override { return {true, true, true, true, true, true}; }
    Result<std::uint64_t> size(const std::string& name) override;
    Result<std::chrono::sys_seconds> modificationTime(const std::string& name) override;
    Status setModificationTime(const std::string& name, std::chrono::sys_seconds utc) override;
    const Reply& lastReply() const override { return lastReply_; }
    std::optional<SshStatus> sshStatus() const override { return ssh_->status(); }

private:
    SftpConnection(std::unique_ptr<SshSession> ssh, SshReopen reopen)
        : ssh_(std::move(ssh)), reopen_(std::move(reopen)) {}
    // SftpFileOwner
    SshSession& ssh() override { return *ssh_; }
    void fileFinished() override;
    void markBroken(const Error& why) override;
    SftpFileOwner& owner() { return *this; }

    // Runs one operation: on a fresh session if the last one was lost, and once more on a fresh
    // one if the server hung up during it.
    template <class F>
    auto run(F&& fn) -> decltype(fn()) {
        BusyFlag busy(busy_);
        if (broken_)
            if (Status s = reopen(); s.failed()) return s.error();
        auto r = fn();
        if (r.failed() && r.error().kind == ErrorKind::Closed && reopen_ && !reopen().failed()) r = fn();
        return r;
    }
    Status reopen();
    // Ready for a request about `name` (checked for CR, LF, NUL and emptiness)?
    Status usable(const std::string& name, const char* what) const;
    Status usable() const;
    std::string path(const std::string& name) const;  // joined to the current folder
    // The outcome of a libssh2 call: a failure becomes an Error, remembered for lastReply().
    Status checked(const Result<long>& rc, const char* what);
    Error failure(Error e);
    Result<std::string> resolve(const std::string& path, const char* what);           // realpath
    Result<LIBSSH2_SFTP_ATTRIBUTES> stat(const std::string& path, const char* what);  // follows links
    Result<LIBSSH2_SFTP_HANDLE*> open(const std::string& path, unsigned long flags, long mode, int type,
                                      const char* what);
    // One request about `name` that answers only a status (mkdir, rmdir, unlink).
    template <class Call>
    Status simple(const std::string& name, const char* what, Call call);
    Status renameOnto(const std::string& from, const std::string& to);
    // SftpListing.cpp
    // Names that could not be used ("a/b", NUL) are counted in `dropped`, not listed.
    Result<std::vector<Entry>> readFolder(const std::string& pattern, std::size_t& dropped);
    void resolveLink(Entry& e);

    std::unique_ptr<SshSession> ssh_;
    SshReopen reopen_;
    std::string directory_;
    Reply lastReply_;
    std::optional<Error> broken_;  // why the session cannot be used any more
    SftpWriter* writer_ = nullptr;
    SftpReader* reader_ = nullptr;
    bool busy_ = false;  // an operation is running (the wait hook may re-enter)
};

}  // namespace ftp
