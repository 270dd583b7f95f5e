// The remote view against an in-memory connection: listing rules, the scroll bar set-up, menus,
// keyboard and assistive-technology access.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QContextMenuEvent>
#include <QWheelEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QThread>
#include <gtest/gtest.h>

#include "FakeConnection.h"
#include "RemoteViewHarness.h"
#include "core/EventYield.h"
#include "remote/FcN.h"

// Qt's own entry for a window manager's close box (exported for its platform plugins).
QT_BEGIN_NAMESPACE
class QWindowSystemInterface {
public:
    struct AsynchronousDelivery {};
    template <typename Delivery>
    static bool handleCloseEvent(QWindow* window);
};
QT_END_NAMESPACE

namespace {

class ListingFake : public ::testing::Test {
protected:
    RemoteViewHarness h;
    FakeConnection* fake = nullptr;

    void SetUp() override {
        auto conn = std::make_unique<FakeConnection>();
        fake = conn.get();
        h.session.hConexion = std::move(conn);
    }
    void folders(int n, const std::string& dir = "/") {
        for (int i = 0; i < n; ++i) {
            fake->dirs[dir].push_back(FakeConnection::folder("d" + std::to_string(i)));
            fake->dirs[(dir == "/" ? "/" : dir + "/") + "d" + std::to_string(i)];
        }
    }
};

TEST_F(ListingFake, FirstEntryAFileThenFoldersAndAnAttribute17EntryIsAFile) {
    fake->dirs["/"] = {FakeConnection::file("a.txt", 1000), FakeConnection::folder("uno"),
                       FakeConnection::file("ro", 25, 17), FakeConnection::folder("dos")};
    h.view->EnumFiles();
    EXPECT_EQ(h.folders(), (QStringList{QStringLiteral("uno"), QStringLiteral("dos")}));
    EXPECT_EQ(h.files(), (QStringList{QStringLiteral("a.txt"), QStringLiteral("ro")}));
    EXPECT_EQ(h.view->Lblserv()->text(), QStringLiteral("2 archivos(1 kb)"));  // 1025 bytes
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/"));
    EXPECT_EQ(h.column()->PicFolderToolTip(0), QStringLiteral("uno"));
    EXPECT_TRUE(h.dialogs.shown().isEmpty());
}

TEST_F(ListingFake, EmptyFolderFailedListingAndNoConnectionLeaveTheSummaryEmpty) {
    fake->dirs["/"] = {FakeConnection::file("x", 1)};
    h.view->EnumFiles();
    ASSERT_FALSE(h.view->Lblserv()->text().isEmpty());

    fake->dirs["/"].clear();
    h.view->EnumFiles();
    EXPECT_TRUE(h.view->Lblserv()->text().isEmpty());
    EXPECT_EQ(h.view->List1()->count(), 0);
    EXPECT_EQ(h.view->CantCarpetas(), 0);

    fake->dirs["/"] = {FakeConnection::folder("a")};
    fake->failListing = true;
    h.view->EnumFiles();
    EXPECT_EQ(h.view->CantCarpetas(), 0);
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/"));

    h.session.hConexion.reset();
    h.view->EnumFiles();
    EXPECT_TRUE(h.view->Lbdir()->text().isEmpty());
    EXPECT_TRUE(h.view->Lblserv()->text().isEmpty());
    EXPECT_TRUE(h.dialogs.shown().isEmpty());
}

TEST_F(ListingFake, OnlyFoldersGiveZeroFiles) {
    folders(2);
    h.view->EnumFiles();
    EXPECT_EQ(h.view->Lblserv()->text(), QStringLiteral("0 archivos(0 bytes)"));
}

TEST_F(ListingFake, ScrollBarSetUpAfreshByEveryListing) {
    QScrollBar* bar = h.view->VScroll1();
    folders(3);
    h.view->EnumFiles();
    EXPECT_FALSE(bar->isEnabled());

    folders(1);  // four now
    h.view->EnumFiles();
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_EQ(h.view->scrollMaximum(), -3);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 0);  // nothing to scroll

    folders(6);  // ten
    h.view->EnumFiles();
    EXPECT_EQ(bar->maximum(), 279);
    // A notch of the wheel over the column moves it by one cell.
    QWheelEvent wheel(QPointF(20, 20), QPointF(20, 20), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(h.column(), &wheel);
    EXPECT_EQ(bar->value(), 47);
    EXPECT_EQ(h.column()->model().iconTop(1), 0);
    bar->setValue(10);
    EXPECT_EQ(h.column()->model().iconTop(0), -10);
    EXPECT_EQ(h.column()->model().captionTop(1), 69);

    // Fewer folders: the surplus cells are gone, the column starts at the top and the bar is
    // back at 0 and disabled, so no touch can move the folders out of view.
    fake->dirs["/"].resize(2);
    h.view->EnumFiles();
    EXPECT_EQ(h.view->CantCarpetas(), 2);
    EXPECT_EQ(h.column()->model().iconTop(0), 0);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_FALSE(bar->isEnabled());
}

TEST_F(ListingFake, EnterAndGoUpKeepTheStack) {
    folders(2);
    folders(1, "/d1");
    h.view->EnumFiles();
    h.view->connectedLook();
    EXPECT_FALSE(h.view->Cmdup()->isEnabled());

    h.view->PicFolder_DblClick(1);
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/d1"));
    EXPECT_EQ(h.view->NivelDir(), 1);
    EXPECT_EQ(h.view->PilaDirs(1), "/d1");
    EXPECT_TRUE(h.view->Cmdup()->isEnabled());
    h.view->PicFolder_DblClick(0);
    EXPECT_EQ(h.view->PilaDirs(2), "/d1/d0");

    QTest::mouseClick(h.view->Cmdup(), Qt::LeftButton);
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/d1"));
    QTest::mouseClick(h.view->Cmdup(), Qt::LeftButton);
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/"));
    EXPECT_FALSE(h.view->Cmdup()->isEnabled());
    EXPECT_TRUE(h.dialogs.shown().isEmpty());
}

TEST_F(ListingFake, RefusedDirectoryChangesShowTheirBoxes) {
    folders(1);
    h.view->EnumFiles();
    h.view->connectedLook();
    h.view->PicFolder_DblClick(0);
    ASSERT_EQ(h.view->NivelDir(), 1);

    fake->refuse.insert("CWD d0");  // never reached: the folder below is entered by name
    fake->dirs.erase("/");          // the parent was removed meanwhile
    h.view->Cmdup_Click();
    ASSERT_EQ(h.dialogs.boxes().size(), 1);
    EXPECT_EQ(h.dialogs.boxes()[0].text, QStringLiteral("No se puede cambiar de directorio"));
    EXPECT_EQ(h.dialogs.boxes()[0].style, 16);
    EXPECT_EQ(h.dialogs.boxes()[0].title, QStringLiteral("Error"));
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/d0"));  // the old listing stays
    EXPECT_EQ(h.view->NivelDir(), 0);
    EXPECT_FALSE(h.view->Cmdup()->isEnabled());

    h.dialogs.clear();
    fake->dirs["/d0"] = {FakeConnection::folder("gone")};
    h.view->EnumFiles();
    h.view->PicFolder_DblClick(0);
    ASSERT_EQ(h.dialogs.boxes().size(), 1);
    EXPECT_EQ(h.dialogs.boxes()[0].text, QStringLiteral("Error al cambiar directorio"));
    EXPECT_EQ(h.view->NivelDir(), 0);
}

TEST_F(ListingFake, MenuStatesAfterEachRightClick) {
    fake->dirs["/"] = {FakeConnection::folder("carpeta"), FakeConnection::file("a", 1), FakeConnection::file("b", 1)};
    h.view->EnumFiles();

    // Disconnected: the panel offers nothing.
    auto conn = std::make_unique<FakeConnection>(*fake);  // the same server, for reconnecting below
    h.session.hConexion.reset();
    h.view->Picfondo_MouseUp(Qt::RightButton, {});
    EXPECT_TRUE(h.popups.empty());
    fake = conn.get();
    h.session.hConexion = std::move(conn);

    h.view->List1_MouseUp(Qt::RightButton, {});
    ASSERT_EQ(h.popups.size(), 1u);
    EXPECT_FALSE(h.popups[0][0].enabled);
    EXPECT_FALSE(h.popups[0][1].enabled);
    EXPECT_EQ(h.popups[0][0].text, QStringLiteral("Eliminar"));

    h.select({QStringLiteral("a"), QStringLiteral("b")});
    h.view->List1_MouseUp(Qt::RightButton, {});
    EXPECT_EQ(h.popups[1][0].text, QStringLiteral("Eliminar archivos seleccionados (2)"));
    EXPECT_TRUE(h.popups[1][0].enabled);
    EXPECT_FALSE(h.popups[1][1].enabled);  // left as the previous pop-up set it

    h.select({QStringLiteral("b")});
    h.view->List1_MouseUp(Qt::RightButton, {});
    EXPECT_EQ(h.popups[2][0].text, QStringLiteral("Eliminar b"));
    EXPECT_TRUE(h.popups[2][1].enabled);

    h.view->PicFolder_MouseUp(0, Qt::RightButton, {});
    ASSERT_EQ(h.popups.size(), 4u);
    EXPECT_FALSE(h.popups[3][0].visible);  // "Crear carpeta..."
    EXPECT_TRUE(h.popups[3][1].visible);
    EXPECT_TRUE(h.popups[3][1].enabled);
    EXPECT_EQ(h.view->eliminarcarpetaTag(), "carpeta");
    // Dismissed: the menu bar's "Carpetas" shows only "Eliminar", disabled.
    EXPECT_FALSE(h.view->Crearcarpeta()->isVisible());
    EXPECT_TRUE(h.view->eliminarcarpeta()->isVisible());
    EXPECT_FALSE(h.view->eliminarcarpeta()->isEnabled());

    h.view->Picfondo_MouseUp(Qt::RightButton, {});
    EXPECT_TRUE(h.popups[4][0].visible && h.popups[4][0].enabled);
    EXPECT_FALSE(h.popups[4][1].visible);
    h.view->Picfondo_MouseUp(Qt::LeftButton, {});
    EXPECT_EQ(h.popups.size(), 5u);
}

TEST_F(ListingFake, MouseOnTheColumnReachesIconsNotCaptions) {
    folders(5);
    h.view->EnumFiles();
    h.view->connectedLook();
    h.window.show();
    QWidget* col = h.column();
    QTest::mouseClick(col, Qt::RightButton, {}, QPoint(20, 47 + 10));  // icon 1
    ASSERT_EQ(h.popups.size(), 1u);
    EXPECT_EQ(h.view->eliminarcarpetaTag(), "d1");
    QTest::mouseClick(col, Qt::RightButton, {}, QPoint(20, 47 + 38));  // caption 1: nothing
    EXPECT_EQ(h.popups.size(), 1u);
    QTest::mouseClick(col, Qt::RightButton, {}, QPoint(2, 10));  // left of icon 0: background
    ASSERT_EQ(h.popups.size(), 2u);
    EXPECT_TRUE(h.popups[1][0].visible);

    QTest::mouseDClick(col, Qt::LeftButton, {}, QPoint(20, 94 + 5));  // icon 2
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/d2"));
    h.window.close();
}

TEST_F(ListingFake, KeyboardAndAssistiveTechnologyReachEveryCell) {
    folders(12);
    h.view->EnumFiles();
    h.view->connectedLook();
    h.window.show();
    h.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&h.window));
    remote::FolderColumn* col = h.column();
    col->setFocus();

    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(col);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(list->text(QAccessible::Name), QStringLiteral("Carpetas del servidor"));
    ASSERT_EQ(list->childCount(), 12);
    QAccessibleInterface* cell = list->child(11);
    EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("d11"));
    EXPECT_EQ(list->indexOfChild(cell), 11);
    EXPECT_EQ(cell->role(), QAccessible::ListItem);

    // The keyboard walks down and the column follows, with no focus frame on the cell.
    QTest::keyClick(col, Qt::Key_End);
    EXPECT_EQ(col->currentCell(), 11);
    EXPECT_EQ(h.view->VScroll1()->value(), 47 * 12 - 193);
    ASSERT_TRUE(col->hasFocus());
    const QImage focused = col->grab().toImage();
    col->clearFocus();
    EXPECT_EQ(col->grab().toImage(), focused);
    col->setFocus();
    QTest::keyClick(col, Qt::Key_Up);
    // The menu key reaches a widget as a keyboard context-menu event.
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QApplication::sendEvent(col, &menuKey);
    ASSERT_EQ(h.popups.size(), 1u);
    EXPECT_EQ(h.view->eliminarcarpetaTag(), "d10");

    // "Show menu" and "press" from assistive technology act like the mouse.
    cell->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    EXPECT_EQ(h.view->eliminarcarpetaTag(), "d11");
    list->child(3)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/d3"));
    EXPECT_EQ(list->childCount(), 0);

    h.view->disconnectedLook();
    EXPECT_EQ(list->childCount(), 0);
    h.window.close();
}

TEST_F(ListingFake, LooksSwitchColoursAndCreateFolderItem) {
    folders(2);
    h.view->EnumFiles();
    h.view->connectedLook();
    EXPECT_EQ(h.view->List1()->palette().color(QPalette::Base), QColor(255, 255, 0));
    EXPECT_TRUE(h.view->Crearcarpeta()->isVisible());
    EXPECT_TRUE(h.view->Crearcarpeta()->isEnabled());
    h.view->disconnectedLook();
    EXPECT_EQ(h.view->List1()->palette().color(QPalette::Base), QColor(255, 255, 255));
    EXPECT_FALSE(h.view->Crearcarpeta()->isVisible());
    EXPECT_EQ(h.column()->model().visibleRange().second, 0);
    EXPECT_EQ(h.column()->model().heldCells(), 0u);           // a long listing's cells are given back
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/"));  // kept until the next listing
}

TEST_F(ListingFake, LongNamesTooltipsAndTheListsMenuKey) {
    const std::string longName(60, 'n');
    fake->cwd = "/una/ruta/muy/larga/que/no/cabe/en/la/etiqueta";
    fake->dirs[fake->cwd] = {FakeConnection::folder("a"), FakeConnection::folder(longName), FakeConnection::file("f", 1)};
    h.view->EnumFiles();
    h.window.show();
    const auto& m = h.column()->model();
    EXPECT_LT(m.captionLeft(1), 0.0);  // overhangs the panel on both sides
    EXPECT_DOUBLE_EQ(m.captionLeft(1), (49 - m.captionWidth(1)) / 2.0);
    EXPECT_EQ(m.cell(1).captionTip, QString::fromStdString(longName));

    QTest::mouseMove(h.view->Lbdir(), QPoint(5, 5));
    EXPECT_EQ(h.view->Lbdir()->toolTip(), QString::fromStdString(fake->cwd));

    h.view->List1()->setCurrentRow(0);
    h.select({QStringLiteral("f")});
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QApplication::sendEvent(h.view->List1(), &menuKey);
    ASSERT_EQ(h.popups.size(), 1u);
    EXPECT_EQ(h.popups[0][0].text, QStringLiteral("Eliminar f"));

    // A right-click below the last item leaves the selection exactly as it was.
    QWidget* viewport = h.view->List1()->viewport();
    QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(10, viewport->height() - 5));
    ASSERT_EQ(h.popups.size(), 2u);
    EXPECT_EQ(h.popups[1][0].text, QStringLiteral("Eliminar f"));
    EXPECT_EQ(h.view->List1()->selectedItems().size(), 1);

    // A name that looks like markup is shown as it is, in the path's tooltip and the column's.
    auto shown = [](const QString& tip) {
        QTextDocument d;
        if (Qt::mightBeRichText(tip)) d.setHtml(tip);
        else d.setPlainText(tip);
        return d.toPlainText();
    };
    fake->cwd = "/<b>x";
    fake->dirs[fake->cwd] = {FakeConnection::folder("<i>y"), FakeConnection::folder("<b>" + longName)};
    h.view->EnumFiles();
    QTest::mouseMove(h.view->Lbdir(), QPoint(6, 6));
    EXPECT_EQ(shown(h.view->Lbdir()->toolTip()), QStringLiteral("/<b>x"));
    EXPECT_EQ(shown(h.column()->PicFolderToolTip(0)), QStringLiteral("<i>y"));
    EXPECT_EQ(shown(h.column()->model().cell(1).captionTip), QString::fromStdString("<b>" + longName));
    h.window.close();
}

// The close box arrives as window-system input. A listing that let events run with input set
// aside left it waiting (on X11 until the next X event): the rename window stayed open.
TEST_F(ListingFake, CloseBoxPressedWhileTheListingIsShownIsCarriedOut) {
    fake->dirs["/"] = {FakeConnection::file("a", 1), FakeConnection::file("b", 1), FakeConnection::file("c", 1)};
    h.view->EnumFiles();
    h.select({QStringLiteral("a")});
    bool openAfterAceptar = true;
    h.view->setRenameRunner([&](FcN& dialog) {
        dialog.show();
        fake->whileListing = [&] {
            QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(
                dialog.windowHandle());
            QThread::msleep(2 * EventYield::kSlice.count());  // the listing's next yield is due
        };
        dialog.cmdaceptar()->click();
        openAfterAceptar = dialog.isVisible();
        dialog.close();
    });
    h.view->cambiarnombre_Click();
    EXPECT_FALSE(openAfterAceptar);
    EXPECT_EQ(h.files(), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b"), QStringLiteral("c")}));
}

TEST_F(ListingFake, ACreatedFolderTheListingDoesNotShowGetsOneCellByHand) {
    folders(2);
    h.view->EnumFiles();
    h.view->connectedLook();
    h.dialogs.answerInputs({QStringLiteral("nueva"), QStringLiteral("otra")});
    h.view->Crearcarpeta_Click();  // listed by the server: no extra cell
    EXPECT_EQ(h.folders(), (QStringList{QStringLiteral("d0"), QStringLiteral("d1"), QStringLiteral("nueva")}));

    fake->hideNewFolders = true;
    h.view->Crearcarpeta_Click();
    EXPECT_EQ(h.view->CantCarpetas(), 4);
    EXPECT_EQ(h.view->Lblcarpeta(3), QStringLiteral("otra"));
    EXPECT_EQ(h.column()->model().iconTop(3), 3 * 47);  // under the last cell
    EXPECT_TRUE(h.column()->PicFolderToolTip(3).isEmpty());
    EXPECT_TRUE(h.view->VScroll1()->isEnabled());  // set up as for a listing of four
    // The hand-filled cell is a folder like the others: it can be entered.
    h.view->PicFolder_DblClick(3);
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/otra"));

    // In an empty folder the cell goes to the top.
    h.dialogs.answerInputs({QStringLiteral("x")});
    h.view->Crearcarpeta_Click();
    EXPECT_EQ(h.folders(), QStringList{QStringLiteral("x")});
    EXPECT_EQ(h.column()->model().iconTop(0), 0);

    // In a long column the bar reaches the cell like any other.
    folders(5, "/otra");
    h.dialogs.answerInputs({QStringLiteral("y")});
    h.view->Crearcarpeta_Click();
    ASSERT_EQ(h.view->CantCarpetas(), 6);
    h.view->VScroll1()->setValue(h.view->VScroll1()->maximum());
    EXPECT_EQ(h.column()->model().captionTop(5) + 15, 191);
    EXPECT_TRUE(h.dialogs.boxes().isEmpty());
}

}  // namespace
