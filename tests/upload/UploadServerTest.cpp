// Uploads through the real window parts to a real FTP server, comparing what arrives byte for
// byte.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <unistd.h>

#include "DialogsRecorder.h"
#include "FtpServerProcess.h"
#include "UploadHarness.h"

namespace {

using testsupport::exists;
using testsupport::readFile;

class UploadServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.running());
        h.session.openSession();
        auto c = ftp::Connection::open(*h.session.hSesion, "127.0.0.1", server.port(), "demo", "demo");
        ASSERT_TRUE(c) << c.error().message;
        h.session.hConexion = std::move(c).value();
        h.session.TipoTransferencia = 2;
        // The refresh after an upload lists the folder, which also proves the connection is usable.
        h.onListing = [this] {
            remoteNames.clear();
            auto find = h.session.hConexion->findFiles();
            ASSERT_TRUE(find) << find.error().message;
            for (const ftp::Entry& e : find.value()->entries()) remoteNames.insert(e.name);
        };
    }
    std::string remote(const char* name) const { return server.path(name); }
    static std::string bytes(const QByteArray& b) { return b.toStdString(); }

    testsupport::FtpServerProcess server;
    UploadHarness h;
    DialogsRecorder& dialogs = h.dialogs;
    std::set<std::string> remoteNames;
};

TEST_F(UploadServerTest, ThreeFilesOfNineArriveWholeAndTheViewIsRefreshed) {
    std::vector<QByteArray> sent;
    for (int i = 0; i < 9; ++i) sent.push_back(h.makeFile(QStringLiteral("f%1.bin").arg(i), 1000 + 337 * i));
    h.select({4, 1, 7});
    std::vector<int> order;
    QObject::connect(&h.controller, &UploadController::progress, &h.controller, [&](int item, int) {
        if (order.empty() || order.back() != item) order.push_back(item);
    });
    h.controller.CmdSubir_Click();

    EXPECT_EQ(order, (std::vector<int>{1, 4, 7}));
    for (int i : {1, 4, 7}) EXPECT_EQ(readFile(server.path("f" + std::to_string(i) + ".bin")), bytes(sent[i]));
    EXPECT_FALSE(exists(remote("f0.bin")));
    EXPECT_EQ(remoteNames, (std::set<std::string>{"f1.bin", "f4.bin", "f7.bin"}));
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_EQ(h.listings, 1);
    EXPECT_TRUE(h.local.File1()->selectedItems().isEmpty());
    EXPECT_TRUE(h.local.lblsuma()->text().isEmpty());
    EXPECT_FALSE(h.controller.uploadWindow()->isVisible());
}

TEST_F(UploadServerTest, SmallAndBoundarySizesArriveExactly) {
    std::map<std::string, QByteArray> sent;
    for (int size : {0, 99, 250, 300, 25000})
        sent["n" + std::to_string(size)] = h.makeFile(QStringLiteral("n%1").arg(size), size);
    h.makeFile(QStringLiteral("año ñandú.txt"), 10);
    h.select({0, 1, 2, 3, 4, 5});
    h.controller.CmdSubir_Click();
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    for (const auto& [name, content] : sent) {
        ASSERT_TRUE(exists(remote(name.c_str()))) << name;
        EXPECT_EQ(readFile(remote(name.c_str())), bytes(content)) << name;
    }
    EXPECT_TRUE(exists(server.path("año ñandú.txt")));
}

TEST_F(UploadServerTest, RefusedSecondFileStopsWithOneBox) {
    const QByteArray a = h.makeFile(QStringLiteral("a"), 5000);
    h.makeFile(QStringLiteral("b"), 5000);
    h.makeFile(QStringLiteral("c"), 5000);
    // The server cannot store a file over a folder of the same name.
    ASSERT_EQ(::mkdir(remote("b").c_str(), 0755), 0);
    h.select({0, 1, 2});
    h.controller.CmdSubir_Click();

    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].text, QStringLiteral("Error al tener acceso al archivo b"));
    EXPECT_EQ(dialogs.boxes()[0].style, 16);
    EXPECT_TRUE(dialogs.boxes()[0].title.isEmpty());
    EXPECT_EQ(readFile(remote("a")), bytes(a));
    EXPECT_FALSE(exists(remote("c")));
    EXPECT_EQ(h.listings, 1);
    EXPECT_TRUE(h.local.File1()->selectedItems().isEmpty());
    EXPECT_TRUE(h.local.lblsuma()->text().isEmpty());
}

TEST_F(UploadServerTest, LocalFileGoneBeforeItsTurnReportsAndCreatesNothing) {
    const QByteArray a = h.makeFile(QStringLiteral("a"), 700);
    h.makeFile(QStringLiteral("b"), 700);
    h.makeFile(QStringLiteral("c"), 700);
    h.select({0, 1, 2});
    QFile::remove(h.dir.filePath(QStringLiteral("b")));
    h.controller.CmdSubir_Click();
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].title, QStringLiteral("Error"));
    EXPECT_EQ(readFile(remote("a")), bytes(a));
    EXPECT_FALSE(exists(remote("b")));
    EXPECT_FALSE(exists(remote("c")));
    EXPECT_EQ(remoteNames, std::set<std::string>{"a"});
}

// Cancel pressed halfway through the second of three files, by click, Enter or Escape.
class UploadCancel : public UploadServerTest, public ::testing::WithParamInterface<int> {};

TEST_P(UploadCancel, KeepsTheOldRemoteFileAndStopsQuietly) {
    const QByteArray a = h.makeFile(QStringLiteral("a"), 30000);
    h.makeFile(QStringLiteral("b"), 2000000);
    h.makeFile(QStringLiteral("c"), 30000);
    testsupport::writeFile(remote("b"), "the old b");
    h.select({0, 1, 2});
    bool pressed = false;
    QObject::connect(&h.controller, &UploadController::progress, &h.controller, [&](int item, int percent) {
        if (pressed || item != 1 || percent < 50) return;
        pressed = true;
        // Delivered by the event loop at the engine's next yield, like a real key or click.
        QPushButton* cancel = h.controller.uploadWindow()->Command1();
        QTimer::singleShot(0, cancel, [cancel, how = GetParam()] {
            if (how == 0) QTest::mouseClick(cancel, Qt::LeftButton);
            if (how == 1) QTest::keyClick(cancel, Qt::Key_Return);
            if (how == 2) QTest::keyClick(cancel, Qt::Key_Escape);
        });
        QThread::msleep(15);  // so the next block's yield is due
    });
    h.controller.CmdSubir_Click();

    ASSERT_TRUE(pressed);
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_EQ(readFile(remote("a")), bytes(a));
    EXPECT_EQ(readFile(remote("b")), "the old b");
    EXPECT_FALSE(exists(remote("c")));
    EXPECT_EQ(remoteNames, (std::set<std::string>{"a", "b"})) << "no temporary file is left or listed";
    EXPECT_EQ(h.listings, 1);
    EXPECT_TRUE(h.local.File1()->selectedItems().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Ways, UploadCancel, ::testing::Values(0, 1, 2));

TEST_F(UploadServerTest, TwoUploadsInARowContinueTheAnimation) {
    h.makeFile(QStringLiteral("a"), 3000);
    QStringList texts;
    bool ticked = false;
    QObject::connect(&h.controller, &UploadController::progress, &h.controller, [&](int, int percent) {
        if (ticked || percent < 50) return;
        ticked = true;
        // One timer tick in the middle of each upload.
        h.controller.uploadWindow()->Timer1_Timer();
        texts << h.controller.uploadWindow()->Label1()->text();
    });
    h.select({0});
    h.controller.CmdSubir_Click();
    ticked = false;
    h.select({0});
    h.controller.CmdSubir_Click();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Subiendo"), QStringLiteral("Subiendo.")}));
    EXPECT_EQ(h.controller.uploadWindow()->phase(), 2);
}

TEST_F(UploadServerTest, FileInTheRootFolderIsReadThroughASingleSlash) {
    const QString name = QStringLiteral("pelicano-prueba-%1.bin").arg(::getpid());
    const QString path = QStringLiteral("/") + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) GTEST_SKIP() << "the root folder is not writable here";
    const QByteArray content(4321, 'r');
    f.write(content);
    f.close();
    h.local.setFolder(QStringLiteral("/"));
    const auto found = h.local.File1()->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    found[0]->setSelected(true);
    h.controller.CmdSubir_Click();
    QFile::remove(path);
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_EQ(readFile(server.path(name.toStdString())), content.toStdString());
}

}  // namespace
