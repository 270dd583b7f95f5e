// Listings of real servers, read through the engine: files of every size magnitude, dated now,
// long ago, in the future and at the turn of 2000, owned by numeric ids and by names, with names
// that look like sizes and dates. Every name, kind and file size must come back exact. vsftpd
// lists with LIST, pyftpdlib either way; proftpd and pure-ftpd offer MLSD, which the engine
// prefers, so their LIST lines are rows of the parser's own tables.

#include <ctime>
#include <filesystem>
#include <map>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "TlsServers.h"
#include "VsftpdProcess.h"

namespace {

using testsupport::TlsServerKind;

enum class Kind { Vsftpd, PyftpdlibMlsd, PyftpdlibList, Proftpd, PureFtpd };

// One server of the kind, with where its files live and how to log in.
struct Server {
    std::unique_ptr<testsupport::VsftpdProcess> vsftpd;
    std::unique_ptr<testsupport::FtpServerProcess> pyftpdlib;
    std::unique_ptr<testsupport::TlsFtpServer> tls;
    std::string root, user = "demo", password = "demo", whyNot;
    unsigned short port = 0;
    ftp::TlsOptions tlsOptions = ftp::TlsOptions::off();

    explicit Server(Kind kind) {
        if (kind == Kind::Vsftpd) {
            vsftpd = std::make_unique<testsupport::VsftpdProcess>();
            root = vsftpd->root(), port = vsftpd->port(), user = "anonymous", password = "", whyNot = vsftpd->whyNot();
        } else if (kind == Kind::Proftpd || kind == Kind::PureFtpd) {
            tls = std::make_unique<testsupport::TlsFtpServer>(kind == Kind::Proftpd ? TlsServerKind::Proftpd
                                                                                    : TlsServerKind::PureFtpd);
            root = tls->path(""), port = tls->port(), user = tls->user(), password = tls->password();
            whyNot = tls->whyNot();
            tlsOptions.mode = ftp::TlsMode::Require;
            tlsOptions.trustedSha256 = tls->sha256();
        } else {
            pyftpdlib = std::make_unique<testsupport::FtpServerProcess>(
                testsupport::FtpServerOptions{.mlsd = kind == Kind::PyftpdlibMlsd});
            root = pyftpdlib->root(), port = pyftpdlib->port();
        }
    }
};

struct Made {
    const char* name;
    char kind;  // 'f' file, 'd' folder
    std::uint64_t size;
    std::time_t mtime;
    uid_t owner;
    gid_t group;
};

// Numeric owners and groups are what vsftpd prints by default; 99 and 101 are the ids of
// listings that went wrong, 65534 has a name on most systems.
std::vector<Made> table() {
    const std::time_t now = std::time(nullptr);
    const std::time_t recent = now - 3600, future = now + 400 * 86400;
    const std::time_t old = 982886400;     // 23 Feb 2001
    const std::time_t y2k = 946684800;     // 1 Jan 2000 00:00 UTC
    const std::time_t y2023 = 1673740800;  // 15 Jan 2023
    return {
        {"vacio", 'f', 0, recent, 1001, 0},
        {"1", 'f', 1, old, 0, 99},
        {"22", 'f', 22, future, 521, 101},
        {"tres 333", 'f', 333, y2k, 1001, 1001},
        {"informe.pdf", 'f', 1234, y2023, 1001, 0},
        {"notas.txt", 'f', 1999, old, 0, 0},
        {"foto.jpg", 'f', 5000, recent, 1001, 0},
        {"12345", 'f', 12345, future, 65534, 65534},
        {"4 GiB y uno", 'f', (1ull << 32) + 1, y2023, 1001, 0},
        {"disco de 3 TiB.img", 'f', 3ull << 40, recent, 0, 99},
        {"1234 Jan 15 2023 pub", 'f', 1234, y2023, 1001, 0},
        {"report 2024.txt", 'f', 2024, y2k, 521, 101},
        {"  dos blancos delante", 'f', 4096, old, 1001, 0},
        {" Dec 07 23:10 fecha", 'f', 99999, future, 1001, 1001},
        {"carpeta con blancos", 'd', 0, recent, 1001, 0},
        {"2000", 'd', 0, y2k, 0, 99},
        {"Feb 23  2001 zzplayer", 'd', 0, old, 521, 101},
    };
}

void make(const std::string& root, const Made& m) {
    const std::string path = root + "/" + m.name;
    if (m.kind == 'd') {
        std::filesystem::create_directory(path);
    } else {
        testsupport::writeFile(path, std::string(std::min<std::uint64_t>(m.size, 1u << 20), 'x'));
        std::filesystem::resize_file(path, m.size);  // the large ones sparse
    }
    const timespec times[2] = {{m.mtime, 0}, {m.mtime, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
    // Only root can give a file away; as any other user the files keep that user's ids, which
    // vsftpd prints as numbers all the same.
    if (geteuid() == 0) {
        ASSERT_EQ(chown(path.c_str(), m.owner, m.group), 0) << path;
    }
}

class RealServerListing : public ::testing::TestWithParam<Kind> {};

TEST_P(RealServerListing, EveryNameKindAndSizeExact) {
    Server server(GetParam());
    ASSERT_NE(server.port, 0) << server.whyNot;
    const std::vector<Made> made = table();
    for (const Made& m : made) make(server.root, m);

    ftp::Session session = enginetest::quickSession();
    auto c = ftp::Connection::open(session, "127.0.0.1", server.port, server.user, server.password, server.tlsOptions);
    ASSERT_TRUE(c) << c.error().message;
    auto list = c.value()->findFiles("*.*");
    ASSERT_TRUE(list) << list.error().message;
    std::map<std::string, const ftp::Entry*> got;
    for (const ftp::Entry& e : list.value()->entries()) got[e.name] = &e;
    EXPECT_EQ(list.value()->unreadableLines(), 0u);
    EXPECT_EQ(got.size(), made.size());
    for (const Made& m : made) {
        ASSERT_EQ(got.count(m.name), 1u) << "'" << m.name << "' missing";
        const ftp::Entry& e = *got[m.name];
        EXPECT_EQ(e.isDirectory(), m.kind == 'd') << m.name;
        if (m.kind == 'f') {
            EXPECT_EQ(e.size, m.size) << m.name;  // a folder's size is the server's own
        }
    }
}

std::string nameOf(const ::testing::TestParamInfo<Kind>& info) {
    static const char* const kNames[] = {"vsftpd", "pyftpdlib_mlsd", "pyftpdlib_list", "proftpd", "pureftpd"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerListing,
                         ::testing::Values(Kind::Vsftpd, Kind::PyftpdlibMlsd, Kind::PyftpdlibList, Kind::Proftpd,
                                           Kind::PureFtpd),
                         nameOf);

}  // namespace
