// The connection fields of the main window: connect (FTP or SFTP), disconnect, and choosing a
// stored host.

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>

#include "F1.h"
#include "core/BusyCursor.h"
#include "core/Dialogs.h"
#include "core/HostSlots.h"
#include "core/HostText.h"
#include "core/SessionState.h"
#include "core/SettingsStore.h"
#include "core/TlsSetting.h"
#include "ftp/SshFiles.h"
#include "ftp/TrustStore.h"
#include "ftp/Wipe.h"
#include "remote/RemoteView.h"

namespace {

// Most failures are the login's; those of the encryption, of a revoked host key or of the files of
// trusted certificates and host keys say so, since checking the user and the password would not help.
QString failureText(const ftp::Error& error, ftp::Protocol protocol) {
    switch (error.kind) {
    case ftp::ErrorKind::HostKey:
        // Never asked about, so the user must learn why: no answer of theirs could help.
        if (error.hostKey && error.hostKey->revoked)
            return QStringLiteral(
                "No se ha podido realizar la conexión: la clave del servidor está marcada como revocada "
                "en sus claves de servidores conocidos. No se enviaron el usuario ni el login.");
        break;
    case ftp::ErrorKind::Downgrade:
        return QStringLiteral(
            "No se ha podido realizar la conexión: el servidor rechazó la conexión cifrada (TLS) "
            "que usó antes, lo que puede ser un ataque. No se enviaron el usuario ni el login.");
    case ftp::ErrorKind::TrustStore:
        if (protocol == ftp::Protocol::Sftp || error.hostKey)
            return QStringLiteral(
                       "No se ha podido realizar la conexión: no se pueden leer o guardar las claves de "
                       "servidores conocidos\n") +
                   QFile::decodeName(ftp::hostKeyStorePath().c_str()) + QLatin1Char('\n') +
                   QFile::decodeName(ftp::defaultSshOptions().knownHostsPath.c_str()) +
                   QStringLiteral("\nDeben ser archivos comunes que solo usted pueda modificar.");
        return QStringLiteral(
                   "No se ha podido realizar la conexión: no se puede leer o guardar el archivo de "
                   "certificados de confianza\n") +
               QFile::decodeName(ftp::TrustStore::defaultPath().c_str()) +
               QStringLiteral(
                   "\nDebe ser un archivo común que solo usted pueda modificar, en una carpeta donde "
                   "pueda escribir.");
    case ftp::ErrorKind::Tls:
        return QStringLiteral("No se ha podido establecer una conexión cifrada (TLS) con el servidor.");
    default: break;
    }
    return QStringLiteral(
        "No se ha podido realizar la conexión con el servidor, asegurese que el usuario "
        "y el login sean los correctos");
}

}  // namespace

bool F1::checkFields() {
    // Only an exactly empty text fails: blanks count as content.
    const struct {
        QString text;
        QWidget* field;
        const char* message;
    } fields[] = {
        {c_.lsthost->currentText(), c_.lsthost, "Complete el campo Host"},
        {c_.Txtusuario->text(), c_.Txtusuario, "Complete el campo Usuario"},
        {c_.Txtlogin->text(), c_.Txtlogin, "Complete el campo Login"},
    };
    for (const auto& f : fields) {
        if (!f.text.isEmpty()) continue;
        dialogs_.MsgBox(QString::fromUtf8(f.message), Dialogs::Exclamation,
                                   QStringLiteral("Campo  requerido"));
        f.field->setFocus();
        return false;
    }
    return true;
}

void F1::cmdconectar_Click() {
    if (connected_ || session_.busy()) return;
    if (!checkFields()) return;

    QString problem;
    const auto target = reach(problem);
    if (!target) {
        dialogs_.showError(problem, QStringLiteral("Error"));
        c_.lsthost->setFocus();
        return;
    }

    session_.closeConnection();  // never replace the session under a connection made from it
    session_.openSession();
    ftp::Error failure{ftp::ErrorKind::Refused, {}, {}};
    {
        BusyCursor busy;
        SessionState::Operation op(session_);
        std::string password = c_.Txtlogin->text().toStdString();
        auto result = connector_(*session_.hSesion, target->target.host, target->target.port,
                                 c_.Txtusuario->text().toStdString(), password, target->tls, target->ssh);
        ftp::wipe(password);
        if (result) {
            session_.hConexion = std::move(result).value();
        } else {
            failure = result.error();
        }
    }

    if (!session_.hConexion && session_.givingUp()) {  // the user closed or disconnected meanwhile
        session_.closeSession();
        return;
    }
    if (!session_.hConexion) {
        dialogs_.showError(failureText(failure, target->target.protocol), QStringLiteral("Error"));
        c_.Txtlogin->setFocus();
        session_.closeSession();
        return;
    }

    connected_ = true;
    reached_ = target;
    c_.ImgVerde->show();
    c_.Imgrojo->hide();
    c_.cmdconectar->setEnabled(false);
    c_.cmddesconecto->show();  // before the listing, which it can give up
    EnumFiles();
    c_.CmdSubir->setEnabled(true);
    setWindowTitle(QStringLiteral("Pelicano (Conectado)"));
    c_.lsthost->setEnabled(false);
    c_.Txtusuario->setEnabled(false);
    c_.Txtlogin->setEnabled(false);
    remote_->connectedLook();
    recordHost();
}

std::optional<F1::Reach> F1::reach(QString& problem) const {
    auto target = hosttext::choose(c_.lsthost->currentText(), session_.Puerto, problem);
    if (!target) return std::nullopt;
    Reach r{*target, {}, ftp::defaultSshOptions()};
    r.tls.mode = target->implicitTls ? ftp::TlsMode::Implicit : tlssetting::load(store_);
    r.tls.trustStorePath = ftp::TrustStore::defaultPath();
    // Asked by the engine before it sends the user name, while this connect waits.
    r.tls.prompt = [this](const ftp::TrustQuestion& q) { return dialogs_.AskTrust(q); };
    r.ssh.protocol = target->protocol;
    // "Clave del servidor", likewise before any password or key is sent.
    r.ssh.prompt = [this](const ftp::HostKeyQuestion& q) { return dialogs_.AskHostKey(q); };
    return r;
}

void F1::recordHost() { hostslots::record(store_, c_.lsthost->currentText(), c_.Txtusuario->text()); }

void F1::cmddesconecto_Click() {
    if (session_.busy()) {
        whenIdle(Pending::Disconnect);
        return;
    }
    session_.closeConnection();
    session_.closeSession();
    connected_ = false;
    reached_.reset();

    c_.CmdSubir->setEnabled(false);
    c_.Txtlogin->setEnabled(true);
    c_.lsthost->setEnabled(true);
    c_.Txtusuario->setEnabled(true);
    c_.Txtlogin->clear();
    c_.Txtlogin->setFocus();
    c_.cmddesconecto->hide();
    c_.cmdconectar->setEnabled(true);
    c_.ImgVerde->hide();
    c_.Imgrojo->show();
    setWindowTitle(QStringLiteral("Pelicano (Desconectado)"));
    remote_->disconnectedLook();
}

void F1::lsthost_Click(int position) {
    if (position < 0) return;
    c_.Txtusuario->setText(hostslots::userAt(store_, position));
    if (!c_.Txtusuario->text().isEmpty()) c_.Txtlogin->setFocus();
}
