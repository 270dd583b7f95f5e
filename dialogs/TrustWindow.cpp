#include "TrustWindow.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "core/Artwork.h"
#include "core/Look.h"

namespace {
QLabel* paragraph(const QString& text, const QFont& font, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    l->setWordWrap(true);
    l->setTextFormat(Qt::PlainText);
    return l;
}
}  // namespace

TrustWindow::TrustWindow(const QString& objectName, const QString& title, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(objectName);
    setWindowTitle(title);
    setWindowIcon(artwork::programIcon());
    setModal(true);
}

void TrustWindow::build(const QString& warning, const QString& intro, QGridLayout* rows) {
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);  // fixed, as the program's other windows
    if (!warning.isEmpty()) {
        QLabel* loud = paragraph(warning, look::programFont(11.25, true), this);
        loud->setObjectName(QStringLiteral("warning"));
        QPalette pal = loud->palette();
        pal.setColor(QPalette::WindowText, look::bgr(0x000000FF));
        loud->setPalette(pal);
        column->addWidget(loud);
    }
    column->addWidget(paragraph(intro, look::programFont(9.75), this));
    column->addLayout(rows);

    auto* buttons = new QHBoxLayout;
    auto* thisTime = new QPushButton(QStringLiteral("Conectar esta vez"), this);
    auto* always = new QPushButton(QStringLiteral("Confiar siempre"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancelar"), this);
    thisTime->setObjectName(QStringLiteral("thisTime"));
    always->setObjectName(QStringLiteral("always"));
    cancel_->setObjectName(QStringLiteral("cancel"));
    buttons->addStretch();
    for (QPushButton* b : {thisTime, always, cancel_}) {
        b->setFont(look::programFont(9.75));
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    cancel_->setDefault(true);
    column->addLayout(buttons);

    connect(thisTime, &QPushButton::clicked, this, [this] { answer(ftp::TrustAnswer::ThisTime); });
    connect(always, &QPushButton::clicked, this, [this] { answer(ftp::TrustAnswer::Always); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void TrustWindow::answer(ftp::TrustAnswer a) {
    answer_ = a;
    accept();
}

ftp::TrustAnswer TrustWindow::ask() {
    answer_ = ftp::TrustAnswer::Cancel;  // Escape and the close box leave it so
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    cancel_->setFocus();
    exec();
    return answer_;
}
