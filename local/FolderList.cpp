#include "FolderList.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

#include "LocalNames.h"
#include "LocalPaths.h"

namespace {
constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndent = 6;

// Indents each row by its depth in the folder tree.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem o(option);
        o.rect.adjust(index.data(kDepthRole).toInt() * kIndent, 0, 0, 0);
        QStyledItemDelegate::paint(painter, o, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.rwidth() += index.data(kDepthRole).toInt() * kIndent;
        // One height for every row, whatever fallback font a name's characters need.
        s.setHeight(std::max(option.decorationSize.height(), option.fontMetrics.height()) + 2);
        return s;
    }
};
}  // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::open);
}

void FolderList::setPath(const QString& path) {
    const QString p = localpath::normalizeFolder(path);
    if (p == path_) return;
    path_ = p;
    refresh();
    emit pathChanged();
}

void FolderList::refresh() {
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QStringList chain = localpath::ancestors(path_);
    for (int depth = 0; depth < chain.size(); ++depth) {
        const QString& folder = chain[depth];
        const QString name = depth == 0 ? folder : folder.section(QLatin1Char('/'), -1);
        auto* item = new QListWidgetItem(openIcon, localname::shown(name), this);
        item->setData(kPathRole, folder);
        item->setData(kDepthRole, depth);
    }
    setCurrentRow(int(chain.size()) - 1);
    for (const QString& name : localname::entries(path_, localname::Kind::Folders)) {
        auto* item = new QListWidgetItem(closedIcon, localname::shown(name), this);
        item->setData(kPathRole, localpath::join(path_, name));
        item->setData(kDepthRole, int(chain.size()));
    }
}

void FolderList::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        open(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FolderList::open(QListWidgetItem* item) {
    if (!item) return;
    const QString target = item->data(kPathRole).toString();
    // A folder removed since it was listed: show what is there now instead.
    if (!localname::isFolder(target)) {
        refresh();
        return;
    }
    setPath(target);
}
