#include "WaitGate.h"

#include <QCoreApplication>
#include <QEvent>

#include "EventYield.h"

namespace {

bool isUserInput(QEvent::Type t) {
    switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
        return true;
    default:
        return false;
    }
}

}  // namespace

void WaitGate::yield() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    app->installEventFilter(this);
    EventYield::maybe(EventYield::Input::Allowed);
    app->removeEventFilter(this);
}

bool WaitGate::reachesAllowed(QObject* watched) const {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return true;  // window-level events are passed on to a widget, judged there
    for (const auto& a : allowed_)
        if (a && (a == widget || a->isAncestorOf(widget))) return true;
    return false;
}

bool WaitGate::eventFilter(QObject* watched, QEvent* event) {
    return isUserInput(event->type()) && !reachesAllowed(watched);
}
