// FTP over TLS against real servers, each requiring TLS with a self-signed certificate made
// for the run: vsftpd (which also insists that data connections resume the control session),
// pyftpdlib, proftpd with mod_tls (also limited to TLS 1.2) and pure-ftpd.

#include <gtest/gtest.h>

#include "../ftp/EngineTestSupport.h"
#include "TlsServers.h"
#include "ftp/AtomicUpload.h"
#include "ftp/TrustStore.h"

namespace {

using testsupport::TlsFtpServer;
using testsupport::TlsServerKind;

ftp::TlsOptions trusting(const std::string& sha256, ftp::TlsMode mode = ftp::TlsMode::Require) {
    ftp::TlsOptions o;
    o.mode = mode;
    o.trustedSha256 = sha256;
    return o;
}

class EveryTlsServer : public ::testing::TestWithParam<TlsServerKind> {};

TEST_P(EveryTlsServer, LogsInListsChangesFoldersAndUploadsByteExactOverTls) {
    TlsFtpServer server(GetParam());
    ASSERT_TRUE(server.running()) << server.whyNot();
    auto session = enginetest::quickSession();
    auto c = ftp::Connection::open(session, "127.0.0.1", server.port(), server.user(), server.password(),
                                   trusting(server.sha256()));
    ASSERT_TRUE(c) << c.error().message << "\n" << server.log();
    auto status = c.value()->tlsStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->certificate.sha256, server.sha256());
    EXPECT_NE(status->certificate.verifyError, 0);  // self-signed, accepted by fingerprint
    EXPECT_FALSE(status->cipher.empty());
    if (GetParam() == TlsServerKind::ProftpdTls12) {
        EXPECT_EQ(status->protocol, "TLSv1.2");
    }

    ftp::Connection& conn = *c.value();
    ASSERT_TRUE(conn.createDirectory("carpeta")) << conn.lastReply().text;
    ASSERT_TRUE(conn.rename("carpeta", "otra")) << conn.lastReply().text;
    // A listing first: the session its data connection leaves must still be resumable.
    auto before = conn.findFiles("*.*");
    ASSERT_TRUE(before) << before.error().message << "\n" << server.log();
    EXPECT_EQ(before.value()->entries().size(), 1u);
    const std::pair<const char*, std::size_t> files[] = {{"vacio", 0}, {"uno", 1}, {"grande", 5u << 20}};
    for (auto [name, size] : files) {
        auto s = enginetest::upload(conn, name, enginetest::pattern(size));
        ASSERT_TRUE(s) << name << ": " << s.error().message << "\n" << server.log();
        EXPECT_EQ(testsupport::readFile(server.path(name)), enginetest::pattern(size)) << name;
    }
    // Replaced whole or not at all (a temporary name renamed, forced for vsftpd's anonymous login),
    // with the local time where the server sets times.
    testsupport::TempDir local;
    testsupport::writeFile(local.file("uno"), "nuevo");
    ftp::FileReader in;
    ASSERT_TRUE(in.open(local.file("uno")));
    struct : ftp::UploadSink {
    } sink;
    const auto replaced = ftp::AtomicUpload(conn, in, "uno", ftp::TransferType::Binary, {}).run(sink);
    ASSERT_TRUE(replaced.status) << replaced.status.error().message << "\n" << server.log();
    EXPECT_EQ(testsupport::readFile(server.path("uno")), "nuevo");
    EXPECT_EQ(replaced.timeSet, conn.features().mfmt);
    if (replaced.timeSet) {
        EXPECT_EQ(conn.modificationTime("uno").value(), std::chrono::floor<std::chrono::seconds>(in.modified()));
    }
    auto find = conn.findFiles("*.*");  // every data connection resumed the session (vsftpd checks)
    ASSERT_TRUE(find) << find.error().message << "\n" << server.log();
    EXPECT_EQ(find.value()->entries().size(), 4u) << "no temporary name is left";
    std::map<std::string, std::pair<bool, std::uint64_t>> seen;
    for (const auto& e : find.value()->entries()) seen[e.name] = {e.isDirectory(), e.size};
    EXPECT_TRUE(seen["otra"].first);
    EXPECT_EQ(seen["grande"].second, 5u << 20);
    EXPECT_EQ(seen.count("uno"), 1u);
    ASSERT_TRUE(conn.removeDirectory("otra")) << conn.lastReply().text;
}

INSTANTIATE_TEST_SUITE_P(Servers, EveryTlsServer,
                         ::testing::Values(TlsServerKind::Vsftpd, TlsServerKind::Pyftpdlib, TlsServerKind::Proftpd,
                                           TlsServerKind::PureFtpd, TlsServerKind::ProftpdTls12),
                         [](const auto& info) { return std::string(testsupport::nameOf(info.param)); });

}  // namespace
