#include "CertificateWindow.h"

#include <QGridLayout>
#include <QLabel>

#include "CertificateText.h"
#include "CertificateView.h"
#include "core/VisibleText.h"

CertificateWindow::CertificateWindow(const ftp::TrustQuestion& question, QWidget* parent)
    : TrustWindow(QStringLiteral("CertificateWindow"), QStringLiteral("Certificado del servidor"), parent) {
    const bool changed = !question.rememberedSha256.empty();
    auto* grid = new QGridLayout;
    const QString port = question.port ? QStringLiteral(":%1").arg(question.port) : QString();
    certview::addRow(grid, QStringLiteral("Servidor:"), visibletext::decode(question.host) + port);
    certview::addRow(grid, QStringLiteral("Motivo:"), certtext::reason(question.certificate.verifyError))
        ->setObjectName(QStringLiteral("reason"));
    certview::addCertificateRows(grid, question.certificate);
    if (changed)
        certview::addFingerprintRow(grid, QStringLiteral("Huella recordada:"), question.rememberedSha256)
            ->setObjectName(QStringLiteral("remembered"));
    build(changed ? QStringLiteral("¡ATENCIÓN! El certificado de este servidor ha cambiado desde que decidió confiar "
                                   "en él. Alguien podría estar haciéndose pasar por el servidor. No continúe si no "
                                   "sabe por qué ha cambiado.")
                  : QString(),
          QStringLiteral("No se ha podido comprobar la identidad del servidor. No se ha enviado ni el usuario ni la "
                         "contraseña."),
          grid);
}

ftp::TrustAnswer CertificateWindow::askFor(QWidget* parent, const ftp::TrustQuestion& question) {
    CertificateWindow window(question, parent);
    return window.ask();
}
