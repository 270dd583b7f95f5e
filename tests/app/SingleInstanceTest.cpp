#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <csignal>

#include "app/SingleInstance.h"
#include "core/SettingsStore.h"

namespace {

// The id of a process that has already ended.
qint64 deadPid() {
    QProcess p;
    p.start(QStringLiteral("/bin/true"), {});
    p.waitForFinished();
    return p.processId() ? p.processId() : 999999;
}

TEST(SingleInstanceTest, SecondHolderIsRefusedUntilTheFirstEnds) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pelicano.lock"));
    auto first = std::make_unique<SingleInstance>(path);
    ASSERT_TRUE(first->acquire());
    EXPECT_TRUE(first->holdsLock());
    SingleInstance second(path);
    EXPECT_FALSE(second.acquire());
    first.reset();
    SingleInstance third(path);
    EXPECT_TRUE(third.acquire());
}

TEST(SingleInstanceTest, LockOfADeadProcessIsTakenOver) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pelicano.lock"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::number(deadPid()) + "\n" + QCoreApplication::applicationName().toUtf8() + "\n" +
            QSysInfo::machineHostName().toUtf8() + "\n");
    f.close();
    SingleInstance next(path);
    EXPECT_TRUE(next.acquire());
    EXPECT_TRUE(next.holdsLock());
}

TEST(SingleInstanceTest, AnUnwritableLockPlaceDoesNotStopTheProgram) {
    SingleInstance nowhere(QStringLiteral("/nonexistent-folder/for/sure/pelicano.lock"));
    EXPECT_TRUE(nowhere.acquire());
    EXPECT_FALSE(nowhere.holdsLock());
}

// The real program, started twice and after a kill, on a private profile.
class ProgramInstanceTest : public ::testing::Test {
protected:
    QTemporaryDir home;
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../pelicano");

    void SetUp() override {
        ASSERT_TRUE(QFile::exists(program)) << program.toStdString();
        QDir().mkpath(home.filePath(QStringLiteral("runtime")));
        QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    std::unique_ptr<QProcess> start() {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
        p->setProcessEnvironment(env);
        p->start(program, {});
        p->waitForStarted();
        return p;
    }
    bool lockAppears() {
        const QString lock = home.filePath(QStringLiteral("runtime/pelicano.lock"));
        for (int i = 0; i < 200 && !QFile::exists(lock); ++i) QThread::msleep(50);
        return QFile::exists(lock);
    }
    static void stop(QProcess& p) {
        p.kill();
        p.waitForFinished();
    }
};

TEST_F(ProgramInstanceTest, SecondStartLeavesAtOnceAndAKilledOneBlocksNothing) {
    auto first = start();
    ASSERT_TRUE(lockAppears());
    QThread::msleep(300);  // let it reach its event loop
    ASSERT_EQ(first->state(), QProcess::Running);

    auto second = start();
    EXPECT_TRUE(second->waitForFinished(1000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(second->readAllStandardOutput().isEmpty());
    EXPECT_EQ(first->state(), QProcess::Running);

    stop(*first);  // SIGKILL: the lock file stays behind
    auto third = start();
    EXPECT_FALSE(third->waitForFinished(1500));  // still running: the stale lock was taken over
    EXPECT_EQ(third->state(), QProcess::Running);
    stop(*third);
}

class EndingSignalTest : public ProgramInstanceTest, public ::testing::WithParamInterface<int> {};

// A signal ends the program through the window's close: the last folder is saved, the lock
// released, and the exit is a normal one.
TEST_P(EndingSignalTest, ClosesLikeTheCloseBox) {
    const QString ini = home.filePath(QStringLiteral("config/pelicano/pelicano.ini"));
    auto p = start();
    ASSERT_TRUE(lockAppears());
    for (int i = 0; i < 200 && !QFile::exists(ini); ++i) QThread::msleep(50);  // start-up has run
    ASSERT_EQ(p->state(), QProcess::Running);
    ::kill(pid_t(p->processId()), GetParam());
    ASSERT_TRUE(p->waitForFinished(10000));
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p->exitCode(), 0);
    EXPECT_FALSE(QFile::exists(home.filePath(QStringLiteral("runtime/pelicano.lock"))));
    EXPECT_FALSE(SettingsStore(ini).Leer(QStringLiteral("Pelicano"), QStringLiteral("Ultdir"), QStringLiteral("path")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Signals, EndingSignalTest, ::testing::Values(SIGTERM, SIGHUP, SIGINT));

}  // namespace
