#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "FtpServerProcess.h"
#include "app/DesktopLauncher.h"
#include "core/SettingsStore.h"

namespace {

// Reads Exec back the way a desktop undoes it: string escapes first, then the quoting of one
// argument, then "%%". Written apart from the writer so that both must agree with the rules.
QString programOfExec(const QString& exec) {
    QString s;
    for (int i = 0; i < exec.size(); ++i) {
        if (exec[i] == QLatin1Char('\\') && i + 1 < exec.size()) {
            const QChar n = exec[++i];
            s += n == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : n == QLatin1Char('t') ? QChar(QLatin1Char('\t')) : n == QLatin1Char('s') ? QChar(QLatin1Char(' ')) : n;
        } else {
            s += exec[i];
        }
    }
    QString out;
    const bool quoted = s.startsWith(QLatin1Char('"'));
    if (quoted) {
        EXPECT_TRUE(s.endsWith(QLatin1Char('"'))) << exec.toStdString();
        s = s.mid(1, s.size() - 2);
    }
    for (int i = 0; i < s.size(); ++i) {
        if (quoted && s[i] == QLatin1Char('\\') && i + 1 < s.size()) {
            ++i;
        } else if (!quoted) {
            EXPECT_FALSE(s[i].isSpace()) << exec.toStdString();
        }
        if (s[i] == QLatin1Char('%')) {
            EXPECT_TRUE(i + 1 < s.size() && s[i + 1] == QLatin1Char('%')) << exec.toStdString();
            ++i;
        }
        out += s[i];
    }
    return out;
}

QString entryValue(const QString& text, const QString& key) {
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (line.startsWith(key + QLatin1Char('='))) return line.mid(key.size() + 1);
    return QStringLiteral("<missing>");
}

// desktop-file-validate's complaints, or an empty string when it passes or is not installed.
std::string validatorComplaints(const QString& file) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (tool.isEmpty()) return {};
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(tool, {file});
    if (!p.waitForFinished(20000)) return "desktop-file-validate did not finish";
    const QByteArray out = p.readAll();
    return p.exitCode() == 0 && !out.contains("error") ? std::string() : out.toStdString();
}

class DesktopLauncherTest : public ::testing::Test {
protected:
    QTemporaryDir desktop;
    QString launcherPath() const { return desktop.filePath(QStringLiteral("Pelicano 2.0.desktop")); }
};

class LauncherPaths : public DesktopLauncherTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LauncherPaths, IsAValidExecutableEntryThatNamesTheProgram) {
    const QString exe = QString::fromUtf8(GetParam());
    ASSERT_TRUE(launcher::CrearLink(desktop.path(), exe));
    const QFileInfo info(launcherPath());
    ASSERT_TRUE(info.exists());
    EXPECT_TRUE(info.isExecutable());
    QFile f(launcherPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_EQ(entryValue(text, QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_EQ(entryValue(text, QStringLiteral("Name")), QStringLiteral("Pelicano 2.0"));
    EXPECT_EQ(programOfExec(entryValue(text, QStringLiteral("Exec"))), exe);
    EXPECT_EQ(validatorComplaints(launcherPath()), std::string());
}
INSTANTIATE_TEST_SUITE_P(Executables, LauncherPaths,
                         ::testing::Values("/usr/local/bin/pelicano", "/home/ana/mis programas/pelicano",
                                           "/opt/a \"b\" $HOME `x` \\c/pelicano", "/opt/100%/pelicano",
                                           "/opt/año; (ñandú) & más/pelicano #2", "/opt/a=b/pelicano"));

TEST_F(DesktopLauncherTest, UsesTheInstalledIconWhenInstalledAndTheBuildsOtherwise) {
    const QString prefix = desktop.filePath(QStringLiteral("usr"));
    const QString icons = prefix + QStringLiteral("/share/icons/hicolor/scalable/apps");
    QDir().mkpath(icons);
    testsupport::writeFile((icons + QStringLiteral("/" PELICANO_APP_ID ".svg")).toStdString(), "<svg/>");
    EXPECT_EQ(launcher::iconValue(prefix + QStringLiteral("/bin/pelicano")), QStringLiteral(PELICANO_APP_ID));
    const QString built = launcher::iconValue(desktop.filePath(QStringLiteral("build/app/pelicano")));
    EXPECT_TRUE(QFileInfo(built).isAbsolute() && QFileInfo::exists(built)) << built.toStdString();
}

TEST_F(DesktopLauncherTest, StartsTheProgramItNames) {
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (gio.isEmpty()) GTEST_SKIP() << "gio is not installed";
    QDir().mkpath(desktop.filePath(QStringLiteral("mis programas")));
    const QString exe = desktop.filePath(QStringLiteral("mis programas/pelicano $1"));
    const QString marker = desktop.filePath(QStringLiteral("started"));
    testsupport::writeFile(exe.toStdString(), QStringLiteral("#!/bin/sh\necho \"$#\" > '%1'\n").arg(marker).toStdString());
    QFile::setPermissions(exe, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_TRUE(launcher::CrearLink(desktop.path(), exe));
    QProcess p;
    p.start(gio, {QStringLiteral("launch"), launcherPath()});
    ASSERT_TRUE(p.waitForFinished(20000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    for (int i = 0; i < 100 && !QFile::exists(marker); ++i) QThread::msleep(50);
    ASSERT_TRUE(QFile::exists(marker));
    EXPECT_EQ(testsupport::readFile(marker.toStdString()), "0\n");  // started with no arguments
}

TEST_F(DesktopLauncherTest, FailuresAreSilentAndLeaveNothingBehind) {
    const QString missing = desktop.filePath(QStringLiteral("Escritorio"));
    EXPECT_FALSE(launcher::CrearLink(missing, QStringLiteral("/usr/bin/pelicano")));
    EXPECT_FALSE(QFileInfo::exists(missing));  // a missing desktop folder is not made up

    const QString notAFolder = desktop.filePath(QStringLiteral("file"));
    testsupport::writeFile(notAFolder.toStdString(), "x");
    EXPECT_FALSE(launcher::CrearLink(notAFolder, QStringLiteral("/usr/bin/pelicano")));

    QDir().mkpath(launcherPath());  // the name is taken by a folder
    EXPECT_FALSE(launcher::CrearLink(desktop.path(), QStringLiteral("/usr/bin/pelicano")));
    EXPECT_TRUE(QFileInfo(launcherPath()).isDir());

    EXPECT_FALSE(launcher::CrearLink(QString(), QStringLiteral("/usr/bin/pelicano")));

    // Through a link only into a regular file: a pipe behind it is left a pipe.
    ASSERT_TRUE(QDir(launcherPath()).removeRecursively());
    const QString pipe = desktop.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(pipe, launcherPath()));
    EXPECT_FALSE(launcher::CrearLink(desktop.path(), QStringLiteral("/usr/bin/pelicano")));
    struct stat st {};
    EXPECT_TRUE(::stat(QFile::encodeName(pipe).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(QFileInfo(launcherPath()).isSymLink());
}

TEST_F(DesktopLauncherTest, AReadOnlyDesktopGetsNoLauncher) {
    QString ro = desktop.filePath(QStringLiteral("ro"));
    QDir().mkpath(ro);
    QFile::setPermissions(ro, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    // Permissions do not stop root: a folder of a file system nobody can write to does.
    if (QFile probe(ro + QStringLiteral("/probe")); probe.open(QIODevice::WriteOnly)) ro = QStringLiteral("/proc");
    EXPECT_FALSE(launcher::CrearLink(ro, QStringLiteral("/usr/bin/pelicano")));
    EXPECT_FALSE(QFileInfo::exists(ro + QStringLiteral("/Pelicano 2.0.desktop")));
    QFile::setPermissions(desktop.filePath(QStringLiteral("ro")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(DesktopLauncherTest, MadeOncePerUserEvenWhenItFailedOrWasDeleted) {
    QTemporaryDir config;
    const QString ini = config.filePath(QStringLiteral("pelicano.ini"));
    {
        SettingsStore store(ini);
        EXPECT_TRUE(launcher::CrearLinkOnFirstRun(store, desktop.path(), QStringLiteral("/usr/bin/pelicano")));
        EXPECT_EQ(store.Leer(QStringLiteral("Pelicano"), QStringLiteral("Link"), QStringLiteral("Pvez")),
                  QStringLiteral("1"));
    }
    ASSERT_TRUE(QFile::remove(launcherPath()));
    SettingsStore nextStart(ini);
    EXPECT_FALSE(launcher::CrearLinkOnFirstRun(nextStart, desktop.path(), QStringLiteral("/usr/bin/pelicano")));
    EXPECT_FALSE(QFileInfo::exists(launcherPath()));

    // A first run whose attempt failed marks the attempt all the same.
    QTemporaryDir otherConfig;
    SettingsStore other(otherConfig.filePath(QStringLiteral("pelicano.ini")));
    EXPECT_FALSE(launcher::CrearLinkOnFirstRun(other, desktop.filePath(QStringLiteral("none")),
                                               QStringLiteral("/usr/bin/pelicano")));
    EXPECT_EQ(other.Leer(QStringLiteral("Pelicano"), QStringLiteral("Link"), QStringLiteral("Pvez")),
              QStringLiteral("1"));
}

}  // namespace
