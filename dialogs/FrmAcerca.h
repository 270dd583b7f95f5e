#pragma once
// The About window: the logo, a one-line notice and the maker's web address. Modal.

#include <QDialog>

class Dialogs;
class QLabel;
class QPushButton;

class FrmAcerca : public QDialog {
    Q_OBJECT
public:
    explicit FrmAcerca(Dialogs& dialogs, QWidget* parent = nullptr);

    // Every opening starts from the design values (the link not underlined), centred on screen.
    int exec() override;

    // The notice under the logo.
    static QString notice() { return QStringLiteral("FTP fácil y gratuito"); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void buildControls();
    void loadDesignValues();
    void cmdaceptar_Click();
    void Label1_Click();
    void Label1_MouseMove();
    void Form_MouseMove();

    Dialogs& dialogs_;
    QLabel* Picture1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* cmdaceptar = nullptr;
};
