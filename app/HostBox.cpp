#include "HostBox.h"

#include <QKeyEvent>
#include <QScopedValueRollback>

HostBox::HostBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);  // the list holds stored hosts only
    setCompleter(nullptr);                 // a typed prefix must not turn into a stored host
    // The combo box also "activates" an entry whose text matches the typed one when editing
    // finishes; only a pick from the list counts.
    connect(this, &QComboBox::activated, this, [this](int position) {
        if (!leaving_) emit entryChosen(position);
    });
}

void HostBox::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->ignore();  // to the window, which presses its default button
        return;
    }
    QComboBox::keyPressEvent(e);
}

void HostBox::focusOutEvent(QFocusEvent* e) {
    QScopedValueRollback<bool> leaving(leaving_, true);
    QComboBox::focusOutEvent(e);
}
