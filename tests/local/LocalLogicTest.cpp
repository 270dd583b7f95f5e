// Path joining, drive lookup and the selection summary, without any widget.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "local/DriveList.h"
#include "local/LocalPaths.h"
#include "local/SelectionSummary.h"

namespace {

void makeFile(const QString& path, qint64 size) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(size));
}

TEST(LocalPaths, JoiningNeverDoublesTheSeparator) {
    EXPECT_EQ(localpath::join(QStringLiteral("/"), QStringLiteral("a.txt")), QStringLiteral("/a.txt"));
    EXPECT_EQ(localpath::join(QStringLiteral("/tmp"), QStringLiteral("a.txt")), QStringLiteral("/tmp/a.txt"));
    EXPECT_EQ(localpath::join(QStringLiteral("/tmp/"), QStringLiteral("a.txt")), QStringLiteral("/tmp/a.txt"));
}

TEST(LocalPaths, FolderEndsInSlashOnlyAtTheRoot) {
    EXPECT_EQ(localpath::normalizeFolder(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(localpath::normalizeFolder(QStringLiteral("//")), QStringLiteral("/"));
    EXPECT_EQ(localpath::normalizeFolder(QStringLiteral("/usr/")), QStringLiteral("/usr"));
    EXPECT_EQ(localpath::normalizeFolder(QStringLiteral("/usr/lib/../share")), QStringLiteral("/usr/share"));
    EXPECT_EQ(localpath::ancestors(QStringLiteral("/")), QStringList{QStringLiteral("/")});
    EXPECT_EQ(localpath::ancestors(QStringLiteral("/a/b")),
              (QStringList{QStringLiteral("/"), QStringLiteral("/a"), QStringLiteral("/a/b")}));
}

TEST(DriveList, FolderBelongsToTheDeepestMountAboveIt) {
    const QList<Drive> drives{{QStringLiteral("/"), QStringLiteral("/")},
                              {QStringLiteral("/mnt"), QStringLiteral("/mnt")},
                              {QStringLiteral("/mnt/usb"), driveText(QStringLiteral("/mnt/usb"), QStringLiteral("LLAVE"))}};
    EXPECT_EQ(drives[2].text, QStringLiteral("/mnt/usb [LLAVE]"));
    EXPECT_EQ(driveIndexOf(drives, QStringLiteral("/mnt/usb/fotos")), 2);
    EXPECT_EQ(driveIndexOf(drives, QStringLiteral("/mnt/usb")), 2);
    EXPECT_EQ(driveIndexOf(drives, QStringLiteral("/mnt/us")), 1);
    EXPECT_EQ(driveIndexOf(drives, QStringLiteral("/home")), 0);
    EXPECT_EQ(driveIndexOf(drives, QStringLiteral("/")), 0);
}

TEST(DriveList, TheRootComesFirst) {
    const QList<Drive> drives = mountedDrives();
    ASSERT_FALSE(drives.isEmpty());
    EXPECT_EQ(drives.first().root, QStringLiteral("/"));
}

struct CaptionRow {
    std::int64_t count, bytes;
    const char* caption;
};

class SummaryCaption : public ::testing::TestWithParam<CaptionRow> {};

TEST_P(SummaryCaption, SwitchesToKilobytesAbove1024Bytes) {
    const CaptionRow& r = GetParam();
    EXPECT_EQ(summaryCaption({r.count, r.bytes}).toStdString(), r.caption);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, SummaryCaption,
    ::testing::Values(CaptionRow{0, 0, "Seleccionados : (0) 0 bytes"},
                      CaptionRow{1, 1024, "Seleccionados : (1) 1024 bytes"},
                      CaptionRow{1, 1025, "Seleccionados : (1) 1 kb"},
                      CaptionRow{2, 2047, "Seleccionados : (2) 1 kb"},
                      CaptionRow{3, 6000, "Seleccionados : (3) 5 kb"},
                      CaptionRow{40000, 5LL << 30, "Seleccionados : (40000) 5242880 kb"}));

TEST(SelectionSummary, CountsEmptyFilesAndSkipsVanishedOnes) {
    QTemporaryDir dir;
    makeFile(dir.filePath(QStringLiteral("a")), 1000);
    makeFile(dir.filePath(QStringLiteral("b")), 2000);
    makeFile(dir.filePath(QStringLiteral("vacio")), 0);
    makeFile(dir.filePath(QStringLiteral("grande")), 3LL << 30);  // sparse; beyond 32 bits
    const QStringList names{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("vacio"),
                            QStringLiteral("desaparecido"), QStringLiteral("grande")};
    const SelectionTotals t = summarizeSelection(dir.path(), names);
    EXPECT_EQ(t.count, 4);
    EXPECT_EQ(t.bytes, 3000 + (3LL << 30));

    const SelectionTotals empty = summarizeSelection(dir.path(), {QStringLiteral("vacio")});
    EXPECT_EQ(summaryCaption(empty), QStringLiteral("Seleccionados : (1) 0 bytes"));
}

}  // namespace
