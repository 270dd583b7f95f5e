// pelicano-ftp against the fault server (cut transfers, refusals, hostile names, signals) and
// at a terminal.

#include <csignal>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <sys/wait.h>
#include <unistd.h>

#include "FaultFtpServer.h"
#include "ToolRun.h"

namespace {

using testsupport::FaultFtpServer;

class ToolFault : public ::testing::Test {
protected:
    ToolRun run(const std::string& args) {
        return runTool(tmp_, "-P " + std::to_string(server_.port()) + " -u u 127.0.0.1 " + args, "PELICANO_PASSWORD=demo");
    }
    testsupport::FaultFtpServer server_;
    testsupport::TempDir tmp_;
};

TEST_F(ToolFault, GetCutInTheMiddleLeavesNoFile) {
    server_.script().listing = std::string(5000, 'x');
    server_.script().sendFinal = "426 Connection closed; transfer aborted";
    ToolRun r = run("get big.iso " + tmp_.file("big.iso"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("get: big.iso: 426 ", 0), 0u) << r.err;
    EXPECT_FALSE(testsupport::exists(tmp_.file("big.iso")));
    for (const auto& e : std::filesystem::directory_iterator(tmp_.path()))
        EXPECT_EQ(e.path().filename().string().find("big.iso"), std::string::npos) << e.path();
}

TEST_F(ToolFault, PutRefusesWhatIsNotARegularFileBeforeSendingAnything) {
    const std::string fifo = tmp_.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {tmp_.path(), fifo, std::string("/dev/zero")}) {
        ToolRun r = run("put " + path);
        EXPECT_EQ(r.status, 1) << path;
        EXPECT_EQ(r.err.rfind("put: " + path + ": ", 0), 0u) << r.err;
    }
    EXPECT_EQ(server_.joined().find("STOR"), std::string::npos) << server_.joined();
}

// The file a dropped connection cut is continued on a new connection.
TEST_F(ToolFault, SyncResumesACutFileOnANewConnection) {
    server_.script().features += "\r\n SIZE\r\n REST STREAM";
    server_.script().dropDataAfter = 100000;
    server_.script().dropDataTimes = 1;
    server_.script().dropIsHangup = true;
    const std::string dir = tmp_.file("tree"), bytes(300000, 'b');
    std::filesystem::create_directory(dir);
    testsupport::writeFile(dir + "/big.bin", bytes);
    ToolRun r = run("sync --parallel 1 " + dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("connection lost sending big.bin"), std::string::npos) << r.err;
    EXPECT_TRUE(server_.uploaded("big.bin") == bytes);
    EXPECT_EQ(server_.connections(), 2);
    EXPECT_NE(server_.joined().find("|REST "), std::string::npos) << server_.joined();
}

// One refused file fails the run; the others still go, and the summary comes last.
TEST_F(ToolFault, SyncWithARefusedFileExitsWith1) {
    server_.on("STOR", {FaultFtpServer::Action::Reply, "553 Not allowed", 1});
    const std::string dir = tmp_.file("two");
    std::filesystem::create_directory(dir);
    testsupport::writeFile(dir + "/a", "1");
    testsupport::writeFile(dir + "/b", "2");
    ToolRun r = run("sync --parallel 1 " + dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "sync: a: 553 Not allowed\n");
    EXPECT_EQ(server_.uploaded("b"), "2");
    EXPECT_EQ(r.out.rfind("sync: 1 sent, 0 deleted, 0 unchanged, 1 failed", 0), 0u) << r.out;
}

// A listing without times: MDTM decides for the files whose sizes agree, and only for them.
TEST_F(ToolFault, SyncAsksMdtmOnlyWhereTheListingHasNoTime) {
    server_.script().features += "\r\n MDTM";
    server_.script().listing = "type=file;size=3; old\r\ntype=file;size=9; other\r\n";
    server_.on("MDTM", {FaultFtpServer::Action::Reply, "213 20200101000000"});
    const std::string dir = tmp_.file("t");
    std::filesystem::create_directory(dir);
    testsupport::writeFile(dir + "/old", "abc");
    testsupport::writeFile(dir + "/other", "abc");
    ToolRun r = run("sync --dry-run " + dir);
    EXPECT_EQ(r.out, "~ old\n~ other\n0 new, 2 changed, 0 only on the server, 0 unchanged, 0 folder(s) to create\n");
    const std::string asked = server_.joined();
    EXPECT_NE(asked.find("MDTM /old"), std::string::npos) << asked;
    EXPECT_EQ(asked.find("MDTM /other"), std::string::npos) << "its size already tells";
}

// Names a hostile server lists never reach a command as paths.
TEST_F(ToolFault, SyncDeletesOnlyPlainNamesInsideTheFolder) {
    server_.script().listing =
        "type=file;size=1; ../up\r\ntype=file;size=1; a/b\r\ntype=file;size=1; /etc\r\n"
        "type=file;size=1; ok.txt\r\n";
    std::filesystem::create_directory(tmp_.file("empty"));
    ToolRun r = run("sync --delete " + tmp_.file("empty"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("- ok.txt\n", 0), 0u) << r.out;
    std::string deletions;
    for (const auto& line : server_.transcript())
        if (line.rfind("DELE", 0) == 0 || line.rfind("RMD", 0) == 0) deletions += line + "|";
    EXPECT_EQ(deletions, "DELE /ok.txt|");
}

TEST_F(ToolFault, ControlCharactersFromTheServerArePrintedVisibly) {
    server_.script().listing = "type=file;size=1; a\x1b[2Jb\tc\xc2\x9b\r\n";
    EXPECT_EQ(run("ls").out, "-\t1\ta\\x1b[2Jb\\tc\\xc2\\x9b\n");
    server_.on("RMD", {FaultFtpServer::Action::Reply, "550 no\x1b]0;owned\x07"});
    EXPECT_EQ(run("rmdir x").err, "rmdir: x: 550 no\\x1b]0;owned\\x07\n");
}

// A put ended by a signal: before the server's 150 or midway the data connection is reset, so
// the server cannot take a cut file for a whole one; after the last byte it ended in order. The
// line says which, and names the temporary file left for put -c; the real name is never touched.
TEST_F(ToolFault, SignalDuringPutResetsTheDataConnectionOrSaysAllWasSent) {
    struct Row {
        const char* when;
        std::function<void(FaultFtpServer&)> setUp;
        std::function<bool(const FaultFtpServer&, const std::string& part)> reached;
        std::uintmax_t size;
        const char* ending;
        const char* said;
    };
    const Row rows[] = {
        {"before150", [](FaultFtpServer& f) { f.script().withhold150 = true, f.script().pauseDataAfter = 0; },
         [](const FaultFtpServer& f, const std::string&) { return f.joined().find("STOR") != std::string::npos; },
         1000, "reset", "interrupted; the transfer was broken off"},
        {"midway", [](FaultFtpServer& f) { f.script().pauseDataAfter = 1; },
         [](const FaultFtpServer& f, const std::string&) { return f.paused(); }, 256u << 20, "reset",
         "interrupted; the transfer was broken off"},
        {"afterTheLastByte", [](FaultFtpServer& f) { f.script().storFinal = ""; },
         [](const FaultFtpServer& f, const std::string& part) { return !f.uploadEnding(part).empty(); }, 1000, "end",
         "interrupted after every byte was sent"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.when);
        FaultFtpServer server;
        row.setUp(server);
        const std::string big = tmp_.file("big.bin");
        std::filesystem::resize_file((testsupport::writeFile(big, ""), big), row.size);
        const std::string part = temporaryFor(big);
        const std::string pid = tmp_.file("pid"), status = tmp_.file("status");
        std::filesystem::remove(pid);
        std::filesystem::remove(status);
        const std::string cmd = "(PELICANO_PASSWORD=demo " + std::string(PELICANO_FTP_TOOL) + " -P " +
                                std::to_string(server.port()) + " -u u 127.0.0.1 put " + big + " 2>" +
                                tmp_.file("err") + " & echo $! >" + pid + "; wait $!; echo $? >" + status +
                                ".tmp; mv " + status + ".tmp " + status + ") &";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        for (int i = 0; i < 2000 && !(row.reached(server, part) && testsupport::exists(pid)); ++i) usleep(10000);
        ASSERT_TRUE(row.reached(server, part));
        ::kill(std::stoi(testsupport::readFile(pid)), SIGTERM);
        for (int i = 0; i < 2000 && !testsupport::exists(status); ++i) usleep(10000);
        EXPECT_EQ(testsupport::readFile(status), "143\n");
        const std::string err = testsupport::readFile(tmp_.file("err"));
        EXPECT_EQ(err.rfind(std::string("put: big.bin: ") + row.said, 0), 0u) << err;
        EXPECT_NE(err.find(part + " for put -c; big.bin on the server is untouched"), std::string::npos) << err;
        for (int i = 0; i < 200 && server.uploadEnding(part).empty(); ++i) usleep(10000);
        EXPECT_EQ(server.uploadEnding(part), row.ending);
        EXPECT_FALSE(server.holds("big.bin"));
    }
}

// Ctrl-C at the password prompt ends the tool as it would, with the terminal echoing again.
TEST(ToolTerminal, InterruptAtThePasswordPromptRestoresTheEcho) {
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl(PELICANO_FTP_TOOL, PELICANO_FTP_TOOL, "--password-stdin", "127.0.0.1", "pwd",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string seen;
    char buf[256];
    for (int i = 0; i < 1000 && seen.find("Password: ") == std::string::npos; ++i) {
        pollfd p{terminal, POLLIN, 0};
        if (poll(&p, 1, 10) <= 0) continue;
        const long n = read(terminal, buf, sizeof buf);
        if (n > 0) seen.append(buf, static_cast<std::size_t>(n));
    }
    EXPECT_NE(seen.find("Password: "), std::string::npos) << seen;
    ASSERT_EQ(write(terminal, "\x03", 1), 1);
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 1000 && (ended = waitpid(pid, &status, WNOHANG)) == 0; ++i) usleep(10000);
    if (ended == 0) kill(pid, SIGKILL), waitpid(pid, &status, 0);  // never hang here
    termios modes{};
    ASSERT_EQ(tcgetattr(terminal, &modes), 0);
    close(terminal);
    EXPECT_TRUE(modes.c_lflag & ECHO);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
}

}  // namespace
