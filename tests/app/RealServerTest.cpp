// The connection against a real FTP server on loopback.

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "F1Fixture.h"
#include "TlsServers.h"
#include "ftp/TrustStore.h"
#include "FtpServerProcess.h"
#include "SshdProcess.h"
#include "dialogs/SyncWindow.h"
#include "ftp/SshFiles.h"
#include "local/LocalBrowser.h"
#include "remote/RemoteView.h"
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

namespace {

// A loopback port nobody listens on.
std::uint16_t closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

// A loopback port that takes connections (the kernel completes them) but never says a word.
class SilentListener {
public:
    SilentListener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 4);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~SilentListener() { ::close(fd_); }
    std::uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

class RealServerTest : public F1Fixture {
protected:
    void connectTo(std::uint16_t port, const char* password) {
        put("Pelicano", "Configuracion", "puerto", QString::number(port));
        load();
        c().lsthost->setEditText(QStringLiteral("127.0.0.1"));
        c().Txtusuario->setText(QStringLiteral("demo"));
        c().Txtlogin->setText(QString::fromUtf8(password));
        c().cmdconectar->click();
    }
};

TEST_F(RealServerTest, NobodyListeningGivesTheFailureBoxAndRecordsNothing) {
    connectTo(closedPort(), "demo");
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].title, QStringLiteral("Error"));
    EXPECT_EQ(dialogs.boxes()[0].style, Dialogs::Critical);
    EXPECT_TRUE(dialogs.boxes()[0].text.startsWith(QStringLiteral("No se ha podido realizar la conexión")));
    EXPECT_EQ(focused(), c().Txtlogin);
    EXPECT_FALSE(session.hSesion);
    EXPECT_FALSE(session.hConexion);
    EXPECT_FALSE(w->connected());
    EXPECT_TRUE(get("PELICANO", "lista", "1").isEmpty());
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(RealServerTest, ASilentServerTimesOutWhileTheWindowStaysLive) {
    SilentListener silent;
    put("Pelicano", "Configuracion", "puerto", QString::number(silent.port()));
    load();
    // The real engine, with short timeouts so the test need not wait 30 seconds.
    w->setConnector([](ftp::Session& s, const std::string& host, std::uint16_t port, const std::string& user,
                       const std::string& password, const ftp::TlsOptions& tls,
                       const ftp::SshOptions& ssh) {
        ftp::Timeouts t = s.timeouts();
        t.connect = t.reply = std::chrono::milliseconds(1500);
        s.setTimeouts(t);
        return ftp::Connection::open(s, host, port, user, password, tls, ssh);
    });
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] { ++ticks; });
    ticker.start(50);
    c().lsthost->setEditText(QStringLiteral("127.0.0.1"));
    c().Txtusuario->setText(QStringLiteral("demo"));
    c().Txtlogin->setText(QStringLiteral("demo"));
    QElapsedTimer clock;
    clock.start();
    c().cmdconectar->click();
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_GE(ticks, 10);  // the event loop kept running while the engine waited
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].title, QStringLiteral("Error"));
    EXPECT_FALSE(w->connected());
    EXPECT_FALSE(session.hSesion);
}

TEST_F(RealServerTest, ConnectsLogsInAndDisconnects) {
    testsupport::FtpServerProcess srv;
    ASSERT_TRUE(srv.running());
    connectTo(srv.port(), "demo");
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    ASSERT_TRUE(w->connected());
    ASSERT_TRUE(session.hConexion);
    auto pwd = session.hConexion->currentDirectory();
    ASSERT_TRUE(pwd);
    EXPECT_EQ(pwd.value(), "/");
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Pelicano (Conectado)"));
    EXPECT_TRUE(c().ImgVerde->isVisible());
    EXPECT_TRUE(c().CmdSubir->isEnabled());
    EXPECT_EQ(get("PELICANO", "lista", "1"), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(get("PELICANO", "usuario", "1"), QStringLiteral("demo"));

    w->cmddesconecto_Click();
    EXPECT_FALSE(session.hConexion);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Pelicano (Desconectado)"));
}

TEST_F(RealServerTest, AWrongPasswordIsAFailedConnect) {
    testsupport::FtpServerProcess srv;
    ASSERT_TRUE(srv.running());
    connectTo(srv.port(), "wrong");
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].title, QStringLiteral("Error"));
    EXPECT_FALSE(w->connected());
    EXPECT_FALSE(session.hSesion);
    EXPECT_TRUE(get("PELICANO", "lista", "1").isEmpty());
}

TEST_F(RealServerTest, AnUnknownCertificateIsAskedUntilTrustedAlways) {
    testsupport::TempDir certDir;
    const testsupport::TestCertificate cert = testsupport::makeCertificate(certDir.path());
    testsupport::FtpServerOptions options;
    options.tlsCertificate = cert.pem;
    testsupport::FtpServerProcess srv(options);
    ASSERT_TRUE(srv.running());
    const struct {
        std::optional<ftp::TrustAnswer> answer;  // nullopt: no question expected
        bool connects;
    } rows[] = {{ftp::TrustAnswer::Cancel, false},
                {ftp::TrustAnswer::ThisTime, true},
                {ftp::TrustAnswer::Always, true},
                {std::nullopt, true}};
    connectTo(srv.port(), "demo");  // loads the window; the first row's answer is the default Cancel
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (rows[i].answer) dialogs.answerTrust({*rows[i].answer});
            if (w->connected()) w->cmddesconecto_Click();
            c().Txtlogin->setText(QStringLiteral("demo"));
            c().cmdconectar->click();
        }
        const qsizetype asked = i < 3 ? i + 1 : 3;
        EXPECT_EQ(dialogs.trustQuestions().size(), asked) << i;
        EXPECT_EQ(w->connected(), rows[i].connects) << i;
        if (w->connected()) {
            ASSERT_TRUE(session.hConexion->tlsStatus()) << i;
            EXPECT_EQ(session.hConexion->tlsStatus()->certificate.sha256, cert.sha256);
        }
    }
    EXPECT_EQ(dialogs.trustQuestions()[0].certificate.sha256, cert.sha256);
    EXPECT_EQ(dialogs.boxes().size(), 1);  // the failure box after Cancel only
    ftp::TrustStore trust(ftp::TrustStore::defaultPath());
    ASSERT_TRUE(trust.load());
    EXPECT_EQ(trust.lookup("127.0.0.1", srv.port()), cert.sha256);
}

// Over SFTP: sftp:// in the host box, or only the port with a bare host; the host key asked
// about, the key in HOME's .ssh logging in, the listing shown and an upload arriving whole.
TEST_F(RealServerTest, SftpAsksAboutTheHostKeyListsAndUploads) {
    testsupport::SshdProcess sshd;
    if (!sshd.running()) FAIL() << "sshd unavailable: " << sshd.whyNot();
    const QString key = QDir::homePath() + QStringLiteral("/.ssh/id_ed25519");
    QDir().mkpath(QDir::homePath() + QStringLiteral("/.ssh"));
    QFile::remove(key);
    ASSERT_TRUE(QFile::copy(QString::fromStdString(sshd.clientKey()), key));
    QFile::setPermissions(key, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    qunsetenv("SSH_AUTH_SOCK");
    testsupport::writeFile(sshd.path("hola.txt"), "x");
    QTemporaryDir localDir;
    const std::string bytes("\r\n\0\xff", 4);
    testsupport::writeFile(localDir.filePath(QStringLiteral("nota.bin")).toStdString(), bytes);
    put("Pelicano", "Configuracion", "puerto", QString::number(sshd.port()));
    load();
    ASSERT_TRUE(w->local()->setFolder(localDir.path()));
    c().Txtusuario->setText(QString::fromStdString(sshd.user()));

    dialogs.answerHostKeys({ftp::TrustAnswer::ThisTime, ftp::TrustAnswer::Always});
    for (const QString& host : {QStringLiteral("127.0.0.1"), QStringLiteral("sftp://127.0.0.1")}) {
        if (w->connected()) w->cmddesconecto_Click();
        c().lsthost->setEditText(host);
        c().Txtlogin->setText(QStringLiteral("not needed"));
        c().cmdconectar->click();
        ASSERT_TRUE(w->connected()) << host.toStdString() << " " << sshd.log();
        ASSERT_TRUE(session.hConexion->sshStatus());
        EXPECT_EQ(session.hConexion->sshStatus()->key.fingerprint, sshd.hostKey().fingerprint);
    }
    ASSERT_EQ(dialogs.hostKeyQuestions().size(), 2);
    EXPECT_EQ(dialogs.hostKeyQuestions()[0].key.fingerprint, sshd.hostKey().fingerprint);
    EXPECT_NE(testsupport::readFile(ftp::hostKeyStorePath()).find(sshd.hostKey().base64), std::string::npos);
    ASSERT_EQ(w->remote()->List1()->count(), 1);
    EXPECT_EQ(w->remote()->List1()->item(0)->text(), QStringLiteral("hola.txt"));

    // The sync window's own connections reach the server as the main one did.
    bool compared = false;
    QTimer::singleShot(0, [&] {
        auto* sync = qobject_cast<SyncWindow*>(QApplication::activeModalWidget());
        compared = sync && QTest::qWaitFor([&] { return sync->syncButton()->isEnabled(); }, 20000);
        if (sync) sync->reject();
    });
    w->sincronizar_Click();
    EXPECT_TRUE(compared) << sshd.log();

    w->local()->File1()->item(0)->setSelected(true);
    c().CmdSubir->click();
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_EQ(testsupport::readFile(sshd.path("nota.bin")), bytes);
    EXPECT_EQ(w->remote()->List1()->count(), 2);
    QFile::remove(key);
}

}  // namespace
