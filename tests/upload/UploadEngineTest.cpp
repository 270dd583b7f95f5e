// The upload loop against a recording connection: the exact writes, percentages, the failure
// boxes and what the main window does meanwhile.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

#include "DialogsRecorder.h"
#include "FakeConnection.h"
#include "UploadHarness.h"

namespace {

class UploadEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.session.hConexion = std::make_unique<FakeConnection>(log);
        QObject::connect(&h.controller, &UploadController::progress, &h.controller,
                         [this](int item, int percent) { progress.push_back({item, percent}); });
    }
    RemoteLog log;
    UploadHarness h;
    DialogsRecorder& dialogs = h.dialogs;
    std::vector<std::pair<int, int>> progress;
};

struct BlockRow {
    qint64 size;
    std::vector<std::size_t> writes;
    std::vector<int> percents;
};

class UploadBlocks : public UploadEngineTest, public ::testing::WithParamInterface<BlockRow> {};

TEST_P(UploadBlocks, SendsFullBlocksThenTheRemainderEvenWhenEmpty) {
    const BlockRow& row = GetParam();
    h.makeFile(QStringLiteral("f"), row.size);
    h.select({0});
    h.controller.CmdSubir_Click();

    ASSERT_EQ(log.files.size(), 1u);
    EXPECT_EQ(log.files[0].name, "f");
    EXPECT_EQ(log.files[0].writes, row.writes);
    EXPECT_TRUE(log.files[0].closed);
    std::vector<int> percents;
    for (auto [item, p] : progress) percents.push_back(p);
    EXPECT_EQ(percents, row.percents);
    // No full block, no bar.
    if (row.size < 100) {
        EXPECT_EQ(h.controller.uploadWindow()->PicX()->width(), 0);
    }
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_FALSE(h.controller.uploadWindow()->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, UploadBlocks,
    ::testing::Values(BlockRow{0, {0}, {}}, BlockRow{99, {99}, {}}, BlockRow{250, {100, 100, 50}, {40, 80}},
                      BlockRow{300, {100, 100, 100, 0}, {33, 66, 100}},
                      BlockRow{1000, {100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 0},
                               {10, 20, 30, 40, 50, 60, 70, 80, 90, 100}}));

TEST_F(UploadEngineTest, SelectedFilesGoInIndexOrderWithTheTransferType) {
    for (int i = 0; i < 9; ++i) h.makeFile(QStringLiteral("f%1").arg(i), 150 + i);
    h.session.TipoTransferencia = 1;
    h.select({4, 1, 7});
    h.controller.CmdSubir_Click();
    ASSERT_EQ(log.files.size(), 3u);
    EXPECT_EQ(log.files[0].name, "f1");
    EXPECT_EQ(log.files[1].name, "f4");
    EXPECT_EQ(log.files[2].name, "f7");
    for (const auto& f : log.files) EXPECT_EQ(f.type, ftp::TransferType::Ascii);
    EXPECT_EQ(log.files[2].bytes, 157u);
    EXPECT_EQ(h.listings, 1);
    EXPECT_TRUE(h.local.File1()->selectedItems().isEmpty());
    EXPECT_TRUE(h.local.lblsuma()->text().isEmpty());
}

TEST_F(UploadEngineTest, ANameThatIsNotUtf8GoesUnderItsOwnBytes) {
    const QByteArray name("caf\xe9 \xff.txt");
    const int fd = ::open((QFile::encodeName(h.dir.path()) + '/' + name).constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "12345", 5), 5);
    ::close(fd);
    h.local.setFolder(h.dir.path());
    ASSERT_EQ(h.local.File1()->count(), 1);
    h.select({0});
    h.controller.CmdSubir_Click();
    ASSERT_EQ(log.files.size(), 1u);
    EXPECT_EQ(log.files[0].name, name.toStdString());
    EXPECT_EQ(log.files[0].bytes, 5u);
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

TEST_F(UploadEngineTest, NothingSelectedShowsTheBoxAndNothingElse) {
    h.makeFile(QStringLiteral("a"), 10);
    h.select({});
    h.local.lblsuma()->setText(QStringLiteral("Seleccionados : (0) 0 bytes"));
    h.controller.CmdSubir_Click();
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].text, QStringLiteral("No has seleccionado ningún archivo para subir"));
    EXPECT_EQ(dialogs.boxes()[0].style, 16);
    EXPECT_EQ(dialogs.boxes()[0].title, QStringLiteral("Error"));
    EXPECT_EQ(h.controller.uploadWindow(), nullptr);
    EXPECT_EQ(h.listings, 0);
    EXPECT_EQ(h.local.lblsuma()->text(), QStringLiteral("Seleccionados : (0) 0 bytes"));
}

TEST_F(UploadEngineTest, FailedCompletionIsAWriteErrorAndStopsTheUpload) {
    h.makeFile(QStringLiteral("a"), 120);
    h.makeFile(QStringLiteral("b"), 120);
    log.refuseClose = "a";
    h.select({0, 1});
    h.controller.CmdSubir_Click();
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].text, QStringLiteral("Error al escribir el archivo a"));
    EXPECT_EQ(dialogs.boxes()[0].style, 16);
    EXPECT_TRUE(dialogs.boxes()[0].title.isEmpty());
    EXPECT_EQ(log.files.size(), 1u);
    EXPECT_EQ(h.listings, 1);
}

TEST_F(UploadEngineTest, UnreadableLocalFileLeavesTheRemoteSideAlone) {
    h.makeFile(QStringLiteral("a"), 10);
    h.makeFile(QStringLiteral("b"), 10);
    h.select({0, 1});
    QFile::remove(h.dir.filePath(QStringLiteral("a")));
    h.controller.CmdSubir_Click();
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].title, QStringLiteral("Error"));
    EXPECT_EQ(dialogs.boxes()[0].style, 16);
    EXPECT_EQ(dialogs.boxes()[0].text, h.dir.filePath(QStringLiteral("a")) + QStringLiteral(": el archivo no existe"));
    EXPECT_TRUE(log.files.empty());
    EXPECT_EQ(h.listings, 1);
}

TEST_F(UploadEngineTest, FiveGibibyteFileGoesWholeWithARightPercentage) {
    // A sparse file; tmpfs reads its holes far faster than a disk file system does.
    QTemporaryDir shm(QStringLiteral("/dev/shm/pelicano-XXXXXX"));
    QTemporaryDir fallback;
    const QString folder = shm.isValid() ? shm.path() : fallback.path();
    {
        QFile f(folder + QStringLiteral("/grande"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(5LL << 30));
    }
    ASSERT_TRUE(h.local.setFolder(folder));
    h.local.File1()->item(0)->setSelected(true);
    log.keepWrites = false;
    h.controller.CmdSubir_Click();
    ASSERT_EQ(log.files.size(), 1u);
    EXPECT_EQ(log.files[0].bytes, 5ULL << 30);
    // 0 % after the first block (100 bytes of 5 GiB), then every step; the last full block
    // leaves 20 bytes for the remainder, which does not move the bar, so it ends at 99.
    ASSERT_EQ(progress.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(progress[i].second, i);
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

TEST_F(UploadEngineTest, MainWindowTakesNoInputAndClosingItCancels) {
    for (const char* name : {"a", "b"}) h.makeFile(QString::fromLatin1(name), 100000);
    auto* button = new QPushButton(&h.F1);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, button, [&] { ++clicks; });
    h.F1.show();
    h.select({0, 1});
    bool poked = false;
    QObject::connect(&h.controller, &UploadController::progress, button, [&](int, int percent) {
        if (poked || percent < 50) return;
        poked = true;
        QTest::mouseClick(button, Qt::LeftButton);
        QTest::keyClick(button, Qt::Key_Space);
        EXPECT_TRUE(h.controller.running());
        h.F1.close();
        EXPECT_TRUE(h.F1.isVisible());
    });
    h.controller.CmdSubir_Click();
    EXPECT_TRUE(poked);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(h.controller.running());
    // The cancelled upload stopped inside the first file; the close was then carried out.
    ASSERT_EQ(log.files.size(), 1u);
    EXPECT_FALSE(log.files[0].closed);
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_EQ(h.listings, 0);
    QApplication::processEvents();
    EXPECT_FALSE(h.F1.isVisible());
    // Input reaches the window again.
    h.F1.show();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

}  // namespace
