#include "Artwork.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "Look.h"

namespace artwork {

namespace {

qreal screenRatio() { return qApp ? qApp->devicePixelRatio() : 1.0; }

// A transparent canvas in logical pixels at the screen's pixel ratio, so pictures stay sharp on
// dense screens.
QPixmap canvas(QSize size, qreal ratio = screenRatio()) {
    QPixmap pm(size * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    return pm;
}

QPixmap lamp(QSize size, QColor light, QColor dark) {
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(1.5, 1.5, size.width() - 3.0, size.height() - 3.0);
    QRadialGradient g(r.center() - QPointF(r.width() / 6, r.height() / 6), r.width() / 1.6);
    g.setColorAt(0, light.lighter(170));
    g.setColorAt(0.35, light);
    g.setColorAt(1, dark);
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(g);
    p.drawEllipse(r);
    // A small highlight makes it read as glass.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(
        QRectF(r.left() + r.width() * 0.25, r.top() + r.height() * 0.15, r.width() * 0.25, r.height() * 0.18));
    return pm;
}

void drawMonitor(QPainter& p, const QRectF& r) {
    const QRectF body(r.left(), r.top(), r.width(), r.height() * 0.68);
    p.setPen(QPen(QColor(50, 50, 60), 1.2));
    p.setBrush(QColor(215, 215, 205));
    p.drawRoundedRect(body, 3, 3);
    QLinearGradient screen(body.topLeft(), body.bottomRight());
    screen.setColorAt(0, QColor(90, 160, 235));
    screen.setColorAt(1, QColor(20, 60, 150));
    p.setBrush(screen);
    p.drawRect(body.adjusted(body.width() * 0.1, body.height() * 0.1, -body.width() * 0.1, -body.height() * 0.16));
    p.setBrush(QColor(185, 185, 175));
    const qreal neckW = r.width() * 0.2;
    p.drawRect(QRectF(r.center().x() - neckW / 2, body.bottom(), neckW, r.height() * 0.1));
    p.drawRoundedRect(
        QRectF(r.left() + r.width() * 0.2, body.bottom() + r.height() * 0.1, r.width() * 0.6, r.height() * 0.08), 2, 2);
    // Keyboard.
    p.drawRoundedRect(
        QRectF(r.left() + r.width() * 0.05, r.bottom() - r.height() * 0.1, r.width() * 0.9, r.height() * 0.1), 2, 2);
}

void drawTower(QPainter& p, const QRectF& r) {
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, QColor(120, 125, 140));
    g.setColorAt(1, QColor(60, 65, 80));
    p.setPen(QPen(QColor(30, 30, 40), 1.2));
    p.setBrush(g);
    p.drawRoundedRect(r, 3, 3);
    const qreal slotH = r.height() / 7;
    for (int i = 0; i < 3; ++i) {
        const QRectF slot(r.left() + r.width() * 0.12, r.top() + slotH * (0.7 + i * 1.4), r.width() * 0.76,
                          slotH * 0.9);
        p.setBrush(QColor(40, 42, 52));
        p.drawRect(slot);
        p.setBrush(i == 0 ? QColor(80, 230, 90) : QColor(250, 190, 40));
        p.drawEllipse(QPointF(slot.right() - slot.height() * 0.6, slot.center().y()), slot.height() * 0.22,
                      slot.height() * 0.22);
    }
    p.setPen(QPen(QColor(170, 175, 190), 1));
    for (int i = 0; i < 4; ++i) {
        const qreal y = r.bottom() - slotH * (0.6 + i * 0.35);
        p.drawLine(QPointF(r.left() + r.width() * 0.2, y), QPointF(r.right() - r.width() * 0.2, y));
    }
}

void drawFaceText(QPainter& p, const QRectF& r, const QString& text) {
    QFont f = look::programFont(11, true);
    p.setFont(f);
    p.setPen(QColor(20, 40, 110));
    p.drawText(r, Qt::AlignCenter, text);
}

// A white pelican in profile facing right, its long beak and orange pouch, inside box.
void drawPelican(QPainter& p, const QRectF& box) {
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 64.0, box.height() / 64.0);
    p.setPen(QPen(QColor(40, 40, 60), 2.0));
    // Neck and head.
    QPainterPath neck;
    neck.moveTo(14, 62);
    neck.cubicTo(10, 40, 30, 34, 22, 20);
    neck.cubicTo(18, 10, 26, 4, 34, 6);
    neck.cubicTo(42, 8, 42, 18, 36, 22);
    neck.cubicTo(30, 28, 34, 44, 40, 62);
    neck.closeSubpath();
    p.setBrush(QColor(250, 250, 250));
    p.drawPath(neck);
    // Pouch under the beak.
    QPainterPath pouch;
    pouch.moveTo(38, 16);
    pouch.lineTo(62, 20);
    pouch.cubicTo(52, 32, 42, 32, 36, 22);
    pouch.closeSubpath();
    p.setBrush(QColor(245, 150, 40));
    p.drawPath(pouch);
    // Upper beak.
    QPainterPath beak;
    beak.moveTo(36, 10);
    beak.lineTo(62, 18);
    beak.lineTo(62, 21);
    beak.lineTo(37, 16);
    beak.closeSubpath();
    p.setBrush(QColor(250, 200, 60));
    p.drawPath(beak);
    // Eye.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 20, 20));
    p.drawEllipse(QPointF(31, 11), 2.2, 2.2);
    p.restore();
}

}  // namespace

QIcon programIcon() {
    // Rendered from data/pelicano.svg at build time, the sizes a title bar and a task bar ask for.
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icon/pelicano-%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap redLamp(QSize size) { return lamp(size, QColor(235, 30, 30), QColor(110, 0, 0)); }
QPixmap greenLamp(QSize size) { return lamp(size, QColor(40, 210, 60), QColor(0, 90, 10)); }

QPixmap computer(QSize size) {
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    drawMonitor(p, QRectF(2, 2, size.width() - 4, size.height() - 4));
    return pm;
}

QPixmap server(QSize size) {
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width() * 0.62;
    drawTower(p, QRectF((size.width() - w) / 2, 2, w, size.height() - 4));
    return pm;
}

QPixmap connectFace(QSize size) {
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal h = size.height();
    const qreal iconH = h * 0.6;
    drawMonitor(p, QRectF(4, 3, iconH * 0.9, iconH));
    drawTower(p, QRectF(size.width() - iconH * 0.55 - 4, 3, iconH * 0.55, iconH));
    // A cable with a plug meeting its socket between the two machines.
    const qreal y = 3 + iconH * 0.45;
    const qreal left = 4 + iconH * 0.9 + 2, right = size.width() - iconH * 0.55 - 6;
    p.setPen(QPen(QColor(30, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(left, y), QPointF((left + right) / 2 - 5, y));
    p.drawLine(QPointF((left + right) / 2 + 5, y), QPointF(right, y));
    p.setBrush(QColor(250, 200, 40));
    p.setPen(QPen(QColor(120, 80, 0), 1));
    QPainterPath bolt;
    const QPointF c((left + right) / 2, y);
    bolt.moveTo(c + QPointF(2, -9));
    bolt.lineTo(c + QPointF(-4, 1));
    bolt.lineTo(c + QPointF(0, 1));
    bolt.lineTo(c + QPointF(-2, 9));
    bolt.lineTo(c + QPointF(4, -1));
    bolt.lineTo(c + QPointF(0, -1));
    bolt.closeSubpath();
    p.drawPath(bolt);
    drawFaceText(p, QRectF(0, iconH + 2, size.width(), h - iconH - 3), QStringLiteral("Conectar"));
    return pm;
}

QPixmap uploadFace(QSize size) {
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal h = size.height();
    // A sheet of paper with a big arrow going up.
    const QRectF sheet(6, 3, h * 0.62, h - 6);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    p.setPen(QPen(QColor(170, 170, 170), 1));
    for (int i = 1; i <= 4; ++i) {
        const qreal ly = sheet.top() + sheet.height() * i / 5.5;
        p.drawLine(QPointF(sheet.left() + 3, ly), QPointF(sheet.right() - 3, ly));
    }
    QPainterPath arrow;
    const qreal ax = sheet.right() + h * 0.35, top = 3, bottom = h - 3, half = h * 0.3;
    arrow.moveTo(ax, top);
    arrow.lineTo(ax + half, top + half);
    arrow.lineTo(ax + half * 0.45, top + half);
    arrow.lineTo(ax + half * 0.45, bottom);
    arrow.lineTo(ax - half * 0.45, bottom);
    arrow.lineTo(ax - half * 0.45, top + half);
    arrow.lineTo(ax - half, top + half);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0, 80, 20), 1));
    p.setBrush(QColor(50, 180, 70));
    p.drawPath(arrow);
    const qreal textLeft = ax + half + 4;
    drawFaceText(p, QRectF(textLeft, 0, size.width() - textLeft, h), QStringLiteral("Subir"));
    return pm;
}

QPixmap logo() {
    QPixmap pm = canvas(QSize(kLogoWidth, kLogoHeight));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kLogoHeight);
    sky.setColorAt(0.0, QColor(70, 140, 230));
    sky.setColorAt(1.0, QColor(20, 60, 150));
    p.setPen(QPen(QColor(10, 30, 90), 2));
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(1, 1, kLogoWidth - 2, kLogoHeight - 2), 12, 12);
    // A strip of sea under the bird.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawRoundedRect(QRectF(6, kLogoHeight - 18, kLogoWidth - 12, 12), 6, 6);
    drawPelican(p, QRectF(8, 5, 64, 64));
    QFont title = look::programFont(20, true);
    title.setPixelSize(30);
    p.setFont(title);
    p.setPen(QColor(10, 20, 60));
    p.drawText(QRectF(78, 6, kLogoWidth - 80, 40), Qt::AlignCenter, QStringLiteral("Pelicano"));
    p.setPen(Qt::white);
    p.drawText(QRectF(76, 4, kLogoWidth - 80, 40), Qt::AlignCenter, QStringLiteral("Pelicano"));
    QFont version = look::programFont(10, true);
    version.setPixelSize(16);
    p.setFont(version);
    p.setPen(QColor(255, 220, 90));
    p.drawText(QRectF(76, 40, kLogoWidth - 80, 20), Qt::AlignCenter, QStringLiteral("versión 2.0"));
    return pm;
}

QIcon saveIcon() {
    QPixmap pm = canvas(QSize(32, 32));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 30, 70), 1.5));
    p.setBrush(QColor(40, 80, 170));
    QPainterPath body;  // the disk with its clipped corner
    body.moveTo(3, 3);
    body.lineTo(25, 3);
    body.lineTo(29, 7);
    body.lineTo(29, 29);
    body.lineTo(3, 29);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(200, 205, 215));  // metal shutter
    p.drawRect(QRectF(9, 3, 13, 9));
    p.setBrush(QColor(40, 80, 170));
    p.drawRect(QRectF(17, 5, 3, 5));
    p.setBrush(Qt::white);  // label
    p.drawRect(QRectF(7, 16, 18, 11));
    p.setPen(QPen(QColor(150, 150, 160), 1));
    p.drawLine(QPointF(9, 20), QPointF(23, 20));
    p.drawLine(QPointF(9, 23), QPointF(23, 23));
    p.end();
    return QIcon(pm);
}

QPixmap globe() {
    QPixmap pm = canvas(QSize(32, 32));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF ball(2, 2, 28, 28);
    QRadialGradient sea(QPointF(11, 10), 20);
    sea.setColorAt(0, QColor(120, 190, 255));
    sea.setColorAt(1, QColor(20, 80, 180));
    p.setPen(QPen(QColor(10, 40, 100), 1.5));
    p.setBrush(sea);
    p.drawEllipse(ball);
    // Meridians and parallels.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 170), 1));
    p.drawEllipse(QRectF(9, 2, 14, 28));
    p.drawLine(QPointF(16, 2), QPointF(16, 30));
    p.drawLine(QPointF(2, 16), QPointF(30, 16));
    p.drawLine(QPointF(5, 9), QPointF(27, 9));
    p.drawLine(QPointF(5, 23), QPointF(27, 23));
    // Land.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 170, 70, 220));
    p.drawEllipse(QRectF(6, 8, 9, 7));
    p.drawEllipse(QRectF(17, 17, 9, 8));
    p.end();
    return pm;
}

QCursor linkCursor() {
    QPixmap pm = canvas(QSize(32, 32), 1.0);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    // Index finger up from the fingertip at (12, 1), then the folded fingers and the palm.
    hand.moveTo(10, 3);
    hand.cubicTo(10, 0, 14, 0, 14, 3);
    hand.lineTo(14, 13);
    hand.cubicTo(14, 11, 18, 11, 18, 13);
    hand.lineTo(18, 15);
    hand.cubicTo(18, 13, 22, 13, 22, 15);
    hand.lineTo(22, 16);
    hand.cubicTo(22, 14, 26, 14, 26, 17);
    hand.lineTo(26, 24);
    hand.cubicTo(26, 28, 24, 30, 21, 30);
    hand.lineTo(13, 30);
    hand.cubicTo(10, 30, 9, 28, 7, 25);
    hand.lineTo(3, 19);
    hand.cubicTo(2, 16, 6, 15, 8, 18);
    hand.lineTo(10, 20);
    hand.closeSubpath();
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(18, 15), QPointF(18, 20));
    p.drawLine(QPointF(22, 16), QPointF(22, 21));
    p.end();
    return QCursor(pm, 12, 1);
}

}  // namespace artwork
