#include "CertificateView.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>

#include "CertificateText.h"
#include "core/Look.h"
#include "core/VisibleText.h"

namespace certview {
namespace {
constexpr int kValueWidth = 360;
// A value is cut to about this many wrapped lines, so that a server cannot push the window's
// buttons off the screen with a huge name.
constexpr int kMostLines = 3;

// The caption on the left names the value on the right, on screen and for a screen reader (its
// buddy is what it labels); the value's own text is its accessible name.
QLabel* addLabelled(QGridLayout* grid, const QString& caption, QLabel* value) {
    const int row = grid->rowCount();
    auto* name = new QLabel(caption);
    name->setFont(look::programFont(9.75, true));
    name->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    name->setBuddy(value);
    grid->setColumnMinimumWidth(1, kValueWidth);
    grid->addWidget(name, row, 0);
    grid->addWidget(value, row, 1);
    return value;
}

// Both ends of a long name stay: the part that tells two names apart may be either.
QString shortened(const QString& value, const QFont& font) {
    // One line as long as the lines it may take, less one for what wrapping at words wastes.
    return QFontMetrics(font).elidedText(value, Qt::ElideMiddle, kValueWidth * (kMostLines - 1));
}
}  // namespace

QLabel* addRow(QGridLayout* grid, const QString& caption, const QString& value) {
    auto* text = new QLabel;
    text->setFont(look::programFont(9.75));
    text->setTextFormat(Qt::PlainText);  // names come from the server
    text->setWordWrap(true);
    // Long names wrap instead of widening the window. The label takes its cell's whole width, as
    // the grid measures the height it needs at that width.
    QSizePolicy policy = text->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Ignored);
    text->setSizePolicy(policy);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setText(shortened(value, text->font()));
    return addLabelled(grid, caption, text);
}

QLabel* addFingerprintRow(QGridLayout* grid, const QString& caption, const std::string& sha256) {
    return addDigestRow(grid, caption, certtext::fingerprint(sha256));  // two whole lines of digits
}

QLabel* addDigestRow(QGridLayout* grid, const QString& caption, const QString& digest) {
    auto* text = new QLabel(digest);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(9.75);
    text->setFont(mono);
    text->setTextFormat(Qt::PlainText);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setAutoFillBackground(true);
    QPalette pal = text->palette();
    pal.setColor(QPalette::Window, look::bgr(0x00404040));
    pal.setColor(QPalette::WindowText, look::bgr(0x0000FF00));
    text->setPalette(pal);
    text->setMargin(3);
    return addLabelled(grid, caption, text);
}

void addCertificateRows(QGridLayout* grid, const ftp::CertificateInfo& certificate) {
    addRow(grid, QStringLiteral("Titular:"), visibletext::decode(certificate.subject));
    addRow(grid, QStringLiteral("Emisor:"), visibletext::decode(certificate.issuer));
    addRow(grid, QStringLiteral("Validez:"), certtext::validity(certificate));
    addFingerprintRow(grid, QStringLiteral("Huella SHA-256:"), certificate.sha256);
}

}  // namespace certview
