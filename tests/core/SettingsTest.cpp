#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "core/HostSlots.h"
#include "core/NumberText.h"
#include "core/SettingsStore.h"
#include "FtpServerProcess.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.path() + QStringLiteral("/pelicano/pelicano.ini"); }
};

TEST_F(SettingsTest, NamesIgnoreCaseAndValuesSurviveANewStore) {
    {
        SettingsStore store(path());
        EXPECT_EQ(store.Leer(QStringLiteral("Pelicano"), QStringLiteral("Configuracion"), QStringLiteral("puerto"),
                             QStringLiteral("21")),
                  QStringLiteral("21"));
        ASSERT_TRUE(store.Guardar(QStringLiteral("Pelicano"), QStringLiteral("Link"), QStringLiteral("Pvez"),
                                  QStringLiteral("1")));
    }
    SettingsStore again(path());
    EXPECT_EQ(again.Leer(QStringLiteral("PELICANO"), QStringLiteral("LINK"), QStringLiteral("pvez")),
              QStringLiteral("1"));
    // A name edited by hand in another case is still found, and a save keeps one spelling.
    testsupport::writeFile(path().toStdString(), "[Pelicano]\nConfiguracion\\Puerto=2121\n");
    SettingsStore edited(path());
    EXPECT_EQ(edited.Leer(QStringLiteral("pelicano"), QStringLiteral("configuracion"), QStringLiteral("puerto")),
              QStringLiteral("2121"));
    ASSERT_TRUE(edited.Guardar(QStringLiteral("Pelicano"), QStringLiteral("Configuracion"), QStringLiteral("Puerto"),
                               QStringLiteral("21")));
    const std::string text = testsupport::readFile(path().toStdString());
    EXPECT_EQ(text.find("Puerto"), std::string::npos) << text;
    EXPECT_EQ(SettingsStore(path()).Leer(QStringLiteral("PELICANO"), QStringLiteral("configuracion"),
                                         QStringLiteral("PUERTO")),
              QStringLiteral("21"));
    // It lists the user's hosts and user names: nobody else may read it.
    EXPECT_EQ(QFileInfo(path()).permissions() & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);
    EXPECT_EQ(QFileInfo(QFileInfo(path()).path()).permissions() & 0x0777,
              QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

// pelicano.ini as a link: saved through it only into a regular file; anything else stays as it was.
class SettingsLink : public SettingsTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SettingsLink, WritesThroughOnlyToARegularFile) {
    const std::string kind = GetParam();
    const QString target = dir.path() + QStringLiteral("/target");
    if (kind == "file") testsupport::writeFile(target.toStdString(), "[x]\ny=1\n");
    if (kind == "fifo") {
        ASSERT_EQ(mkfifo(QFile::encodeName(target).constData(), 0600), 0);
    }
    if (kind == "folder") QDir().mkpath(target);
    QDir().mkpath(dir.path() + QStringLiteral("/pelicano"));
    ASSERT_TRUE(QFile::link(target, path()));

    SettingsStore store(path());
    const bool saved = store.Guardar(QStringLiteral("Pelicano"), QStringLiteral("Link"), QStringLiteral("Pvez"),
                                     QStringLiteral("1"));
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    if (kind == "file") {
        EXPECT_TRUE(saved);
        EXPECT_NE(testsupport::readFile(target.toStdString()).find("pvez=1"), std::string::npos);
        return;
    }
    EXPECT_FALSE(saved);
    EXPECT_FALSE(store.refusal().isEmpty());
    struct stat st {};
    const bool there = ::lstat(QFile::encodeName(target).constData(), &st) == 0;
    EXPECT_EQ(there, kind != "nothing");
    if (kind == "fifo") {
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
    }
    if (kind == "folder") {
        EXPECT_TRUE(S_ISDIR(st.st_mode));
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, SettingsLink, ::testing::Values("file", "fifo", "folder", "nothing"));

TEST_F(SettingsTest, GarbageFileReadsAsDefaultsAndASaveKeepsWorking) {
    QDir().mkpath(dir.path() + QStringLiteral("/pelicano"));
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x01\x02[[[ not an ini\n=====\n\xff\xfe garbage", 33);
    f.close();
    SettingsStore store(path());
    EXPECT_EQ(store.Leer(QStringLiteral("Pelicano"), QStringLiteral("Conf"), QStringLiteral("Transferencia"),
                         QStringLiteral("2")),
              QStringLiteral("2"));
    EXPECT_TRUE(store.Guardar(QStringLiteral("Pelicano"), QStringLiteral("Ultdir"), QStringLiteral("path"),
                              QStringLiteral("/tmp")));
    EXPECT_EQ(SettingsStore(path()).Leer(QStringLiteral("pelicano"), QStringLiteral("ultdir"), QStringLiteral("path")),
              QStringLiteral("/tmp"));
}

TEST_F(SettingsTest, ValuesWithSeparatorsAndAccentsRoundTrip) {
    SettingsStore store(path());
    const QString odd = QStringLiteral("/home/a b/ñandú, \"x\";=[y]");
    EXPECT_TRUE(store.Guardar(QStringLiteral("Pelicano"), QStringLiteral("Ultdir"), QStringLiteral("path"), odd));
    EXPECT_EQ(SettingsStore(path()).Leer(QStringLiteral("Pelicano"), QStringLiteral("Ultdir"), QStringLiteral("path")), odd);
}

TEST_F(SettingsTest, HostSlotsFillFromOneAndStopAtTheFirstHole) {
    SettingsStore store(path());
    EXPECT_EQ(hostslots::record(store, QStringLiteral("ftp.uno"), QStringLiteral("ana")), 1);
    EXPECT_EQ(hostslots::record(store, QStringLiteral("FTP.UNO"), QStringLiteral("bea")), 2);  // case differs: new host
    EXPECT_EQ(hostslots::record(store, QStringLiteral("ftp.uno"), QStringLiteral("otro")), 0);  // known: user kept
    EXPECT_EQ(hostslots::userAt(store, 0), QStringLiteral("ana"));
    EXPECT_EQ(hostslots::load(store), (QStringList{QStringLiteral("ftp.uno"), QStringLiteral("FTP.UNO")}));

    // A hole at slot 3 with slot 4 filled by hand: loading stops at 2, the next host takes slot 3.
    EXPECT_TRUE(store.Guardar(QStringLiteral("PELICANO"), QStringLiteral("lista"), QStringLiteral("4"),
                              QStringLiteral("cuatro")));
    EXPECT_EQ(hostslots::load(store).size(), 2);
    EXPECT_EQ(hostslots::record(store, QStringLiteral("tres"), QStringLiteral("u3")), 3);
    EXPECT_EQ(hostslots::load(store).size(), 4);
    EXPECT_EQ(hostslots::userAt(store, 2), QStringLiteral("u3"));
    EXPECT_EQ(hostslots::userAt(store, 3), QString());  // slot 4 has no user
}

TEST_F(SettingsTest, TenSlotsFullRecordNothing) {
    SettingsStore store(path());
    for (int i = 1; i <= 10; ++i)
        EXPECT_EQ(hostslots::record(store, QStringLiteral("h%1").arg(i), QStringLiteral("u")), i);
    EXPECT_EQ(hostslots::record(store, QStringLiteral("once"), QStringLiteral("u")), 0);
    EXPECT_EQ(hostslots::load(store).size(), 10);
    EXPECT_FALSE(hostslots::load(store).contains(QStringLiteral("once")));
}

struct PortRow {
    const char* text;
    int expected;  // -1 = not a port
};

class StoredPort : public ::testing::TestWithParam<PortRow> {};

TEST_P(StoredPort, Converts) {
    auto v = numbertext::portFromSetting(QString::fromUtf8(GetParam().text));
    if (GetParam().expected < 0) {
        EXPECT_FALSE(v.has_value()) << GetParam().text;
    } else {
        ASSERT_TRUE(v.has_value()) << GetParam().text;
        EXPECT_EQ(*v, GetParam().expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, StoredPort,
                         ::testing::Values(PortRow{"21", 21}, PortRow{" 2121 ", 2121}, PortRow{"21.9", 22},
                                           PortRow{"21.5", 22}, PortRow{"22.5", 22}, PortRow{"0", 0},
                                           PortRow{"65535", 65535}, PortRow{"40000", 40000},
                                           PortRow{"65536", -1}, PortRow{"-1", -1}, PortRow{"abc", -1},
                                           PortRow{"", -1}, PortRow{"2e3", 2000}, PortRow{"1,5", -1},
                                           PortRow{"0x15", -1}, PortRow{"nan", -1}, PortRow{"inf", -1}));

TEST(TypedPort, EmptyOrNotANumberOrOutOfRangeBecome21) {
    for (const char* t : {"", "abc", "0", "-0.5", "70000", "65536", " "}) {
        auto c = numbertext::portFromTyped(QString::fromUtf8(t));
        EXPECT_EQ(c.text, QStringLiteral("21")) << t;
        EXPECT_EQ(c.port, 21) << t;
    }
    auto c = numbertext::portFromTyped(QStringLiteral("21.7"));
    EXPECT_EQ(c.text, QStringLiteral("21.7"));
    EXPECT_EQ(c.port, 21);
    EXPECT_EQ(numbertext::portFromTyped(QStringLiteral("8080")).port, 8080);
    EXPECT_EQ(numbertext::portFromTyped(QStringLiteral("65535.9")).port, 65535);
}

TEST(TransferType, RoundsAndRejectsText) {
    EXPECT_EQ(numbertext::transferTypeFromSetting(QStringLiteral("2")), 2);
    EXPECT_EQ(numbertext::transferTypeFromSetting(QStringLiteral("1")), 1);
    EXPECT_EQ(numbertext::transferTypeFromSetting(QStringLiteral("0")), 0);
    EXPECT_EQ(numbertext::transferTypeFromSetting(QStringLiteral("1.5")), 2);
    EXPECT_FALSE(numbertext::transferTypeFromSetting(QStringLiteral("binario")).has_value());
    EXPECT_FALSE(numbertext::transferTypeFromSetting(QStringLiteral("3000000000")).has_value());
}

}  // namespace
