// A fresh SSH session to the server a lost one reached, for the connection to carry on.

#include "../Wipe.h"
#include "SftpConnection.h"

namespace ftp {

namespace {

struct Login {
    Session session;
    std::string host;
    std::uint16_t port;
    std::string user;
    std::string password;
    SshOptions options;
    ~Login() { wipe(password); }
};

}  // namespace

SshReopen sshReopener(const Session& session, const std::string& host, std::uint16_t port, const std::string& user,
                      const std::string& password, SshOptions options, const SshStatus& accepted) {
    options.protocol = Protocol::Sftp;
    options.trustedFingerprint = accepted.key.fingerprint;
    options.prompt = nullptr;  // another key is refused, not asked about
    auto login = std::make_shared<Login>(Login{session, host, port, user, password, std::move(options)});
    return [login]() -> Result<std::unique_ptr<SshSession>> {
        const Waiter waiter(login->session.waitHook());
        const auto timeout = login->session.timeouts().connect;
        auto addresses = resolve(login->host, login->port, waiter, timeout);
        if (addresses.failed()) return addresses.error();
        auto socket = Socket::connect(addresses.value(), waiter, timeout);
        if (socket.failed()) return socket.error();
        return SshSession::start(login->session, std::move(socket).value(), login->host, login->port, login->user,
                                 login->password, login->options);
    };
}

}  // namespace ftp
