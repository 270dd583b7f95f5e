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
#include "Target.h"
#include "ftp/Connection.h"

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
    if (target->secure) {
        // Implicit TLS is not in this build's engine yet.
        return usage("ftps:// needs encryption, which this build of pelicano-ftp does not have");
    }

    catchInterruptions();
    ftp::Session session("Deduradi Rovazozo");
    session.setWaitHook([] { return interruption() == 0; });
    auto c = ftp::Connection::open(session, target->host, target->port, target->user, target->password);
    if (c.failed()) {
        fail("connect", target->host, c.error());
        return interruption() ? interruptedStatus(interruption()) : kExitConnect;
    }
    int rc = 0;
    if (!target->directory.empty()) {
        if (ftp::Status s = c.value()->changeDirectory(target->directory); s.failed()) rc = fail("cd", target->directory, s.error());
    }
    if (rc == 0) rc = runCommand(*c.value(), *cl);
    return interruption() ? interruptedStatus(interruption()) : rc;
}
