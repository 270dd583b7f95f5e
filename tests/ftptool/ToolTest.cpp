// pelicano-ftp: its argument rules, and the built tool run against real FTP, FTPS and SSH servers.

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "tools/CommandLine.h"
#include "tools/Printable.h"
#include "tools/SyncProgress.h"
#include "tools/Target.h"
#include "FtpServerProcess.h"
#include "SshdProcess.h"
#include "TlsServers.h"
#include "ToolRun.h"

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
    EXPECT_EQ(cl->tls, ftp::TlsMode::Auto);
    cl = parse({"--tls", "implicit", "--trust", "SHA256:" + std::string(64, 'F'), "h", "pwd"});
    ASSERT_TRUE(cl);
    EXPECT_EQ(cl->tls, ftp::TlsMode::Implicit);
    EXPECT_EQ(cl->trustedSha256, std::string(64, 'f'));
    // A host key's fingerprint is told from a certificate's by its form; copied padding is dropped.
    const std::string key = "SHA256:" + std::string(42, 'A') + "E";
    for (const std::string& given : {key, key + "="}) {
        cl = parse({"--trust", given, "h", "pwd"});
        ASSERT_TRUE(cl) << given;
        EXPECT_EQ(cl->trustedHostKey, key);
        EXPECT_TRUE(cl->trustedSha256.empty());
    }
    cl = parse({"h", "put", "-c", "--in-place", "a", "-c"});
    ASSERT_TRUE(cl);
    EXPECT_TRUE(cl->resume && cl->inPlace);
    EXPECT_EQ(cl->args, (std::vector<std::string>{"a", "-c"})) << "after the first file a dash is a name";

    for (std::vector<std::string> bad :
         std::vector<std::vector<std::string>>{{"host"},
                                               {"host", "get"},
                                               {"host", "get", "a", "b", "c"},
                                               {"host", "mkdir"},
                                               {"host", "mv", "a"},
                                               {"host", "pwd", "x"},
                                               {"-P", "0", "h", "pwd"},
                                               {"-P", "65536", "h", "pwd"},
                                               {"-P", "21x", "h", "pwd"},
                                               {"-t", "ebcdic", "h", "pwd"},
                                               {"--password", "x", "h", "pwd"},
                                               {"-u"},
                                               {"--tls", "yes", "h", "pwd"},
                                               {"--trust", "SHA256:abc", "h", "pwd"},
                                               {"--trust", "SHA256:" + std::string(42, 'A') + "!", "h", "pwd"},
                                               {"--trust", std::string(43, 'A'), "h", "pwd"},
                                               {"-t", "ascii", "h", "put", "-c", "a"},
                                               {"h", "sync"},
                                               {"h", "sync", "a", "b", "c"},
                                               {"h", "sync", "--parallel", "9", "d"},
                                               {"h", "sync", "--exclude", "", "d"},
                                               {"h", "sync", "--bogus", "d"}}) {
        EXPECT_FALSE(parse(bad)) << ::testing::PrintToString(bad);
    }
}

TEST(ToolArguments, TreeOptionsStandAnywhereAfterTheCommand) {
    auto cl = parse({"h", "sync", "--delete", "--exclude", "*.o", "site", "--parallel", "4", "--", "-www"});
    ASSERT_TRUE(cl);
    EXPECT_EQ(cl->args, (std::vector<std::string>{"site", "-www"}));
    EXPECT_TRUE(cl->deleteExtra && !cl->dryRun && !cl->sizeOnly);
    EXPECT_EQ(cl->excludes, std::vector<std::string>{"*.o"});
    EXPECT_EQ(cl->parallel, 4);
    cl = parse({"h", "put", "-r", "a", "b"});
    ASSERT_TRUE(cl);
    EXPECT_TRUE(cl->recursive);
    EXPECT_EQ(cl->args, (std::vector<std::string>{"a", "b"}));
}

TEST(ToolArguments, NamesArePrintedWithInvalidBytesEscaped) {
    EXPECT_EQ(printableName("plain name.txt"), "plain name.txt");
    EXPECT_EQ(printableName("ca\xc3\xb1o"), "ca\xc3\xb1o");
    EXPECT_EQ(printableName("caf\xe9"), "caf\\xe9");
    EXPECT_EQ(printableName("\xc3"), "\\xc3") << "cut-off sequence";
    EXPECT_EQ(printableName("\xc0\xaf"), "\\xc0\\xaf") << "overlong form";
    EXPECT_EQ(printableName("\xed\xa0\x80"), "\\xed\\xa0\\x80") << "surrogate";
    // Control characters reach the terminal only in a visible form.
    EXPECT_EQ(printableName("a\x1b[2Jb\tc"), "a\\x1b[2Jb\\tc");
    EXPECT_EQ(printableName("\x07\x7f\xc2\x9b\xc2\xa0"), "\\x07\\x7f\\xc2\\x9b\xc2\xa0") << "BEL, DEL, C1 CSI; NBSP stays";
    EXPECT_EQ(printableName("rlo\xe2\x80\xaetxt.exe a\xe2\x80\xa8"
                            "b\xe2\x81\xa6\xd8\x9c\xe2\x80\x8f"),
              "rlo\\xe2\\x80\\xaetxt.exe a\\xe2\\x80\\xa8"
              "b\\xe2\\x81\\xa6\\xd8\\x9c\\xe2\\x80\\x8f")
        << "RLO, LINE SEPARATOR, LRI, ALM, RLM";
    // A sync's notes quote the server's replies (a 421's text) too.
    ::testing::internal::CaptureStderr();
    SyncProgress("sync", 0, 0).note("the server allows no more connections (421 \x1b]0;owned\x07)");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "sync: the server allows no more connections (421 \\x1b]0;owned\\x07)\n");
}

TEST(ToolTargets, UrlsOptionsAndNetrc) {
    struct Case {
        std::vector<std::string> args;
        std::string expect;  // [protocol] host port user dir, or "error"
    };
    const PasswordSources none{std::string("pw"), {}};
    for (const Case& c : std::vector<Case>{
             {{"ftp://h/pub/a%20b", "ls"}, "ftp h 0 anonymous pub/a b"},
             {{"FTP://bob%40x@h:2121/%2Fabs", "ls"}, "ftp h 2121 bob@x /abs"},
             {{"ftp://[::1]:21", "ls"}, "ftp ::1 21 anonymous "},
             {{"-u", "ann", "-P", "21", "ftp://ann@h:21/", "ls"}, "ftp h 21 ann "},
             {{"ftps://h", "ls"}, "ftps h 0 anonymous "},
             {{"sftp://h", "ls"}, "sftp h 0 me "},
             {{"SFTP://bob@[fe80::1]:2222/srv/www", "ls"}, "sftp fe80::1 2222 bob srv/www"},
             {{"-P", "2222", "h", "ls"}, "h 2222 anonymous "},
             {{"h:2222", "ls"}, "h 2222 anonymous "},
             {{"[::1]:2222", "ls"}, "::1 2222 anonymous "},
             {{"fe80::1", "ls"}, "fe80::1 0 anonymous "},
             {{"h:x", "ls"}, "error"},
             {{"-P", "21", "h:22", "ls"}, "error"},
             {{"sftp://bob:secret@h", "ls"}, "error"},
             {{"ftp://bob:secret@h", "ls"}, "error"},
             {{"ftp://h:99999", "ls"}, "error"},
             {{"ftp://h/%zz", "ls"}, "error"},
             {{"ftp://", "ls"}, "error"},
             {{"-u", "ann", "ftp://bob@h", "ls"}, "error"},
             {{"--cd", "x", "ftp://h/y", "ls"}, "error"},
         }) {
        std::string error;
        auto cl = parseCommandLine(c.args, error);
        ASSERT_TRUE(cl) << error;
        auto t = resolveTarget(*cl, none, "me", error);
        const std::string scheme = !t                                   ? ""
                                   : t->protocol == ftp::Protocol::Sftp ? "sftp "
                                   : t->secure                          ? "ftps "
                                   : t->protocol == ftp::Protocol::Ftp  ? "ftp "
                                                                        : "";
        const std::string got = t ? scheme + t->host + " " + std::to_string(t->port) + " " + t->user + " " +
                                        t->directory
                                  : "error";
        EXPECT_EQ(got, c.expect) << ::testing::PrintToString(c.args) << " " << error;
    }

    const std::string netrc =
        "machine other login x password nope\n"
        "macdef init\ncd /\nmachine h\n\n"
        "machine H login ann password \"a b\"\n"
        "machine h login bob password bobs\n"
        "default login anonymous password guest@\n";
    struct Lookup {
        std::string host, user, expect;  // expect "login password" or "none"
    };
    for (const Lookup& l : std::vector<Lookup>{
             {"h", "", "ann a b"}, {"h", "bob", "bob bobs"}, {"elsewhere", "", "anonymous guest@"}, {"h", "zoe", "none"}}) {
        auto e = findNetrcEntry(netrc, l.host, l.user);
        EXPECT_EQ(e ? e->login + " " + e->password : "none", l.expect) << l.host << " " << l.user;
    }
    EXPECT_FALSE(findNetrcEntry("machine a login b password c", "h", ""));
}

class Tool : public ::testing::Test {
protected:
    ToolRun run(const std::string& args, const std::string& env = "PELICANO_PASSWORD=demo", const std::string& input = "") {
        return runTool(tmp_, "-P " + std::to_string(server_.port()) + " -u demo " + args, env, input);
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
             {"127.0.0.1 sync '" + missing + "'", "PELICANO_PASSWORD=demo", 1, "sync: " + missing + ": not a folder"},
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

TEST_F(Tool, UrlNetrcLongListingAndGet) {
    std::filesystem::create_directory(server_.path("pub"));
    const std::string bytes(70000, '\x7f');
    testsupport::writeFile(server_.path("pub/data.bin"), bytes);
    const timespec modified[2] = {{1673786096, 0}, {1673786096, 0}};  // 2023-01-15 12:34:56 UTC
    ::utimensat(AT_FDCWD, server_.path("pub/data.bin").c_str(), modified, 0);
    const std::string home = tmp_.file("home"), netrc = home + "/.netrc";
    std::filesystem::create_directory(home);
    testsupport::writeFile(netrc, "machine 127.0.0.1 login demo password demo\n");
    ::chmod(netrc.c_str(), 0600);
    const std::string url = "ftp://127.0.0.1:" + std::to_string(server_.port()) + "/pub ";
    const std::string env = "env -u PELICANO_PASSWORD HOME=" + home;

    ToolRun r = runTool(tmp_, url + "ls -l", env);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "- 70000 2023-01-15 12:34 data.bin\n");

    const std::string local = home + "/copy.bin";
    EXPECT_EQ(runTool(tmp_, url + "get data.bin " + local, env).status, 0);
    EXPECT_TRUE(testsupport::readFile(local) == bytes);
    testsupport::writeFile(local, "mine");
    r = runTool(tmp_, url + "get data.bin " + local, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(testsupport::readFile(local), "mine") << "not replaced without -f";
    EXPECT_EQ(runTool(tmp_, "-f " + url + "get data.bin " + local, env).status, 0);
    EXPECT_TRUE(testsupport::readFile(local) == bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home), {}), 2) << "no temporary file left";

    ::chmod(netrc.c_str(), 0644);
    r = runTool(tmp_, url + "ls", env);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("chmod 600"), std::string::npos) << r.err;
}

TEST_F(Tool, PutResumesWhatABrokenPutLeftAndReplacesOnlyWholeFiles) {
    const std::string local = tmp_.file("site.tar");
    const std::string bytes(300000, 's');
    testsupport::writeFile(local, bytes);
    const std::string part = temporaryFor(local);
    testsupport::writeFile(server_.path("site.tar"), "old");
    // What the server holds is kept as it is (REST, then the rest), never sent again.
    testsupport::writeFile(server_.path(part), std::string(120000, 'r'));
    ToolRun r = run("127.0.0.1 put -c " + local);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(testsupport::readFile(server_.path("site.tar")) == std::string(120000, 'r') + bytes.substr(120000));
    EXPECT_FALSE(testsupport::exists(server_.path(part)));
    // A temporary file of another version of the file is never continued.
    testsupport::writeFile(server_.path(part), std::string(120000, 'x'));
    testsupport::writeFile(local, std::string(300000, 'n'));
    EXPECT_EQ(run("127.0.0.1 put -c " + local).status, 0);
    EXPECT_TRUE(testsupport::readFile(server_.path("site.tar")) == std::string(300000, 'n'));
}

// Sets a file's time, so the plan's comparison does not hang on when the test ran.
void age(const std::string& path, std::time_t when) {
    const timespec t[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), t, AT_SYMLINK_NOFOLLOW);
}

TEST_F(Tool, SyncSendsWhatChangedAndDeletesOnlyWhenAsked) {
    const std::string site = tmp_.file("site");
    std::filesystem::create_directories(site + "/img");
    const std::string logo(200000, '\x89');
    testsupport::writeFile(site + "/img/logo.png", logo);
    testsupport::writeFile(site + "/index.html", "v1");
    testsupport::writeFile(site + "/same.txt", "same");
    testsupport::writeFile(site + "/edit.swp", "x");
    std::filesystem::create_symlink("same.txt", site + "/link");
    std::filesystem::create_directory_symlink(".", site + "/loop");
    for (const char* f : {"/img/logo.png", "/index.html", "/same.txt"}) age(site + f, 1600000000);
    std::filesystem::create_directory(server_.path("www"));
    testsupport::writeFile(server_.path("www/index.html"), "v0!");
    testsupport::writeFile(server_.path("www/same.txt"), "same");
    testsupport::writeFile(server_.path("www/old.txt"), "old");
    const std::string sync = "127.0.0.1 sync --exclude '*.swp' " + site + " www";

    ToolRun r = run(sync + " --dry-run");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "+ img/\n+ link\n+ img/logo.png\n~ index.html\n- old.txt\n"
              "2 new, 1 changed, 1 only on the server, 1 unchanged, 1 folder(s) to create\n");
    EXPECT_NE(r.err.find("loop: a link to a folder; not followed"), std::string::npos) << r.err;
    EXPECT_EQ(testsupport::readFile(server_.path("www/index.html")), "v0!") << "a dry run changes nothing";

    r = run(sync + " --parallel 3");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("sync: 3 sent, 0 deleted, 1 unchanged, 0 failed", 0), 0u) << r.out;
    EXPECT_TRUE(testsupport::readFile(server_.path("www/img/logo.png")) == logo);
    EXPECT_EQ(testsupport::readFile(server_.path("www/index.html")), "v1");
    EXPECT_EQ(testsupport::readFile(server_.path("www/link")), "same") << "a link to a file sends its target";
    EXPECT_TRUE(testsupport::exists(server_.path("www/old.txt")) && !testsupport::exists(server_.path("www/edit.swp")));

    r = run(sync + " --delete");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("sync: 0 sent, 1 deleted, 4 unchanged, 0 failed")), "- old.txt\n")
        << "the deletions are listed first, the summary last: " << r.out;
    EXPECT_FALSE(testsupport::exists(server_.path("www/old.txt")));
    EXPECT_TRUE(run(sync + " --dry-run")
                    .out.ends_with("0 new, 0 changed, 0 only on the server, 4 unchanged, 0 folder(s) to create\n"));

    EXPECT_EQ(run("127.0.0.1 put -r " + site + "/img/").status, 0);
    EXPECT_TRUE(testsupport::readFile(server_.path("img/logo.png")) == logo);
}

// A server that takes two connections from us answers the third (and fourth) with 421: the run goes
// on with two, and says so once.
TEST_F(Tool, SyncGoesOnWithFewerConnectionsAfterA421) {
    testsupport::FtpServerOptions options;
    options.maxConnectionsPerIp = 2;
    testsupport::FtpServerProcess limited(options);
    const std::string dir = tmp_.file("many");
    std::filesystem::create_directory(dir);
    for (int i = 0; i < 6; ++i) testsupport::writeFile(dir + "/f" + std::to_string(i), std::string(1000 * i, 'a'));
    ToolRun r = runTool(tmp_, "-P " + std::to_string(limited.port()) + " -u demo 127.0.0.1 sync --parallel 4 " + dir,
                        "PELICANO_PASSWORD=demo");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err,
              "sync: the server allows no more connections (421 Too many connections from the same IP "
              "address.); going on with fewer\n");
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(testsupport::readFile(limited.path("f" + std::to_string(i))).size(), 1000u * i);
}

TEST_F(Tool, UntrustedCertificateExitsWith4AndFtpsUrlIsImplicitTls) {
    testsupport::TlsFtpServer tls(testsupport::TlsServerKind::Vsftpd);
    ASSERT_TRUE(tls.running()) << tls.whyNot();
    const std::string env = "XDG_CONFIG_HOME=" + tmp_.path() + " PELICANO_PASSWORD=";
    const std::string args = "-P " + std::to_string(tls.port()) + " -u anonymous --tls require ";
    ToolRun r = run(args + "127.0.0.1 ls", env);
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.err.find("self-signed certificate (SHA256:" + tls.sha256() + ")"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    std::string upper = tls.sha256();
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    r = run(args + "--trust SHA256:" + upper + " 127.0.0.1 ls", env);
    EXPECT_EQ(r.status, 0) << r.err;

    testsupport::TlsFtpServer implicit(testsupport::TlsServerKind::VsftpdImplicit);
    ASSERT_TRUE(implicit.running()) << implicit.whyNot();
    testsupport::writeFile(implicit.path("over-tls.txt"), "x");
    const std::string url = "ftps://anonymous@127.0.0.1:" + std::to_string(implicit.port()) + "/ ";
    r = runTool(tmp_, "--trust " + implicit.sha256() + " " + url + "ls", env);
    EXPECT_EQ(r.status, 0) << r.err << implicit.log();
    EXPECT_EQ(r.out, "-\t1\tover-tls.txt\n");
}

// Over SFTP: the host key decides before any login (unknown or changed: status 4 and one line
// that says what to pass), a key in HOME's .ssh logs in with no password, and a refused login
// says how to give a password or, for a bare host, the user.
TEST(ToolSftp, HostKeysDecideThenKeysLogIn) {
    testsupport::SshdProcess sshd;
    if (!sshd.running()) FAIL() << "sshd unavailable: " << sshd.whyNot();
    testsupport::TempDir tmp, empty;
    const std::string bytes("a\r\nb\0c\n", 8);
    testsupport::writeFile(sshd.path("f.bin"), bytes);
    const std::string home = sshd.keyFolder().substr(0, sshd.keyFolder().rfind('/'));
    const std::string url = "sftp://" + sshd.user() + "@127.0.0.1:" + std::to_string(sshd.port()) + " ";
    const std::string trust = "--trust " + sshd.hostKey().fingerprint + " ";
    const std::string env = "SSH_AUTH_SOCK= PELICANO_PASSWORD= XDG_CONFIG_HOME=" + tmp.path() + " HOME=";
    const struct {
        std::string args, home;
        int status;
        std::string said;  // in standard error (a one-line failure) or, on success, in standard output
    } rows[] = {
        {url + "ls", home, 4, "unknown host key " + sshd.hostKey().type + " " + sshd.hostKey().fingerprint},
        {trust + url + "ls", home, 0, "-\t8\tf.bin\n"},
        {trust + url + "get f.bin " + tmp.file("f.bin"), home, 0, ""},
        {trust + url + "ls", empty.path(), 3, "no password was given"},
        {trust + "-P " + std::to_string(sshd.port()) + " 127.0.0.1 ls", home, 3, "tried the user anonymous"},
    };
    for (const auto& row : rows) {
        ToolRun r = runTool(tmp, row.args, env + row.home);
        EXPECT_EQ(r.status, row.status) << row.args << "\n" << r.err;
        if (row.status != 0) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        }
        EXPECT_NE((row.status ? r.err : r.out).find(row.said), std::string::npos) << row.args << "\n" << r.err;
    }
    EXPECT_EQ(testsupport::readFile(tmp.file("f.bin")), bytes);

    // Known from the user's known_hosts, then the server's key changes.
    testsupport::writeFile(sshd.keyFolder() + "/known_hosts", sshd.knownHostsLine() + "\n");
    EXPECT_EQ(runTool(tmp, url + "ls", env + home).status, 0);
    ASSERT_TRUE(sshd.restartWithNewHostKey());
    ToolRun r = runTool(tmp, url + "ls", env + home);
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("host key CHANGED"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--trust " + sshd.hostKey().fingerprint), std::string::npos) << r.err;

    // A revoked key: --trust cannot let it through, so the line offers none.
    testsupport::writeFile(sshd.keyFolder() + "/known_hosts", "@revoked " + sshd.knownHostsLine() + "\n");
    r = runTool(tmp, "--trust " + sshd.hostKey().fingerprint + " " + url + "ls", env + home);
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("revoked"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("--trust"), std::string::npos) << r.err;
}

}  // namespace
