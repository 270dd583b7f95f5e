#include <QApplication>
#include <QFile>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <optional>

#include <csignal>
#include <unistd.h>

#include "F1Fixture.h"
#include "FakeConnection.h"
#include "app/SessionEndWatcher.h"
#include "dialogs/CertificateWindow.h"
#include "dialogs/SyncWindow.h"
#include "ftp/SshFiles.h"
#include "ftp/TrustStore.h"
#include "remote/RemoteView.h"
#include <QListWidget>

namespace {

const QString kFailure = QStringLiteral(
    "No se ha podido realizar la conexión con el servidor, asegurese que el usuario y el login sean los correctos");

// Records what the window handed to the engine and answers with a fake connection or a failure.
struct ScriptedConnector {
    bool succeed = true;
    int calls = 0;
    std::string host, user, password;
    std::uint16_t port = 0;
    bool hadSession = false;
    bool* destroyed = nullptr;
    std::function<void()> during;  // runs while "connecting", as a nested event would
    ftp::TlsOptions tls;
    ftp::SshOptions ssh;
    bool untrustedCertificate = false;  // asks tls.prompt, as the engine does, before logging in
    bool unknownHostKey = false;        // asks ssh.prompt, likewise
    ftp::ErrorKind failure = ftp::ErrorKind::Refused;  // what a failing connect reports
    std::optional<ftp::HostKeyQuestion> failureKey;    // and the host key it concerns

    F1::Connector fn() {
        return [this](ftp::Session&, const std::string& h, std::uint16_t p, const std::string& u, const std::string& pw,
                      const ftp::TlsOptions& t,
                      const ftp::SshOptions& k) -> ftp::Result<std::unique_ptr<ftp::Connection>> {
            ++calls;
            host = h, port = p, user = u, password = pw, tls = t, ssh = k;
            if (unknownHostKey) {
                const ftp::HostKeyQuestion q{h, p, {"ssh-ed25519", "SHA256:x"}, {}};
                if (!k.prompt || k.prompt(q) == ftp::TrustAnswer::Cancel)
                    return ftp::Error{ftp::ErrorKind::HostKey, "host key not trusted", {}, {}, q};
            }
            if (untrustedCertificate) {
                ftp::TrustQuestion q{h, p, {}, {}};
                q.certificate.verifyError = 18;
                if (!t.prompt || t.prompt(q) == ftp::TrustAnswer::Cancel)
                    return ftp::Error{ftp::ErrorKind::Certificate, "certificate not trusted", {}, q.certificate};
            }
            if (during) during();
            if (!succeed) return ftp::Error{failure, "530 Login incorrect", {}, {}, failureKey};
            return std::unique_ptr<ftp::Connection>(std::make_unique<FakeConnection>(destroyed));
        };
    }
};

class ConnectTest : public F1Fixture {
protected:
    ScriptedConnector server;
    bool destroyed = false;

    void fill(const QString& host, const QString& user, const QString& password) {
        c().lsthost->setEditText(host);
        c().Txtusuario->setText(user);
        c().Txtlogin->setText(password);
    }
    void loadWithServer() {
        load();
        server.destroyed = &destroyed;
        w->setConnector(server.fn());
    }
    void expectDisconnectedLook() {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Pelicano (Desconectado)"));
        EXPECT_TRUE(c().Imgrojo->isVisible());
        EXPECT_FALSE(c().ImgVerde->isVisible());
        EXPECT_TRUE(c().cmdconectar->isEnabled());
        EXPECT_FALSE(c().cmddesconecto->isVisible());
        EXPECT_FALSE(c().CmdSubir->isEnabled());
        EXPECT_TRUE(c().lsthost->isEnabled() && c().Txtusuario->isEnabled() && c().Txtlogin->isEnabled());
    }
};

struct Fields {
    const char* host;
    const char* user;
    const char* password;
    const char* message;  // nullptr: the checks pass
    const char* focus;
};

class FieldCheckTest : public ConnectTest, public ::testing::WithParamInterface<Fields> {};

TEST_P(FieldCheckTest, OnlyAnExactlyEmptyFieldStopsTheConnect) {
    loadWithServer();
    server.succeed = false;
    const Fields& f = GetParam();
    fill(QString::fromUtf8(f.host), QString::fromUtf8(f.user), QString::fromUtf8(f.password));
    w->cmdconectar_Click();
    ASSERT_FALSE(dialogs.boxes().isEmpty());
    const auto box = dialogs.boxes().first();
    if (!f.message) {
        EXPECT_EQ(server.calls, 1);
        EXPECT_EQ(box.text, kFailure);
        EXPECT_EQ(server.host, f.host);  // handed on unchanged, blanks and all
        return;
    }
    EXPECT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(box.text, QString::fromUtf8(f.message));
    EXPECT_EQ(box.title, QStringLiteral("Campo  requerido"));
    EXPECT_EQ(box.style, Dialogs::Exclamation);
    EXPECT_EQ(server.calls, 0);
    EXPECT_FALSE(session.hSesion);
    ASSERT_NE(focused(), nullptr);
    QWidget* expected = w->findChild<QWidget*>(QString::fromUtf8(f.focus));
    EXPECT_TRUE(focused() == expected || focused()->parentWidget() == expected) << f.focus;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FieldCheckTest,
    ::testing::Values(Fields{"", "", "", "Complete el campo Host", "lsthost"},
                      Fields{"", "ana", "pw", "Complete el campo Host", "lsthost"},
                      Fields{"h.test", "", "pw", "Complete el campo Usuario", "Txtusuario"},
                      Fields{"h.test", "ana", "", "Complete el campo Login", "Txtlogin"},
                      Fields{"   ", "ana", "", "Complete el campo Login", "Txtlogin"},
                      Fields{"   ", " ", " ", nullptr, nullptr}));

TEST_F(ConnectTest, FailedConnectKeepsTheTextsAndClosesTheSession) {
    put("Pelicano", "Configuracion", "puerto", QStringLiteral("2121"));
    loadWithServer();
    server.succeed = false;
    fill(QStringLiteral("h.test"), QStringLiteral("ana"), QStringLiteral("secreto"));
    w->cmdconectar_Click();

    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].text, kFailure);
    EXPECT_EQ(dialogs.boxes()[0].title, QStringLiteral("Error"));
    EXPECT_EQ(dialogs.boxes()[0].style, Dialogs::Critical);
    EXPECT_EQ(server.port, 2121);
    EXPECT_EQ(server.user, "ana");
    EXPECT_EQ(server.password, "secreto");
    EXPECT_EQ(focused(), c().Txtlogin);
    EXPECT_EQ(c().lsthost->currentText(), QStringLiteral("h.test"));
    EXPECT_EQ(c().Txtusuario->text(), QStringLiteral("ana"));
    EXPECT_EQ(c().Txtlogin->text(), QStringLiteral("secreto"));
    EXPECT_FALSE(session.hSesion);
    EXPECT_FALSE(session.hConexion);
    EXPECT_TRUE(get("PELICANO", "lista", "1").isEmpty());
    expectDisconnectedLook();
    EXPECT_FALSE(QApplication::overrideCursor());

    // A later attempt opens a new session and succeeds.
    server.succeed = true;
    w->cmdconectar_Click();
    EXPECT_EQ(server.calls, 2);
    EXPECT_TRUE(w->connected());
    EXPECT_TRUE(session.hSesion && session.hConexion);
}

// Checking the user and the password would not help with these: each box says what happened.
TEST_F(ConnectTest, EncryptionAndTrustedCertificatesFailuresAreToldAsSuch) {
    loadWithServer();
    server.succeed = false;
    fill(QStringLiteral("h.test"), QStringLiteral("ana"), QStringLiteral("secreto"));
    const ftp::HostKeyQuestion revoked{"h.test", 22, {"ssh-ed25519", "SHA256:x"}, {}, true};
    const struct {
        const char* host;
        ftp::ErrorKind kind;
        QString said;
        std::optional<ftp::HostKeyQuestion> key = {};
    } rows[] = {
        {"h.test", ftp::ErrorKind::Downgrade, QStringLiteral("rechazó la conexión cifrada (TLS) que usó antes")},
        {"h.test", ftp::ErrorKind::TrustStore, QString::fromStdString(ftp::TrustStore::defaultPath())},
        {"h.test", ftp::ErrorKind::Tls, QStringLiteral("No se ha podido establecer una conexión cifrada (TLS)")},
        {"sftp://h.test", ftp::ErrorKind::TrustStore, QString::fromStdString(ftp::hostKeyStorePath())},
        {"h.test", ftp::ErrorKind::HostKey, QStringLiteral("marcada como revocada"), revoked},
        // A bare host that spoke SSH: the engine says the store was the host keys'.
        {"h.test", ftp::ErrorKind::TrustStore, QString::fromStdString(ftp::hostKeyStorePath()),
         ftp::HostKeyQuestion{"h.test", 22, {}, {}}},
    };
    for (const auto& [host, kind, said, key] : rows) {
        server.failure = kind;
        server.failureKey = key;
        c().lsthost->setEditText(QString::fromUtf8(host));
        w->cmdconectar_Click();
        ASSERT_FALSE(dialogs.boxes().isEmpty());
        EXPECT_TRUE(dialogs.boxes().last().text.contains(said)) << dialogs.boxes().last().text.toStdString();
        EXPECT_EQ(dialogs.boxes().last().style, Dialogs::Critical);
    }
    EXPECT_EQ(dialogs.boxes().size(), std::size(rows));
    expectDisconnectedLook();
}

TEST_F(ConnectTest, ConnectShowsTheConnectedLookAndRecordsTheHost) {
    loadWithServer();
    fill(QStringLiteral("h.test"), QStringLiteral("ana"), QStringLiteral("secreto"));
    w->cmdconectar_Click();

    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Pelicano (Conectado)"));
    EXPECT_FALSE(c().Imgrojo->isVisible());
    EXPECT_TRUE(c().ImgVerde->isVisible());
    EXPECT_FALSE(c().cmdconectar->isEnabled());
    EXPECT_TRUE(c().cmddesconecto->isVisible());
    EXPECT_TRUE(c().CmdSubir->isEnabled());
    EXPECT_FALSE(c().lsthost->isEnabled() || c().Txtusuario->isEnabled() || c().Txtlogin->isEnabled());
    EXPECT_EQ(c().Txtlogin->text(), QStringLiteral("secreto"));  // still shown, as stars
    EXPECT_FALSE(QApplication::overrideCursor());
    EXPECT_EQ(get("PELICANO", "lista", "1"), QStringLiteral("h.test"));
    EXPECT_EQ(get("PELICANO", "usuario", "1"), QStringLiteral("ana"));

    QFile ini(store->filePath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_FALSE(ini.readAll().contains("secreto"));
}

struct TrustRow {
    const char* storedMode;
    ftp::TlsMode mode;
    ftp::TrustAnswer answer;
    bool connects;
};
class CertificateQuestionTest : public ConnectTest, public ::testing::WithParamInterface<TrustRow> {};

TEST_P(CertificateQuestionTest, TheEngineGetsTheStoredModeAndAsksThroughDialogs) {
    const TrustRow& row = GetParam();
    if (*row.storedMode) put("Pelicano", "Seguridad", "cifrado", QString::fromUtf8(row.storedMode));
    loadWithServer();
    server.untrustedCertificate = true;
    dialogs.answerTrust({row.answer});
    fill(QStringLiteral("h.test"), QStringLiteral("ana"), QStringLiteral("secreto"));
    w->cmdconectar_Click();

    EXPECT_EQ(server.tls.mode, row.mode);
    EXPECT_EQ(server.tls.trustStorePath, ftp::TrustStore::defaultPath());
    ASSERT_EQ(dialogs.trustQuestions().size(), 1);
    EXPECT_EQ(dialogs.trustQuestions()[0].host, "h.test");
    EXPECT_EQ(w->connected(), row.connects);
    if (row.connects) {
        EXPECT_TRUE(dialogs.boxes().isEmpty());
        return;
    }
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].text, kFailure);
    expectDisconnectedLook();
    EXPECT_FALSE(session.hSesion);
}
INSTANTIATE_TEST_SUITE_P(
    Answers, CertificateQuestionTest,
    ::testing::Values(TrustRow{"", ftp::TlsMode::Auto, ftp::TrustAnswer::Cancel, false},
                      TrustRow{"require", ftp::TlsMode::Require, ftp::TrustAnswer::ThisTime, true},
                      TrustRow{"implicit", ftp::TlsMode::Implicit, ftp::TrustAnswer::Always, true},
                      TrustRow{"nonsense", ftp::TlsMode::Auto, ftp::TrustAnswer::ThisTime, true}));

struct HostRow {
    const char* typed;
    const char* configuredPort;  // "": never configured
    const char* host;            // nullptr: refused with a box, nothing sent
    std::uint16_t port;
    ftp::Protocol protocol;
    ftp::TlsMode mode;
};
class HostTextTest : public ConnectTest, public ::testing::WithParamInterface<HostRow> {};

// The scheme picks the protocol, a port in the text wins, and the default port follows the scheme.
TEST_P(HostTextTest, TheHostBoxPicksProtocolAndPort) {
    const HostRow& row = GetParam();
    if (*row.configuredPort) put("Pelicano", "Configuracion", "puerto", QString::fromUtf8(row.configuredPort));
    loadWithServer();
    fill(QString::fromUtf8(row.typed), QStringLiteral("ana"), QStringLiteral("pw"));
    w->cmdconectar_Click();
    if (!row.host) {
        EXPECT_EQ(server.calls, 0);
        ASSERT_EQ(dialogs.boxes().size(), 1);
        EXPECT_TRUE(focused() == c().lsthost || c().lsthost->isAncestorOf(focused()));
        EXPECT_FALSE(session.hSesion);
        return;
    }
    ASSERT_TRUE(w->connected());
    EXPECT_EQ(server.host, row.host);
    EXPECT_EQ(server.port, row.port);
    EXPECT_EQ(server.ssh.protocol, row.protocol);
    EXPECT_EQ(server.tls.mode, row.mode);
    EXPECT_EQ(get("PELICANO", "lista", "1"), QString::fromUtf8(row.typed)) << "remembered as typed";
}
INSTANTIATE_TEST_SUITE_P(
    Rows, HostTextTest,
    ::testing::Values(HostRow{"h.test", "", "h.test", 21, ftp::Protocol::Auto, ftp::TlsMode::Auto},
                      HostRow{"h.test:2200", "21", "h.test", 2200, ftp::Protocol::Auto, ftp::TlsMode::Auto},
                      HostRow{"sftp://h.test", "", "h.test", 22, ftp::Protocol::Sftp, ftp::TlsMode::Auto},
                      HostRow{"SFTP://h.test", "21", "h.test", 22, ftp::Protocol::Sftp, ftp::TlsMode::Auto},
                      HostRow{"sftp://h.test", "2222", "h.test", 2222, ftp::Protocol::Sftp, ftp::TlsMode::Auto},
                      HostRow{"sftp://[::1]:2200/", "2222", "::1", 2200, ftp::Protocol::Sftp, ftp::TlsMode::Auto},
                      HostRow{"ftp://h.test", "2121", "h.test", 2121, ftp::Protocol::Ftp, ftp::TlsMode::Auto},
                      HostRow{"ftps://h.test", "", "h.test", 990, ftp::Protocol::Ftp, ftp::TlsMode::Implicit},
                      HostRow{"h.test:x", "", nullptr, 0, {}, {}}, HostRow{"sftp://ana@h.test", "", nullptr, 0, {}, {}},
                      HostRow{"sftp://h.test/www", "", nullptr, 0, {}, {}}));

// Host keys are looked up where ssh keeps them and beside the trusted certificates, and an unknown
// one is asked through Dialogs; "Cancelar" fails as a refused certificate does.
// A port chosen in the configuration window is for the next connect: the sync window's own
// connections still go where the main connection went.
TEST_F(ConnectTest, SyncConnectionsGoWhereTheMainConnectionWent) {
    put("Pelicano", "Configuracion", "puerto", QStringLiteral("2121"));
    loadWithServer();
    fill(QStringLiteral("h.test"), QStringLiteral("ana"), QStringLiteral("secreto"));
    w->cmdconectar_Click();
    ASSERT_TRUE(w->connected());
    session.Puerto = 2200;
    QTimer::singleShot(0, [&] {
        auto* sync = qobject_cast<SyncWindow*>(QApplication::activeModalWidget());
        if (!sync) return;
        EXPECT_TRUE(QTest::qWaitFor([&] { return sync->listChoice()->count() > 0; }, 5000));
        sync->reject();
    });
    w->sincronizar_Click();
    EXPECT_EQ(server.calls, 2);
    EXPECT_EQ(server.host, "h.test");
    EXPECT_EQ(server.port, 2121);
}

TEST_F(ConnectTest, AnUnknownHostKeyIsAskedThroughDialogs) {
    loadWithServer();
    server.unknownHostKey = true;
    dialogs.answerHostKeys({ftp::TrustAnswer::Cancel, ftp::TrustAnswer::ThisTime});
    fill(QStringLiteral("sftp://h.test"), QStringLiteral("ana"), QStringLiteral("pw"));
    w->cmdconectar_Click();
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].text, kFailure);
    expectDisconnectedLook();

    w->cmdconectar_Click();
    EXPECT_TRUE(w->connected());
    ASSERT_EQ(dialogs.hostKeyQuestions().size(), 2);
    EXPECT_EQ(dialogs.hostKeyQuestions()[1].host, "h.test");
    const std::string home = QDir::homePath().toStdString();
    const std::string certificates = ftp::TrustStore::defaultPath();
    EXPECT_EQ(server.ssh.knownHostsPath, home + "/.ssh/known_hosts");
    EXPECT_EQ(server.ssh.keyFolder, home + "/.ssh");
    EXPECT_EQ(server.ssh.keyStorePath, certificates.substr(0, certificates.rfind('/')) + "/known_hosts");
    EXPECT_TRUE(server.ssh.useAgent);
    EXPECT_TRUE(server.ssh.trustedFingerprint.empty());
}

// A logout (SIGTERM) while "Certificado del servidor" is open answers it "Cancelar" and closes
// the window; a late "Conectar esta vez" finds nothing left to answer.
TEST_F(ConnectTest, AnEndingSessionCancelsTheCertificateQuestion) {
    static QtDialogs realDialogs(&CertificateWindow::askFor);  // outlives the window
    w = std::make_unique<F1>(*store, session, realDialogs);
    QDir().mkpath(desktop());
    w->setDesktopFolder(desktop());
    w->Form_Load();
    SessionEndWatcher watcher(*w, {});
    std::optional<ftp::TrustAnswer> answer;
    w->setConnector([&](ftp::Session&, const std::string& h, std::uint16_t p, const std::string&, const std::string&,
                        const ftp::TlsOptions& t, const ftp::SshOptions&) -> ftp::Result<std::unique_ptr<ftp::Connection>> {
        answer = t.prompt(ftp::TrustQuestion{h, p, {}, {}});
        if (*answer == ftp::TrustAnswer::Cancel) return ftp::Error{ftp::ErrorKind::Certificate, "not trusted", {}};
        return std::unique_ptr<ftp::Connection>(std::make_unique<FakeConnection>());
    });
    QTimer::singleShot(300, [] { ::kill(::getpid(), SIGTERM); });
    QTimer::singleShot(1500, [] {
        if (auto* q = qobject_cast<CertificateWindow*>(QApplication::activeModalWidget()))
            q->findChild<QPushButton*>(QStringLiteral("thisTime"))->click();
    });
    fill(QStringLiteral("h.test"), QStringLiteral("ana"), QStringLiteral("pw"));
    w->cmdconectar_Click();
    EXPECT_EQ(answer, ftp::TrustAnswer::Cancel);
    EXPECT_FALSE(w->connected());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !w->isVisible(); }, 2000));
    EXPECT_FALSE(session.hSesion);
}

TEST_F(ConnectTest, KnownHostWithAnotherUserKeepsTheStoredUser) {
    storeHost(1, QStringLiteral("h.test"), QStringLiteral("ana"));
    loadWithServer();
    c().Txtusuario->setText(QStringLiteral("beto"));
    c().Txtlogin->setText(QStringLiteral("pw"));
    w->cmdconectar_Click();
    EXPECT_TRUE(w->connected());
    EXPECT_EQ(server.user, "beto");
    EXPECT_EQ(get("PELICANO", "usuario", "1"), QStringLiteral("ana"));
    EXPECT_TRUE(get("PELICANO", "lista", "2").isEmpty());
}

TEST_F(ConnectTest, DisconnectEmptiesOnlyThePassword) {
    loadWithServer();
    fill(QStringLiteral("h.test"), QStringLiteral("ana"), QStringLiteral("secreto"));
    w->cmdconectar_Click();
    ASSERT_TRUE(w->connected());
    w->cmddesconecto_Click();

    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(session.hConexion);
    EXPECT_FALSE(session.hSesion);
    expectDisconnectedLook();
    EXPECT_EQ(c().lsthost->currentText(), QStringLiteral("h.test"));
    EXPECT_EQ(c().Txtusuario->text(), QStringLiteral("ana"));
    EXPECT_EQ(c().Txtlogin->text(), QString());
    EXPECT_EQ(focused(), c().Txtlogin);

    // Only a new password is needed to connect again.
    c().Txtlogin->setText(QStringLiteral("otra"));
    w->cmdconectar_Click();
    EXPECT_TRUE(w->connected());
    EXPECT_EQ(server.password, "otra");
}

TEST_F(ConnectTest, EnterInAnyFieldPressesConnect) {
    loadWithServer();
    fill(QStringLiteral("h.test"), QStringLiteral("ana"), QStringLiteral("pw"));
    // Enter in the host box first: the checks pass, the fake refuses, nothing else happens.
    server.succeed = false;
    QTest::keyClick(c().lsthost->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(server.calls, 1);
    EXPECT_EQ(dialogs.boxes().size(), 1);

    server.succeed = true;
    QTest::keyClick(c().Txtlogin, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(server.calls, 2);
    EXPECT_TRUE(w->connected());
    // While connected the connect button is disabled, so Enter does nothing more.
    QTest::keyClick(w->remote()->List1(), Qt::Key_Return);
    EXPECT_EQ(server.calls, 2);
    // A focused button takes Enter for itself.
    c().cmddesconecto->setFocus();
    QTest::keyClick(c().cmddesconecto, Qt::Key_Return);
    EXPECT_FALSE(w->connected());
}

TEST_F(ConnectTest, ChoosingAHostWithoutStoredUserEmptiesTheUserField) {
    storeHost(1, QStringLiteral("a.test"), QStringLiteral("ana"));
    storeHost(2, QStringLiteral("b.test"), QString());
    loadWithServer();
    c().lsthost->setFocus();
    QTest::keyClick(c().lsthost, Qt::Key_Down);  // the arrow keys choose from the list
    EXPECT_EQ(c().lsthost->currentText(), QStringLiteral("b.test"));
    EXPECT_EQ(c().Txtusuario->text(), QString());
    EXPECT_EQ(focused(), c().lsthost);

    QTest::keyClick(c().lsthost, Qt::Key_Up);
    EXPECT_EQ(c().Txtusuario->text(), QStringLiteral("ana"));
    EXPECT_EQ(focused(), c().Txtlogin);
}

struct Typed {
    const char* text;
    bool leaveByTab;  // else Enter
};

class HostTypingTest : public ConnectTest, public ::testing::WithParamInterface<Typed> {};

// Typing never completes the host nor runs the host choice; one Enter connects to what was typed.
TEST_P(HostTypingTest, TheHostIsExactlyWhatWasTyped) {
    storeHost(1, QStringLiteral("ftp.alpha.example"), QStringLiteral("ana"));
    storeHost(2, QStringLiteral("ftp.beta.example"), QStringLiteral("carla"));
    loadWithServer();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    c().Txtusuario->setText(QStringLiteral("beto"));
    c().Txtlogin->setText(QStringLiteral("pw"));
    c().lsthost->setFocus();
    c().lsthost->clearEditText();
    QTest::keyClicks(c().lsthost, QString::fromUtf8(GetParam().text));
    if (GetParam().leaveByTab) {
        c().Txtusuario->setFocus();
        EXPECT_EQ(server.calls, 0);
    } else {
        QTest::keyClick(c().lsthost, Qt::Key_Return);
        EXPECT_EQ(server.calls, 1);
        EXPECT_EQ(server.host, GetParam().text);
        EXPECT_EQ(server.user, "beto");
    }
    EXPECT_EQ(c().lsthost->currentText(), QString::fromUtf8(GetParam().text));
    EXPECT_EQ(c().Txtusuario->text(), QStringLiteral("beto"));
}

INSTANTIATE_TEST_SUITE_P(Rows, HostTypingTest,
                         ::testing::Values(Typed{"ftp.a", false}, Typed{"FTP.ALPHA.EXAMPLE", false},
                                           Typed{"ftp.beta.example", false}, Typed{"FTP.ALPHA.EXAMPLE", true},
                                           Typed{"ftp.beta.example", true}));

TEST_F(ConnectTest, ClosingWhileConnectedClosesBothHandles) {
    loadWithServer();
    fill(QStringLiteral("h.test"), QStringLiteral("ana"), QStringLiteral("pw"));
    w->cmdconectar_Click();
    ASSERT_TRUE(w->connected());
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(session.hConexion);
    EXPECT_FALSE(session.hSesion);
}

TEST_F(ConnectTest, CloseAskedDuringTheConnectWaitsForItToFinish) {
    loadWithServer();
    fill(QStringLiteral("h.test"), QStringLiteral("ana"), QStringLiteral("pw"));
    server.during = [this] {
        EXPECT_FALSE(w->close());  // refused for now: the engine is still using the session
        EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(session.hSesion);
    };
    w->cmdconectar_Click();
    EXPECT_TRUE(w->connected());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !w->isVisible(); }, 2000));
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(session.hSesion);
}

// A server that never answers: waits the way the engine does, through the session's wait hook,
// until the hook gives up (Cancelled) or 10 s pass (Timeout). The first wait posts `act`, which
// runs inside the window's event processing, as a click or a close from the user would.
ftp::ErrorKind waitOnServer(ftp::Session& s, const std::function<void()>& act, bool heedHook = true) {
    QTimer::singleShot(0, act);
    for (int i = 0; i < 2000; ++i) {
        if (!s.waitHook()() && heedHook) return ftp::ErrorKind::Cancelled;
        if (!heedHook && i == 50) return ftp::ErrorKind::Refused;  // fails on its own meanwhile
        QThread::msleep(5);
    }
    return ftp::ErrorKind::Timeout;
}

struct GiveUpCase {
    const char* name;
    const char* stall;  // "connect", "failingConnect", "listing" or "folder"
    bool close;         // close the window; otherwise press "Desconectar"
};

class GiveUpTest : public ConnectTest, public ::testing::WithParamInterface<GiveUpCase> {};

TEST_P(GiveUpTest, EndsTheWaitAndIsCarriedOut) {
    const std::string stall = GetParam().stall;
    std::optional<ftp::ErrorKind> ended;
    auto act = [this] {
        if (GetParam().close) w->close();
        else QTest::mouseClick(c().cmddesconecto, Qt::LeftButton);
    };
    struct Stalling : FakeConnection {
        std::function<ftp::ErrorKind()> wait;
        std::string at;
        ftp::Result<std::unique_ptr<ftp::Find>> findFiles(const std::string&) override {
            if (at == "listing") return ftp::Error{wait(), "listing", {}};
            return std::make_unique<ftp::Find>(std::vector<ftp::Entry>{{"sub", ftp::kDirectory, 0}});
        }
        ftp::Status changeDirectory(const std::string&) override { return ftp::Error{wait(), "cwd", {}}; }
    };
    load();
    w->setConnector([&](ftp::Session& s, const std::string&, std::uint16_t, const std::string&,
                        const std::string&, const ftp::TlsOptions&, const ftp::SshOptions&) -> ftp::Result<std::unique_ptr<ftp::Connection>> {
        if (stall == "connect" || stall == "failingConnect") {
            ended = waitOnServer(s, act, stall == "connect");
            return ftp::Error{*ended, "connect", {}};
        }
        auto conn = std::make_unique<Stalling>();
        conn->at = stall;
        conn->wait = [&s, &ended, act] { return *(ended = waitOnServer(s, act)); };
        return std::unique_ptr<ftp::Connection>(std::move(conn));
    });
    fill(QStringLiteral("h.test"), QStringLiteral("ana"), QStringLiteral("pw"));
    w->cmdconectar_Click();
    if (stall == "folder") w->remote()->PicFolder_DblClick(0);
    ASSERT_TRUE(ended);
    if (stall != "failingConnect") {
        EXPECT_EQ(*ended, ftp::ErrorKind::Cancelled);
    }
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << "no error for a call the user gave up";
    if (GetParam().close) {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !w->isVisible(); }, 2000));
        EXPECT_FALSE(get("Pelicano", "Ultdir", "path").isEmpty()) << "saved as a normal close saves";
    } else {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !w->connected(); }, 2000));
        expectDisconnectedLook();
    }
    EXPECT_FALSE(session.hConexion);
}

INSTANTIATE_TEST_SUITE_P(Waits, GiveUpTest,
                         ::testing::Values(GiveUpCase{"connectClosed", "connect", true},
                                           GiveUpCase{"failingConnectClosed", "failingConnect", true},
                                           GiveUpCase{"listingClosed", "listing", true},
                                           GiveUpCase{"listingDisconnected", "listing", false},
                                           GiveUpCase{"folderDisconnected", "folder", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
