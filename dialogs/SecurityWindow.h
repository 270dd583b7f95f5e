#pragma once
// "Seguridad de la conexión": the encryption mode for the next connections (saved at once), what
// protects the current connection, and the certificates the user chose to trust, with "Olvidar".

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
    SecurityWindow(SettingsStore& store, Dialogs& dialogs, std::string trustStorePath, QWidget* parent = nullptr);

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
    void listRemembered();
    void forgetSelected();

    SettingsStore& store_;
    Dialogs& dialogs_;
    std::string trustStorePath_;
    QButtonGroup* modes_ = nullptr;
    QGroupBox* connection_ = nullptr;
    QListWidget* remembered_ = nullptr;
    QPushButton* forget_ = nullptr;
    QPushButton* close_ = nullptr;
};
