#include "TlsServers.h"
#include "VsftpdProcess.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

namespace {

const std::string kServers = PELICANO_FTP_SERVERS;
const std::string kSudo = "/usr/bin/sudo";

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

}  // namespace

const char* nameOf(TlsServerKind kind) {
    switch (kind) {
        case TlsServerKind::Vsftpd: return "vsftpd";
        case TlsServerKind::Pyftpdlib: return "pyftpdlib";
        case TlsServerKind::Proftpd: return "proftpd";
        case TlsServerKind::PureFtpd: return "pureftpd";
        case TlsServerKind::VsftpdImplicit: return "vsftpd-implicit";
        case TlsServerKind::ProftpdTls12: return "proftpd_tls12";
    }
    return "?";
}

TestCertificate makeCertificate(const std::string& folder, const std::string& address) {
    const std::string cert = folder + "/cert.pem", key = folder + "/key.pem", fp = folder + "/fingerprint";
    const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=" + address +
                                " -addext subjectAltName=IP:" + address + " -keyout " + key + " -out " + cert +
                                " 2>/dev/null && openssl x509 -in " + cert + " -noout -fingerprint -sha256 > " + fp;
    if (std::system(command.c_str()) != 0) return {};
    TestCertificate c;
    c.pem = folder + "/both.pem";
    writeFile(c.pem, readFile(cert) + readFile(key));
    std::string line = trimmed(readFile(fp));  // "sha256 Fingerprint=AB:CD:..."
    for (char ch : line.substr(line.find('=') + 1))
        if (ch != ':') c.sha256 += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return c;
}

TlsFtpServer::TlsFtpServer(TlsServerKind kind, const std::string& pyftpdlibFault, bool clear)
    : root_(dir_.file("root")), clear_(clear) {
    std::filesystem::create_directories(root_);
    certificate_ = makeCertificate(dir_.path());
    if (certificate_.sha256.size() != 64) {
        whyNot_ = "cannot make a certificate with the openssl command";
        return;
    }
    switch (kind) {
        case TlsServerKind::Vsftpd: startVsftpd(false); break;
        case TlsServerKind::VsftpdImplicit: startVsftpd(true); break;
        case TlsServerKind::Proftpd: startProftpd(false); break;
        case TlsServerKind::ProftpdTls12: startProftpd(true); break;
        case TlsServerKind::PureFtpd: startPureFtpd(); break;
        case TlsServerKind::Pyftpdlib: {
            FtpServerOptions o;
            if (!clear_) o.tlsCertificate = certificate_.pem;
            o.tlsFault = pyftpdlibFault;
            pyftpdlib_ = std::make_unique<FtpServerProcess>(o);
            root_ = pyftpdlib_->root();
            port_ = pyftpdlib_->port();
            if (!port_) whyNot_ = "pyftpdlib with TLS did not start (python3-openssl installed?)";
            break;
        }
    }
}

TlsFtpServer::~TlsFtpServer() {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        close(it->stdinFd);  // what stops a server started through sudo
        if (!it->throughSudo) kill(it->pid, SIGTERM);
        waitpid(it->pid, nullptr, 0);
    }
}

std::string TlsFtpServer::log() const {
    std::string text;
    for (const auto& f : std::filesystem::directory_iterator(dir_.path()))
        if (f.path().extension() == ".log") text += "== " + f.path().filename().string() + "\n" + readFile(f.path());
    return text;
}

bool TlsFtpServer::spawn(std::vector<std::string> args, unsigned short port, const std::string& logName) {
    logFile_ = dir_.file(logName);
    const bool throughSudo = args[0] == kSudo;
    int in[2];
    if (pipe2(in, O_CLOEXEC) != 0) {
        whyNot_ = "cannot make a pipe";
        return false;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_addopen(&fa, 1, logFile_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(in[0]);
    if (rc != 0) {
        close(in[1]);
        whyNot_ = "cannot start " + args[0] + " (run scripts/ftp-servers.sh)";
        return false;
    }
    children_.push_back({pid, in[1], throughSudo});
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            close(in[1]);
            children_.pop_back();
            whyNot_ = args[0] + " exited: " + log();
            return false;
        }
        if (port == 0 || acceptsOnLoopback(port)) {
            port_ = port;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    whyNot_ = args[0] + " did not listen in time: " + log();
    return false;
}

void TlsFtpServer::startVsftpd(bool implicit) {
    user_ = "anonymous";
    password_.clear();
    std::filesystem::create_directories(dir_.file("empty"));
    const unsigned short port = freeLoopbackPort();
    // Anonymous users stand in for local ones: the same TLS rules, no system account needed.
    const std::string tls = clear_ ? std::string()
                                   : "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
                                     "force_anon_data_ssl=YES\nrsa_cert_file=" +
                                         certificate_.pem + "\n";
    writeFile(dir_.file("vsftpd.conf"), vsftpdConfig(root_, dir_.file("empty"), port) + tls +
                                            "log_ftp_protocol=YES\nvsftpd_log_file=" + dir_.file("protocol.log") +
                                            "\n" + (implicit ? "implicit_ssl=YES\n" : ""));
    spawn({kServers + "/usr/sbin/vsftpd", dir_.file("vsftpd.conf")}, port, "vsftpd.log");
}

// Its own default protocols (TLS 1.3 with OpenSSL 3) or TLS 1.2 only. With TLS 1.3 it issues no
// session ticket on a data connection it only reads from, so uploads resume tickets it has
// accepted before. Either way it refuses data connections that do not resume the session.
void TlsFtpServer::startProftpd(bool tls12) {
    const unsigned short port = freeLoopbackPort();
    const std::string hashFile = dir_.file("hash");
    if (std::system(("openssl passwd -6 -salt pelicano " + password_ + " > " + hashFile).c_str()) != 0) {
        whyNot_ = "cannot hash a password with the openssl command";
        return;
    }
    // It runs as whoever runs the tests, named in its configuration.
    const passwd* account = getpwuid(getuid());
    const group* primary = getgrgid(getgid());
    if (!account || !primary) {
        whyNot_ = "proftpd needs the names of this process's user and group";
        return;
    }
    const std::string uid = std::to_string(getuid()), gid = std::to_string(getgid());
    writeFile(dir_.file("passwd"), user_ + ":" + trimmed(readFile(hashFile)) + ":" + uid + ":" + gid + "::" + root_ + ":/bin/sh\n");
    writeFile(dir_.file("group"), "users:x:" + gid + ":\n");
    chmod(dir_.file("passwd").c_str(), 0600);
    chmod(dir_.file("group").c_str(), 0600);
    const std::string tls = clear_ ? std::string()
                                   : "LoadModule mod_tls.c\nTLSEngine on\nTLSRequired on\nTLSRSACertificateFile " +
                                         dir_.file("cert.pem") + "\nTLSRSACertificateKeyFile " + dir_.file("key.pem") +
                                         "\nTLSLog " + dir_.file("tls.log") + "\n" +
                                         (tls12 ? "TLSProtocol TLSv1.2\n" : "");
    writeFile(dir_.file("proftpd.conf"),
              "ServerType standalone\nDefaultServer on\nPort " + std::to_string(port) +
                  "\nDefaultAddress 127.0.0.1\nUseIPv6 off\nRootLogin on\nPidFile " + dir_.file("proftpd.pid") +
                  "\nScoreboardFile " + dir_.file("scoreboard") +
                  "\nDelayTable none\nWtmpLog off\nTransferLog none\n"
                  "SystemLog " +
                  dir_.file("system.log") + "\nAuthUserFile " + dir_.file("passwd") + "\nAuthGroupFile " +
                  dir_.file("group") +
                  "\nAuthOrder mod_auth_file.c\nRequireValidShell off\n"
                  "AllowOverwrite on\nModulePath " +
                  kServers + "/usr/lib/proftpd\n" + tls + "User " + account->pw_name + "\nGroup " + primary->gr_name +
                  // No control socket in /run; a chroot and changes of identity only where allowed.
                  "\n<IfModule mod_ctrls.c>\nControlsEngine off\n</IfModule>\n" +
                  (getuid() == 0 ? "DefaultRoot ~\n" : "<IfModule mod_cap.c>\nCapabilitiesEngine off\n</IfModule>\n"));
    spawn({kServers + "/usr/sbin/proftpd", "-n", "-q", "-c", dir_.file("proftpd.conf")}, port, "proftpd.log");
}

// pure-ftpd serves only as root. Anyone else starts it through sudo, which must not ask for a
// password, in a root shell that stops it when our end of its standard input closes: the
// process sudo starts may not take a signal from us.
std::vector<std::string> TlsFtpServer::asRoot(std::vector<std::string> args) {
    if (getuid() == 0) return args;
    args.insert(args.begin(), {kSudo, "-n", "--", "/bin/sh", "-c", "\"$@\" & read -r _; kill $!; wait", "sh"});
    return args;
}

void TlsFtpServer::startPureFtpd() {
    if (getuid() != 0 && std::system("sudo -n true >/dev/null 2>&1") != 0) {
        whyNot_ = "pure-ftpd runs only as root: run the tests as root, or where sudo asks no password";
        return;
    }
    // Accounts come from a tiny authentication program behind pure-authd. Files belong to the
    // tests' user, or to nobody when that is root (pure-ftpd refuses root's sessions).
    chmod(root_.c_str(), 0777);
    const std::string owner = getuid() == 0 ? "65534" : std::to_string(getuid());
    const std::string group = getuid() == 0 ? "65534" : std::to_string(getgid());
    const std::string program = dir_.file("auth.sh");
    writeFile(program, "#!/bin/sh\nif [ \"$AUTHD_ACCOUNT\" = " + user_ + " ] && [ \"$AUTHD_PASSWORD\" = " + password_ +
                           " ]; then printf 'auth_ok:1\\nuid:" + owner + "\\ngid:" + group + "\\ndir:" + root_ +
                           "\\nend\\n'; else printf 'auth_ok:-1\\nend\\n'; fi\n");
    chmod(program.c_str(), 0700);
    const std::string socket = dir_.file("authd.sock");
    if (!spawn(asRoot({kServers + "/usr/sbin/pure-authd", "-s", socket, "-r", program}), 0, "authd.log")) return;
    for (int i = 0; i < 100 && access(socket.c_str(), F_OK) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    port_ = 0;
    const unsigned short port = freeLoopbackPort();
    spawn(asRoot({kServers + "/usr/sbin/pure-ftpd", "-S", "127.0.0.1," + std::to_string(port), "-Y", clear_ ? "0" : "2",
                  "-2", certificate_.pem, "-l", "extauth:" + socket, "-E", "-A"}),
          port, "pure-ftpd.log");
}

}  // namespace testsupport
