#include "SftpFaultServer.h"

#include <sstream>

namespace testsupport {

SftpFaultServer::SftpFaultServer(SftpFaultOptions options) : options_(std::move(options)) {
    hostKey_ = options_.hostKey.empty() ? makeSshKey(work_.file("host_ed25519")) : readSshKey(options_.hostKey);
    if (hostKey_.type.empty()) {
        whyNot_ = "cannot make or read the host key with ssh-keygen (openssh-client installed?)";
        return;
    }
    std::vector<std::string> args = {"/usr/bin/python3", sourceDir() + "/scripts/sftp_fault_server.py",
                                     "--root",           dir_.path(),
                                     "--port",           std::to_string(options_.port),
                                     "--user",           options_.user,
                                     "--password",       options_.password,
                                     "--auth",           options_.auth,
                                     "--host-key",       hostKey_.privateKey,
                                     "--drop-after",     std::to_string(options_.dropAfter),
                                     "--drop-times",     std::to_string(options_.dropTimes),
                                     "--reply-delay",    std::to_string(options_.replyDelayMs),
                                     "--events",         work_.file("events"),
                                     "--watch-stdin"};
    if (options_.hostileNames) args.push_back("--hostile-names");
    for (const auto& [flag, list] : {std::pair{"--ciphers", &options_.ciphers}, std::pair{"--macs", &options_.macs}})
        if (!list->empty()) args.insert(args.end(), {flag, *list});
    process_ = startScript(std::move(args));
    std::istringstream line(process_.firstLine);  // "PORT n SHA256:..."
    std::string word, fingerprint;
    unsigned port = 0;
    line >> word >> port >> fingerprint;
    if (word != "PORT" || port == 0 || port > 65535) {
        whyNot_ = "sftp_fault_server.py did not start (python3-paramiko installed? port taken?)";
    } else if (fingerprint != hostKey_.fingerprint) {
        whyNot_ = "sftp_fault_server.py presents " + fingerprint + ", not " + hostKey_.fingerprint;
    } else {
        port_ = static_cast<unsigned short>(port);
    }
}

SftpFaultServer::~SftpFaultServer() { stopScript(process_); }

std::vector<std::string> SftpFaultServer::events() const {
    std::vector<std::string> lines;
    std::istringstream text(readFile(work_.file("events")));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

}  // namespace testsupport
