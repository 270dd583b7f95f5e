#include "CertificateView.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>

#include "CertificateText.h"
#include "core/Look.h"

namespace certview {
namespace {
constexpr int kValueWidth = 360;  // long names wrap instead of widening the window
}

QLabel* addRow(QGridLayout* grid, const QString& caption, const QString& value) {
    const int row = grid->rowCount();
    auto* name = new QLabel(caption);
    name->setFont(look::programFont(9.75, true));
    name->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* text = new QLabel(value);
    text->setFont(look::programFont(9.75));
    text->setTextFormat(Qt::PlainText);  // names come from the server
    text->setWordWrap(true);
    text->setFixedWidth(kValueWidth);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    name->setBuddy(text);
    text->setAccessibleName(caption);
    grid->addWidget(name, row, 0);
    grid->addWidget(text, row, 1);
    return text;
}

QLabel* addFingerprintRow(QGridLayout* grid, const QString& caption, const std::string& sha256) {
    QLabel* text = addRow(grid, caption, certtext::fingerprint(sha256));
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(9.75);
    text->setFont(mono);
    text->setWordWrap(false);
    text->setMinimumWidth(0);
    text->setMaximumWidth(QWIDGETSIZE_MAX);  // two whole lines of digits, never cut
    text->setAutoFillBackground(true);
    QPalette pal = text->palette();
    pal.setColor(QPalette::Window, look::bgr(0x00404040));
    pal.setColor(QPalette::WindowText, look::bgr(0x0000FF00));
    text->setPalette(pal);
    text->setMargin(3);
    return text;
}

void addCertificateRows(QGridLayout* grid, const ftp::CertificateInfo& certificate) {
    addRow(grid, QStringLiteral("Titular:"), QString::fromStdString(certificate.subject));
    addRow(grid, QStringLiteral("Emisor:"), QString::fromStdString(certificate.issuer));
    addRow(grid, QStringLiteral("Validez:"), certtext::validity(certificate));
    addFingerprintRow(grid, QStringLiteral("Huella SHA-256:"), certificate.sha256);
}

}  // namespace certview
