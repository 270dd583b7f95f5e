#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "DialogsRecorder.h"
#include "core/NumberText.h"
#include "core/SessionState.h"
#include "core/SettingsStore.h"
#include "dialogs/Fconf.h"

namespace {

const QString kApp = QStringLiteral("Pelicano");

class FconfTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    SettingsStore store{dir.path() + QStringLiteral("/pelicano.ini")};
    SessionState session;
    DialogsRecorder dialogs;
    Fconf fconf{session, store, dialogs};

    template <typename W>
    W* child(const char* name) {
        W* w = fconf.findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* port() { return child<QLineEdit>("Txtport"); }
    QRadioButton* opt(const char* name) { return child<QRadioButton>(name); }
    void guardar() { QTest::mouseClick(child<QPushButton>("cmdguardo"), Qt::LeftButton); }
    void typePort(const QString& text) {
        port()->selectAll();
        QTest::keyClick(port(), Qt::Key_Delete);
        QTest::keyClicks(port(), text);
    }
    QString stored(const char* section, const char* key) {
        return SettingsStore(store.filePath()).Leer(kApp, QLatin1String(section), QLatin1String(key), QStringLiteral("<none>"));
    }
};

TEST_F(FconfTest, LayoutMatchesTheDesign) {
    fconf.open();
    EXPECT_EQ(fconf.windowTitle(), QStringLiteral("Configuración de Pelicano 2.0"));
    EXPECT_EQ(fconf.size(), QSize(257, 173));
    EXPECT_EQ(fconf.minimumSize(), fconf.maximumSize());
    EXPECT_EQ(fconf.parentWidget(), nullptr);
    EXPECT_FALSE(fconf.isModal());
    EXPECT_FALSE(fconf.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(fconf.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(child<QLabel>("Label1")->geometry(), QRect(16, 16, 162, 23));
    EXPECT_EQ(child<QLabel>("Label1")->text(), QStringLiteral("Conectar al puerto:"));
    EXPECT_EQ(port()->geometry(), QRect(192, 16, 33, 25));
    EXPECT_EQ(port()->palette().color(QPalette::Base), QColor(0x40, 0x40, 0x40));
    EXPECT_EQ(port()->palette().color(QPalette::Text), QColor(0, 0xFF, 0));
    EXPECT_TRUE(port()->font().bold());
    EXPECT_EQ(child<QPushButton>("cmdguardo")->geometry(), QRect(48, 112, 153, 49));
    EXPECT_EQ(child<QPushButton>("cmdguardo")->text(), QStringLiteral("Guardar"));
    EXPECT_FALSE(child<QPushButton>("cmdguardo")->icon().isNull());
    EXPECT_EQ(child<QGroupBox>("Frame1")->geometry(), QRect(32, 48, 193, 49));
    EXPECT_EQ(child<QGroupBox>("Frame1")->title(), QStringLiteral("Tipo de datos"));
    EXPECT_EQ(opt("OptBin")->geometry(), QRect(8, 24, 81, 17));
    EXPECT_EQ(opt("OptAsc")->geometry(), QRect(104, 24, 57, 17));
    EXPECT_EQ(opt("OptBin")->text(), QStringLiteral("Binario"));
    EXPECT_EQ(opt("OptAsc")->text(), QStringLiteral("ASCII"));
    EXPECT_FALSE(opt("Opt3")->isVisible());
    // Tab order: the port, "Guardar", then the options.
    QStringList chain;
    for (QWidget* w = port(); chain.size() < 4; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus) chain << w->objectName();
    EXPECT_EQ(chain, (QStringList{QStringLiteral("Txtport"), QStringLiteral("cmdguardo"), QStringLiteral("OptBin"), QStringLiteral("OptAsc")}));
    fconf.close();
}

struct OpeningRow {
    int tipo;
    const char* selected;
};
class FconfOpening : public FconfTest, public ::testing::WithParamInterface<OpeningRow> {};

TEST_P(FconfOpening, SelectsTheOptionOfTheTransferTypeAndLeavesItAsItWas) {
    session.TipoTransferencia = GetParam().tipo;
    fconf.open();
    EXPECT_TRUE(opt(GetParam().selected)->isChecked());
    for (const char* name : {"OptBin", "OptAsc", "Opt3"})
        if (qstrcmp(name, GetParam().selected) != 0) {
            EXPECT_FALSE(opt(name)->isChecked()) << name;
        }
    EXPECT_EQ(session.TipoTransferencia, GetParam().tipo);
    fconf.close();
}
INSTANTIATE_TEST_SUITE_P(Types, FconfOpening,
                         ::testing::Values(OpeningRow{1, "OptAsc"}, OpeningRow{2, "OptBin"}, OpeningRow{0, "Opt3"},
                                           OpeningRow{-5, "Opt3"}));

struct SaveRow {
    const char* typed;
    const char* savedText;
    int puerto;
};
class FconfSaving : public FconfTest, public ::testing::WithParamInterface<SaveRow> {};

TEST_P(FconfSaving, SavesTheTextAndSetsThePortRoundedDown) {
    session.Puerto = 2121;
    fconf.open();
    typePort(QString::fromUtf8(GetParam().typed));
    guardar();
    const QString saved = QString::fromUtf8(GetParam().savedText);
    EXPECT_EQ(stored("Configuracion", "puerto"), saved);
    EXPECT_EQ(port()->text(), saved);
    EXPECT_EQ(session.Puerto, GetParam().puerto);
    EXPECT_FALSE(fconf.isVisible());
    EXPECT_TRUE(dialogs.shown().isEmpty());
}
INSTANTIATE_TEST_SUITE_P(
    Ports, FconfSaving,
    ::testing::Values(SaveRow{"", "21", 21}, SaveRow{"abc", "21", 21}, SaveRow{"8080", "8080", 8080},
                      SaveRow{"21.9", "21.9", 21}, SaveRow{" 990 ", " 990 ", 990}, SaveRow{"2e3", "2e3", 2000},
                      SaveRow{"65535", "65535", 65535},
                      // No usable port: treated as not a number.
                      SaveRow{"70000", "21", 21}, SaveRow{"65536", "21", 21}, SaveRow{"0", "21", 21},
                      SaveRow{"-0.5", "21", 21}, SaveRow{"0.9", "21", 21}, SaveRow{"8O80", "21", 21}));

TEST(FconfUnwritable, ASaveThatCannotBeWrittenIsToldAndHoldsForThisRun) {
    QTemporaryDir dir;
    QFile notAFolder(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(notAFolder.open(QIODevice::WriteOnly));
    SettingsStore store(notAFolder.fileName() + QStringLiteral("/pelicano.ini"));
    SessionState session;
    DialogsRecorder dialogs;
    Fconf fconf{session, store, dialogs};
    fconf.open();
    fconf.findChild<QLineEdit*>(QStringLiteral("Txtport"))->setText(QStringLiteral("8080"));
    QTest::mouseClick(fconf.findChild<QPushButton*>(QStringLiteral("cmdguardo")), Qt::LeftButton);
    EXPECT_EQ(session.Puerto, 8080);
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].text,
              QStringLiteral("No se ha podido guardar la configuración en ") + store.filePath());
    EXPECT_EQ(dialogs.boxes()[0].style, int(Dialogs::Critical));
    EXPECT_EQ(dialogs.boxes()[0].title, QStringLiteral("Error"));
}

TEST_F(FconfTest, AFractionSavedNowIsRoundedToNearestAtTheNextStart) {
    fconf.open();
    typePort(QStringLiteral("21.9"));
    guardar();
    EXPECT_EQ(session.Puerto, 21);
    EXPECT_EQ(numbertext::portFromSetting(stored("Configuracion", "puerto")), std::optional<std::uint16_t>(22));
}

TEST_F(FconfTest, OpeningShowsThePortInEffect) {
    fconf.open();
    EXPECT_EQ(port()->text(), QStringLiteral("21"));  // 0: the default port
    fconf.close();

    // Saving only the transfer type keeps a custom port.
    session.Puerto = 2121;
    fconf.open();
    EXPECT_EQ(port()->text(), QStringLiteral("2121"));
    // Four or five digits shrink the type so the whole port shows in the narrow box.
    const int room = port()->width() - 2 * port()->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) - 5;
    for (const char* text : {"21", "2121", "65535"}) {
        port()->setText(QLatin1String(text));
        EXPECT_LE(QFontMetricsF(port()->font()).horizontalAdvance(port()->text()), room) << text;
        EXPECT_EQ(port()->font().pointSizeF() == 13.5, std::string(text) == "21") << text;
    }
    port()->setText(QStringLiteral("2121"));
    guardar();
    EXPECT_EQ(stored("Configuracion", "puerto"), QStringLiteral("2121"));
    EXPECT_EQ(session.Puerto, 2121);

    // A text typed and then abandoned through the close box is gone at the next opening.
    fconf.open();
    typePort(QStringLiteral("8080"));
    fconf.close();
    fconf.open();
    EXPECT_EQ(port()->text(), QStringLiteral("2121"));
    fconf.close();
}

TEST_F(FconfTest, AnOptionChangesTheTypeAtOnceAndTheCloseBoxSavesNothing) {
    session.TipoTransferencia = 2;
    session.Puerto = 2121;
    fconf.open();
    typePort(QStringLiteral("8080"));
    QTest::mouseClick(opt("OptAsc"), Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_EQ(session.TipoTransferencia, 1);
    fconf.close();
    EXPECT_EQ(session.TipoTransferencia, 1);
    EXPECT_EQ(session.Puerto, 2121);
    EXPECT_EQ(stored("Configuracion", "puerto"), QStringLiteral("<none>"));
    EXPECT_EQ(stored("Conf", "Transferencia"), QStringLiteral("<none>"));

    fconf.open();
    EXPECT_TRUE(opt("OptAsc")->isChecked());
    QTest::mouseClick(opt("OptBin"), Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_EQ(session.TipoTransferencia, 2);
    guardar();
    EXPECT_EQ(stored("Conf", "Transferencia"), QStringLiteral("2"));
}

TEST_F(FconfTest, AnUnknownTypeIsKeptUntilSavedAsAscii) {
    session.TipoTransferencia = 0;
    fconf.open();
    EXPECT_FALSE(opt("OptBin")->isChecked());
    EXPECT_FALSE(opt("OptAsc")->isChecked());
    guardar();
    EXPECT_EQ(session.TipoTransferencia, 0);  // nothing chosen: uploads still pass 0 this run
    EXPECT_EQ(stored("Conf", "Transferencia"), QStringLiteral("1"));
}

TEST_F(FconfTest, OpeningAgainWhileOpenOnlyBringsItForward) {
    fconf.open();
    typePort(QStringLiteral("3000"));
    fconf.open();
    EXPECT_TRUE(fconf.isVisible());
    EXPECT_EQ(port()->text(), QStringLiteral("3000"));
    fconf.close();
}

}  // namespace
