// main() of every widget test program: an offscreen QApplication, test-mode standard paths and
// a private settings and temporary folder, and a check that no test leaves a window open.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include "FtpServerProcess.h"

namespace {
class NoWindowLeftOpen : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override {
        QApplication::processEvents();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible()) {
                ADD_FAILURE() << "window left open: " << w->objectName().toStdString() << " ("
                              << w->metaObject()->className() << ")";
                w->close();
            }
        }
    }
};
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Every temporary folder of the tests goes under one that is removed byte by byte at the end:
    // QTemporaryDir cannot remove the names that are not UTF-8 some tests make.
    testsupport::TempDir scratch;
    qputenv("TMPDIR", QByteArray::fromStdString(scratch.path()));
    QTemporaryDir home;
    // Settings, desktop folder and runtime files of the tests never touch the user's own.
    // A private home too: the desktop folder (where the first-run launcher goes) lies under it.
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (home.path() + QStringLiteral("/runtime")).toLocal8Bit());
    QDir().mkpath(home.path() + QStringLiteral("/runtime"));
    QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new NoWindowLeftOpen);
    return RUN_ALL_TESTS();
}
