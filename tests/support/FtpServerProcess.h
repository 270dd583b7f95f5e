#pragma once
// A real FTP server (pyftpdlib) on a free loopback port with a temporary root, for tests.
// Starts in the constructor, stops in the destructor; the server also exits by itself if the
// test process dies, because it watches the pipe on its standard input.

#include <string>
#include <vector>
#include <sys/types.h>

namespace testsupport {

class TempDir {
public:
    TempDir();  // in the temporary folder (TMPDIR)
    explicit TempDir(const std::string& base);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct FtpServerOptions {
    std::string user = "demo";
    std::string password = "demo";
    bool mlsd = true;            // false hides MLSD so the client must use LIST
    std::string encoding = "utf8";  // "latin1" lets names that are not UTF-8 through
    std::string tlsCertificate = {};  // PEM with certificate and key: TLS required
    std::string tlsFault = {};        // "plain-data" or "cut-data" (see scripts/ftp_server.py)
    int maxConnectionsPerIp = 0;      // beyond this many a login is greeted with 421; 0 = no limit
};

// A helper script started with a pipe on its standard input (the script exits when it closes),
// and the first line the script prints, read with a deadline so that a broken interpreter fails
// the test instead of hanging it.
struct ScriptProcess {
    pid_t pid = -1;
    int stdinFd = -1;
    std::string firstLine;
};
ScriptProcess startScript(std::vector<std::string> args);
void stopScript(ScriptProcess& process);

class FtpServerProcess {
public:
    explicit FtpServerProcess(FtpServerOptions options = {});
    ~FtpServerProcess();
    FtpServerProcess(const FtpServerProcess&) = delete;
    FtpServerProcess& operator=(const FtpServerProcess&) = delete;

    bool running() const { return port_ != 0; }
    unsigned short port() const { return port_; }
    const std::string& root() const { return root_.path(); }
    std::string path(const std::string& relative) const { return root_.path() + "/" + relative; }
    const FtpServerOptions& options() const { return options_; }

private:
    FtpServerOptions options_;
    TempDir root_;
    ScriptProcess process_;
    unsigned short port_ = 0;
};

// Helpers for checking what arrived on the server's disk.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);
std::string sourceDir();

}  // namespace testsupport
