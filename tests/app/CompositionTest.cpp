// The main window with its parts: remote view, local browser, upload, configuration and About
// windows, links and the first-run launcher, mostly against a real server.

#include <QAction>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include "F1Fixture.h"
#include "FtpServerProcess.h"
#include "dialogs/Fconf.h"
#include "dialogs/FrmAcerca.h"
#include "dialogs/SecurityWindow.h"
#include "local/LocalBrowser.h"
#include "remote/RemoteView.h"
#include "upload/F2.h"
#include "upload/UploadController.h"

namespace {

class CompositionTest : public F1Fixture {
protected:
    void connectTo(const testsupport::FtpServerProcess& srv) {
        c().lsthost->setEditText(QStringLiteral("127.0.0.1"));
        c().Txtusuario->setText(QStringLiteral("demo"));
        c().Txtlogin->setText(QStringLiteral("demo"));
        c().cmdconectar->click();
        ASSERT_TRUE(w->connected()) << srv.port();
    }
    void loadFor(const testsupport::FtpServerProcess& srv) {
        put("Pelicano", "Configuracion", "puerto", QString::number(srv.port()));
        load();
    }
    RemoteView& remote() const { return *w->remote(); }
    // The colour the list really shows (a style sheet above it would override its palette).
    QColor list1Colour() const {
        QWidget* view = remote().List1()->viewport();
        const QImage shot = view->grab().toImage();
        return shot.pixelColor(shot.width() - 3, shot.height() - 3);
    }
};

TEST_F(CompositionTest, FirstRunMakesTheLauncherOnceAndOnlyOnce) {
    load();
    const QString launcher = desktop() + QStringLiteral("/Pelicano 2.0.desktop");
    EXPECT_TRUE(QFile::exists(launcher));
    EXPECT_EQ(get("Pelicano", "Link", "Pvez"), QStringLiteral("1"));
    w->close();

    QFile::remove(launcher);
    load();  // a second start makes none, even though the user deleted the first
    EXPECT_FALSE(QFile::exists(launcher));
}

TEST_F(CompositionTest, MenuBarHoldsMenuThenFolders) {
    load();
    const QList<QAction*> top = w->menuBar()->actions();
    ASSERT_EQ(top.size(), 2);
    EXPECT_EQ(top[0]->text(), QStringLiteral("Menú"));
    EXPECT_EQ(top[1]->text(), QStringLiteral("Carpetas"));
    EXPECT_FALSE(remote().Crearcarpeta()->isEnabled());
}

TEST_F(CompositionTest, ConnectListsTheServerAndDisconnectClearsTheView) {
    testsupport::FtpServerProcess srv;
    testsupport::writeFile(srv.path("leeme.txt"), "hola");
    QDir().mkpath(QString::fromStdString(srv.path("fotos")));
    loadFor(srv);
    EXPECT_EQ(list1Colour(), QColor(255, 255, 255));
    connectTo(srv);

    EXPECT_EQ(list1Colour(), QColor(255, 255, 0));
    ASSERT_EQ(remote().List1()->count(), 1);
    EXPECT_EQ(remote().List1()->item(0)->text(), QStringLiteral("leeme.txt"));
    EXPECT_EQ(remote().CantCarpetas(), 1);
    EXPECT_EQ(remote().PilaDirs(0), "/");
    EXPECT_EQ(remote().NivelDir(), 0);
    EXPECT_TRUE(remote().Crearcarpeta()->isVisible() && remote().Crearcarpeta()->isEnabled());

    w->cmddesconecto_Click();
    EXPECT_EQ(list1Colour(), QColor(255, 255, 255));
    EXPECT_EQ(remote().List1()->count(), 0);
    EXPECT_FALSE(remote().Crearcarpeta()->isVisible() || remote().Crearcarpeta()->isEnabled());
}

TEST_F(CompositionTest, ANewConnectionStartsAtTheTopLevel) {
    testsupport::FtpServerProcess srv;
    QDir().mkpath(QString::fromStdString(srv.path("a/b")));
    loadFor(srv);
    connectTo(srv);
    remote().PicFolder_DblClick(0);
    ASSERT_EQ(remote().NivelDir(), 1);
    ASSERT_TRUE(remote().Cmdup()->isEnabled());

    w->cmddesconecto_Click();
    c().Txtlogin->setText(QStringLiteral("demo"));
    w->cmdconectar_Click();
    ASSERT_TRUE(w->connected());
    EXPECT_EQ(remote().NivelDir(), 0);
    EXPECT_FALSE(remote().Cmdup()->isEnabled());
    EXPECT_EQ(remote().PilaDirs(0), "/");
}

TEST_F(CompositionTest, UploadButtonSendsTheSelectedFileAndRefreshesTheList) {
    testsupport::FtpServerProcess srv;
    QTemporaryDir localDir;
    testsupport::writeFile(localDir.filePath(QStringLiteral("nota.txt")).toStdString(), std::string(1234, 'x'));
    loadFor(srv);
    ASSERT_TRUE(w->local()->setFolder(localDir.path()));
    connectTo(srv);
    QListWidget* files = w->local()->File1();
    ASSERT_EQ(files->count(), 1);
    files->item(0)->setSelected(true);

    c().CmdSubir->click();
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_EQ(testsupport::readFile(srv.path("nota.txt")), std::string(1234, 'x'));
    ASSERT_EQ(remote().List1()->count(), 1);
    EXPECT_EQ(remote().List1()->item(0)->text(), QStringLiteral("nota.txt"));
    EXPECT_FALSE(files->item(0)->isSelected());
}

TEST_F(CompositionTest, ClosingDuringAnUploadCancelsItThenCloses) {
    testsupport::FtpServerProcess srv;
    QTemporaryDir localDir;
    const std::string big(32 * 1024 * 1024, 'z');
    testsupport::writeFile(localDir.filePath(QStringLiteral("grande.bin")).toStdString(), big);
    loadFor(srv);
    ASSERT_TRUE(w->local()->setFolder(localDir.path()));
    connectTo(srv);
    w->local()->File1()->item(0)->setSelected(true);

    // Close at the first progress step: a timer would race a fast loopback upload.
    bool refusedWhileRunning = false;
    bool asked = false;
    QObject::connect(w->upload(), &UploadController::progress, w.get(), [&] {
        if (asked) return;
        asked = true;
        refusedWhileRunning = w->upload()->running() && !w->close() && w->isVisible();
    });
    c().CmdSubir->click();
    EXPECT_TRUE(refusedWhileRunning);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !w->isVisible(); }, 5000));
    EXPECT_FALSE(session.hConexion);
    EXPECT_FALSE(session.hSesion);
    EXPECT_LT(testsupport::readFile(srv.path("grande.bin")).size(), big.size());
    EXPECT_FALSE(w->upload()->uploadWindow() && w->upload()->uploadWindow()->isVisible());
}

TEST_F(CompositionTest, ConfigurationWindowOpensOnceAndClosesWithTheMainWindow) {
    load();
    w->menus().configuracion->trigger();
    ASSERT_NE(w->configurationWindow(), nullptr);
    EXPECT_TRUE(w->configurationWindow()->isVisible());
    Fconf* first = w->configurationWindow();
    w->menus().configuracion->trigger();
    EXPECT_EQ(w->configurationWindow(), first);
    w->close();
    EXPECT_FALSE(first->isVisible());
}

TEST_F(CompositionTest, AboutWindowIsModalOverTheMainWindow) {
    load();
    bool wasModal = false;
    QTimer::singleShot(0, w.get(), [&] {
        FrmAcerca* about = w->aboutWindow();
        wasModal = about && about->isVisible() && about->isModal();
        if (about) about->reject();
    });
    w->menus().acerca->trigger();
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(w->aboutWindow()->isVisible());
}

TEST_F(CompositionTest, SecurityWindowIsModalOverTheMainWindow) {
    load();
    bool wasModal = false;
    QTimer::singleShot(0, w.get(), [&] {
        SecurityWindow* security = w->securityWindow();
        wasModal = security && security->isVisible() && security->isModal();
        if (security) security->reject();
    });
    w->menus().seguridad->trigger();
    EXPECT_TRUE(wasModal);
}

}  // namespace
