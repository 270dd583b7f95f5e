#pragma once
// The upload window: borderless, an animated "Subiendo..." text, the progress bar of the
// current file and "Cancelar". It is created on the first upload and kept, so the text
// animation continues where the last upload left it.

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

class F2 : public QWidget {
    Q_OBJECT
public:
    explicit F2(QWidget* owner);

    // Opens the window from its design values (bar empty), centred, and starts the animation.
    void open();
    // Closes the window if it is still open (the end of an upload).
    void finish();
    // True once the window has been closed by any means since open().
    bool closed() const { return closed_; }

    // Zero width at the start of each file.
    void resetBar();
    // Label7 takes the percentage and the bar follows it; nothing is touched when it is unchanged.
    void setPercent(int percent);
    // The last percentage shown for the current file; -1 before its first full block.
    int percent() const { return percent_; }
    int phase() const { return phase_; }

    void Timer1_Timer();
    void Command1_Click();

    QLabel* Label1() const { return label1_; }
    QPushButton* Command1() const { return command1_; }
    QLabel* Label7() const { return label7_; }
    QFrame* PicFondo() const { return picFondo_; }
    QWidget* PicX() const { return picX_; }
    QTimer* Timer1() const { return timer1_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Form_Load();
    void Form_QueryUnload();

    QLabel* label1_;
    QPushButton* command1_;
    QLabel* label7_;
    QFrame* picFondo_;
    QWidget* picX_;
    QTimer* timer1_;
    int phase_ = 0;
    int percent_ = 0;
    bool closed_ = true;
};
