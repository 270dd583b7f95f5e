#pragma once
// "Certificado del servidor": asked during a connect when the server's certificate does not
// verify, before the user name or password is sent. "Cancelar" is the default and Escape.

#include <QDialog>

#include "ftp/Tls.h"

class QLabel;
class QPushButton;

class CertificateWindow : public QDialog {
    Q_OBJECT
public:
    CertificateWindow(const ftp::TrustQuestion& question, QWidget* parent = nullptr);

    // Shows the window modally and returns the user's choice.
    ftp::TrustAnswer ask();

    // The window as the program shows it: a fresh one per question.
    static ftp::TrustAnswer askFor(QWidget* parent, const ftp::TrustQuestion& question);

private:
    void build(const ftp::TrustQuestion& question);
    void answer(ftp::TrustAnswer a);

    ftp::TrustAnswer answer_ = ftp::TrustAnswer::Cancel;
    QPushButton* thisTime_ = nullptr;
    QPushButton* always_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
