// The sync window against a real server: the plan it shows, the run, what the server then holds.

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QCheckBox>
#include <QTest>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "DialogsRecorder.h"
#include "FtpServerProcess.h"
#include "core/SyncTexts.h"
#include "dialogs/SyncWindow.h"

namespace {

using testsupport::readFile;
using testsupport::writeFile;

// Runs the event loop until `done`; the ceiling only keeps a broken run from hanging the suite.
template <class Done>
bool waitFor(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 120000) QTest::qWait(20);
    return done();
}

QStringList items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

TEST(SyncWindowTest, ShowsThePlanSyncsTheTreeAndSaysSo) {
    testsupport::FtpServerProcess srv;
    ASSERT_TRUE(srv.running());
    testsupport::TempDir local;
    QDir().mkpath(QString::fromStdString(local.file("sub")));
    writeFile(local.file("a.txt"), "uno");
    writeFile(local.file("sub/c.txt"), std::string(300000, 'c'));  // several blocks
    writeFile(local.file("b.txt"), "contenido nuevo");
    writeFile(local.file("same.txt"), "igual");
    const timespec past[2] = {{1577836800, 0}, {1577836800, 0}};  // older than the server's copy: the same file
    ASSERT_EQ(::utimensat(AT_FDCWD, local.file("same.txt").c_str(), past, 0), 0);
    writeFile(srv.path("b.txt"), "viejo");
    writeFile(srv.path("same.txt"), "igual");
    writeFile(srv.path("old.txt"), "sobra");

    DialogsRecorder dialogs;
    dialogs.answerBoxes({Dialogs::Yes});
    const auto port = srv.port();
    SyncWindow w(
        [port](ftp::Session& s) {
            return ftp::Connection::open(s, "127.0.0.1", port, "demo", "demo", ftp::TlsOptions::off(),
                                         ftp::SshOptions{});
        },
        QString::fromStdString(local.path()), "/", ftp::TransferType::Binary, dialogs);
    w.show();
    ASSERT_TRUE(waitFor([&] { return w.syncButton()->isEnabled(); })) << w.countsLabel()->text().toStdString();
    EXPECT_EQ(w.countsLabel()->text(), synctexts::counts({1, 2, 1, 1, 1}));
    EXPECT_EQ(items(w.files()), (QStringList{QStringLiteral("a.txt"), QStringLiteral("sub/c.txt")}));
    w.listChoice()->setCurrentIndex(2);
    EXPECT_EQ(items(w.files()), QStringList{QStringLiteral("old.txt")});

    w.deleteOnServer()->setChecked(true);
    w.syncButton()->click();
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_TRUE(dialogs.boxes()[0].text.contains(QStringLiteral("\nold.txt\n")));
    ASSERT_TRUE(waitFor([&] { return !w.summaryLabel()->text().isEmpty(); }));

    EXPECT_EQ(w.summaryLabel()->text(), synctexts::summary({3, 1, 1, 0, false}));
    EXPECT_TRUE(w.failures()->isHidden());
    EXPECT_TRUE(w.ranSync());
    for (const char* name : {"a.txt", "b.txt", "same.txt", "sub/c.txt"})
        EXPECT_EQ(readFile(srv.path(name)), readFile(local.file(name))) << name;
    EXPECT_FALSE(testsupport::exists(srv.path("old.txt")));
    QDirIterator all(QString::fromStdString(srv.root()), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (all.hasNext()) EXPECT_FALSE(all.next().endsWith(QStringLiteral(".part"))) << all.filePath().toStdString();
}

}  // namespace
