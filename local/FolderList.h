#pragma once
// The folder list: the current folder's ancestors from "/" down to it (open folders), then its
// subfolders, each indented by its depth. A double-click or Enter on a folder makes it current.

#include <QListWidget>

class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    // Ends in "/" only at the root.
    QString path() const { return path_; }
    // Shows path (which must be an existing folder); emits pathChanged when it differs.
    void setPath(const QString& path);
    // Re-reads the subfolders of the current folder.
    void refresh();

signals:
    void pathChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void open(QListWidgetItem* item);

    QString path_;
};
