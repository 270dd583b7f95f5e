#pragma once
// The upload button and the upload itself: every selected local file goes, in list order, to
// the current remote folder in 100-byte blocks while the upload window shows the progress.
// Runs on the UI thread and lets the event loop run between blocks, so the upload window's
// Cancel is seen at the next block.

#include <QObject>
#include <QPointer>
#include <functional>

class Dialogs;
class F2;
class LocalBrowser;
class QWidget;
class SessionState;

class UploadController : public QObject {
    Q_OBJECT
public:
    UploadController(QWidget* F1, LocalBrowser& local, SessionState& session, Dialogs& dialogs,
                     std::function<void()> EnumFiles, QObject* parent = nullptr);
    ~UploadController() override;

    // The upload button: the empty-selection box, or the upload, then a fresh remote listing,
    // the selection cleared and the summary emptied.
    void CmdSubir_Click();
    bool running() const { return running_; }
    // As if "Cancelar" were pressed.
    void requestCancel();
    // The upload window, created by the first upload and kept; nullptr before that.
    F2* uploadWindow() const;

signals:
    // The current file's percentage changed (item is its index in the file list).
    void progress(int item, int percent);

private:
    class WindowSink;
    void Subilos2();
    bool sendItem(int index);  // false ends the upload
    F2& window();

    QWidget* F1_;
    LocalBrowser& local_;
    SessionState& session_;
    Dialogs& dialogs_;
    std::function<void()> EnumFiles_;
    QPointer<F2> f2_;
    bool running_ = false;
    bool closeMainWindowAfter_ = false;
};
