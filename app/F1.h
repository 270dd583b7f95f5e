#pragma once
// The main window: the connection fields and lamps, the local and remote frames, the upload
// button and the menus. It lives for the whole run and composes the subsystems' parts.

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "F1Layout.h"
#include "ftp/Connection.h"

class LocalBrowser;
class SessionState;
class SettingsStore;

class F1 : public QMainWindow {
    Q_OBJECT

public:
    // Opens an FTP connection; tests replace it to reach cases a real server cannot produce.
    using Connector = std::function<ftp::Result<std::unique_ptr<ftp::Connection>>(
        ftp::Session&, const std::string& host, std::uint16_t port, const std::string& user,
        const std::string& password)>;

    // Builds the window in its disconnected look; nothing is read or shown until Form_Load.
    F1(SettingsStore& store, SessionState& session, QWidget* parent = nullptr);
    ~F1() override;

    // Start-up: shows the window, then reads the settings, each step on its own.
    // (Whether another instance runs is settled by main() before the window exists.)
    void Form_Load();

    void cmdconectar_Click();
    void cmddesconecto_Click();
    void lsthost_Click(int position);
    void configuracion_Click();
    void acerca_Click();
    // Lists the server's current directory into the remote view.
    void EnumFiles();

    const F1Controls& controls() const { return c_; }
    const F1Menus& menus() const { return m_; }
    bool connected() const { return connected_; }
    LocalBrowser* local() const { return local_; }
    void setConnector(Connector connector) { connector_ = std::move(connector); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void composeParts();
    void placeCentred();
    void Form_QueryUnload();
    bool operationInFlight() const;
    void pressDefaultButton();
    bool checkFields();
    void showRemoteConnectedLook();
    void showRemoteDisconnectedLook();
    void recordHost();

    SettingsStore& store_;
    SessionState& session_;
    F1Controls c_;
    F1Menus m_;
    Connector connector_;
    LocalBrowser* local_ = nullptr;
    bool connected_ = false;
    bool loaded_ = false;
    QTimer pendingClose_;  // retries a close asked for while an FTP operation ran
};
