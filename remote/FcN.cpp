#include "FcN.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "NameSplit.h"
#include "RemoteName.h"
#include "core/Look.h"

namespace {
QLabel* redCaption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(look::programFont(15.75));
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Qt::red);
    label->setPalette(pal);
    return label;
}
}  // namespace

FcN::FcN(QWidget* parent, Rename rename)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      rename_(std::move(rename)) {
    setObjectName(QStringLiteral("FcN"));
    setWindowTitle(QStringLiteral("Cambiar nombre"));
    setFont(look::programFont(9.75));
    setFixedSize(look::px(5865), look::px(1545));
    setModal(true);

    Txtnombre_ = new QLineEdit(QStringLiteral("Nombre"), this);
    Txtnombre_->setObjectName(QStringLiteral("Txtnombre"));
    Txtnombre_->setGeometry(look::twipsRect(120, 480, 3855, 375));
    Txtnombre_->setFont(look::programFont(11.25, true));

    Txtext_ = new QLineEdit(QStringLiteral(".txt"), this);
    Txtext_->setObjectName(QStringLiteral("Txtext"));
    Txtext_->setGeometry(look::twipsRect(4320, 480, 1095, 375));
    Txtext_->setFont(look::programFont(11.25, true));

    Label1_ = redCaption(QStringLiteral("Nombre"), this);
    Label1_->setObjectName(QStringLiteral("Label1"));
    Label1_->setGeometry(look::twipsRect(1575, 0, 1185, 435));
    Label1_->setBuddy(Txtnombre_);

    Label2_ = redCaption(QStringLiteral("Ext"), this);
    Label2_->setObjectName(QStringLiteral("Label2"));
    Label2_->setGeometry(look::twipsRect(4560, 0, 555, 435));
    Label2_->setBuddy(Txtext_);

    cmdaceptar_ = new QPushButton(QStringLiteral("Aceptar"), this);
    cmdaceptar_->setObjectName(QStringLiteral("cmdaceptar"));
    cmdaceptar_->setGeometry(look::twipsRect(1920, 960, 1815, 495));
    connect(cmdaceptar_, &QPushButton::clicked, this, [this] { cmdaceptar_Click(); });

    setTabOrder(Txtnombre_, Txtext_);
    setTabOrder(Txtext_, cmdaceptar_);
    nombreFilled_ = {Txtnombre_->text(), remote::typedName(Txtnombre_->text())};
    extFilled_ = {Txtext_->text(), remote::typedName(Txtext_->text())};
}

void FcN::setFile(const std::string& fileName) {
    const remote::NameParts parts = remote::splitAtLastDot(fileName);
    nombreFilled_ = {remote::displayName(parts.name), parts.name};
    Txtnombre_->setText(nombreFilled_.shown);
    if (parts.extension) {
        extFilled_ = {remote::displayName(*parts.extension), *parts.extension};
        Txtext_->setText(extFilled_.shown);
    }
    NombreActual_ = fileName;
}

std::string FcN::boxBytes(const QLineEdit* box, const Filled& filled) {
    // A name that is not UTF-8 survives a box the user did not touch.
    return box->text() == filled.shown ? filled.bytes : remote::typedName(box->text());
}

std::string FcN::newName() const { return boxBytes(Txtnombre_, nombreFilled_) + boxBytes(Txtext_, extFilled_); }

void FcN::cmdaceptar_Click() {
    if (rename_) rename_(NombreActual_, newName());
}

void FcN::showEvent(QShowEvent* e) {
    // Centred on the screen rather than over the main window, as a dialog would be by default.
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - frameGeometry().center() + pos());
    QDialog::showEvent(e);
}
