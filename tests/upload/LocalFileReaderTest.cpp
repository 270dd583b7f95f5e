// The local side of an upload: blocks across read boundaries, files that change under us.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>

#include "upload/LocalFileReader.h"

namespace {

TEST(LocalFileReader, HandsOutEveryByteInOrderAcrossReads) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f"));
    QByteArray bytes(int(LocalFileReader::kReadSize) * 3 + 57, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 31 % 253);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();

    LocalFileReader r;
    ASSERT_TRUE(r.open(path));
    EXPECT_EQ(r.size(), std::uint64_t(bytes.size()));
    QByteArray got;
    while (std::uint64_t(got.size()) + 100 <= r.size()) got.append(r.next(100), 100);
    const std::size_t rest = std::size_t(r.size() - std::uint64_t(got.size()));
    got.append(r.next(rest), qsizetype(rest));
    EXPECT_EQ(got, bytes);
    EXPECT_NE(r.next(0), nullptr);
    EXPECT_EQ(r.next(1), nullptr);
}

TEST(LocalFileReader, FileThatShrankIsAnErrorNotGarbage) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(1000, 'a'));
    f.close();
    LocalFileReader r;
    ASSERT_TRUE(r.open(path));
    ASSERT_TRUE(QFile::resize(path, 150));
    EXPECT_NE(r.next(100), nullptr);
    EXPECT_EQ(r.next(100), nullptr);
    EXPECT_TRUE(r.errorText().startsWith(path + QStringLiteral(": ")));
}

TEST(LocalFileReader, OnlyRegularFilesOpen) {
    QTemporaryDir dir;
    LocalFileReader r;
    EXPECT_FALSE(r.open(dir.filePath(QStringLiteral("missing"))));
    EXPECT_TRUE(r.errorText().startsWith(dir.filePath(QStringLiteral("missing")) + QStringLiteral(": ")));
    EXPECT_FALSE(r.open(dir.path()));
    EXPECT_EQ(r.errorText(), dir.path() + QStringLiteral(": es una carpeta, no un archivo"));
    // A FIFO with no writer would block a plain open for ever.
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(r.open(fifo));
    EXPECT_FALSE(r.isOpen());
}

}  // namespace
