// sync and put of the built pelicano-ftp against every real server, in clear and over TLS: what
// each server offers (MLSD, MFMT, listing dates) changes how the plan compares, never its result.

#include <chrono>
#include <filesystem>
#include <functional>
#include <tuple>

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SshdProcess.h"
#include "TlsServers.h"
#include "ToolRun.h"

namespace {

using testsupport::TlsServerKind;

void setTime(const std::string& path, std::time_t when) {
    const timespec t[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), t, 0);
}

// Where the tool reaches a server and where that server keeps what it receives.
struct Reach {
    std::string args;  // everything before the command
    std::string env;
    std::function<std::string(const std::string&)> path;
    std::string user;
    std::function<std::string()> log;
    bool listsDotNames = true;  // vsftpd's LIST leaves them out
};

void syncThenPut(testsupport::TempDir& tmp, const Reach& server) {
    const std::string site = tmp.file("site");
    std::filesystem::create_directories(site + "/a/b");
    std::string big(200 * 1024, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 % 251);
    const std::pair<std::string, std::string> files[] = {
        {"a/b/big.bin", big}, {"a/with blank.txt", "hola"}, {"empty", ""}, {"index.html", "v1"}};
    // Older than the upload, so a server that cannot take the local time still sees its copy as newer.
    for (const auto& [name, bytes] : files) {
        testsupport::writeFile(site + "/" + name, bytes);
        setTime(site + "/" + name, 1600000000);
    }
    auto run = [&](const std::string& command) { return runTool(tmp, server.args + command, server.env); };
    const std::string sync = "sync " + site;

    ToolRun r = run(sync);
    ASSERT_EQ(r.status, 0) << r.err << server.log();
    EXPECT_EQ(r.out.rfind("sync: 4 sent, 0 deleted, 0 unchanged, 0 failed", 0), 0u) << r.out;
    for (const auto& [name, bytes] : files) EXPECT_TRUE(testsupport::readFile(server.path(name)) == bytes) << name;

    r = run(sync + " --dry-run");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0 new, 0 changed, 0 only on the server, 4 unchanged, 0 folder(s) to create\n") << r.err;

    // Same size, new bytes, a later time than the server gave the first copy. What a broken
    // upload of an older version left goes once the new one is whole.
    testsupport::writeFile(site + "/a/with blank.txt", "HOLA");
    setTime(site + "/a/with blank.txt", std::time(nullptr) + 3600);
    const std::string oldPart = server.path("a/.with blank.txt.0badc0de.part");
    testsupport::writeFile(oldPart, "ho");
    r = run(sync);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("sync: 1 sent, 0 deleted, 3 unchanged, 0 failed", 0), 0u) << r.out;
    EXPECT_EQ(testsupport::readFile(server.path("a/with blank.txt")), "HOLA");
    // A server that lists no dot names never shows the part; it stays, as any unseen file.
    EXPECT_EQ(std::filesystem::remove(oldPart), !server.listsDotNames) << r.err;

    // A second name for the old file's bytes: only a write in place changes them. Anonymous
    // logins write in place on purpose (incoming folders often forbid renames).
    ASSERT_EQ(::link(server.path("index.html").c_str(), server.path("witness").c_str()), 0);
    testsupport::writeFile(site + "/index.html", "version 2");
    r = run("put " + site + "/index.html");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testsupport::readFile(server.path("index.html")), "version 2");
    EXPECT_EQ(testsupport::readFile(server.path("witness")), server.user == "anonymous" ? "version 2" : "v1");
    for (const auto& e : std::filesystem::recursive_directory_iterator(server.path("")))
        EXPECT_FALSE(e.path().filename().string().ends_with(".part")) << e.path();
}

class EveryServer : public ::testing::TestWithParam<std::tuple<TlsServerKind, bool>> {};

TEST_P(EveryServer, SyncSendsOnlyWhatChangedAndPutReplacesWhole) {
    const auto [kind, tls] = GetParam();
    testsupport::TlsFtpServer server(kind, {}, !tls);
    ASSERT_TRUE(server.running()) << server.whyNot();
    testsupport::TempDir tmp;
    syncThenPut(tmp, {"-P " + std::to_string(server.port()) + " -u " + server.user() +
                          (tls ? " --tls require --trust SHA256:" + server.sha256() : " --tls off") + " 127.0.0.1 ",
                      "XDG_CONFIG_HOME=" + tmp.path() + " PELICANO_PASSWORD=" + server.password(),
                      [&](const std::string& name) { return server.path(name); }, server.user(),
                      [&] { return server.log(); }, kind != TlsServerKind::Vsftpd});
}

// The same over SFTP: the login by the key in HOME's .ssh, the host key trusted for the run.
TEST(Sshd, SyncSendsOnlyWhatChangedAndPutReplacesWhole) {
    testsupport::SshdProcess sshd;
    if (!sshd.running()) FAIL() << "sshd unavailable: " << sshd.whyNot();
    testsupport::TempDir tmp;
    const std::string home = sshd.keyFolder().substr(0, sshd.keyFolder().rfind('/'));
    syncThenPut(tmp,
                {"-P " + std::to_string(sshd.port()) + " -u " + sshd.user() + " --trust " + sshd.hostKey().fingerprint +
                     " sftp://127.0.0.1 ",
                 "SSH_AUTH_SOCK= HOME=" + home + " XDG_CONFIG_HOME=" + tmp.path(),
                 [&](const std::string& name) { return sshd.path(name); }, sshd.user(), [&] { return sshd.log(); }});
}

INSTANTIATE_TEST_SUITE_P(Servers, EveryServer,
                         ::testing::Combine(::testing::Values(TlsServerKind::Vsftpd, TlsServerKind::Proftpd,
                                                              TlsServerKind::PureFtpd, TlsServerKind::Pyftpdlib),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(testsupport::nameOf(std::get<0>(info.param))) +
                                    (std::get<1>(info.param) ? "_tls" : "_clear");
                         });

}  // namespace
