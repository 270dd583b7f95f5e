#include "F1Layout.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "core/Artwork.h"
#include "CaptionFrame.h"
#include "core/Look.h"

namespace {

using look::twipsRect;

QLabel* caption(QWidget* client, int index, const QString& text, QRect where) {
    auto* l = new QLabel(text, client);
    l->setObjectName(QStringLiteral("Label1"));
    l->setProperty("index", index);
    l->setFont(look::programFont(12));
    l->setGeometry(where);
    return l;
}

QLabel* picture(QWidget* client, const char* name, const QPixmap& pm, const QString& tip, QRect where) {
    auto* l = new QLabel(client);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(where);
    l->setScaledContents(true);  // stretched to the control, like the design's pictures
    l->setPixmap(pm);
    l->setToolTip(tip);
    l->setAccessibleName(tip);
    return l;
}

QPushButton* pictureButton(QWidget* client, const char* name, const QPixmap& face, const QString& tip,
                           QRect where) {
    auto* b = new QPushButton(client);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(where);
    b->setIcon(QIcon(face));
    b->setIconSize(face.deviceIndependentSize().toSize());
    b->setToolTip(tip);
    b->setAccessibleName(tip);  // a picture has no text for a screen reader to read
    return b;
}

QGroupBox* frame(QWidget* client, const char* name, const QString& title, QRect where) {
    auto* f = new CaptionFrame(title, look::programFont(11.25, true), look::bgr(0x00FF0000), client);
    f->setObjectName(QLatin1String(name));
    f->setGeometry(where);
    return f;
}

}  // namespace

F1Controls buildF1Controls(QWidget* client) {
    F1Controls c;
    c.Label1[0] = caption(client, 0, QStringLiteral("Host:"), twipsRect(120, 120, 585, 345));
    c.Label1[1] = caption(client, 1, QStringLiteral("Usuario:"), twipsRect(120, 600, 915, 345));
    c.Label1[2] = caption(client, 2, QStringLiteral("Login:"), twipsRect(120, 1080, 645, 345));

    c.lsthost = new HostBox(client);
    c.lsthost->setObjectName(QStringLiteral("lsthost"));
    c.lsthost->setGeometry(twipsRect(1200, 120, 3255, 345));

    c.Txtusuario = new QLineEdit(client);
    c.Txtusuario->setObjectName(QStringLiteral("Txtusuario"));
    c.Txtusuario->setFont(look::programFont(9.75));
    c.Txtusuario->setGeometry(twipsRect(1200, 600, 3255, 375));

    c.Txtlogin = new QLineEdit(client);
    c.Txtlogin->setObjectName(QStringLiteral("Txtlogin"));
    c.Txtlogin->setFont(look::programFont(9.75));
    c.Txtlogin->setEchoMode(QLineEdit::Password);
    c.Txtlogin->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));  // "*"
    c.Txtlogin->setGeometry(twipsRect(1200, 1080, 3255, 375));

    c.Label1[0]->setBuddy(c.lsthost);
    c.Label1[1]->setBuddy(c.Txtusuario);
    c.Label1[2]->setBuddy(c.Txtlogin);
    c.lsthost->setAccessibleName(QStringLiteral("Host:"));
    c.Txtusuario->setAccessibleName(QStringLiteral("Usuario:"));
    c.Txtlogin->setAccessibleName(QStringLiteral("Login:"));

    const QRect connectRect = twipsRect(4680, 360, 2055, 975);
    c.cmdconectar = pictureButton(client, "cmdconectar", artwork::connectFace(connectRect.size() - QSize(12, 10)),
                                  QStringLiteral("Conectar al servidor"), connectRect);
    c.cmdconectar->setDefault(true);

    c.cmddesconecto = new QPushButton(QStringLiteral("Desconectar"), client);
    c.cmddesconecto->setObjectName(QStringLiteral("cmddesconecto"));
    c.cmddesconecto->setFont(look::programFont(9.75));
    c.cmddesconecto->setToolTip(QStringLiteral("Desconectar del servidor"));
    c.cmddesconecto->setGeometry(twipsRect(6960, 600, 1335, 495));
    c.cmddesconecto->hide();

    const QRect uploadRect = twipsRect(3240, 1680, 2295, 615);
    c.CmdSubir = pictureButton(client, "CmdSubir", artwork::uploadFace(uploadRect.size() - QSize(12, 8)),
                               QStringLiteral("Sube los archivos seleccionados al sevidor"), uploadRect);
    c.CmdSubir->setEnabled(false);

    const QRect pcRect = twipsRect(1800, 1560, 750, 750);
    c.Imgpc = picture(client, "Imgpc", artwork::computer(pcRect.size()), QStringLiteral("Pc local"), pcRect);
    const QRect srvRect = twipsRect(6240, 1560, 750, 750);
    c.Imgservidor = picture(client, "Imgservidor", artwork::server(srvRect.size()),
                            QStringLiteral("Servidor remoto"), srvRect);
    const QRect lampRect = twipsRect(7080, 1680, 600, 600);
    c.Imgrojo = picture(client, "Imgrojo", artwork::redLamp(lampRect.size()), QStringLiteral("Desconectado"),
                        lampRect);
    c.ImgVerde = picture(client, "ImgVerde", artwork::greenLamp(lampRect.size()), QStringLiteral("Conectado"),
                         lampRect);
    c.ImgVerde->hide();

    c.Frame1 = frame(client, "Frame1", QStringLiteral("Mi Pc"), twipsRect(240, 2280, 4095, 4215));
    c.Frame2 = frame(client, "Frame2", QStringLiteral("Servidor"), twipsRect(4440, 2280, 4215, 4215));

    // The link label and picture get their text, pictures and behaviour from the link handlers.
    c.Label1[3] = new QLabel(client);
    c.Label1[3]->setObjectName(QStringLiteral("Label1"));
    c.Label1[3]->setProperty("index", 3);
    c.Label1[3]->setGeometry(twipsRect(2640, 6600, 4350, 495));
    c.Image1 = new QLabel(client);
    c.Image1->setObjectName(QStringLiteral("Image1"));
    c.Image1->setGeometry(twipsRect(8040, 6600, 480, 480));

    QWidget::setTabOrder(c.lsthost, c.Txtusuario);
    QWidget::setTabOrder(c.Txtusuario, c.Txtlogin);
    QWidget::setTabOrder(c.Txtlogin, c.cmdconectar);
    QWidget::setTabOrder(c.cmdconectar, c.cmddesconecto);
    QWidget::setTabOrder(c.cmddesconecto, c.CmdSubir);
    return c;
}

F1Menus buildF1Menus(QMenuBar* bar) {
    F1Menus m;
    m.menu1 = bar->addMenu(QStringLiteral("Menú"));
    m.menu1->setObjectName(QStringLiteral("menu1"));
    m.configuracion = m.menu1->addAction(QStringLiteral("Configuración"));
    m.configuracion->setObjectName(QStringLiteral("configuracion"));
    m.seguridad = m.menu1->addAction(QStringLiteral("Seguridad..."));
    m.seguridad->setObjectName(QStringLiteral("seguridad"));
    m.sincronizar = m.menu1->addAction(QStringLiteral("Sincronizar carpeta..."));
    m.sincronizar->setObjectName(QStringLiteral("sincronizar"));
    m.sincronizar->setEnabled(false);
    m.menu1->addSeparator();
    m.acerca = m.menu1->addAction(QStringLiteral("Acerca de Pelicano"));
    m.acerca->setObjectName(QStringLiteral("acerca"));
    return m;
}
