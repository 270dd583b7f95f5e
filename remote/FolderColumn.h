#pragma once
// The folder column Picfondo: one custom-painted panel that draws only the cells in view
// (icon PicFolder(k) with its caption Lblcarpeta(k) below), so a column of thousands of folders
// lists and scrolls as fast as a short one. Mouse, keyboard and assistive technology reach
// every cell; what a gesture does is up to the owner, through the signals.

#include <QFontMetrics>
#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <unordered_map>

#include "FolderColumnModel.h"

namespace remote {

class FolderColumn : public QWidget {
    Q_OBJECT
public:
    explicit FolderColumn(QWidget* parent);
    ~FolderColumn() override;

    FolderColumnModel& model() { return model_; }
    const FolderColumnModel& model() const { return model_; }

    // Call after changing the model: repaints and tells assistive technology.
    void cellsChanged();
    // After the model's offset changed.
    void restacked();

    // Conceptual per-index controls: PicFolder(k)'s tooltip and Lblcarpeta(k)'s caption.
    QString PicFolderToolTip(int k) const { return model_.cell(k).iconTip; }
    QString Lblcarpeta(int k) const { return model_.cell(k).caption; }

    // The cell the keyboard is on, -1 when there is none.
    int currentCell() const { return current_; }
    void setCurrentCell(int k);
    // Screen position of a cell's icon, where a keyboard pop-up opens.
    QPoint cellGlobalPos(int k) const;

    // Enter the folder, or open its pop-up menu, as the mouse would (keyboard, assistive
    // technology).
    void activate(int k) { emit iconDoubleClicked(k); }
    void openMenu(int k) { emit iconReleased(k, Qt::RightButton, cellGlobalPos(k)); }

    // Assistive technology: ids of the cell interfaces handed out (cell -> QAccessible::Id),
    // dropped when the cells change. The interfaces themselves live in FolderColumnAccessible.
    std::unordered_map<int, unsigned>& accessibleCellIds() const { return accessibleCells_; }

signals:
    void iconDoubleClicked(int k);
    void iconReleased(int k, Qt::MouseButton button, QPoint globalPos);
    void backgroundReleased(Qt::MouseButton button, QPoint globalPos);
    // The keyboard moved to a cell out of view: the scroll bar should move to this value.
    void scrollWanted(int value);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    bool event(QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void dropAccessibleCells();
    void notifyFocus();

    FolderColumnModel model_;
    QPixmap icon_;
    QFontMetrics metrics_;
    int current_ = -1;
    mutable std::unordered_map<int, unsigned> accessibleCells_;
};

}  // namespace remote
