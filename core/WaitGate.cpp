#include "WaitGate.h"

#include <QCoreApplication>
#include <QEvent>

#include "EventYield.h"
#include "UserInput.h"

void WaitGate::yield() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    app->installEventFilter(this);
    EventYield::maybe();
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
    // Pointer movement too: a waiting window shows no hover effects.
    const QEvent::Type t = event->type();
    return (userinput::isAction(t) || t == QEvent::MouseMove) && !reachesAllowed(watched);
}
