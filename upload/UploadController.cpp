#include "UploadController.h"

#include <QListWidget>
#include <QWidget>

#include "F2.h"
#include "LocalFileReader.h"
#include "UploadInputGuard.h"
#include "core/Dialogs.h"
#include "core/EventYield.h"
#include "core/SessionState.h"
#include "core/SleepInhibitor.h"
#include "ftp/AtomicUpload.h"
#include "local/LocalBrowser.h"
#include "local/LocalNames.h"
#include "local/LocalPaths.h"

// What the engine's upload loop does between blocks in the window: the event loop runs (so
// "Cancelar" is seen), closing F2 cancels, the bar moves.
class UploadController::WindowSink final : public ftp::UploadSink {
public:
    WindowSink(UploadController& controller, F2& window, int item)
        : controller_(controller), window_(window), item_(item) {}
    void yield() override { EventYield::maybe(); }
    bool cancelled() override { return window_.closed(); }
    void percent(int value) override {
        window_.setPercent(value);
        emit controller_.progress(item_, value);
    }

private:
    UploadController& controller_;
    F2& window_;
    int item_;
};

UploadController::UploadController(QWidget* F1, LocalBrowser& local, SessionState& session, Dialogs& dialogs,
                                   std::function<void()> EnumFiles, QObject* parent)
    : QObject(parent), F1_(F1), local_(local), session_(session), dialogs_(dialogs), EnumFiles_(std::move(EnumFiles)) {}

UploadController::~UploadController() {
    // Owned by the main window when there is one.
    if (f2_ && !f2_->parent()) delete f2_.data();
}

F2* UploadController::uploadWindow() const { return f2_.data(); }

F2& UploadController::window() {
    if (!f2_) f2_ = new F2(F1_);
    return *f2_;
}

void UploadController::requestCancel() {
    if (running_ && f2_) f2_->close();
}

void UploadController::CmdSubir_Click() {
    if (running_) return;
    QListWidget* files = local_.File1();
    bool any = false;
    for (int i = 0; i < files->count() && !any; ++i) any = files->item(i)->isSelected();
    if (!any) {
        dialogs_.showError(QStringLiteral("No has seleccionado ningún archivo para subir"), QStringLiteral("Error"));
        return;
    }

    running_ = true;
    closeMainWindowAfter_ = false;
    {
        SessionState::Operation operation(session_);
        SessionState::AllowInputWhileWaiting allowCancel(session_);
        const SleepInhibitor awake(QStringLiteral("Subiendo archivos al servidor"));
        UploadInputGuard guard(F1_, &window(), [this] {
            closeMainWindowAfter_ = true;
            requestCancel();
        });
        Subilos2();
    }
    running_ = false;

    // A close asked for during the upload is replayed now; listing a folder nobody will see
    // would only delay it.
    if (!closeMainWindowAfter_ && EnumFiles_) EnumFiles_();
    local_.clearSelectionAndSummary();
    if (closeMainWindowAfter_ && F1_) QMetaObject::invokeMethod(F1_, &QWidget::close, Qt::QueuedConnection);
}

void UploadController::Subilos2() {
    F2& w = window();
    w.open();
    const int count = local_.File1()->count();
    for (int i = 0; i < count; ++i) {
        EventYield::maybe();
        if (w.closed()) break;
        QListWidget* files = local_.File1();
        if (i >= files->count() || !files->item(i)->isSelected()) continue;
        if (!sendItem(i)) break;
    }
    w.finish();
}

bool UploadController::sendItem(int index) {
    F2& w = window();
    const QString fileName = local_.fileName(index);
    const QString name = localname::shown(fileName);
    w.resetBar();

    // The local file first: one that cannot be read must not create or truncate a remote file.
    LocalFileReader local;
    if (!local.open(localpath::join(local_.folder(), fileName))) {
        dialogs_.showError(local.errorText(), QStringLiteral("Error"));
        return false;
    }
    if (!session_.hConexion) {
        dialogs_.showError(QStringLiteral("Error al tener acceso al archivo ") + name);
        return false;
    }
    // The remote name is the local name's own bytes. The bytes go to a temporary name that is
    // renamed once whole, so a cancel or a failure leaves an existing remote file as it was.
    const std::string remoteName = localname::toBytes(fileName).toStdString();
    ftp::AtomicUpload upload(*session_.hConexion, local, remoteName, session_.transferType(),
                             ftp::uploadOptionsFor(*session_.hConexion));
    WindowSink sink(*this, w, index);
    const ftp::UploadOutcome sent = upload.run(sink);
    if (sent.status) {
        if (sent.replacedByDeleting)
            qWarning("pelicano: %s: the server does not rename onto an existing file; the old one was moved aside and deleted after",
                     remoteName.c_str());
        return true;
    }
    // Refusing the name at the end (a folder of that name, no right to replace it) is what
    // refusing it at the start was before there was a temporary name.
    if (sent.step == ftp::UploadStep::Open || sent.step == ftp::UploadStep::Rename) {
        dialogs_.showError(QStringLiteral("Error al tener acceso al archivo ") + name);
        return false;
    }
    switch (sent.status.error().kind) {
    case ftp::ErrorKind::Cancelled: break;
    case ftp::ErrorKind::LocalIO: dialogs_.showError(local.errorText(), QStringLiteral("Error")); break;
    default:
        dialogs_.showError(QStringLiteral("Error al escribir el archivo ") + name);
        break;  // the completion reply and the size check too
    }
    return false;
}
