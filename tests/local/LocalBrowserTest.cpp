// The local browser as the user drives it: lists chained drive -> folder -> files, the
// multi-selection file list and its summary, the unreadable drive.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QSet>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DialogsRecorder.h"
#include "local/FolderList.h"
#include "local/LocalBrowser.h"

namespace {

class LocalBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(300, 300);
        browser = std::make_unique<LocalBrowser>(frame, dialogs);
        window.show();
        for (auto [name, size] : {std::pair{"b.txt", 1000}, {"a.txt", 24}, {"c.bin", 0}, {"d.dat", 1}})
            write(dir.filePath(QString::fromLatin1(name)), size);
        QDir(dir.path()).mkdir(QStringLiteral("sub"));
        write(dir.filePath(QStringLiteral("sub/inside.txt")), 5);
    }
    void TearDown() override { window.close(); }

    static void write(const QString& path, int size) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, 'x'));
    }
    void clickFile(int row) {
        QListWidget* list = browser->File1();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
    QStringList files() const {
        QStringList out;
        for (int i = 0; i < browser->File1()->count(); ++i) out << browser->File1()->item(i)->text();
        return out;
    }
    FolderList* dir1() const { return static_cast<FolderList*>(browser->Dir1()); }

    QTemporaryDir dir;
    QWidget window;
    QGroupBox* frame = new QGroupBox(&window);
    DialogsRecorder dialogs;
    std::unique_ptr<LocalBrowser> browser;
};

TEST_F(LocalBrowserTest, ControlsSitAtTheirPlacesWithTheirNames) {
    frame->setGeometry(16, 152, 273, 281);
    EXPECT_EQ(browser->Drive1()->objectName(), QStringLiteral("Drive1"));
    EXPECT_EQ(browser->Drive1()->geometry(), QRect(8, 32, 113, 23));
    EXPECT_EQ(browser->Dir1()->geometry(), QRect(8, 72, 113, 176));
    EXPECT_EQ(browser->File1()->geometry(), QRect(128, 32, 137, 210));
    EXPECT_EQ(browser->lblsuma()->geometry(), QRect(8, 248, 241, 25));
    EXPECT_EQ(browser->Dir1()->accessibleName(), QStringLiteral("Carpetas"));
    EXPECT_EQ(browser->File1()->accessibleName(), QStringLiteral("Archivos"));
    EXPECT_EQ(browser->Drive1()->accessibleName(), QStringLiteral("Unidad"));
    EXPECT_EQ(browser->Drive1()->itemData(0).toString(), QStringLiteral("/"));
    EXPECT_TRUE(browser->lblsuma()->text().isEmpty());
}

TEST_F(LocalBrowserTest, ClicksToggleFilesAndTheSummaryFollows) {
    ASSERT_TRUE(browser->setFolder(dir.path()));
    EXPECT_EQ(browser->folder(), dir.path());
    EXPECT_EQ(files(), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.bin"),
                                    QStringLiteral("d.dat")}));
    clickFile(1);
    EXPECT_EQ(browser->lblsuma()->text(), QStringLiteral("Seleccionados : (1) 1000 bytes"));
    clickFile(0);
    EXPECT_EQ(browser->lblsuma()->text(), QStringLiteral("Seleccionados : (2) 1024 bytes"));
    clickFile(3);
    EXPECT_EQ(browser->lblsuma()->text(), QStringLiteral("Seleccionados : (3) 1 kb"));
    clickFile(2);  // an empty file still counts
    EXPECT_EQ(browser->lblsuma()->text(), QStringLiteral("Seleccionados : (4) 1 kb"));
    for (int row : {0, 1, 2, 3}) clickFile(row);
    EXPECT_EQ(browser->lblsuma()->text(), QStringLiteral("Seleccionados : (0) 0 bytes"));
}

TEST_F(LocalBrowserTest, FolderChangeClearsTheSelectionButKeepsTheLabel) {
    ASSERT_TRUE(browser->setFolder(dir.path()));
    clickFile(3);
    const QString label = browser->lblsuma()->text();
    EXPECT_EQ(label, QStringLiteral("Seleccionados : (1) 1 bytes"));

    // Open "sub" from the folder list: it is listed after the ancestors.
    QListWidget* folders = dir1();
    QListWidgetItem* sub = folders->findItems(QStringLiteral("sub"), Qt::MatchExactly).value(0);
    ASSERT_NE(sub, nullptr);
    const QPoint at = folders->visualItemRect(sub).center();
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(browser->folder(), dir.filePath(QStringLiteral("sub")));
    EXPECT_EQ(files(), QStringList{QStringLiteral("inside.txt")});
    EXPECT_TRUE(browser->File1()->selectedItems().isEmpty());
    EXPECT_EQ(browser->lblsuma()->text(), label);

    // Back up with Enter on the parent, which is an open ancestor above "sub".
    folders->setCurrentRow(folders->row(folders->findItems(QStringLiteral("sub"), Qt::MatchExactly).value(0)) - 1);
    QTest::keyClick(folders, Qt::Key_Return);
    EXPECT_EQ(browser->folder(), dir.path());
}

TEST_F(LocalBrowserTest, NamesThatAreNotUtf8AreListedAndUsable) {
    const QByteArray base = QFile::encodeName(dir.path()) + '/';
    ASSERT_EQ(::mkdir((base + "d\xe9p\xf4t").constData(), 0755), 0);
    write(dir.filePath(QStringLiteral("d\u00e9p\u00f4t")), 0);  // a valid twin with another name
    const int fd = ::open((base + "caf\xe9.txt").constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "abc", 3), 3);
    ::close(fd);
    ASSERT_TRUE(::symlink((base + "caf\xe9.txt").constData(), (base + "d\xe9p\xf4t/in\xff").constData()) == 0);

    ASSERT_TRUE(browser->setFolder(dir.path()));
    ASSERT_TRUE(files().contains(QStringLiteral("caf\uFFFD.txt")));
    clickFile(int(files().indexOf(QStringLiteral("caf\uFFFD.txt"))));
    EXPECT_EQ(browser->lblsuma()->text(), QStringLiteral("Seleccionados : (1) 3 bytes"));

    QListWidget* folders = dir1();
    QListWidgetItem* odd = folders->findItems(QStringLiteral("d\uFFFDp\uFFFDt"), Qt::MatchExactly).value(0);
    ASSERT_NE(odd, nullptr);
    QTest::keyClick(folders, Qt::Key_Home);
    folders->setCurrentItem(odd);
    QTest::keyClick(folders, Qt::Key_Return);
    EXPECT_EQ(files(), QStringList{QStringLiteral("in\uFFFD")});
    clickFile(0);
    EXPECT_EQ(browser->lblsuma()->text(), QStringLiteral("Seleccionados : (1) 3 bytes"));
}

TEST_F(LocalBrowserTest, EveryFolderRowHasOneHeight) {
    for (const char* name : {"plain", "\xe6\x97\xa5\xe6\x9c\xac", "\xf0\x9f\x93\x81 fotos", "\xe0\xa4\xb9\xe0\xa4\xbf"})
        QDir(dir.path()).mkdir(QString::fromUtf8(name));
    ASSERT_TRUE(browser->setFolder(dir.path()));
    QListWidget* folders = dir1();
    QSet<int> heights;
    for (int i = 0; i < folders->count(); ++i) heights << folders->visualItemRect(folders->item(i)).height();
    EXPECT_EQ(heights.size(), 1);
}

TEST_F(LocalBrowserTest, TheRootIsAFolderLikeAnyOther) {
    ASSERT_TRUE(browser->setFolder(QStringLiteral("/")));
    EXPECT_EQ(browser->folder(), QStringLiteral("/"));
    EXPECT_EQ(dir1()->item(0)->text(), QStringLiteral("/"));
    EXPECT_FALSE(dir1()->findItems(QStringLiteral("tmp"), Qt::MatchExactly).isEmpty());
}

TEST_F(LocalBrowserTest, MissingFolderChangesNothing) {
    ASSERT_TRUE(browser->setFolder(dir.path()));
    EXPECT_FALSE(browser->setFolder(dir.filePath(QStringLiteral("no-existe"))));
    EXPECT_FALSE(browser->setFolder(dir.filePath(QStringLiteral("a.txt"))));
    EXPECT_EQ(browser->folder(), dir.path());
    EXPECT_EQ(files().size(), 4);
}

TEST_F(LocalBrowserTest, AfterAnUploadNothingIsSelectedAndTheLabelIsEmpty) {
    ASSERT_TRUE(browser->setFolder(dir.path()));
    clickFile(0);
    clickFile(1);
    browser->clearSelectionAndSummary();
    EXPECT_TRUE(browser->File1()->selectedItems().isEmpty());
    EXPECT_TRUE(browser->lblsuma()->text().isEmpty());
}

TEST_F(LocalBrowserTest, UnreadableDriveReportsAndReturnsToTheProgramsDrive) {
    ASSERT_TRUE(browser->setFolder(dir.path()));
    browser->setDrives({{QStringLiteral("/"), QStringLiteral("/")},
                        {QStringLiteral("/sin-medio"), QStringLiteral("/sin-medio [llave]")}});
    browser->setDriveFromFolder();
    ASSERT_EQ(browser->Drive1()->currentIndex(), 0);

    browser->Drive1()->setCurrentIndex(1);
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].text, QStringLiteral("Error de acceso a la unidad /SIN-MEDIO [LLAVE]"));
    EXPECT_EQ(dialogs.boxes()[0].style, 16);
    EXPECT_EQ(dialogs.boxes()[0].title, QStringLiteral("Error"));
    EXPECT_EQ(browser->Drive1()->currentIndex(), 0);
    // The "/" drive keeps its current folder, the one shown before.
    EXPECT_EQ(browser->folder(), dir.path());
}

TEST_F(LocalBrowserTest, SettingTheDriveFromTheFolderKeepsTheFolder) {
    browser->setDrives({{QStringLiteral("/"), QStringLiteral("/")}, {dir.path(), dir.path()}});
    ASSERT_TRUE(browser->setFolder(dir.filePath(QStringLiteral("sub"))));
    browser->setDriveFromFolder();
    EXPECT_EQ(browser->Drive1()->currentIndex(), 1);
    EXPECT_EQ(browser->folder(), dir.filePath(QStringLiteral("sub")));
    // Choosing the other drive and coming back returns to that drive's current folder.
    browser->Drive1()->setCurrentIndex(0);
    browser->Drive1()->setCurrentIndex(1);
    EXPECT_EQ(browser->folder(), dir.filePath(QStringLiteral("sub")));
}

}  // namespace
