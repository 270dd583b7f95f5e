#include "HostKeyWindow.h"

#include <QGridLayout>
#include <QLabel>

#include "CertificateView.h"
#include "core/VisibleText.h"

namespace {
// An IPv6 address keeps its own colons apart from the port's.
QString serverText(const ftp::HostKeyQuestion& question) {
    QString host = visibletext::decode(question.host);
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return host + QStringLiteral(":%1").arg(question.port ? question.port : 22);
}
}  // namespace

HostKeyWindow::HostKeyWindow(const ftp::HostKeyQuestion& question, QWidget* parent)
    : TrustWindow(QStringLiteral("HostKeyWindow"), QStringLiteral("Clave del servidor"), parent) {
    const bool changed = !question.rememberedFingerprint.empty();
    auto* grid = new QGridLayout;
    certview::addRow(grid, QStringLiteral("Servidor:"), serverText(question));
    certview::addRow(grid, QStringLiteral("Tipo de clave:"), visibletext::decode(question.key.type));
    if (changed)
        certview::addDigestRow(grid, QStringLiteral("Huella recordada:"),
                               QString::fromStdString(question.rememberedFingerprint))
            ->setObjectName(QStringLiteral("remembered"));
    certview::addDigestRow(grid, changed ? QStringLiteral("Huella nueva:") : QStringLiteral("Huella SHA-256:"),
                           QString::fromStdString(question.key.fingerprint))
        ->setObjectName(QStringLiteral("fingerprint"));
    build(changed ? QStringLiteral("¡ATENCIÓN! La clave de este servidor ha cambiado desde que se confió en ella. "
                                   "Alguien podría estar haciéndose pasar por el servidor para quedarse con su "
                                   "contraseña, o bien el administrador ha sustituido la clave. Conecte solo si el "
                                   "administrador del servidor le confirma el cambio.")
                  : QString(),
          changed ? QStringLiteral("No se ha enviado ni la contraseña ni ninguna clave.")
                  : QStringLiteral("La clave de este servidor no se conoce todavía. Compruebe que la huella "
                                   "coincide con la que le indique el administrador del servidor. No se ha enviado "
                                   "ni la contraseña ni ninguna clave."),
          grid);
}

ftp::TrustAnswer askAboutHostKey(QWidget* parent, const ftp::HostKeyQuestion& question) {
    HostKeyWindow window(question, parent);
    return window.ask();
}
