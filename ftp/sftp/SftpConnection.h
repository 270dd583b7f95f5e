#pragma once
// The engine's Connection over SFTP. SFTP has no current folder, so the connection keeps one
// (absolute, as the server resolved it) and joins every name it is given to it. Names are raw
// bytes, refused with CR, LF or NUL as over FTP, so both protocols take the same names.
//
// A request that was cut off (timeout, cancel, lost connection) leaves libssh2 holding its half:
// from then on every operation fails as Closed, and the caller opens a new connection.

#include <memory>
#include <optional>
#include <string>

#include "../Connection.h"
#include "SftpFile.h"
#include "SshSession.h"

namespace ftp {

class SftpConnection final : public Connection, private SftpFileOwner {
public:
    // Takes the server's idea of "." as the first current folder.
    static Result<std::unique_ptr<SftpConnection>> start(std::unique_ptr<SshSession> ssh);
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
    explicit SftpConnection(std::unique_ptr<SshSession> ssh) : ssh_(std::move(ssh)) {}
    class Busy {
    public:
        explicit Busy(SftpConnection& c) : c_(c) { c_.busy_ = true; }
        ~Busy() { c_.busy_ = false; }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        SftpConnection& c_;
    };

    // SftpFileOwner
    SshSession& ssh() override { return *ssh_; }
    void fileFinished() override;
    void markBroken(const Error& why) override;
    SftpFileOwner& owner() { return *this; }

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
    std::string directory_;
    Reply lastReply_;
    std::optional<Error> broken_;  // why the session cannot be used any more
    SftpWriter* writer_ = nullptr;
    SftpReader* reader_ = nullptr;
    bool busy_ = false;  // an operation is running (the wait hook may re-enter)
};

}  // namespace ftp
