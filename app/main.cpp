#include <QApplication>
#include <QCommandLineParser>

#include <sys/prctl.h>

#include "app/F1.h"
#include "app/SessionEndWatcher.h"
#include "app/SingleInstance.h"
#include "core/Dialogs.h"
#include "core/SessionState.h"
#include "core/SettingsStore.h"
#include "dialogs/CertificateWindow.h"
#include "dialogs/HostKeyWindow.h"

namespace {

QStringList arguments(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i) list << QString::fromLocal8Bit(argv[i]);
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    // A core dump would hold the password typed into the window.
    prctl(PR_SET_DUMPABLE, 0);
    QCoreApplication::setApplicationVersion(QStringLiteral(PELICANO_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Send files to an FTP server."));
    parser.addHelpOption();
    parser.addVersionOption();
    // --help and --version are answered before anything needs a display. Qt's own options
    // (-platform ...) make this first parse fail; QApplication takes them and the parser runs again.
    if (parser.parse(arguments(argc, argv)) && (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version")))) {
        QCoreApplication core(argc, argv);
        parser.process(core);  // prints and exits
    }

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral(PELICANO_APP_ID));
    parser.process(app);
    // The application name stays the executable's: the lock file compares it with the running
    // process to tell a live lock from a stale one.
    SingleInstance instance;
    if (!instance.acquire()) return 0;  // another instance runs: leave silently

    SettingsStore store;
    SessionState session;
    QtDialogs dialogs(&CertificateWindow::askFor, &askAboutHostKey);
    F1 window(store, session, dialogs);
    // Before anything is shown, so an ending signal is never the default one that kills.
    SessionEndWatcher sessionEnd(window, [&window] { window.saveState(); });
    window.Form_Load();
    return app.exec();
}
