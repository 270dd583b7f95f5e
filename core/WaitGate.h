#pragma once
// While the engine waits for the server, the window repaints and hears a close, but user input
// reaches only the controls that can stop the wait (the disconnect button): any other click or
// key could start a second operation inside the first.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class WaitGate : public QObject {
public:
    void allow(QWidget* control) { allowed_.append(control); }
    // Runs pending events if the yield's slice has passed, input limited as above.
    void yield();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool reachesAllowed(QObject* watched) const;
    QList<QPointer<QWidget>> allowed_;
};
