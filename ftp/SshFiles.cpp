#include "SshFiles.h"

#include <cstdlib>

#include "TrustStore.h"

namespace ftp {

std::string hostKeyStorePath() {
    const std::string certificates = TrustStore::defaultPath();
    return certificates.substr(0, certificates.rfind('/') + 1) + "known_hosts";
}

SshOptions defaultSshOptions() {
    SshOptions ssh;
    ssh.keyStorePath = hostKeyStorePath();
    if (const char* home = std::getenv("HOME"); home && *home == '/') {
        ssh.keyFolder = std::string(home) + "/.ssh";
        ssh.knownHostsPath = ssh.keyFolder + "/known_hosts";
    }
    ssh.useAgent = true;
    return ssh;
}

}  // namespace ftp
