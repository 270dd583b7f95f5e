#pragma once
// "Seguridad de la conexión": the encryption mode for the next connections (saved at once), what
// protects the current connection, and the certificates and SSH host keys the user chose to trust
// (each in the file the connections read), with "Olvidar".

#include <QDialog>
#include <optional>
#include <string>

#include "ftp/Ssh.h"

class QButtonGroup;
class QGroupBox;
class QListWidget;
class QPushButton;
class Dialogs;
class SettingsStore;

class SecurityWindow : public QDialog {
    Q_OBJECT
public:
    SecurityWindow(SettingsStore& store, Dialogs& dialogs, std::string trustStorePath, std::string hostKeyStorePath,
                   QWidget* parent = nullptr);

    // Fills the window afresh and shows it modally. status: the current connection's TLS state
    // (nullopt in clear); ssh: its SSH state over SFTP; connected: whether there is a connection.
    void open(bool connected, const std::optional<ftp::TlsStatus>& status,
              const std::optional<ftp::SshStatus>& ssh = std::nullopt);
    // The same without showing it (tests look at it as it would open).
    void load(bool connected, const std::optional<ftp::TlsStatus>& status,
              const std::optional<ftp::SshStatus>& ssh = std::nullopt);

private:
    void build();
    void showConnection(bool connected, const std::optional<ftp::TlsStatus>& status,
                        const std::optional<ftp::SshStatus>& ssh);
    QListWidget* addRemembered(const QString& title, const char* name, const QString& forget, QPushButton*& button,
                               void (SecurityWindow::*onForget)());
    void listCertificates();
    void listHostKeys();
    void forgetCertificate();
    void forgetHostKey();

    SettingsStore& store_;
    Dialogs& dialogs_;
    std::string trustStorePath_;
    std::string hostKeyStorePath_;
    QButtonGroup* modes_ = nullptr;
    QGroupBox* connection_ = nullptr;
    QListWidget* remembered_ = nullptr;
    QPushButton* forget_ = nullptr;
    QListWidget* hostKeys_ = nullptr;
    QPushButton* forgetKey_ = nullptr;
    QPushButton* close_ = nullptr;
};
