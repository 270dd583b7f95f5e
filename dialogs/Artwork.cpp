#include "Artwork.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "core/Look.h"

namespace dialogart {

namespace {

// Drawn in logical pixels at the screen's pixel ratio, so pictures stay sharp on dense screens.
QPixmap transparent(int w, int h, qreal ratio = 1.0) {
    QPixmap pm(qRound(w * ratio), qRound(h * ratio));
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    return pm;
}

qreal screenRatio() { return qApp ? qApp->devicePixelRatio() : 1.0; }

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

QPixmap logo() {
    QPixmap pm = transparent(kLogoWidth, kLogoHeight, screenRatio());
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

QIcon windowIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pm = transparent(size, size);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(50, 110, 210));
        p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
        drawPelican(p, QRectF(size * 0.1, size * 0.1, size * 0.8, size * 0.8));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QIcon saveIcon() {
    QPixmap pm = transparent(32, 32, screenRatio());
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
    QPixmap pm = transparent(32, 32, screenRatio());
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
    QPixmap pm = transparent(32, 32);
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

}  // namespace dialogart
