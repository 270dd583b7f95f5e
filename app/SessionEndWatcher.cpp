#include "SessionEndWatcher.h"

#include <QApplication>
#include <QDialog>
#include <QSessionManager>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr std::array kEndingSignals{SIGINT, SIGTERM, SIGHUP};
int wakeFds[2] = {-1, -1};  // [0] read by the event loop, [1] written by the handler

extern "C" void onEndingSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // Only async-signal-safe work here; a full pipe already holds a wake-up.
    [[maybe_unused]] const auto n = ::write(wakeFds[1], &byte, 1);
    errno = saved;
}
}  // namespace

SessionEndWatcher::SessionEndWatcher(QWidget& window, std::function<void()> saveState, QObject* parent)
    : QObject(parent), window_(&window), saveState_(std::move(saveState)) {
    if (wakeFds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, wakeFds) != 0)
        wakeFds[0] = wakeFds[1] = -1;
    if (wakeFds[0] >= 0) {
        notifier_ = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &SessionEndWatcher::signalArrived);
        struct sigaction sa {};
        sa.sa_handler = onEndingSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (int sig : kEndingSignals) ::sigaction(sig, &sa, nullptr);
    }
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
#if QT_CONFIG(sessionmanager)
        connect(app, &QGuiApplication::commitDataRequest, this, &SessionEndWatcher::commitData,
                Qt::DirectConnection);
#endif
        // A quit that reaches the end of the event loop with the window still open closes it as
        // the close box would.
        connect(app, &QCoreApplication::aboutToQuit, this, &SessionEndWatcher::closeWindow);
    }
}

SessionEndWatcher::~SessionEndWatcher() {
    if (!notifier_) return;
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    for (int sig : kEndingSignals) ::sigaction(sig, &sa, nullptr);
}

void SessionEndWatcher::signalArrived() {
    char buffer[16];
    while (::read(wakeFds[0], buffer, sizeof buffer) > 0) {
    }
    // The window's own close: it saves, closes the connection, and cancels an upload in flight
    // first (closing once the upload has stopped).
    closeWindow();
}

void SessionEndWatcher::closeWindow() {
    cancelModalWindows();
    // A window open over it (a modal box) must not keep the program alive once it has closed.
    if (window_ && window_->isVisible() && window_->close()) QCoreApplication::quit();
}

void SessionEndWatcher::cancelModalWindows() {
    // A question left open would hold a call in flight, and with it the close, until answered: a
    // certificate question answered after the logout would still send the password. Each is
    // answered as its Cancel would; its call returns once the event loop is back in its exec().
    while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        dialog->reject();
        if (dialog->isVisible()) break;  // one that refuses to go is left to the quit
    }
}

void SessionEndWatcher::commitData([[maybe_unused]] QSessionManager& manager) {
    // The logout may still be cancelled, so the window stays; the session manager may also end
    // the program without a quit, so what a close saves is saved now.
    if (saveState_) saveState_();
}
