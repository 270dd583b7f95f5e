#pragma once
// Ends the run through the main window's normal close when the session ends without the window
// being closed: SIGINT, SIGTERM or SIGHUP, the desktop session saving its state before a
// logout, or the application being told to quit. Open modal windows (a certificate question) are
// cancelled first. The signal handler only wakes the event loop; everything else runs there.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

class QSessionManager;
class QSocketNotifier;

class SessionEndWatcher : public QObject {
    Q_OBJECT
public:
    // saveState saves what a normal close saves, for a session manager that may end the program
    // without another word once its state is saved.
    SessionEndWatcher(QWidget& window, std::function<void()> saveState, QObject* parent = nullptr);
    ~SessionEndWatcher() override;

private:
    void signalArrived();
    void closeWindow();
    void cancelModalWindows();
    void commitData(QSessionManager& manager);

    QPointer<QWidget> window_;
    std::function<void()> saveState_;
    QSocketNotifier* notifier_ = nullptr;
};
