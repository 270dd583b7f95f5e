#pragma once
// A group frame whose caption has its own font and colour while the controls inside keep the
// window's font and colours (a style sheet or a frame font would reach them too).

#include <QColor>
#include <QFont>
#include <QGroupBox>

class CaptionFrame : public QGroupBox {
    Q_OBJECT
public:
    CaptionFrame(const QString& title, const QFont& captionFont, QColor captionColor, QWidget* parent);

    const QFont& captionFont() const { return font_; }
    QColor captionColor() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont font_;
    QColor color_;
};
