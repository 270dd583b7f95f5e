// "Sincronizar carpeta...": the sync window, opened on the current local and remote folders with
// connections of its own logged in as the main one is.

#include <QFile>
#include <QLineEdit>
#include <QMenu>

#include "F1.h"
#include "core/SessionState.h"
#include "dialogs/SyncWindow.h"
#include "ftp/Wipe.h"
#include "local/LocalBrowser.h"
#include "remote/RemoteView.h"
#include "upload/UploadController.h"

namespace {

// The password the run logs in with, kept only while the window lives.
struct Secret {
    std::string text;
    ~Secret() { ftp::wipe(text); }
};

}  // namespace

bool F1::canSync() const { return connected_ && reached_ && session_.hConexion && !operationInFlight(); }

void F1::sincronizar_Click() {
    if (!canSync()) return;
    // The run's connections answer no question from their threads: they accept exactly the
    // certificate or host key the user already accepted for the main connection.
    ftp::TlsOptions tls = reached_->tls;
    tls.prompt = {};
    if (const auto status = session_.hConexion->tlsStatus()) tls.trustedSha256 = status->certificate.sha256;
    ftp::SshOptions ssh = reached_->ssh;
    ssh.prompt = {};
    if (const auto status = session_.hConexion->sshStatus()) ssh.trustedFingerprint = status->key.fingerprint;
    auto password = std::make_shared<Secret>();
    password->text = c_.Txtlogin->text().toStdString();
    SyncJob::Connect connect = [connector = connector_, host = reached_->target.host, port = reached_->target.port,
                                user = c_.Txtusuario->text().toStdString(), password, tls, ssh](ftp::Session& s) {
        return connector(s, host, port, user, password->text, tls, ssh);
    };

    bool listAgain = false;
    {
        // Busy for the main window: a close meanwhile waits for the sync window to stop.
        SessionState::Operation op(session_);
        SyncWindow window(std::move(connect), local_->folder(), remote_->currentDirectory(), session_.transferType(),
                          dialogs_, this);
        window.exec();
        listAgain = window.ranSync();
    }
    if (listAgain && !session_.givingUp()) EnumFiles();
}
