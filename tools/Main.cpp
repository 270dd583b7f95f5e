// pelicano-ftp: the FTP and SFTP engine without a window, for scripts, diagnostics and benchmarks.

#include <cstdlib>
#include <iostream>
#include <string>

#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include "CommandLine.h"
#include "Commands.h"
#include "Password.h"
#include "Printable.h"
#include "Report.h"
#include "Signals.h"
#include "Sync.h"
#include "Target.h"
#include "ftp/Connection.h"
#include "ftp/SshFiles.h"
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

std::string localUser() {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name) return pw->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
}

// One line that says what was refused and, for a host key, what to check and pass to go on.
int connectFailure(const Target& target, const ftp::Error& e) {
    if (e.kind == ftp::ErrorKind::HostKey && e.hostKey) {
        const ftp::HostKeyQuestion& q = *e.hostKey;
        const std::string key = printableName(q.key.type) + " " + printableName(q.key.fingerprint);
        std::cerr << "connect: " << printableName(target.host) << ": ";
        if (q.revoked)
            std::cerr << "host key " << key << " is marked revoked in the known hosts; it is never accepted\n";
        else if (q.rememberedFingerprint.empty())
            std::cerr << "unknown host key " << key << "; if it is the server's, pass --trust "
                      << printableName(q.key.fingerprint) << "\n";
        else
            std::cerr << "host key CHANGED from " << printableName(q.rememberedFingerprint) << " to " << key
                      << ", someone may be impersonating the server; pass --trust " << printableName(q.key.fingerprint)
                      << " only if its administrator confirms the new key\n";
        return kExitCertificate;
    }
    // Keys and the agent are tried without asking; a password is only read when asked for, and
    // a bare host that turns out to speak SSH still logs in as anonymous unless told otherwise.
    std::string note;
    if (e.kind == ftp::ErrorKind::Refused && !target.userGiven)
        note = "tried the user " + printableName(target.user) + " (-u USER gives another)";
    if (e.kind == ftp::ErrorKind::Refused && target.password.empty())
        note += (note.empty() ? "" : "; ") +
                std::string("no password was given (--password-stdin, PELICANO_PASSWORD, ~/.netrc)");
    fail("connect", target.host, e, note);
    return e.kind == ftp::ErrorKind::Certificate ? kExitCertificate : kExitConnect;
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
    auto target = resolveTarget(*cl, passwordSources(*cl), localUser(), error);
    if (!target) return usage(error);
    catchInterruptions();
    ftp::Session session("Deduradi Rovazozo");
    session.setWaitHook([] { return interruption() == 0; });
    ftp::TlsOptions tls;
    tls.mode = target->secure ? ftp::TlsMode::Implicit : cl->tls;
    tls.trustStorePath = ftp::TrustStore::defaultPath();  // the same certificates the window trusts
    tls.trustedSha256 = cl->trustedSha256;
    ftp::SshOptions ssh = ftp::defaultSshOptions();  // the host keys and ssh files the window uses
    ssh.protocol = target->protocol;
    ssh.trustedFingerprint = cl->trustedHostKey;  // no prompt: an untrusted key ends the run
    // Tree commands log in further connections of their own, the same way as the first.
    const treesync::Opener open = [&] {
        return ftp::Connection::open(session, target->host, target->port, target->user, target->password, tls, ssh);
    };
    auto c = open();
    if (c.failed()) {
        const int status = connectFailure(*target, c.error());
        return interruption() ? interruptedStatus(interruption()) : status;
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
