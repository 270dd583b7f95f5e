#pragma once
// The host box lsthost: an editable combo box whose text is exactly what the user typed. A stored
// host is taken only when the user picks it from the list (mouse, arrow keys, wheel); Enter and
// leaving the box never pick one, and Enter goes on to the window's default button.

#include <QComboBox>

class HostBox : public QComboBox {
    Q_OBJECT
public:
    explicit HostBox(QWidget* parent = nullptr);

signals:
    void entryChosen(int position);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    bool leaving_ = false;
};
