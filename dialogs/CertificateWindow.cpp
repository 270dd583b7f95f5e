#include "CertificateWindow.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "core/Artwork.h"
#include "CertificateText.h"
#include "CertificateView.h"
#include "core/Look.h"
#include "core/VisibleText.h"

namespace {
QLabel* paragraph(const QString& text, const QFont& font, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    l->setWordWrap(true);
    l->setTextFormat(Qt::PlainText);
    return l;
}
}  // namespace

CertificateWindow::CertificateWindow(const ftp::TrustQuestion& question, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("CertificateWindow"));
    setWindowTitle(QStringLiteral("Certificado del servidor"));
    setWindowIcon(artwork::programIcon());
    setModal(true);
    build(question);
}

void CertificateWindow::build(const ftp::TrustQuestion& question) {
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);  // fixed, as the program's other windows
    const bool changed = !question.rememberedSha256.empty();
    if (changed) {
        QLabel* warning = paragraph(
            QStringLiteral("¡ATENCIÓN! El certificado de este servidor ha cambiado desde que decidió confiar en "
                           "él. Alguien podría estar haciéndose pasar por el servidor. No continúe si no sabe "
                           "por qué ha cambiado."),
            look::programFont(11.25, true), this);
        warning->setObjectName(QStringLiteral("warning"));
        QPalette pal = warning->palette();
        pal.setColor(QPalette::WindowText, look::bgr(0x000000FF));
        warning->setPalette(pal);
        column->addWidget(warning);
    }
    QLabel* intro = paragraph(QStringLiteral("No se ha podido comprobar la identidad del servidor. No se ha "
                                             "enviado ni el usuario ni la contraseña."),
                              look::programFont(9.75), this);
    column->addWidget(intro);

    auto* grid = new QGridLayout;
    const QString port = question.port ? QStringLiteral(":%1").arg(question.port) : QString();
    certview::addRow(grid, QStringLiteral("Servidor:"), visibletext::decode(question.host) + port);
    certview::addRow(grid, QStringLiteral("Motivo:"), certtext::reason(question.certificate.verifyError))
        ->setObjectName(QStringLiteral("reason"));
    certview::addCertificateRows(grid, question.certificate);
    if (changed)
        certview::addFingerprintRow(grid, QStringLiteral("Huella recordada:"), question.rememberedSha256)
            ->setObjectName(QStringLiteral("remembered"));
    column->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    thisTime_ = new QPushButton(QStringLiteral("Conectar esta vez"), this);
    always_ = new QPushButton(QStringLiteral("Confiar siempre"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancelar"), this);
    thisTime_->setObjectName(QStringLiteral("thisTime"));
    always_->setObjectName(QStringLiteral("always"));
    cancel_->setObjectName(QStringLiteral("cancel"));
    buttons->addStretch();
    for (QPushButton* b : {thisTime_, always_, cancel_}) {
        b->setFont(look::programFont(9.75));
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    cancel_->setDefault(true);
    column->addLayout(buttons);

    connect(thisTime_, &QPushButton::clicked, this, [this] { answer(ftp::TrustAnswer::ThisTime); });
    connect(always_, &QPushButton::clicked, this, [this] { answer(ftp::TrustAnswer::Always); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void CertificateWindow::answer(ftp::TrustAnswer a) {
    answer_ = a;
    accept();
}

ftp::TrustAnswer CertificateWindow::ask() {
    answer_ = ftp::TrustAnswer::Cancel;  // Escape and the close box leave it so
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    cancel_->setFocus();
    exec();
    return answer_;
}

ftp::TrustAnswer CertificateWindow::askFor(QWidget* parent, const ftp::TrustQuestion& question) {
    CertificateWindow window(question, parent);
    return window.ask();
}
