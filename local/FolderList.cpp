#include "FolderList.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

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
        return s;
    }
};
}  // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
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
        auto* item = new QListWidgetItem(openIcon, depth == 0 ? folder : folder.section(QLatin1Char('/'), -1), this);
        item->setData(kPathRole, folder);
        item->setData(kDepthRole, depth);
    }
    setCurrentRow(int(chain.size()) - 1);
    const QStringList subfolders =
        QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : subfolders) {
        auto* item = new QListWidgetItem(closedIcon, name, this);
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
    if (!QFileInfo(target).isDir()) {
        refresh();
        return;
    }
    setPath(target);
}
