// What a newcomer does: connect in the main window, click three files in the local list, press
// the upload button, and find them on the server and in the remote list.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "DialogsRecorder.h"
#include "FtpServerProcess.h"
#include "app/F1.h"
#include "core/SessionState.h"
#include "core/SettingsStore.h"
#include "local/LocalBrowser.h"
#include "remote/RemoteView.h"

namespace {

TEST(MainWindowUpload, ThreeClickedFilesAreSentAndListed) {
    testsupport::FtpServerProcess server;
    ASSERT_TRUE(server.running());
    testsupport::writeFile(server.path("ya-estaba.txt"), "x");
    QTemporaryDir local;
    std::map<std::string, std::string> sent;
    for (int i = 0; i < 5; ++i) {
        const std::string name = "foto" + std::to_string(i) + ".jpg";
        sent[name] = std::string(std::size_t(20000 + 4999 * i), char('a' + i));
        testsupport::writeFile(local.filePath(QString::fromStdString(name)).toStdString(), sent[name]);
    }
    DialogsRecorder dialogs;
    QTemporaryDir settings;
    SettingsStore store(settings.filePath(QStringLiteral("pelicano.ini")));
    SessionState session;
    session.Puerto = server.port();
    F1 w(store, session, dialogs);
    w.show();
    ASSERT_TRUE(w.local()->setFolder(local.path()));
    w.controls().lsthost->setEditText(QStringLiteral("127.0.0.1"));
    w.controls().Txtusuario->setText(QStringLiteral("demo"));
    w.controls().Txtlogin->setText(QStringLiteral("demo"));
    w.controls().cmdconectar->click();
    ASSERT_TRUE(w.connected());

    QListWidget* files = w.local()->File1();
    for (int row : {3, 0, 4})
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(files->item(row)).center());
    EXPECT_EQ(w.local()->lblsuma()->text(), QStringLiteral("Seleccionados : (3) 92 kb"));
    QTest::mouseClick(w.controls().CmdSubir, Qt::LeftButton);

    EXPECT_TRUE(dialogs.boxes().isEmpty());
    for (const char* name : {"foto0.jpg", "foto3.jpg", "foto4.jpg"})
        EXPECT_EQ(testsupport::readFile(server.path(name)), sent[name]) << name;
    EXPECT_FALSE(testsupport::exists(server.path("foto1.jpg")));
    QStringList listed;
    for (int i = 0; i < w.remote()->List1()->count(); ++i) listed << w.remote()->List1()->item(i)->text();
    listed.sort();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("foto0.jpg"), QStringLiteral("foto3.jpg"), QStringLiteral("foto4.jpg"),
                                   QStringLiteral("ya-estaba.txt")}));
    EXPECT_TRUE(files->selectedItems().isEmpty());
    EXPECT_TRUE(w.local()->lblsuma()->text().isEmpty());
    w.close();
}

}  // namespace
