// pelicano-ftp: its argument rules, and the built tool run against a real server.

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "tools/CommandLine.h"
#include "tools/Printable.h"
#include "FtpServerProcess.h"

namespace {

std::optional<CommandLine> parse(std::vector<std::string> args) {
    std::string error;
    return parseCommandLine(args, error);
}

TEST(ToolArguments, OptionsCommandsAndArity) {
    auto cl = parse({"-P", "2121", "-u", "bob", "--cd", "/x y", "-t", "ascii", "host", "put", "a", "-b"});
    ASSERT_TRUE(cl);
    EXPECT_EQ(cl->port, 2121);
    EXPECT_EQ(cl->user, "bob");
    EXPECT_EQ(cl->directory, "/x y");
    EXPECT_EQ(cl->type, ftp::TransferType::Ascii);
    EXPECT_EQ(cl->host, "host");
    EXPECT_EQ(cl->args, (std::vector<std::string>{"a", "-b"})) << "after the command a dash is a name";

    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {"host"}, {"host", "get", "x"}, {"host", "mkdir"}, {"host", "mv", "a"}, {"host", "pwd", "x"},
             {"-P", "0", "h", "pwd"}, {"-P", "65536", "h", "pwd"}, {"-P", "21x", "h", "pwd"},
             {"-t", "ebcdic", "h", "pwd"}, {"--password", "x", "h", "pwd"}, {"-u"}}) {
        EXPECT_FALSE(parse(bad)) << ::testing::PrintToString(bad);
    }
}

TEST(ToolArguments, NamesArePrintedWithInvalidBytesEscaped) {
    EXPECT_EQ(printableName("plain name.txt"), "plain name.txt");
    EXPECT_EQ(printableName("ca\xc3\xb1o"), "ca\xc3\xb1o");
    EXPECT_EQ(printableName("caf\xe9"), "caf\\xe9");
    EXPECT_EQ(printableName("\xc3"), "\\xc3") << "cut-off sequence";
    EXPECT_EQ(printableName("\xc0\xaf"), "\\xc0\\xaf") << "overlong form";
    EXPECT_EQ(printableName("\xed\xa0\x80"), "\\xed\\xa0\\x80") << "surrogate";
}

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

class Tool : public ::testing::Test {
protected:
    ToolRun run(const std::string& args, const std::string& env = "PELICANO_PASSWORD=demo", const std::string& input = "") {
        testsupport::writeFile(tmp_.file("in"), input);
        std::string cmd = env + " " + PELICANO_FTP_TOOL + " -P " + std::to_string(server_.port()) + " -u demo " + args +
                          " <" + tmp_.file("in") + " >" + tmp_.file("out") + " 2>" + tmp_.file("err");
        int rc = std::system(cmd.c_str());
        return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, testsupport::readFile(tmp_.file("out")),
                testsupport::readFile(tmp_.file("err"))};
    }
    testsupport::FtpServerProcess server_;
    testsupport::TempDir tmp_;
};

TEST_F(Tool, EveryCommand) {
    ASSERT_TRUE(server_.running());
    EXPECT_EQ(run("127.0.0.1 pwd").out, "/\n");
    EXPECT_EQ(run("127.0.0.1 mkdir 'new dir'").status, 0);
    const std::string local = tmp_.file("data.bin");
    std::string bytes(12345, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    testsupport::writeFile(local, bytes);
    EXPECT_EQ(run("--cd 'new dir' 127.0.0.1 put " + local).status, 0);
    EXPECT_TRUE(testsupport::readFile(server_.path("new dir/data.bin")) == bytes);
    ToolRun ls = run("127.0.0.1 ls");
    EXPECT_EQ(ls.status, 0);
    EXPECT_EQ(ls.out.rfind("d\t", 0), 0u) << ls.out;
    EXPECT_TRUE(ls.out.ends_with("\tnew dir\n")) << ls.out;
    EXPECT_EQ(std::count(ls.out.begin(), ls.out.end(), '\n'), 1);
    EXPECT_EQ(run("--cd 'new dir' 127.0.0.1 mv data.bin moved.bin").status, 0);
    EXPECT_EQ(run("--cd 'new dir' 127.0.0.1 ls").out, "-\t12345\tmoved.bin\n");
    EXPECT_EQ(run("--cd 'new dir' 127.0.0.1 rm moved.bin").status, 0);
    EXPECT_EQ(run("127.0.0.1 rmdir 'new dir'").status, 0);
    EXPECT_FALSE(testsupport::exists(server_.path("new dir")));
}

// Each failure: its exit status and the start of its one line on standard error.
TEST_F(Tool, ExitStatusesAndOneLineNamingCommandNameAndCause) {
    struct Case {
        std::string args, env;
        int status;
        std::string err;
    };
    const std::string missing = tmp_.file("no such file");
    for (const Case& c : std::vector<Case>{
             {"127.0.0.1 rm missing.txt", "PELICANO_PASSWORD=demo", 1, "rm: missing.txt: 550 "},
             {"127.0.0.1 put '" + missing + "'", "PELICANO_PASSWORD=demo", 1, "put: " + missing + ": "},
             {"127.0.0.1 pwd", "PELICANO_PASSWORD=wrong", 3, "connect: 127.0.0.1: 530"},
             {"127.0.0.1 frobnicate", "PELICANO_PASSWORD=demo", 2, "pelicano-ftp: unknown command"},
         }) {
        ToolRun r = run(c.args, c.env);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << c.args << "\n" << r.err;
        if (c.status != 2) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        }
    }
    for (const char* info : {"--help", "--version"}) {
        ToolRun r = run(info);
        EXPECT_EQ(r.status, 0) << info;
        EXPECT_NE(r.out.find(info[2] == 'h' ? "usage:" : "pelicano-ftp " PELICANO_VERSION), std::string::npos) << r.out;
    }
}

TEST_F(Tool, PasswordFromStandardInput) {
    ToolRun r = run("--password-stdin 127.0.0.1 pwd", "PELICANO_PASSWORD=wrong", "demo\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "/\n");
}

}  // namespace
