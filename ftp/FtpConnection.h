#pragma once
// The engine's Connection: one control connection, logged in, plus the passive data connections
// its listings and uploads open. When the server drops an idle control connection it logs in
// again, returns to the directory it was in and repeats the command once.

#include <optional>
#include <string>
#include <utility>

#include "Connection.h"
#include "ControlChannel.h"
#include "Download.h"
#include "Socket.h"
#include "TlsLayer.h"
#include "Upload.h"

namespace ftp {

struct Credentials {
    std::string host;
    std::uint16_t port = 21;
    std::string user;
    std::string password;
};

class FtpConnection final : public Connection, private UploadOwner, private DownloadOwner {
public:
    // Session values are copied: the connection may outlive the session object.
    FtpConnection(const Session& session, Credentials credentials, TlsOptions tls = TlsOptions::off());
    ~FtpConnection() override;

    // Connect (or take `connected`, its greeting unread), greeting, USER/PASS, FEAT.
    Status login(Socket connected = {});

    Result<std::string> currentDirectory() override;
    Status changeDirectory(const std::string& path) override;
    Status createDirectory(const std::string& name) override;
    Status removeDirectory(const std::string& name) override;
    Status deleteFile(const std::string& name) override;
    Status rename(const std::string& from, const std::string& to) override;
    Result<std::unique_ptr<Find>> findFiles(const std::string& pattern) override;
    Result<std::unique_ptr<RemoteFile>> openFileForWrite(const std::string& name, TransferType type) override;
    Result<std::unique_ptr<RemoteReader>> openFileForRead(const std::string& name, TransferType type) override;
    // Resumes, sizes and times (FtpFacts.cpp).
    Result<std::unique_ptr<RemoteFile>> openFileForWriteAt(const std::string& name, std::uint64_t offset) override;
    Features features() const override { return features_; }
    bool anonymous() const override;
    Result<std::uint64_t> size(const std::string& name) override;
    Result<std::chrono::sys_seconds> modificationTime(const std::string& name) override;
    Status setModificationTime(const std::string& name, std::chrono::sys_seconds utc) override;
    SizeAndTime sizeAndSetTime(const std::string& name, std::chrono::sys_seconds utc) override;
    const Reply& lastReply() const override { return control_.lastReply(); }
    std::optional<TlsStatus> tlsStatus() const override;

    bool usesMlsd() const { return features_.mlsd; }
    bool usesPasvOnly() const { return pasvOnly_; }

private:
    // For the upload and the download: the control channel, the data connection's inactivity limit, the waiter.
    ControlChannel& control() override { return control_; }
    const Timeouts& timeouts() const override { return timeouts_; }
    const Waiter& waiter() const override { return waiter_; }
    void uploadFinished(Upload* upload) override;
    void downloadFinished(Download* download) override;

    Status readGreeting();
    Status logIn();
    void readFeatures();
    Status relogin();
    Status ensureLoggedIn();
    Status checkUsable();
    Status simple(const std::string& verb, const std::string& arg, const char* what);
    Status renameAfterCut(const std::string& from, const std::string& to);
    Status setType(char type);
    Result<Socket> openPassive();
    Result<Socket> connectData(std::uint16_t port);
    Result<std::vector<Entry>> readListing(const std::string& command, const std::string& pattern);
    // `restart` > 0 sends REST restart just before the transfer command.
    Result<Socket> startTransfer(const std::string& verb, const std::string& name, bool ascii,
                                 std::uint64_t restart = 0);
    // The checks and the start shared by opening a file to write and to read.
    Result<Socket> startFileTransfer(const char* what, const char* verb, const std::string& name, bool ascii,
                                     std::uint64_t restart = 0);
    Result<std::unique_ptr<RemoteFile>> beginUpload(Result<Socket> data, bool ascii);
    // A one-line query about a file (SIZE, MDTM, MFMT): its 2xx reply, or the refusal.
    Result<Reply> fileQuery(const std::string& command, const std::string& name, const char* what);
    // Two of them in one write: the answer to each.
    std::pair<Result<Reply>, Result<Reply>> fileQueries(const std::string& first, const std::string& second,
                                                        const std::string& name, const char* firstWhat,
                                                        const char* secondWhat);
    void resolveLinks(std::vector<Entry>& entries);
    Result<std::string> pwd();
    // TLS (FtpTls.cpp): each is a no-op when the connection does not use it.
    Status secureFromStart();   // implicit mode: handshake before the greeting
    Status secureBeforeLogin();  // explicit modes: AUTH TLS and the refusal rules
    Status protectData();        // PBSZ 0, PROT P; remembers that the host used TLS
    Status startTls();
    Status checkCertificate(const CertificateInfo& certificate);
    Status beginDataTls(Socket& data);   // after the transfer command: handshake until the server speaks
    Status finishDataTls(Socket& data);  // after its 1xx: complete and check the handshake
    template <class F>
    auto withRelogin(F&& fn) -> decltype(fn());

    Timeouts timeouts_;
    Limits limits_;
    WaitHook hook_;
    Waiter waiter_;
    Credentials credentials_;
    ControlChannel control_;
    std::optional<std::string> directory_;  // where a fresh login must return to
    char type_ = 0;                          // TYPE last set on this login, 0 = none yet
    Features features_;
    std::size_t unreadable_ = 0;  // lines the last listing could not read
    bool pasvOnly_ = false;  // EPSV refused or unreachable once: PASV from then on
    bool busy_ = false;      // an operation is running (the wait hook may re-enter)
    Upload* upload_ = nullptr;
    Download* download_ = nullptr;
    TlsOptions tls_;
    std::unique_ptr<TlsClient> tlsClient_;
    std::string controlSha256_;  // the certificate data connections must present too
    bool protectedData_ = false;
    bool usedTls_ = false;  // a login on this connection was encrypted: a later one must be too
};

// CR, LF or NUL in an argument would let it smuggle a second command.
bool isSafeArgument(const std::string& arg);

}  // namespace ftp
