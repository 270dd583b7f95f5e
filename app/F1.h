#pragma once
// The main window: the connection fields and lamps, the local and remote frames, the upload
// button and the menus. It lives for the whole run and composes the subsystems' parts.

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "F1Layout.h"
#include "core/HostText.h"
#include "ftp/Connection.h"

class Dialogs;
class Fconf;
class FrmAcerca;
class LocalBrowser;
class RemoteView;
class SecurityWindow;
class UploadController;
class SessionState;
class SettingsStore;

class F1 : public QMainWindow {
    Q_OBJECT

public:
    // Opens an FTP or SFTP connection; tests replace it to reach cases a real server cannot produce.
    using Connector = std::function<ftp::Result<std::unique_ptr<ftp::Connection>>(
        ftp::Session&, const std::string& host, std::uint16_t port, const std::string& user,
        const std::string& password, const ftp::TlsOptions& tls, const ftp::SshOptions& ssh)>;

    // Builds the window in its disconnected look; nothing is read or shown until Form_Load.
    F1(SettingsStore& store, SessionState& session, Dialogs& dialogs, QWidget* parent = nullptr);
    ~F1() override;

    // Start-up: shows the window, then reads the settings, each step on its own.
    // (Whether another instance runs is settled by main() before the window exists.)
    void Form_Load();

    // What closing saves (the last local folder), also saved when the desktop session ends.
    void saveState();

    void cmdconectar_Click();
    void cmddesconecto_Click();
    void lsthost_Click(int position);
    void configuracion_Click();
    void acerca_Click();
    void seguridad_Click();
    void sincronizar_Click();
    // Lists the server's current directory into the remote view.
    void EnumFiles();

    const F1Controls& controls() const { return c_; }
    const F1Menus& menus() const { return m_; }
    bool connected() const { return connected_; }
    LocalBrowser* local() const { return local_; }
    RemoteView* remote() const { return remote_; }
    UploadController* upload() const { return upload_; }
    Fconf* configurationWindow() const { return fconf_.get(); }
    FrmAcerca* aboutWindow() const { return acerca_; }
    SecurityWindow* securityWindow() const { return security_; }
    void setConnector(Connector connector) { connector_ = std::move(connector); }
    // Where the first run puts its desktop launcher; tests point it at a folder of their own.
    void setDesktopFolder(const QString& folder) { desktopFolder_ = folder; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void composeParts();
    void placeCentred();
    void Form_QueryUnload();
    bool operationInFlight() const;
    // A close or a disconnect asked for while an FTP call runs: the call is given up, and the
    // request is carried out once it has returned.
    enum class Pending { None, Disconnect, Close };
    void whenIdle(Pending what);
    void pressDefaultButton();
    bool checkFields();
    void recordHost();
    // What the host box names and how to reach it; nullopt with `problem` set (for a box) when
    // the text cannot be read.
    struct Reach {
        hosttext::Choice target;
        ftp::TlsOptions tls;
        ftp::SshOptions ssh;
    };
    std::optional<Reach> reach(QString& problem) const;
    bool canSync() const;

    SettingsStore& store_;
    SessionState& session_;
    Dialogs& dialogs_;
    F1Controls c_;
    F1Menus m_;
    Connector connector_;
    QString desktopFolder_;
    LocalBrowser* local_ = nullptr;
    RemoteView* remote_ = nullptr;
    UploadController* upload_ = nullptr;
    std::unique_ptr<Fconf> fconf_;  // a window of its own, made on first use
    FrmAcerca* acerca_ = nullptr;   // made on first use
    SecurityWindow* security_ = nullptr;  // made on first use
    bool connected_ = false;
    // How the current connection was reached: the sync window logs in the same way, whatever
    // the configuration window has set for the next connect since.
    std::optional<Reach> reached_;
    bool loaded_ = false;
    Pending pending_ = Pending::None;
    QTimer pendingTimer_;  // carries out pending_ once no FTP operation runs
};
