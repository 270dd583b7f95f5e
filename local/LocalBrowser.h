#pragma once
// The "Mi Pc" group of the main window: drive list, folder list, multi-selection file list and
// the summary of the selected files. The lists are chained: drive -> folder -> files.

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include "DriveList.h"

class Dialogs;
class FolderList;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QWidget;

class LocalBrowser : public QObject {
    Q_OBJECT
public:
    LocalBrowser(QGroupBox* Frame1, Dialogs& dialogs, QObject* parent = nullptr);

    // Makes Dir1 show path; false and nothing changed when it is not an existing folder.
    bool setFolder(const QString& path);
    // Sets Drive1 to the drive that holds Dir1's folder.
    void setDriveFromFolder();
    // Dir1's path; ends in "/" only at the root.
    QString folder() const;
    // The folder of the running executable.
    static QString programFolder();

    QComboBox* Drive1() const { return drive1_; }
    QWidget* Dir1() const;
    QListWidget* File1() const { return file1_; }
    QLabel* lblsuma() const { return lblsuma_; }

    // File1's item index as the file system names it (LocalNames.h); its text is for display.
    QString fileName(int index) const;
    // After an upload: every selection flag cleared, the summary empty.
    void clearSelectionAndSummary();
    // Replaces the drive list (the system's mounts are read at construction).
    void setDrives(const QList<Drive>& drives);
    const QList<Drive>& drives() const { return drives_; }

    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();

private:
    Dialogs& dialogs_;
    void reloadFiles();
    int programDriveIndex() const;

    QComboBox* drive1_ = nullptr;
    FolderList* dir1_ = nullptr;
    QListWidget* file1_ = nullptr;
    QLabel* lblsuma_ = nullptr;
    QList<Drive> drives_;
    QHash<QString, QString> lastFolderOnDrive_;  // each drive's current folder, like a per-drive cwd
    bool reloadingFiles_ = false;
    bool returningToProgramDrive_ = false;
};
