#include "UploadInputGuard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include "core/UserInput.h"

namespace {
bool isAncestor(const QWidget* ancestor, const QWidget* w) {
    for (; w; w = w->parentWidget())
        if (w == ancestor) return true;
    return false;
}
}  // namespace

UploadInputGuard::UploadInputGuard(QWidget* mainWindow, QWidget* uploadWindow, std::function<void()> onCloseRequest)
    : mainWindow_(mainWindow), uploadWindow_(uploadWindow), onCloseRequest_(std::move(onCloseRequest)) {
    QCoreApplication::instance()->installEventFilter(this);
}

UploadInputGuard::~UploadInputGuard() { QCoreApplication::instance()->removeEventFilter(this); }

bool UploadInputGuard::belongsToMainWindow(QWidget* w) const {
    if (!mainWindow_) return false;
    QWidget* window = w->window();
    if (isAncestor(uploadWindow_, window) || window->isModal()) return false;
    return isAncestor(mainWindow_, window);
}

bool UploadInputGuard::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::Close && w == mainWindow_) {
        event->ignore();
        if (onCloseRequest_) onCloseRequest_();
        return true;
    }
    if (!userinput::isAction(event->type()) || !belongsToMainWindow(w)) return false;
    // An accepted shortcut override keeps the main window's shortcuts from firing.
    if (event->type() == QEvent::ShortcutOverride) event->accept();
    return true;
}
