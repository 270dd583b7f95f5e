// The remote view inside the real main window, driven with the mouse and keyboard against a
// real server: connect, enter a folder, go up, create a folder from the panel's pop-up.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

#include "DialogsRecorder.h"
#include "FtpServerProcess.h"
#include "app/F1.h"
#include "core/SessionState.h"
#include "core/SettingsStore.h"
#include "remote/FolderColumn.h"
#include "remote/RemoteView.h"

namespace {

TEST(MainWindow, BrowseTheServerWithTheMouse) {
    testsupport::FtpServerProcess srv;
    std::filesystem::create_directories(srv.path("documentos/viejos"));
    testsupport::writeFile(srv.path("documentos/notas.md"), "hola");
    testsupport::writeFile(srv.path("LEEME.txt"), std::string(2048, 'x'));

    QTemporaryDir dir;
    SettingsStore store(dir.path() + QStringLiteral("/pelicano/pelicano.ini"));
    EXPECT_TRUE(
        store.Guardar(QStringLiteral("Pelicano"), QStringLiteral("Link"), QStringLiteral("Pvez"), QStringLiteral("1")));
    EXPECT_TRUE(store.Guardar(QStringLiteral("Pelicano"), QStringLiteral("Configuracion"), QStringLiteral("puerto"),
                              QString::number(srv.port())));
    SessionState session;
    DialogsRecorder dialogs;
    F1 w(store, session, dialogs);
    w.setDesktopFolder(dir.path());
    w.Form_Load();
    RemoteView* r = w.remote();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Picfondo()->parentWidget(), w.centralWidget());
    EXPECT_EQ(r->Picfondo()->geometry(), QRect(304, 200, 49, 193));
    EXPECT_TRUE(w.menuBar()->actions().contains(r->Menufolder()->menuAction()));

    QTest::keyClicks(w.controls().lsthost->lineEdit(), QStringLiteral("127.0.0.1"));
    QTest::keyClicks(w.controls().Txtusuario, QStringLiteral("demo"));
    QTest::keyClicks(w.controls().Txtlogin, QStringLiteral("demo"));
    QTest::mouseClick(w.controls().cmdconectar, Qt::LeftButton);
    ASSERT_TRUE(session.hConexion) << (dialogs.boxes().isEmpty() ? "" : dialogs.boxes()[0].text.toStdString());
    EXPECT_EQ(r->Lblserv()->text(), QStringLiteral("1 archivos(2 kb)"));
    EXPECT_EQ(r->Lblcarpeta(0), QStringLiteral("documentos"));

    QTest::mouseDClick(r->Picfondo(), Qt::LeftButton, {}, QPoint(24, 16));
    EXPECT_EQ(r->Lbdir()->text(), QStringLiteral("/documentos"));
    EXPECT_EQ(r->List1()->item(0)->text(), QStringLiteral("notas.md"));
    QTest::mouseClick(r->Cmdup(), Qt::LeftButton);
    EXPECT_EQ(r->Lbdir()->text(), QStringLiteral("/"));
    EXPECT_FALSE(r->Cmdup()->isEnabled());

    // The panel's pop-up, answered by choosing "Crear carpeta...".
    r->setPopupShower([&](QMenu*, QPoint) { r->Crearcarpeta()->trigger(); });
    dialogs.answerInputs({QStringLiteral("nueva")});
    QTest::mouseClick(r->Picfondo(), Qt::RightButton, {}, QPoint(24, 150));
    EXPECT_TRUE(testsupport::exists(srv.path("nueva")));
    EXPECT_TRUE(r->Lblcarpeta(0) == QStringLiteral("nueva") || r->Lblcarpeta(1) == QStringLiteral("nueva"));
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    w.close();
}

}  // namespace
