#pragma once
// The frame of the windows that ask, during a connect and before any password is sent, whether to
// trust what a server showed: a loud warning when it changed since the user trusted it, what the
// server showed, and "Conectar esta vez", "Confiar siempre" and "Cancelar" (the default, and
// what Escape and the close box answer).

#include <QDialog>

#include "ftp/Tls.h"

class QGridLayout;
class QPushButton;

class TrustWindow : public QDialog {
    Q_OBJECT
public:
    // Shows the window modally and returns the user's choice.
    ftp::TrustAnswer ask();

protected:
    TrustWindow(const QString& objectName, const QString& title, QWidget* parent);
    // warning: empty when nothing changed. rows: the caption/value rows (certview), taken over.
    void build(const QString& warning, const QString& intro, QGridLayout* rows);

private:
    void answer(ftp::TrustAnswer a);

    ftp::TrustAnswer answer_ = ftp::TrustAnswer::Cancel;
    QPushButton* cancel_ = nullptr;
};
