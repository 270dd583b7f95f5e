#include "RemoteView.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <limits>
#include <malloc.h>

#include "FcN.h"
#include "FolderColumn.h"
#include "FolderColumnAccessible.h"
#include "RemoteName.h"
#include "ServerSummary.h"
#include "core/BusyCursor.h"
#include "core/Dialogs.h"
#include "core/Look.h"
#include "core/SessionState.h"

using remote::displayName;
using remote::toBytes;

namespace {
constexpr unsigned kWhite = 0x00FFFFFF;
constexpr int kLargeListing = 10000;

// Empties the list and the folder cells; after a large listing the freed memory goes back to
// the system, which the allocator would otherwise keep for the life of the process.
void clearListing(QListWidget* list, remote::FolderColumnModel& cells) {
    const bool large = list->count() + cells.CantCarpetas() > kLargeListing;
    list->clear();
    cells.clear();
    if (large) malloc_trim(0);
}

constexpr unsigned kYellow = 0x0000FFFF;
constexpr int kNameRole = Qt::UserRole;  // the item's name as the server sent it
}  // namespace

RemoteView::RemoteView(QWidget* window, QGroupBox* Frame2, SessionState& session, Dialogs& dialogs, QObject* parent)
    : QObject(parent), session_(session), dialogs_(dialogs), window_(window) {
    createControls(window, Frame2);
    createMenus(window);
    wireEvents();
    showPopup_ = [](QMenu* menu, QPoint pos) { menu->exec(pos); };
    runRename_ = [](FcN& dialog) { dialog.exec(); };
}

RemoteView::~RemoteView() = default;

void RemoteView::createControls(QWidget* window, QGroupBox* Frame2) {
    Label2_ = new QLabel(QStringLiteral("Dir Actual:"), Frame2);
    Label2_->setObjectName(QStringLiteral("Label2"));
    Label2_->setGeometry(look::twipsRect(120, 360, 840, 225));

    Lbdir_ = new QLabel(QStringLiteral("/"), Frame2);
    Lbdir_->setObjectName(QStringLiteral("Lbdir"));
    Lbdir_->setGeometry(look::twipsRect(960, 360, 2655, 255));
    Lbdir_->setMouseTracking(true);
    Lbdir_->setTextFormat(Qt::PlainText);  // a path is never markup

    Cmdup_ = new QPushButton(Frame2);
    Cmdup_->setObjectName(QStringLiteral("Cmdup"));
    Cmdup_->setGeometry(look::twipsRect(3720, 240, 375, 375));
    Cmdup_->setIcon(Cmdup_->style()->standardIcon(QStyle::SP_FileDialogToParent));
    Cmdup_->setToolTip(QStringLiteral("Subir un nivel de directorio"));
    Cmdup_->setAccessibleName(Cmdup_->toolTip());
    Cmdup_->setEnabled(false);

    VScroll1_ = new QScrollBar(Qt::Vertical, Frame2);
    VScroll1_->setObjectName(QStringLiteral("VScroll1"));
    VScroll1_->setGeometry(look::twipsRect(960, 720, 270, 2895));
    VScroll1_->setRange(0, 0);
    VScroll1_->setSingleStep(1);
    VScroll1_->setPageStep(1);
    VScroll1_->setEnabled(false);

    List1_ = new QListWidget(Frame2);
    List1_->setObjectName(QStringLiteral("List1"));
    List1_->setGeometry(look::twipsRect(1320, 720, 2775, 2895));
    List1_->setFont(look::programFont(9.75, true));
    List1_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List1_->setAccessibleName(QStringLiteral("Archivos del servidor"));
    List1_->setUniformItemSizes(true);  // keeps long listings fast to lay out
    setList1Background(kWhite);

    Lblserv_ = new QLabel(Frame2);
    Lblserv_->setObjectName(QStringLiteral("Lblserv"));
    Lblserv_->setGeometry(look::twipsRect(1560, 3720, 2415, 375));
    Lblserv_->setFont(look::programFont(12));
    Lblserv_->setTextFormat(Qt::PlainText);

    // The panel lies on the window itself, over the frame.
    remote::FolderColumnAccessible::registerFactory();
    Picfondo_ = new remote::FolderColumn(window);
    Picfondo_->setGeometry(look::twipsRect(4560, 3000, 735, 2895));
    Picfondo_->raise();
}

void RemoteView::createMenus(QWidget* window) {
    Menufolder_ = new QMenu(QStringLiteral("Carpetas"), window);
    Menufolder_->setObjectName(QStringLiteral("Menufolder"));
    Crearcarpeta_ = Menufolder_->addAction(QStringLiteral("Crear carpeta..."));
    Crearcarpeta_->setObjectName(QStringLiteral("Crearcarpeta"));
    Crearcarpeta_->setEnabled(false);
    eliminarcarpeta_ = Menufolder_->addAction(QStringLiteral("Eliminar"));
    eliminarcarpeta_->setObjectName(QStringLiteral("eliminarcarpeta"));
    eliminarcarpeta_->setVisible(false);

    menucontextual_ = new QMenu(QStringLiteral("Menucontextual"), window);
    menucontextual_->setObjectName(QStringLiteral("menucontextual"));
    eliminar_ = menucontextual_->addAction(QStringLiteral("Eliminar"));
    eliminar_->setObjectName(QStringLiteral("eliminar"));
    cambiarnombre_ = menucontextual_->addAction(QStringLiteral("Cambiar nombre"));
    cambiarnombre_->setObjectName(QStringLiteral("cambiarnombre"));
}

void RemoteView::wireEvents() {
    connect(Cmdup_, &QPushButton::clicked, this, [this] { Cmdup_Click(); });
    connect(VScroll1_, &QScrollBar::valueChanged, this, [this](int v) { VScroll1_Change(v); });
    connect(VScroll1_, &QScrollBar::sliderMoved, this, [this](int v) { VScroll1_Scroll(v); });
    connect(Picfondo_, &remote::FolderColumn::iconDoubleClicked, this, [this](int k) { PicFolder_DblClick(k); });
    connect(Picfondo_, &remote::FolderColumn::iconReleased, this,
            [this](int k, Qt::MouseButton b, QPoint pos) { PicFolder_MouseUp(k, b, pos); });
    connect(Picfondo_, &remote::FolderColumn::backgroundReleased, this,
            [this](Qt::MouseButton b, QPoint pos) { Picfondo_MouseUp(b, pos); });
    connect(Picfondo_, &remote::FolderColumn::scrollWanted, this, [this](int v) {
        if (VScroll1_->isEnabled()) VScroll1_->setValue(v);
    });
    connect(Crearcarpeta_, &QAction::triggered, this, [this] { Crearcarpeta_Click(); });
    connect(eliminarcarpeta_, &QAction::triggered, this, [this] { eliminarcarpeta_Click(); });
    connect(eliminar_, &QAction::triggered, this, [this] { Eliminar_Click(); });
    connect(cambiarnombre_, &QAction::triggered, this, [this] { cambiarnombre_Click(); });
    List1Viewport_ = List1_->viewport();
    List1Viewport_->installEventFilter(this);
    List1_->installEventFilter(this);
    Lbdir_->installEventFilter(this);
    Picfondo_->installEventFilter(this);
}

bool RemoteView::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    // Compare before touching any control: while the window is torn down, events reach this
    // filter from controls whose siblings are already gone.
    if (watched == List1Viewport_ && type == QEvent::MouseButtonRelease) {
        auto* e = static_cast<QMouseEvent*>(event);
        List1_MouseUp(e->button(), e->globalPosition().toPoint());
        // The list would take a right release over its empty part as a click that clears the
        // selection; the menu acts on the selection, so it must stay as it was.
        if (e->button() == Qt::RightButton) return true;
    } else if (watched == List1_ && type == QEvent::ContextMenu) {
        auto* e = static_cast<QContextMenuEvent*>(event);
        if (e->reason() == QContextMenuEvent::Keyboard) {
            const QRect r = List1_->visualItemRect(List1_->currentItem());
            List1_MouseUp(Qt::RightButton, List1_->viewport()->mapToGlobal(r.isValid() ? r.center() : QPoint()));
        }
        return true;
    } else if (watched == Lbdir_ && type == QEvent::MouseMove) {
        Lbdir_MouseMove();
    } else if (watched == Picfondo_ && type == QEvent::Wheel) {
        // One notch of the wheel (120 units) moves the column by one cell; touchpads send less.
        auto* e = static_cast<QWheelEvent*>(event);
        const int step = e->angleDelta().y() * remote::FolderColumnModel::kCellHeight / 120;
        if (VScroll1_->isEnabled() && step != 0) VScroll1_->setValue(VScroll1_->value() - step);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool RemoteView::idle() const { return !session_.busy() && !listing_; }

bool RemoteView::callThenList(const std::function<bool(ftp::Connection&)>& call) {
    SessionState::Operation operation(session_);
    BusyCursor busy;
    ftp::Connection* conn = session_.hConexion.get();
    const bool ok = conn && call(*conn);
    if (ok) EnumFiles();
    return ok;
}

void RemoteView::setLbdir(std::string bytes) {
    lbdirBytes_ = std::move(bytes);
    Lbdir_->setText(displayName(lbdirBytes_));
}

void RemoteView::setList1Background(unsigned bgr) {
    QPalette pal = List1_->palette();
    pal.setColor(QPalette::Base, look::bgr(bgr));
    List1_->setPalette(pal);
}

int RemoteView::CantCarpetas() const { return Picfondo_->model().CantCarpetas(); }

QString RemoteView::Lblcarpeta(int k) const { return Picfondo_->Lblcarpeta(k); }

std::string RemoteView::folderName(int k) const { return Picfondo_->model().cell(k).name; }

std::string RemoteView::eliminarcarpetaTag() const { return remote::fromBytes(eliminarcarpeta_->data().toByteArray()); }

void RemoteView::EnumFiles() {
    // A listing never starts inside another one.
    if (listing_) return;
    QScopedValueRollback<bool> listing(listing_, true);
    SessionState::Operation operation(session_);
    BusyCursor busy;

    remote::FolderColumnModel& cells = Picfondo_->model();
    ftp::Connection* conn = session_.hConexion.get();
    auto dir = conn ? conn->currentDirectory() : ftp::Result<std::string>(ftp::Error{});
    setLbdir(dir ? dir.value() : std::string());
    Lblserv_->clear();
    clearListing(List1_, cells);
    Picfondo_->cellsChanged();
    setUpScrollBar();
    if (!conn) return;

    auto found = conn->findFiles("*.*");
    // No entry at all is the same as a failed search: nothing more is shown.
    if (!found || !found.value() || found.value()->entries().empty()) return;

    std::int64_t count = 0;
    std::int64_t total = 0;
    bool first = true;
    List1_->setUpdatesEnabled(false);
    while (const ftp::Entry* e = found.value()->next()) {
        if (e->isDirectory()) {
            cells.add(e->name, displayName(e->name));
        } else {
            if (!first) session_.yield();
            auto* item = new QListWidgetItem(displayName(e->name));
            item->setData(kNameRole, toBytes(e->name));
            List1_->addItem(item);
            // A size that would overflow the total is left out; the file still counts.
            const auto max = std::numeric_limits<std::int64_t>::max();
            if (e->size <= std::uint64_t(max - total)) total += std::int64_t(e->size);
            ++count;
        }
        first = false;
    }
    List1_->setUpdatesEnabled(true);

    Lblserv_->setText(remote::serverSummary(count, total));
    cells.layout();
    Picfondo_->cellsChanged();
    setUpScrollBar();
}

void RemoteView::setUpScrollBar() {
    // Set up afresh every time: a bar left as a longer listing had it would let one touch move a
    // short column out of view.
    const bool scrolls = CantCarpetas() > 3;
    // The whole maximum, however long the column: every folder can be scrolled into view.
    scrollMaximum_ = scrolls ? Picfondo_->model().scrollMaximum() : 0;
    // A maximum below zero is a bar with nothing to scroll.
    VScroll1_->setRange(0, std::max(0, scrollMaximum_));
    VScroll1_->setValue(0);
    VScroll1_->setEnabled(scrolls);
}

void RemoteView::restack(int value) {
    Picfondo_->model().restack(value);
    Picfondo_->restacked();
}

void RemoteView::VScroll1_Change(int value) { restack(value); }

void RemoteView::VScroll1_Scroll(int value) { restack(value); }

void RemoteView::connectedLook() {
    setList1Background(kYellow);
    dirs_.restart(lbdirBytes_);
    Cmdup_->setEnabled(false);
    Crearcarpeta_->setVisible(true);
    Crearcarpeta_->setEnabled(true);
}

void RemoteView::disconnectedLook() {
    // Nothing of the listing is reachable once hidden, so the cells go with the list.
    clearListing(List1_, Picfondo_->model());
    setList1Background(kWhite);
    Crearcarpeta_->setVisible(false);
    Crearcarpeta_->setEnabled(false);
    Picfondo_->model().setHidden(true);
    Picfondo_->cellsChanged();
}

void RemoteView::PicFolder_DblClick(int Index) {
    if (!idle() || Index < 0 || Index >= CantCarpetas() || Picfondo_->model().hidden()) return;
    const std::string name = folderName(Index);
    const bool changed = callThenList([&](ftp::Connection& c) { return bool(c.changeDirectory(name)); });
    if (!changed && session_.givingUp()) return;
    if (!changed) {
        dialogs_.showError(QStringLiteral("Error al cambiar directorio"), QStringLiteral("Error"));
        return;
    }
    dirs_.entered(lbdirBytes_);
    Cmdup_->setEnabled(true);
}

void RemoteView::Cmdup_Click() {
    if (!idle()) return;
    const auto target = dirs_.up();
    if (dirs_.NivelDir() == 0) Cmdup_->setEnabled(false);
    const bool changed =
        target && callThenList([&](ftp::Connection& c) { return bool(c.changeDirectory(*target)); });
    if (!changed && !session_.givingUp())
        dialogs_.showError(QStringLiteral("No se puede cambiar de directorio"), QStringLiteral("Error"));
}

void RemoteView::PicFolder_MouseUp(int Index, Qt::MouseButton Button, QPoint globalPos) {
    if (Button == Qt::RightButton && Index >= 0 && Index < CantCarpetas()) {
        eliminarcarpeta_->setVisible(true);
        Crearcarpeta_->setVisible(false);
        eliminarcarpeta_->setEnabled(true);
        eliminarcarpeta_->setData(toBytes(folderName(Index)));
        showPopup_(Menufolder_, globalPos);
    }
    // The folder's "Eliminar" is usable only while its pop-up is open.
    eliminarcarpeta_->setEnabled(false);
}

void RemoteView::Picfondo_MouseUp(Qt::MouseButton Button, QPoint globalPos) {
    if (Button != Qt::RightButton || !session_.hConexion) return;
    eliminarcarpeta_->setVisible(false);
    Crearcarpeta_->setVisible(true);
    Crearcarpeta_->setEnabled(true);
    showPopup_(Menufolder_, globalPos);
}

void RemoteView::List1_MouseUp(Qt::MouseButton Button, QPoint globalPos) {
    if (Button != Qt::RightButton) return;
    int n = 0;
    QString last;
    for (int i = 0; i < List1_->count(); ++i) {
        if (!List1_->item(i)->isSelected()) continue;
        ++n;
        last = List1_->item(i)->text();
    }
    if (n >= 2) {
        eliminar_->setEnabled(true);
        eliminar_->setText(QStringLiteral("Eliminar archivos seleccionados (%1)").arg(n));
    } else if (n == 1) {
        eliminar_->setEnabled(true);
        // A "&" in a name is shown as itself, not as a shortcut mark.
        eliminar_->setText(QStringLiteral("Eliminar ") + QString(last).replace(QLatin1Char('&'), QStringLiteral("&&")));
        cambiarnombre_->setEnabled(true);
    } else {
        eliminar_->setEnabled(false);
        cambiarnombre_->setEnabled(false);
    }
    showPopup_(menucontextual_, globalPos);
}

void RemoteView::Lbdir_MouseMove() { Lbdir_->setToolTip(remote::plainTip(Lbdir_->text())); }
