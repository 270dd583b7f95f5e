// The window's file list and summary on a server that lists with LIST and prints owners and
// groups as numbers, the way vsftpd does by default.

#include <QLabel>
#include <algorithm>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ServerFixture.h"

namespace {

class NumericOwners : public RemoteServerTest {
protected:
    NumericOwners() : RemoteServerTest(testsupport::FtpServerOptions{.mlsd = false}) {}

    // Ids no account has, so the server prints them as numbers.
    void own(const std::string& relative, std::time_t mtime) const {
        const std::string path = disk(relative);
        const timespec times[2] = {{mtime, 0}, {mtime, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        ASSERT_EQ(chown(path.c_str(), 54321, 54321), 0);
    }
};

TEST_F(NumericOwners, NamesAndSummaryExact) {
    if (geteuid() != 0) GTEST_SKIP() << "files owned by other ids need root";
    const std::time_t recent = std::time(nullptr) - 3600, y2023 = 1673740800, y2022 = 1654041600;
    const std::pair<const char*, std::size_t> files[] = {
        {"informe.pdf", 1234}, {"notas.txt", 1999},        {"foto.jpg", 5000}, {"1234 Jan 15 2023 pub", 4096},
        {"vacio", 0},          {"report 2024.txt", 12345}, {" 22", 22},
    };
    QStringList names;
    for (const auto& [name, size] : files) {
        file(name, size);
        own(name, size % 2 ? y2023 : size == 5000 ? recent : y2022);
        names << QString::fromUtf8(name);
    }
    mkdir("2000");
    own("2000", y2023);
    connect();

    QStringList shown = h.files();
    std::sort(shown.begin(), shown.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(shown.join(u'|').toStdString(), names.join(u'|').toStdString());
    EXPECT_EQ(h.folders().join(u'|').toStdString(), "2000");
    EXPECT_EQ(h.view->Lblserv()->text().toStdString(), "7 archivos(24 kb)");  // 24696 bytes
}

}  // namespace
