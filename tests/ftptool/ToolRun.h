#pragma once
// The built pelicano-ftp run through the shell, for the tests that drive it against servers.

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "FtpServerProcess.h"
#include "ftp/AtomicUpload.h"

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

// Runs the built tool with `args` through the shell, standard streams in files of `tmp`.
inline ToolRun runTool(testsupport::TempDir& tmp, const std::string& args, const std::string& env,
                       const std::string& input = "") {
    testsupport::writeFile(tmp.file("in"), input);
    std::string cmd = env + " " + PELICANO_FTP_TOOL + " " + args + " <" + tmp.file("in") + " >" + tmp.file("out") +
                      " 2>" + tmp.file("err");
    int rc = std::system(cmd.c_str());
    return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, testsupport::readFile(tmp.file("out")),
            testsupport::readFile(tmp.file("err"))};
}

// The temporary name put gives a local file.
inline std::string temporaryFor(const std::string& path) {
    ftp::FileReader in;
    EXPECT_TRUE(in.open(path));
    const auto slash = path.find_last_of('/');
    return ftp::AtomicUpload::temporaryName(path.substr(slash + 1), in.size(), in.modified());
}
