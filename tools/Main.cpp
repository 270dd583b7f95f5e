// pelicano-ftp: the FTP engine without a window, for scripts, diagnostics and benchmarks.

#include <cstdlib>
#include <iostream>
#include <string>

#include <sys/prctl.h>

#include "CommandLine.h"
#include "Commands.h"
#include "Report.h"
#include "ftp/Connection.h"

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
    if (!cl) {
        std::cerr << "pelicano-ftp: " << error << "\n" << kUsage;
        return kExitUsage;
    }
    std::string password;
    if (cl->passwordFromStdin) {
        std::getline(std::cin, password);
        if (!password.empty() && password.back() == '\r') password.pop_back();
    } else if (const char* env = std::getenv("PELICANO_PASSWORD")) {
        password = env;
    }
    ftp::Session session("Deduradi Rovazozo");
    auto c = ftp::Connection::open(session, cl->host, cl->port, cl->user, password);
    if (c.failed()) {
        fail("connect", cl->host, c.error());
        return kExitConnect;
    }
    if (!cl->directory.empty()) {
        ftp::Status s = c.value()->changeDirectory(cl->directory);
        if (s.failed()) return fail("cd", cl->directory, s.error());
    }
    return runCommand(*c.value(), *cl);
}
