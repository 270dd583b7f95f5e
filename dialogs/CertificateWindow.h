#pragma once
// "Certificado del servidor": asked during a connect when the server's certificate does not
// verify, before the user name or password is sent. "Cancelar" is the default and Escape.

#include "TrustWindow.h"

class CertificateWindow : public TrustWindow {
    Q_OBJECT
public:
    CertificateWindow(const ftp::TrustQuestion& question, QWidget* parent = nullptr);

    // The window as the program shows it: a fresh one per question.
    static ftp::TrustAnswer askFor(QWidget* parent, const ftp::TrustQuestion& question);
};
