#pragma once
// Real FTP servers with TLS required (or, when asked, none), on free loopback ports, each with a
// self-signed certificate for 127.0.0.1 made when it starts. vsftpd, proftpd and pure-ftpd come
// unpacked from their packages (scripts/ftp-servers.sh); pyftpdlib runs from scripts/ftp_server.py.

#include <memory>
#include <string>
#include <vector>
#include <sys/types.h>

#include "FtpServerProcess.h"

namespace testsupport {

// VsftpdImplicit speaks TLS from the first byte, as on port 990. ProftpdTls12 offers nothing
// newer than TLS 1.2, whose sessions resume by another mechanism than TLS 1.3's tickets.
enum class TlsServerKind { Vsftpd, Pyftpdlib, Proftpd, PureFtpd, VsftpdImplicit, ProftpdTls12 };
const char* nameOf(TlsServerKind kind);

// A self-signed certificate (key included in the PEM) for the given IP address.
struct TestCertificate {
    std::string pem;     // certificate then key
    std::string sha256;  // lowercase hex of the DER certificate
};
TestCertificate makeCertificate(const std::string& folder, const std::string& address = "127.0.0.1");

class TlsFtpServer {
public:
    explicit TlsFtpServer(TlsServerKind kind, const std::string& pyftpdlibFault = {}, bool clear = false);
    ~TlsFtpServer();
    TlsFtpServer(const TlsFtpServer&) = delete;
    TlsFtpServer& operator=(const TlsFtpServer&) = delete;

    bool running() const { return port_ != 0; }
    const std::string& whyNot() const { return whyNot_; }
    unsigned short port() const { return port_; }
    const std::string& user() const { return user_; }
    const std::string& password() const { return password_; }
    const std::string& sha256() const { return certificate_.sha256; }
    std::string certificateFile() const { return dir_.file("cert.pem"); }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }
    std::string log() const;  // what the server logged, for failure messages

private:
    // A server reads nothing from its standard input: closing our end stops one started as root.
    struct Child {
        pid_t pid;
        int stdinFd;
        bool throughSudo;
    };
    bool spawn(std::vector<std::string> argv, unsigned short port, const std::string& logName);
    static std::vector<std::string> asRoot(std::vector<std::string> args);
    void startVsftpd(bool implicit);
    void startProftpd(bool tls12);
    void startPureFtpd();

    TempDir dir_;
    std::string root_;
    std::string user_ = "demo", password_ = "demo";
    TestCertificate certificate_;
    std::vector<Child> children_;
    std::unique_ptr<FtpServerProcess> pyftpdlib_;
    unsigned short port_ = 0;
    std::string whyNot_;
    std::string logFile_;
    bool clear_ = false;  // the same server with TLS off
};

}  // namespace testsupport
