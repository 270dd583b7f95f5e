#pragma once
// What assistive technology sees of the folder column: a list named "Carpetas del servidor"
// whose items are the folder cells, each named after its folder, with "press" entering the
// folder and "show menu" opening the folder's pop-up menu, as the mouse would.

#include <QAccessibleInterface>
#include <QAccessibleWidget>
#include <QPointer>

namespace remote {

class FolderColumn;

class FolderColumnAccessible : public QAccessibleWidget {
public:
    explicit FolderColumnAccessible(FolderColumn* column);
    static void registerFactory();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    FolderColumn* column() const;
};

class FolderCellAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    FolderCellAccessible(FolderColumn* column, int index) : column_(column), index_(index) {}

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

    int index() const { return index_; }

private:
    QPointer<FolderColumn> column_;
    int index_;
};

}  // namespace remote
