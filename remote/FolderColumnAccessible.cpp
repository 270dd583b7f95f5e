#include "FolderColumnAccessible.h"

#include <QWindow>

#include "FolderColumn.h"

namespace remote {

namespace {
QAccessibleInterface* makeInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("remote::FolderColumn"))
        if (auto* column = qobject_cast<FolderColumn*>(object)) return new FolderColumnAccessible(column);
    return nullptr;
}

int shownCells(const FolderColumn* c) { return c->model().hidden() ? 0 : c->model().CantCarpetas(); }
}  // namespace

FolderColumnAccessible::FolderColumnAccessible(FolderColumn* column) : QAccessibleWidget(column, QAccessible::List) {}

void FolderColumnAccessible::registerFactory() {
    static const bool once = [] {
        QAccessible::installFactory(makeInterface);
        return true;
    }();
    (void)once;
}

FolderColumn* FolderColumnAccessible::column() const { return static_cast<FolderColumn*>(widget()); }

int FolderColumnAccessible::childCount() const { return shownCells(column()); }

QAccessibleInterface* FolderColumnAccessible::child(int index) const {
    if (index < 0 || index >= shownCells(column())) return nullptr;
    auto& ids = column()->accessibleCellIds();
    if (auto it = ids.find(index); it != ids.end()) return QAccessible::accessibleInterface(it->second);
    auto* cell = new FolderCellAccessible(column(), index);
    ids[index] = QAccessible::registerAccessibleInterface(cell);  // the registry owns it
    return cell;
}

int FolderColumnAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (auto* cell = dynamic_cast<const FolderCellAccessible*>(child); cell && cell->isValid()) return cell->index();
    return -1;
}

QAccessibleInterface* FolderColumnAccessible::childAt(int x, int y) const {
    const QPointF local = column()->mapFromGlobal(QPoint(x, y));
    const auto& m = column()->model();
    for (int k : {m.iconAt(local), m.captionAt(local)})
        if (k >= 0) return child(k);
    return nullptr;
}

QAccessibleInterface* FolderColumnAccessible::focusChild() const {
    if (!column()->hasFocus()) return nullptr;
    return child(column()->currentCell());
}

bool FolderCellAccessible::isValid() const { return column_ && index_ < shownCells(column_); }

QWindow* FolderCellAccessible::window() const {
    return column_ ? column_->window()->windowHandle() : nullptr;
}

QAccessibleInterface* FolderCellAccessible::parent() const {
    return column_ ? QAccessible::queryAccessibleInterface(column_.data()) : nullptr;
}

QString FolderCellAccessible::text(QAccessible::Text t) const {
    if (!isValid()) return {};
    if (t == QAccessible::Name) return column_->Lblcarpeta(index_);
    return {};
}

QRect FolderCellAccessible::rect() const {
    if (!isValid()) return {};
    const QRect local = column_->model().cellRect(index_).toAlignedRect();
    return QRect(column_->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State FolderCellAccessible::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    s.focusable = true;
    s.selectable = false;
    s.focused = column_->hasFocus() && column_->currentCell() == index_;
    const QRectF cell = column_->model().cellRect(index_);
    s.offscreen = !cell.intersects(QRectF(column_->rect()));
    s.invisible = !column_->isVisible();
    return s;
}

void* FolderCellAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

QStringList FolderCellAccessible::actionNames() const {
    return {pressAction(), showMenuAction(), setFocusAction()};
}

void FolderCellAccessible::doAction(const QString& actionName) {
    if (!isValid()) return;
    if (actionName == pressAction()) {
        column_->activate(index_);
    } else if (actionName == showMenuAction()) {
        column_->openMenu(index_);
    } else if (actionName == setFocusAction()) {
        column_->setFocus(Qt::OtherFocusReason);
        column_->setCurrentCell(index_);
    }
}

QStringList FolderCellAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName == pressAction()) return {QStringLiteral("Return")};
    if (actionName == showMenuAction()) return {QStringLiteral("Menu")};
    return {};
}

}  // namespace remote
