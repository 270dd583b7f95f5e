#include "FolderColumn.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

#include "core/Look.h"

namespace remote {

FolderColumn::FolderColumn(QWidget* parent) : QWidget(parent), metrics_(font()) {
    setObjectName(QStringLiteral("Picfondo"));
    setAccessibleName(QStringLiteral("Carpetas del servidor"));
    setFont(look::programFont(8.25));
    metrics_ = QFontMetrics(font());
    model_.setMeasure([this](const QString& caption) { return metrics_.horizontalAdvance(caption); });
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    icon_ = style()->standardIcon(QStyle::SP_DirIcon).pixmap(FolderColumnModel::kIconSize, FolderColumnModel::kIconSize);
}

FolderColumn::~FolderColumn() { dropAccessibleCells(); }

void FolderColumn::cellsChanged() {
    dropAccessibleCells();
    const int n = model_.hidden() ? 0 : model_.CantCarpetas();
    if (current_ >= n) current_ = n > 0 ? 0 : -1;
    if (current_ < 0 && n > 0) current_ = 0;
    if (QAccessible::isActive()) {
        QAccessibleEvent ev(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&ev);
    }
    update();
}

void FolderColumn::restacked() {
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent ev(this, QAccessible::LocationChanged);
        QAccessible::updateAccessibility(&ev);
    }
}

void FolderColumn::setCurrentCell(int k) {
    const int n = model_.hidden() ? 0 : model_.CantCarpetas();
    if (k < 0 || k >= n) return;
    current_ = k;
    const int want = model_.valueShowing(k, height());
    if (want != model_.offset()) emit scrollWanted(want);
    update();
    notifyFocus();
}

QPoint FolderColumn::cellGlobalPos(int k) const {
    return mapToGlobal(model_.iconRect(k).center().toPoint());
}

void FolderColumn::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const auto [first, last] = model_.visibleRange(height());
    for (int k = first; k < last; ++k) {
        p.drawPixmap(model_.iconRect(k).topLeft(), icon_);
        // Captions are one line; a long one overhangs the panel and is clipped by it.
        p.drawText(model_.captionRect(k), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   model_.cell(k).caption);
    }
    // Folders have no selection and no highlight: the cell the keyboard is on is not drawn
    // apart; assistive technology is told which one it is.
}

void FolderColumn::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const int k = model_.iconAt(e->position());
    if (k >= 0) emit iconDoubleClicked(k);
}

void FolderColumn::mouseReleaseEvent(QMouseEvent* e) {
    const QPointF pos = e->position();
    const int k = model_.iconAt(pos);
    if (k >= 0) {
        current_ = k;
        update();
        emit iconReleased(k, e->button(), e->globalPosition().toPoint());
    } else if (model_.captionAt(pos) < 0) {
        // Captions take no clicks of their own; the rest of the panel is its background.
        emit backgroundReleased(e->button(), e->globalPosition().toPoint());
    }
}

void FolderColumn::keyPressEvent(QKeyEvent* e) {
    const int n = model_.hidden() ? 0 : model_.CantCarpetas();
    if (n == 0 || current_ < 0) return QWidget::keyPressEvent(e);
    const int page = std::max(1, height() / FolderColumnModel::kCellHeight);
    switch (e->key()) {
    case Qt::Key_Up: setCurrentCell(std::max(0, current_ - 1)); break;
    case Qt::Key_Down: setCurrentCell(std::min(n - 1, current_ + 1)); break;
    case Qt::Key_PageUp: setCurrentCell(std::max(0, current_ - page)); break;
    case Qt::Key_PageDown: setCurrentCell(std::min(n - 1, current_ + page)); break;
    case Qt::Key_Home: setCurrentCell(0); break;
    case Qt::Key_End: setCurrentCell(n - 1); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: emit iconDoubleClicked(current_); break;
    default: return QWidget::keyPressEvent(e);
    }
}

void FolderColumn::contextMenuEvent(QContextMenuEvent* e) {
    // The mouse is handled on release; this is the menu key or Shift+F10.
    if (e->reason() != QContextMenuEvent::Keyboard) return;
    const int n = model_.hidden() ? 0 : model_.CantCarpetas();
    if (current_ >= 0 && current_ < n)
        emit iconReleased(current_, Qt::RightButton, cellGlobalPos(current_));
    else
        emit backgroundReleased(Qt::RightButton, mapToGlobal(QPoint(width() / 2, height() / 2)));
}

void FolderColumn::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    notifyFocus();
}

bool FolderColumn::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        QString tip;
        if (const int k = model_.iconAt(help->pos()); k >= 0)
            tip = model_.cell(k).iconTip;
        else if (const int c = model_.captionAt(help->pos()); c >= 0)
            tip = model_.cell(c).captionTip;
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return QWidget::event(e);
}

void FolderColumn::changeEvent(QEvent* e) {
    // Captions keep the width they were measured with until the next listing.
    if (e->type() == QEvent::FontChange) metrics_ = QFontMetrics(font());
    QWidget::changeEvent(e);
}

void FolderColumn::dropAccessibleCells() {
    for (const auto& [k, id] : accessibleCells_) QAccessible::deleteAccessibleInterface(id);
    accessibleCells_.clear();
}

void FolderColumn::notifyFocus() {
    if (!QAccessible::isActive() || !hasFocus() || current_ < 0) return;
    QAccessibleEvent ev(this, QAccessible::Focus);
    ev.setChild(current_);
    QAccessible::updateAccessibility(&ev);
}

}  // namespace remote
