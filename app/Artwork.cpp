#include "Artwork.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "core/Look.h"

namespace artwork {

namespace {

// A transparent canvas in device pixels, so the pictures stay sharp on high-DPI screens.
QPixmap canvas(QSize size) {
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
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
    p.drawEllipse(QRectF(r.left() + r.width() * 0.25, r.top() + r.height() * 0.15, r.width() * 0.25,
                         r.height() * 0.18));
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
    p.drawRoundedRect(QRectF(r.left() + r.width() * 0.2, body.bottom() + r.height() * 0.1, r.width() * 0.6,
                             r.height() * 0.08),
                      2, 2);
    // Keyboard.
    p.drawRoundedRect(QRectF(r.left() + r.width() * 0.05, r.bottom() - r.height() * 0.1, r.width() * 0.9,
                             r.height() * 0.1),
                      2, 2);
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

}  // namespace

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

QPixmap appIcon(QSize size) {
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size.width();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 110, 200));
    p.drawEllipse(QRectF(0, 0, s, s));
    QPainterPath arrow;
    arrow.moveTo(s * 0.5, s * 0.15);
    arrow.lineTo(s * 0.8, s * 0.5);
    arrow.lineTo(s * 0.6, s * 0.5);
    arrow.lineTo(s * 0.6, s * 0.82);
    arrow.lineTo(s * 0.4, s * 0.82);
    arrow.lineTo(s * 0.4, s * 0.5);
    arrow.lineTo(s * 0.2, s * 0.5);
    arrow.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    return pm;
}

}  // namespace artwork
