#include "F2.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "UploadMath.h"
#include "core/EventYield.h"
#include "core/Look.h"

namespace {
void paintBackground(QWidget* w, QColor colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}
}  // namespace

F2::F2(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("F2"));
    setFixedSize(look::px(3375), look::px(1965));
    paintBackground(this, look::bgr(0x0000C0C0));

    command1_ = new QPushButton(QStringLiteral("Cancelar"), this);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setGeometry(look::twipsRect(600, 840, 2175, 615));
    command1_->setFont(look::programFont(12));
    command1_->setDefault(true);
    command1_->setAutoDefault(true);

    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setGeometry(look::twipsRect(480, 120, 2655, 615));
    label1_->setFont(look::programFont(24, true));
    QPalette text = label1_->palette();
    text.setColor(QPalette::WindowText, look::bgr(0x00C00000));
    label1_->setPalette(text);

    label7_ = new QLabel(QStringLiteral("0"), this);
    label7_->setObjectName(QStringLiteral("Label7"));
    label7_->setGeometry(look::twipsRect(120, 960, 375, 255));
    label7_->hide();

    picFondo_ = new QFrame(this);
    picFondo_->setObjectName(QStringLiteral("PicFondo"));
    picFondo_->setGeometry(look::twipsRect(120, 1560, 3135, 255));
    picFondo_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picFondo_->setLineWidth(2);
    picFondo_->setAccessibleName(QStringLiteral("Progreso"));

    picX_ = new QWidget(picFondo_);
    picX_->setObjectName(QStringLiteral("PicX"));
    paintBackground(picX_, look::bgr(0x00FF0000));
    picX_->setAccessibleName(QStringLiteral("Progreso"));

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(700);
    connect(timer1_, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    connect(command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

void F2::open() {
    if (!closed_) return;
    closed_ = false;
    Form_Load();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = rect();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    show();
    activateWindow();
    command1_->setFocus();
    timer1_->start();
}

void F2::finish() {
    if (!closed_) close();
}

void F2::Form_Load() {
    label1_->setText(QStringLiteral("Subiendo..."));
    label7_->setText(QStringLiteral("0"));
    percent_ = 0;
    resetBar();
}

void F2::resetBar() {
    percent_ = -1;  // so the first block of the next file always updates Label7 and the bar
    const QRect inside = picFondo_->contentsRect();
    picX_->setGeometry(inside.left(), inside.top(), 0, inside.height());
}

void F2::setPercent(int percent) {
    if (percent == percent_) return;
    percent_ = percent;
    label7_->setText(QString::number(percent));
    picX_->resize(uploadmath::barWidth(label7_->text().toInt(), picFondo_->contentsRect().width()),
                  picX_->height());
}

void F2::Timer1_Timer() {
    static const char* const kTexts[] = {"Subiendo", "Subiendo.", "Subiendo..", "Subiendo..."};
    label1_->setText(QString::fromLatin1(kTexts[phase_]));
    phase_ = (phase_ + 1) % 4;
    EventYield::maybe();
}

void F2::Command1_Click() { close(); }

void F2::Form_QueryUnload() {
    // The engine sees the flag at its next yield and closes its files then.
    timer1_->stop();
    closed_ = true;
}

void F2::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
}

void F2::keyPressEvent(QKeyEvent* event) {
    // "Cancelar" is both the default and the cancel button.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        command1_->click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void F2::paintEvent(QPaintEvent*) {
    // The frame lines, drawn centred on their coordinates as thick lines are.
    QPainter p(this);
    const auto line = [&p](int width, QPoint a, QPoint b) {
        p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::SquareCap));
        p.drawLine(a, b);
    };
    const int right = look::px(3360), bottom = look::px(1920);
    line(5, {0, 0}, {right, 0});
    line(5, {0, bottom}, {right, bottom});
    line(6, {0, 0}, {0, bottom});
    line(5, {right, 0}, {right, bottom});
}
