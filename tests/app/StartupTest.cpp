#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "F1Fixture.h"
#include "app/CaptionFrame.h"
#include "core/Look.h"
#include "local/LocalBrowser.h"

namespace {

using StartupTest = F1Fixture;

TEST_F(StartupTest, EmptyStoreGivesDefaultsAndAnEmptyHostList) {
    load();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(session.Puerto, 21);
    EXPECT_EQ(session.TipoTransferencia, 2);
    EXPECT_EQ(c().lsthost->count(), 0);
    EXPECT_EQ(c().lsthost->currentText(), QString());
    EXPECT_EQ(c().Txtusuario->text(), QString());
    EXPECT_EQ(focused(), c().lsthost);
    EXPECT_TRUE(dialogs.shown().isEmpty());  // start-up never shows a box
}

TEST_F(StartupTest, StoredHostsAreListedInSlotOrderAndTheFirstIsChosen) {
    storeHost(1, QStringLiteral("ftp.uno.test"), QStringLiteral("ana"));
    storeHost(2, QStringLiteral("ftp.dos.test"), QStringLiteral("beto"));
    storeHost(3, QStringLiteral("Ftp.Uno.test"), QStringLiteral("carla"));
    load();
    EXPECT_EQ(hostItems(), (QStringList{QStringLiteral("ftp.uno.test"), QStringLiteral("ftp.dos.test"),
                                        QStringLiteral("Ftp.Uno.test")}));
    EXPECT_EQ(c().lsthost->currentText(), QStringLiteral("ftp.uno.test"));
    EXPECT_EQ(c().Txtusuario->text(), QStringLiteral("ana"));
    EXPECT_EQ(focused(), c().Txtlogin);
}

TEST_F(StartupTest, AHoleInTheSlotsEndsTheList) {
    storeHost(1, QStringLiteral("a.test"), QStringLiteral("u1"));
    storeHost(2, QStringLiteral("b.test"), QStringLiteral("u2"));
    storeHost(4, QStringLiteral("d.test"), QStringLiteral("u4"));
    load();
    EXPECT_EQ(hostItems(), (QStringList{QStringLiteral("a.test"), QStringLiteral("b.test")}));
}

TEST_F(StartupTest, FirstHostWithoutUserLeavesFocusInTheHostBox) {
    storeHost(1, QStringLiteral("a.test"), QString());
    load();
    EXPECT_EQ(c().lsthost->currentText(), QStringLiteral("a.test"));
    EXPECT_EQ(c().Txtusuario->text(), QString());
    EXPECT_EQ(focused(), c().lsthost);
}

TEST_F(StartupTest, LocalFolderComesFromTheStoreAndGoesBackOnClosing) {
    load();
    EXPECT_EQ(w->local()->folder(), LocalBrowser::programFolder());  // nothing stored yet
    w->close();

    QTemporaryDir other;
    put("Pelicano", "Ultdir", "path", other.path());
    load();
    EXPECT_EQ(w->local()->folder(), other.path());
    ASSERT_TRUE(w->local()->setFolder(dir.path()));
    w->close();
    EXPECT_EQ(get("Pelicano", "Ultdir", "path"), dir.path());
}

TEST_F(StartupTest, AStoredFolderThatHasGoneIsSkippedSilently) {
    put("Pelicano", "Ultdir", "path", dir.path() + QStringLiteral("/gone/away"));
    storeHost(1, QStringLiteral("a.test"), QStringLiteral("ana"));
    w = std::make_unique<F1>(*store, session, dialogs);
    w->setDesktopFolder(desktop());
    const QString openedWith = w->local()->folder();
    w->Form_Load();
    EXPECT_EQ(w->local()->folder(), openedWith);
    EXPECT_EQ(c().lsthost->currentText(), QStringLiteral("a.test"));  // later steps still ran
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

struct StoredNumbers {
    const char* port;
    int expectedPort;
    const char* type;
    int expectedType;
};

class StoredNumbersTest : public F1Fixture, public ::testing::WithParamInterface<StoredNumbers> {};

TEST_P(StoredNumbersTest, ConvertOrFallBackToZero) {
    put("Pelicano", "Configuracion", "puerto", QString::fromUtf8(GetParam().port));
    put("Pelicano", "Conf", "Transferencia", QString::fromUtf8(GetParam().type));
    load();
    EXPECT_EQ(session.Puerto, GetParam().expectedPort);
    EXPECT_EQ(session.TipoTransferencia, GetParam().expectedType);
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Rows, StoredNumbersTest,
                         ::testing::Values(StoredNumbers{"2121", 2121, "1", 1},
                                           StoredNumbers{"21.6", 22, "2", 2},
                                           StoredNumbers{"abc", 0, "binario", 0},
                                           StoredNumbers{"70000", 0, "0", 0},
                                           StoredNumbers{"-21", 0, "", 0},
                                           StoredNumbers{"", 0, "1e1", 10}));

struct Placed {
    const char* name;
    int index;  // Label1's member, -1 for the others
    int left, top, width, height;
};

class LayoutTest : public F1Fixture, public ::testing::WithParamInterface<Placed> {};

TEST_P(LayoutTest, ControlSitsAtItsDesignPosition) {
    load();
    const Placed& p = GetParam();
    QWidget* found = nullptr;
    for (QWidget* child : w->centralWidget()->findChildren<QWidget*>(QString::fromUtf8(p.name))) {
        if (p.index < 0 || child->property("index").toInt() == p.index) found = child;
    }
    ASSERT_NE(found, nullptr) << p.name;
    EXPECT_EQ(found->parentWidget(), w->centralWidget()) << p.name;
    EXPECT_EQ(found->geometry(), look::twipsRect(p.left, p.top, p.width, p.height)) << p.name;
    // Nothing sticks out of the client area.
    EXPECT_TRUE(w->centralWidget()->rect().contains(found->geometry())) << p.name;
}

INSTANTIATE_TEST_SUITE_P(
    DesignTable, LayoutTest,
    ::testing::Values(Placed{"Label1", 0, 120, 120, 585, 345}, Placed{"lsthost", -1, 1200, 120, 3255, 345},
                      Placed{"Label1", 1, 120, 600, 915, 345}, Placed{"Txtusuario", -1, 1200, 600, 3255, 375},
                      Placed{"Label1", 2, 120, 1080, 645, 345}, Placed{"Txtlogin", -1, 1200, 1080, 3255, 375},
                      Placed{"cmdconectar", -1, 4680, 360, 2055, 975},
                      Placed{"cmddesconecto", -1, 6960, 600, 1335, 495},
                      Placed{"Imgpc", -1, 1800, 1560, 750, 750}, Placed{"CmdSubir", -1, 3240, 1680, 2295, 615},
                      Placed{"Imgservidor", -1, 6240, 1560, 750, 750},
                      Placed{"Imgrojo", -1, 7080, 1680, 600, 600}, Placed{"ImgVerde", -1, 7080, 1680, 600, 600},
                      Placed{"Frame1", -1, 240, 2280, 4095, 4215}, Placed{"Frame2", -1, 4440, 2280, 4215, 4215},
                      Placed{"Label1", 3, 2640, 6600, 4350, 495}, Placed{"Image1", -1, 8040, 6600, 480, 480}));

TEST_F(StartupTest, WindowHasAFixedClientAreaAndNoMaximiseButton) {
    load();
    EXPECT_EQ(w->centralWidget()->size(), QSize(588, 477));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Pelicano (Desconectado)"));
    // The program's icon, compiled in from its SVG: a lost resource would leave a blank title bar.
    EXPECT_FALSE(w->windowIcon().pixmap(32, 32).isNull());
}

TEST_F(StartupTest, DisconnectedLookAndDesignProperties) {
    load();
    EXPECT_TRUE(c().Imgrojo->isVisible());
    EXPECT_FALSE(c().ImgVerde->isVisible());
    EXPECT_TRUE(c().cmdconectar->isEnabled());
    EXPECT_TRUE(c().cmdconectar->isDefault());
    EXPECT_TRUE(c().cmdconectar->text().isEmpty());
    EXPECT_FALSE(c().cmddesconecto->isVisible());
    EXPECT_FALSE(c().CmdSubir->isEnabled());
    EXPECT_EQ(c().Txtlogin->echoMode(), QLineEdit::Password);
    EXPECT_EQ(c().Txtlogin->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, c().Txtlogin),
              int(u'*'));

    EXPECT_EQ(c().cmdconectar->toolTip(), QStringLiteral("Conectar al servidor"));
    EXPECT_EQ(c().cmdconectar->accessibleName(), QStringLiteral("Conectar al servidor"));
    EXPECT_EQ(c().CmdSubir->accessibleName(), QStringLiteral("Sube los archivos seleccionados al sevidor"));
    EXPECT_EQ(c().cmddesconecto->text(), QStringLiteral("Desconectar"));
    EXPECT_EQ(c().cmddesconecto->toolTip(), QStringLiteral("Desconectar del servidor"));
    EXPECT_EQ(c().Imgpc->toolTip(), QStringLiteral("Pc local"));
    EXPECT_EQ(c().Imgservidor->toolTip(), QStringLiteral("Servidor remoto"));
    EXPECT_EQ(c().Imgrojo->toolTip(), QStringLiteral("Desconectado"));
    EXPECT_EQ(c().ImgVerde->toolTip(), QStringLiteral("Conectado"));

    EXPECT_EQ(c().Frame1->title(), QStringLiteral("Mi Pc"));
    EXPECT_EQ(c().Frame2->title(), QStringLiteral("Servidor"));
    for (QGroupBox* g : {c().Frame1, c().Frame2}) {
        auto* f = qobject_cast<CaptionFrame*>(g);
        ASSERT_NE(f, nullptr);
        EXPECT_TRUE(f->captionFont().bold());
        EXPECT_DOUBLE_EQ(f->captionFont().pointSizeF(), 11.25);
        EXPECT_EQ(f->captionColor(), QColor(0, 0, 255));
        // The controls inside keep the window's font.
        EXPECT_DOUBLE_EQ(f->font().pointSizeF(), 8.25);
        EXPECT_FALSE(f->font().bold());
    }
    EXPECT_EQ(c().Label1[0]->text(), QStringLiteral("Host:"));
    EXPECT_EQ(c().Label1[1]->text(), QStringLiteral("Usuario:"));
    EXPECT_EQ(c().Label1[2]->text(), QStringLiteral("Login:"));
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(c().Label1[i]->font().pointSizeF(), 12) << i;
    EXPECT_EQ(c().Label1[0]->buddy(), c().lsthost);
    EXPECT_EQ(c().Label1[1]->buddy(), c().Txtusuario);
    EXPECT_EQ(c().Label1[2]->buddy(), c().Txtlogin);
    EXPECT_DOUBLE_EQ(c().Txtusuario->font().pointSizeF(), 9.75);
    EXPECT_DOUBLE_EQ(c().Txtlogin->font().pointSizeF(), 9.75);
    EXPECT_DOUBLE_EQ(c().cmddesconecto->font().pointSizeF(), 9.75);
}

TEST_F(StartupTest, MenuBarStartsWithMenuAndItsFourItems) {
    load();
    const QList<QAction*> top = w->menuBar()->actions();
    ASSERT_FALSE(top.isEmpty());
    EXPECT_EQ(top.first()->text(), QStringLiteral("Menú"));
    const QList<QAction*> items = w->menus().menu1->actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0]->text(), QStringLiteral("Configuración"));
    EXPECT_EQ(items[1]->text(), QStringLiteral("Seguridad..."));
    EXPECT_EQ(items[2]->text(), QStringLiteral("Sincronizar carpeta..."));
    EXPECT_TRUE(items[3]->isSeparator());
    EXPECT_EQ(items[4]->text(), QStringLiteral("Acerca de Pelicano"));
    EXPECT_TRUE(items[0]->isEnabled() && items[1]->isEnabled() && items[4]->isEnabled());
    EXPECT_FALSE(items[2]->isEnabled());  // not connected
}

TEST_F(StartupTest, TabRunsHostUserPasswordConnect) {
    load();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    c().lsthost->setFocus();
    QList<QWidget*> order{QApplication::focusWidget()};
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget();
    }
    ASSERT_EQ(order.size(), 4);
    EXPECT_TRUE(order[0] == c().lsthost || order[0]->parentWidget() == c().lsthost);
    EXPECT_EQ(order[1], c().Txtusuario);
    EXPECT_EQ(order[2], c().Txtlogin);
    EXPECT_EQ(order[3], c().cmdconectar);
}

}  // namespace
