#include <QApplication>

#include "app/F1.h"
#include "app/SingleInstance.h"
#include "core/SessionState.h"
#include "core/SettingsStore.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The application name stays the executable's: the lock file compares it with the running
    // process to tell a live lock from a stale one.
    SingleInstance instance;
    if (!instance.acquire()) return 0;  // another instance runs: leave silently

    SettingsStore store;
    SessionState session;
    F1 window(store, session);
    window.Form_Load();
    return app.exec();
}
