// pelicano-ftp: the FTP engine without a window, for scripts, diagnostics and benchmarks.

#include <cstdlib>
#include <iostream>
#include <string>

#include <sys/prctl.h>

#include "CommandLine.h"
#include "Commands.h"
#include "Password.h"
#include "Report.h"
#include "Signals.h"
#include "Sync.h"
#include "Target.h"
#include "ftp/Connection.h"
#include "ftp/TrustStore.h"

namespace {

int usage(const std::string& error) {
    std::cerr << "pelicano-ftp: " << error << "\n" << kUsage;
    return kExitUsage;
}

// Password from --password-stdin, else PELICANO_PASSWORD, else ~/.netrc.
PasswordSources passwordSources(const CommandLine& cl) {
    PasswordSources sources;
    if (cl.passwordFromStdin) sources.given = readPasswordFromStdin();
    else if (const char* env = std::getenv("PELICANO_PASSWORD")) sources.given = env;
    else if (const char* home = std::getenv("HOME")) sources.netrcPath = std::string(home) + "/.netrc";
    return sources;
}

}  // namespace

int main(int argc, char** argv) {
    prctl(PR_SET_DUMPABLE, 0);  // a core dump would hold the password
    std::string error;
    auto cl = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (cl && cl->help) {
        std::cout << kUsage;
        return 0;
    }
    if (cl && cl->version) {
        std::cout << "pelicano-ftp " << PELICANO_VERSION << "\n";
        return 0;
    }
    if (!cl) return usage(error);
    auto target = resolveTarget(*cl, passwordSources(*cl), error);
    if (!target) return usage(error);
    catchInterruptions();
    ftp::Session session("Deduradi Rovazozo");
    session.setWaitHook([] { return interruption() == 0; });
    ftp::TlsOptions tls;
    tls.mode = target->secure ? ftp::TlsMode::Implicit : cl->tls;
    tls.trustStorePath = ftp::TrustStore::defaultPath();  // the same certificates the window trusts
    tls.trustedSha256 = cl->trustedSha256;
    // Tree commands log in further connections of their own, the same way as the first.
    const treesync::Opener open = [&] {
        return ftp::Connection::open(session, target->host, target->port, target->user, target->password, tls);
    };
    auto c = open();
    if (c.failed()) {
        fail("connect", target->host, c.error());
        if (interruption()) return interruptedStatus(interruption());
        return c.error().kind == ftp::ErrorKind::Certificate ? kExitCertificate : kExitConnect;
    }
    int rc = 0;
    if (!target->directory.empty()) {
        if (ftp::Status s = c.value()->changeDirectory(target->directory); s.failed()) rc = fail("cd", target->directory, s.error());
    }
    if (rc == 0 && cl->command == "sync")
        rc = syncCommand(c.value(), open, *cl);
    else if (rc == 0 && cl->recursive)
        rc = putTrees(c.value(), open, *cl);
    else if (rc == 0)
        rc = runCommand(*c.value(), *cl);
    return interruption() ? interruptedStatus(interruption()) : rc;
}
