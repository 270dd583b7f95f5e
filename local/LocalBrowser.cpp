#include "LocalBrowser.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <functional>

#include "FolderList.h"
#include "LocalNames.h"
#include "LocalPaths.h"
#include "SelectionSummary.h"
#include "core/Dialogs.h"
#include "core/Look.h"

namespace {
// Reads the mounts again each time the list drops down, so a stick plugged in later shows.
class DriveBox : public QComboBox {
public:
    DriveBox(QWidget* parent, std::function<void()> beforePopup)
        : QComboBox(parent), beforePopup_(std::move(beforePopup)) {}
    void showPopup() override {
        beforePopup_();
        QComboBox::showPopup();
    }

private:
    std::function<void()> beforePopup_;
};

bool readableFolder(const QString& path) { return localname::isReadableFolder(path); }

constexpr int kNameRole = Qt::UserRole;  // the name as the file system holds it
}  // namespace

LocalBrowser::LocalBrowser(QGroupBox* Frame1, Dialogs& dialogs, QObject* parent)
    : QObject(parent), dialogs_(dialogs) {
    drive1_ = new DriveBox(Frame1, [this] { setDrives(mountedDrives()); });
    drive1_->setObjectName(QStringLiteral("Drive1"));
    drive1_->setGeometry(look::twipsRect(120, 480, 1695, 345));
    drive1_->setFont(look::programFont(8.25));
    drive1_->setAccessibleName(QStringLiteral("Unidad"));

    dir1_ = new FolderList(Frame1);
    dir1_->setObjectName(QStringLiteral("Dir1"));
    dir1_->setGeometry(look::twipsRect(120, 1080, 1695, 2640));
    dir1_->setFont(look::programFont(8.25));
    dir1_->setAccessibleName(QStringLiteral("Carpetas"));

    file1_ = new QListWidget(Frame1);
    file1_->setObjectName(QStringLiteral("File1"));
    file1_->setGeometry(look::twipsRect(1920, 480, 2055, 3150));
    file1_->setSelectionMode(QAbstractItemView::MultiSelection);
    file1_->setFont(look::programFont(9));
    file1_->setAccessibleName(QStringLiteral("Archivos"));

    lblsuma_ = new QLabel(Frame1);
    lblsuma_->setObjectName(QStringLiteral("lblsuma"));
    lblsuma_->setGeometry(look::twipsRect(120, 3720, 3615, 375));
    lblsuma_->setFont(look::programFont(12));

    QWidget::setTabOrder(drive1_, dir1_);
    QWidget::setTabOrder(dir1_, file1_);

    setDrives(mountedDrives());
    dir1_->setPath(QDir::currentPath());
    Dir1_Change();
    {
        const QSignalBlocker quiet(drive1_);
        drive1_->setCurrentIndex(driveIndexOf(drives_, folder()));
    }

    connect(drive1_, &QComboBox::currentIndexChanged, this, [this] { Drive1_Change(); });
    connect(dir1_, &FolderList::pathChanged, this, [this] { Dir1_Change(); });
    connect(file1_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!reloadingFiles_) File1_Click();
    });
}

QWidget* LocalBrowser::Dir1() const { return dir1_; }

QString LocalBrowser::folder() const { return dir1_->path(); }

QString LocalBrowser::programFolder() { return localpath::normalizeFolder(QCoreApplication::applicationDirPath()); }

bool LocalBrowser::setFolder(const QString& path) {
    if (path.isEmpty() || !localname::isFolder(path)) return false;
    dir1_->setPath(path);
    return true;
}

void LocalBrowser::setDriveFromFolder() {
    const int index = driveIndexOf(drives_, folder());
    if (index >= 0) drive1_->setCurrentIndex(index);
}

void LocalBrowser::setDrives(const QList<Drive>& drives) {
    const QSignalBlocker quiet(drive1_);
    const QString shown = drive1_->currentData().toString();
    drives_ = drives;
    drive1_->clear();
    for (const Drive& d : drives_) drive1_->addItem(d.text, d.root);
    // The drive shown stays shown while it is still mounted.
    const int kept = drive1_->findData(shown);
    drive1_->setCurrentIndex(kept >= 0 && !shown.isEmpty() ? kept : driveIndexOf(drives_, folder()));
}

int LocalBrowser::programDriveIndex() const { return driveIndexOf(drives_, programFolder()); }

void LocalBrowser::Drive1_Change() {
    const int index = drive1_->currentIndex();
    if (index < 0 || index >= drives_.size()) return;
    const Drive& drive = drives_[index];
    QString target = lastFolderOnDrive_.value(drive.root, drive.root);
    if (!readableFolder(target)) target = drive.root;
    if (readableFolder(target)) {
        dir1_->setPath(target);
        return;
    }
    dialogs_.showError(QStringLiteral("Error de acceso a la unidad ") + drive.text.toUpper(), QStringLiteral("Error"));
    // Back to the program's own drive; that change runs this handler once more. If even that
    // drive cannot be read, stop here rather than loop.
    const int home = programDriveIndex();
    if (home < 0 || home == index || returningToProgramDrive_) return;
    returningToProgramDrive_ = true;
    drive1_->setCurrentIndex(home);
    returningToProgramDrive_ = false;
}

void LocalBrowser::Dir1_Change() {
    const int drive = driveIndexOf(drives_, folder());
    if (drive >= 0) lastFolderOnDrive_.insert(drives_[drive].root, folder());
    reloadFiles();
}

void LocalBrowser::reloadFiles() {
    reloadingFiles_ = true;
    file1_->clear();
    for (const QString& name : localname::entries(folder(), localname::Kind::Files)) {
        auto* item = new QListWidgetItem(localname::shown(name), file1_);
        item->setData(kNameRole, name);
    }
    reloadingFiles_ = false;
}

void LocalBrowser::File1_Click() {
    QStringList selected;
    for (int i = 0; i < file1_->count(); ++i)
        if (file1_->item(i)->isSelected()) selected << fileName(i);
    lblsuma_->setText(summaryCaption(summarizeSelection(folder(), selected)));
}

QString LocalBrowser::fileName(int index) const { return file1_->item(index)->data(kNameRole).toString(); }

void LocalBrowser::clearSelectionAndSummary() {
    file1_->clearSelection();
    lblsuma_->setText(QString());
}
