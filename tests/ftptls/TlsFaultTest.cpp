// What must never happen with TLS: credentials in clear when TLS was required or used before,
// replies injected before encryption taken as the server's, an untrusted certificate accepted
// silently, a handshake that hangs, data in clear or cut short passing for good data.

#include <cstdio>
#include <cstdlib>
#include <optional>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../ftp/EngineTestSupport.h"
#include "FaultFtpServer.h"
#include "TlsServers.h"
#include "ftp/Socket.h"
#include "ftp/TlsLayer.h"
#include "ftp/TrustStore.h"

namespace {

using namespace ftp;
using testsupport::TlsFtpServer;
using testsupport::TlsServerKind;

// Refusals of AUTH TLS and what each mode then sends.
struct AuthCase {
    const char* name;
    TlsMode mode;
    const char* greeting;
    const char* authReply;   // empty: the fault server's own "502 Not implemented"
    bool usedTlsBefore;
    bool opens;
    const char* transcript;  // commands up to the end of the login
    std::optional<TlsMode> earlier = std::nullopt;  // a connection in this mode comes first
    bool storeOpenToOthers = false;                 // the store exists but others may write it
};

class AuthRefused : public ::testing::TestWithParam<AuthCase> {};

TEST_P(AuthRefused, GoesOnInClearOnlyWhenAllowed) {
    const AuthCase& c = GetParam();
    testsupport::FaultFtpServer server;
    testsupport::TempDir dir;
    server.script().greeting = c.greeting;
    if (*c.authReply) server.on("AUTH", {testsupport::FaultFtpServer::Action::Reply, c.authReply});
    TlsOptions tls;
    tls.mode = c.mode;
    tls.trustStorePath = dir.file("known");
    if (c.usedTlsBefore) {
        TrustStore store(tls.trustStorePath);
        store.markUsedTls(server.host(), server.port());
        ASSERT_TRUE(store.save());
    }
    if (c.storeOpenToOthers) {
        testsupport::writeFile(tls.trustStorePath, "");
        ::chmod(tls.trustStorePath.c_str(), 0666);
    }
    auto session = enginetest::quickSession(1000);
    if (c.earlier) {
        TlsOptions first = tls;
        first.mode = *c.earlier;
        ASSERT_TRUE(Connection::open(session, server.host(), server.port(), "demo", "demo", first));
    }
    auto conn = Connection::open(session, server.host(), server.port(), "demo", "demo", tls);
    EXPECT_EQ(bool(conn), c.opens) << (conn ? "" : conn.error().message);
    if (!c.opens) {
        EXPECT_EQ(conn.error().kind, c.usedTlsBefore       ? ErrorKind::Downgrade
                                     : c.storeOpenToOthers ? ErrorKind::TrustStore
                                                           : ErrorKind::Tls);
    }
    conn = Error{};  // closes (QUIT) before the transcript is read
    std::string all = server.joined();
    if (c.earlier) all = all.substr(all.rfind("#connect"));
    EXPECT_EQ(all.substr(0, all.find("|FEAT")), c.transcript);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, AuthRefused,
    ::testing::Values(
        AuthCase{"AutoGoesOnInClear", TlsMode::Auto, "220 hi", "", false, true, "#connect|AUTH TLS|USER demo|PASS demo"},
        AuthCase{"AutoOn534", TlsMode::Auto, "220 hi", "534 no TLS here", false, true, "#connect|AUTH TLS|USER demo|PASS demo"},
        AuthCase{"AutoStopsOnOtherCodes", TlsMode::Auto, "220 hi", "431 later", false, false, "#connect|AUTH TLS"},
        AuthCase{"RequireSendsNoPassword", TlsMode::Require, "220 hi", "", false, false, "#connect|AUTH TLS"},
        AuthCase{"RequireIgnoresAPreAuthenticatedGreeting", TlsMode::Require, "230 in already", "", false, false,
                 "#connect|AUTH TLS"},
        AuthCase{"AutoRefusesADowngrade", TlsMode::Auto, "220 hi", "", true, false, "#connect|AUTH TLS"},
        AuthCase{"RepliesInjectedBehind234", TlsMode::Auto, "220 hi", "234 go ahead\r\n230 injected\r\n200 more", false,
                 false, "#connect|AUTH TLS"},
        AuthCase{"OffNeverAsks", TlsMode::Off, "220 hi", "", true, true, "#connect|USER demo|PASS demo"},
        // A new mode is a new connection that asks for itself; Off forgets nothing about the host.
        AuthCase{"AutoAfterAnOffConnectionStillRefusesADowngrade", TlsMode::Auto, "220 hi", "", true, false,
                 "#connect|AUTH TLS", TlsMode::Off},
        // A store that cannot be read cannot say the host never used TLS.
        AuthCase{"AutoStopsWhenTheStoreCannotBeTrusted", TlsMode::Auto, "220 hi", "", false, false, "#connect|AUTH TLS",
                 std::nullopt, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A listening socket whose connections the kernel accepts and nobody answers.
int silentListener(unsigned short& port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), len) != 0 || listen(fd, 4) != 0) return -1;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

// The store may say nothing (none is given here): a connection that used TLS never logs in
// again in clear, and says why rather than how the first connection ended.
TEST(TlsDowngrade, AfterAHangUpTheNewLoginIsNeverInClear) {
    auto tls = std::make_unique<TlsFtpServer>(TlsServerKind::Pyftpdlib);
    ASSERT_TRUE(tls->running()) << tls->whyNot();
    const unsigned short port = tls->port();
    auto session = enginetest::quickSession();
    TlsOptions options;
    options.trustedSha256 = tls->sha256();
    auto c = Connection::open(session, "127.0.0.1", port, tls->user(), tls->password(), options);
    ASSERT_TRUE(c) << c.error().message;
    tls.reset();  // hangs up; a server without TLS takes its place
    testsupport::FaultFtpServer plain(false, port);
    ASSERT_TRUE(plain.listening());
    auto pwd = c.value()->currentDirectory();
    ASSERT_FALSE(pwd);
    EXPECT_EQ(pwd.error().kind, ErrorKind::Downgrade) << pwd.error().message;
    EXPECT_NE(pwd.error().message.find("logging in again failed"), std::string::npos) << pwd.error().message;
    EXPECT_EQ(plain.joined(), "#connect|AUTH TLS");
}

// A host whose use of TLS cannot be written down would be taken for one without TLS next time.
TEST(TlsDowngrade, AStoreThatCannotRecordTheHostFailsTheConnection) {
    TlsFtpServer server(TlsServerKind::Pyftpdlib);
    ASSERT_TRUE(server.running()) << server.whyNot();
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("file"), "");
    for (const std::string& path : {dir.path(), dir.file("file") + "/known-certificates"}) {
        auto session = enginetest::quickSession();
        TlsOptions tls;
        tls.trustStorePath = path;
        tls.trustedSha256 = server.sha256();
        auto c = Connection::open(session, "127.0.0.1", server.port(), server.user(), server.password(), tls);
        ASSERT_FALSE(c) << path;
        EXPECT_EQ(c.error().kind, ErrorKind::TrustStore) << c.error().message;
    }
}

TEST(TlsHandshake, ThatNeverCompletesTimesOut) {
    unsigned short port = 0;
    int fd = silentListener(port);
    ASSERT_GE(fd, 0);
    auto session = enginetest::quickSession(300);
    TlsOptions tls;
    tls.mode = TlsMode::Implicit;
    auto c = Connection::open(session, "127.0.0.1", port, "demo", "demo", tls);
    close(fd);
    ASSERT_FALSE(c);
    EXPECT_EQ(c.error().kind, ErrorKind::Timeout);
    EXPECT_NE(c.error().message.find("TLS handshake"), std::string::npos) << c.error().message;
}

// Writing to a connection that can no longer carry data is an error, never SIGPIPE (which
// would end this test program).
TEST(TlsHandshake, OnAConnectionClosedForWritingFailsWithoutASignal) {
    unsigned short port = 0;
    int fd = silentListener(port);
    ASSERT_GE(fd, 0);
    auto session = enginetest::quickSession(300);
    Waiter waiter(session.waitHook());
    auto address = resolve("127.0.0.1", port, waiter, session.timeouts().connect);
    ASSERT_TRUE(address);
    auto socket = Socket::connect(address.value(), waiter, session.timeouts().connect);
    ASSERT_TRUE(socket);
    auto client = TlsClient::create("127.0.0.1");
    ASSERT_TRUE(client);
    auto layer = client.value()->layer(socket.value().fd(), true);
    ASSERT_TRUE(layer);
    socket.value().attachTls(std::move(layer.value()));
    shutdown(socket.value().fd(), SHUT_WR);
    auto done = socket.value().handshake(waiter, session.timeouts().connect);
    close(fd);
    ASSERT_FALSE(done);
    EXPECT_NE(done.error().message.find("Broken pipe"), std::string::npos) << done.error().message;
}

// An unknown self-signed certificate, a remembered one, one that changed, a wrong name.
class Certificates : public ::testing::Test {
protected:
    Result<std::unique_ptr<Connection>> open(TrustPrompt prompt, const std::string& host = "127.0.0.1") {
        TlsOptions tls;
        tls.mode = TlsMode::Require;
        tls.trustStorePath = store_.path();
        tls.prompt = [&, prompt](const TrustQuestion& q) {
            questions_.push_back(q);
            return prompt ? prompt(q) : TrustAnswer::Cancel;
        };
        return Connection::open(session_, host, server_.port(), server_.user(), server_.password(), tls);
    }
    static TrustPrompt answer(TrustAnswer a) {
        return [a](const TrustQuestion&) { return a; };
    }

    TlsFtpServer server_{TlsServerKind::Vsftpd};
    testsupport::TempDir dir_;
    TrustStore store_{dir_.file("known-certificates")};
    Session session_ = enginetest::quickSession();
    std::vector<TrustQuestion> questions_;
};

TEST_F(Certificates, UnknownSelfSignedIsRefusedBeforeTheLoginThenTrustedOnceOrAlways) {
    ASSERT_TRUE(server_.running()) << server_.whyNot();
    auto c = open(nullptr);
    ASSERT_FALSE(c);
    EXPECT_EQ(c.error().kind, ErrorKind::Certificate);
    ASSERT_TRUE(c.error().certificate);
    EXPECT_EQ(c.error().certificate->sha256, server_.sha256());
    EXPECT_EQ(c.error().certificate->verifyError, 18);  // X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT
    EXPECT_NE(c.error().message.find("SHA256:" + server_.sha256()), std::string::npos);
    EXPECT_EQ(server_.log().find("USER"), std::string::npos) << server_.log();

    ASSERT_TRUE(open(answer(TrustAnswer::ThisTime)));
    ASSERT_TRUE(store_.load());
    EXPECT_FALSE(store_.lookup("127.0.0.1", server_.port()));  // not remembered
    EXPECT_TRUE(store_.usedTls("127.0.0.1", server_.port()));

    ASSERT_TRUE(open(answer(TrustAnswer::Always)));
    ASSERT_TRUE(store_.load());
    EXPECT_EQ(store_.lookup("127.0.0.1", server_.port()), server_.sha256());
    questions_.clear();
    ASSERT_TRUE(open(nullptr));  // remembered: no question
    EXPECT_TRUE(questions_.empty());
}

TEST_F(Certificates, AChangedCertificateIsAskedAgainWithBothFingerprints) {
    ASSERT_TRUE(server_.running()) << server_.whyNot();
    const std::string old(64, 'e');
    store_.remember("127.0.0.1", server_.port(), old);
    ASSERT_TRUE(store_.save());
    auto c = open(nullptr);
    ASSERT_FALSE(c);
    EXPECT_EQ(c.error().kind, ErrorKind::Certificate);
    EXPECT_NE(c.error().message.find("CHANGED"), std::string::npos);
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0].rememberedSha256, old);
    EXPECT_EQ(questions_[0].certificate.sha256, server_.sha256());
}

// The test certificate's copy under its subject hash, as update-ca-certificates names it.
std::string hashedCopy(const std::string& certificateFile, const testsupport::TempDir& dir) {
    FILE* f = std::fopen(certificateFile.c_str(), "r");
    if (!f) return {};
    X509* cert = PEM_read_X509(f, nullptr, nullptr, nullptr);
    std::fclose(f);
    if (!cert) return {};
    char name[16];
    std::snprintf(name, sizeof name, "%08lx.0", X509_subject_name_hash(cert));
    X509_free(cert);
    testsupport::writeFile(dir.file(name), testsupport::readFile(certificateFile));
    return dir.path();
}

TEST_F(Certificates, ATrustedAuthorityVerifiesTheAddressButNotAnotherName) {
    ASSERT_TRUE(server_.running()) << server_.whyNot();
    // The test certificate as the only authority, named as a bundle file and as a hashed
    // directory: it is valid for 127.0.0.1 and nothing else.
    testsupport::TempDir authorities;
    const std::pair<const char*, std::string> ways[] = {
        {"SSL_CERT_FILE", server_.certificateFile()},
        {"SSL_CERT_DIR", hashedCopy(server_.certificateFile(), authorities)},
    };
    for (const auto& [variable, path] : ways) {
        SCOPED_TRACE(variable);
        ASSERT_FALSE(path.empty());
        questions_.clear();
        const char* old = std::getenv(variable);
        const std::string saved = old ? old : "";
        setenv(variable, path.c_str(), 1);
        auto good = open(nullptr);
        auto wrongName = open(nullptr, "localhost");
        if (old) setenv(variable, saved.c_str(), 1);
        else unsetenv(variable);
        ASSERT_TRUE(good) << good.error().message;
        EXPECT_EQ(good.value()->tlsStatus()->certificate.verifyError, 0);
        ASSERT_FALSE(wrongName);
        ASSERT_TRUE(wrongName.error().certificate);
        EXPECT_EQ(wrongName.error().certificate->verifyError, 62);  // X509_V_ERR_HOSTNAME_MISMATCH
        EXPECT_EQ(questions_.size(), 1u);
    }
}

// Data connections: in clear although PROT P was accepted, or ended without close_notify.
TEST(TlsData, InClearOrCutShortIsAnErrorNeverAListing) {
    for (const char* fault : {"plain-data", "cut-data"}) {
        TlsFtpServer server(TlsServerKind::Pyftpdlib, fault);
        ASSERT_TRUE(server.running()) << server.whyNot();
        testsupport::writeFile(server.path("a"), "x");
        auto session = enginetest::quickSession();
        TlsOptions tls;
        tls.mode = TlsMode::Require;
        tls.trustedSha256 = server.sha256();
        auto c = Connection::open(session, "127.0.0.1", server.port(), server.user(), server.password(), tls);
        ASSERT_TRUE(c) << c.error().message;
        auto find = c.value()->findFiles("*.*");
        ASSERT_FALSE(find) << fault << ": listed " << find.value()->entries().size() << " entries";
        EXPECT_NE(find.error().message.find(fault == std::string("cut-data") ? "close_notify" : "TLS"), std::string::npos)
            << fault << ": " << find.error().message;
    }
}

}  // namespace
