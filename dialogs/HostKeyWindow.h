#pragma once
// "Clave del servidor": asked during an SFTP connect when the server's host key is unknown or
// changed, before any password or key is sent. "Cancelar" is the default and Escape.

#include "TrustWindow.h"
#include "ftp/Ssh.h"

class HostKeyWindow : public TrustWindow {
    Q_OBJECT
public:
    HostKeyWindow(const ftp::HostKeyQuestion& question, QWidget* parent = nullptr);
};

// The window as the program shows it: a fresh one per question.
ftp::TrustAnswer askAboutHostKey(QWidget* parent, const ftp::HostKeyQuestion& question);
