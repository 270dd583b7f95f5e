#include "FrmAcerca.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

#include "core/Artwork.h"
#include "LinkLabel.h"
#include "WebAddresses.h"
#include "core/Dialogs.h"
#include "core/Look.h"

FrmAcerca::FrmAcerca(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      dialogs_(dialogs) {
    setObjectName(QStringLiteral("FrmAcerca"));
    setWindowTitle(QStringLiteral("Acerca de Pelicano 2.0"));
    setWindowIcon(artwork::programIcon());
    setModal(true);
    setFixedSize(look::px(4680), look::px(3195));
    setMouseTracking(true);
    buildControls();
}

void FrmAcerca::buildControls() {
    using look::twipsRect;
    cmdaceptar = new QPushButton(QStringLiteral("Aceptar"), this);
    cmdaceptar->setObjectName(QStringLiteral("cmdaceptar"));
    cmdaceptar->setGeometry(twipsRect(1320, 2400, 1935, 615));
    cmdaceptar->setFont(look::programFont(14.25));
    cmdaceptar->setDefault(true);
    connect(cmdaceptar, &QPushButton::clicked, this, &FrmAcerca::cmdaceptar_Click);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(120, 1800, 4350, 495));
    linklabel::applyLinkLook(Label1, web::makerAddress());
    Label1->setCursor(Qt::UpArrowCursor);
    Label1->installEventFilter(this);

    // Sized to its picture.
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(artwork::logo());
    Picture1->setGeometry(look::px(840), look::px(120), artwork::kLogoWidth, artwork::kLogoHeight);
    Picture1->setAccessibleName(QStringLiteral("Pelicano 2.0"));

    Label2 = new QLabel(notice(), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(120, 1320, 3480, 330));
    Label2->setFont(look::namedFont(QStringLiteral("Arial Black"), 11.25, true));
}

int FrmAcerca::exec() {
    loadDesignValues();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    cmdaceptar->setFocus();
    return QDialog::exec();
}

void FrmAcerca::loadDesignValues() { linklabel::setUnderlined(Label1, false); }

bool FrmAcerca::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label1) {
        if (event->type() == QEvent::MouseMove) {
            Label1_MouseMove();
            return true;  // handled here, not passed on to the window's background
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() == Qt::LeftButton && Label1->rect().contains(me->position().toPoint())) Label1_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmAcerca::mouseMoveEvent(QMouseEvent* event) {
    // Moves over a control without its own handler bubble up here: only the bare background counts.
    if (linklabel::overBareBackground(this, event->position().toPoint())) Form_MouseMove();
    QDialog::mouseMoveEvent(event);
}

void FrmAcerca::cmdaceptar_Click() { accept(); }

void FrmAcerca::Label1_Click() { dialogs_.openUrl(this, web::makerAddress()); }

void FrmAcerca::Label1_MouseMove() {
    if (!linklabel::underlined(Label1)) linklabel::setUnderlined(Label1, true);
}

void FrmAcerca::Form_MouseMove() {
    if (linklabel::underlined(Label1)) linklabel::setUnderlined(Label1, false);
}
