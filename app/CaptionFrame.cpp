#include "CaptionFrame.h"

#include <QStyleOptionGroupBox>
#include <QStylePainter>

CaptionFrame::CaptionFrame(const QString& title, const QFont& captionFont, QColor captionColor, QWidget* parent)
    : QGroupBox(title, parent), font_(captionFont), color_(captionColor) {}

void CaptionFrame::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionGroupBox opt;
    initStyleOption(&opt);
    // Only the painting of the caption sees these; the frame's children never do.
    opt.fontMetrics = QFontMetrics(font_);
    opt.palette.setColor(QPalette::WindowText, color_);
    opt.textColor = color_;
    p.setFont(font_);
    p.drawComplexControl(QStyle::CC_GroupBox, opt);
}
