#include "F1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <utility>

#include "core/Artwork.h"
#include "DesktopLauncher.h"
#include "core/HostSlots.h"
#include "core/Look.h"
#include "core/NumberText.h"
#include "core/SessionState.h"
#include "core/SettingsStore.h"
#include "dialogs/Fconf.h"
#include "dialogs/FrmAcerca.h"
#include "dialogs/MainWindowLinks.h"
#include "dialogs/SecurityWindow.h"
#include "ftp/SshFiles.h"
#include "ftp/TrustStore.h"
#include "local/LocalBrowser.h"
#include "remote/RemoteView.h"
#include "upload/F2.h"  // UploadController.h needs the whole class
#include "upload/UploadController.h"
#include "core/SettingsNames.h"

using namespace settingsnames;

F1::F1(SettingsStore& store, SessionState& session, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      store_(store),
      session_(session),
      dialogs_(dialogs),
      connector_(&ftp::Connection::open),
      desktopFolder_(launcher::defaultDesktopFolder()) {
    setObjectName(QStringLiteral("F1"));
    setWindowTitle(QStringLiteral("Pelicano (Desconectado)"));
    setWindowIcon(artwork::programIcon());
    // A fixed single border: title bar and close box, no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(look::programFont(8.25));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);
    c_ = buildF1Controls(client);
    m_ = buildF1Menus(menuBar());
    composeParts();
    layout()->setSizeConstraint(QLayout::SetFixedSize);  // the user cannot resize the window

    connect(c_.cmdconectar, &QPushButton::clicked, this, &F1::cmdconectar_Click);
    connect(c_.cmddesconecto, &QPushButton::clicked, this, &F1::cmddesconecto_Click);
    connect(c_.lsthost, &HostBox::entryChosen, this, &F1::lsthost_Click);
    connect(m_.configuracion, &QAction::triggered, this, &F1::configuracion_Click);
    connect(m_.acerca, &QAction::triggered, this, &F1::acerca_Click);
    connect(m_.seguridad, &QAction::triggered, this, &F1::seguridad_Click);
    connect(m_.sincronizar, &QAction::triggered, this, &F1::sincronizar_Click);
    connect(m_.menu1, &QMenu::aboutToShow, this, [this] { m_.sincronizar->setEnabled(canSync()); });

    session_.allowWhileWaiting(c_.cmddesconecto);
    pendingTimer_.setInterval(25);
    connect(&pendingTimer_, &QTimer::timeout, this, [this] {
        if (operationInFlight()) return;
        pendingTimer_.stop();
        const Pending what = std::exchange(pending_, Pending::None);
        if (what == Pending::Close) close();
        if (what == Pending::Disconnect) cmddesconecto_Click();
    });
}

F1::~F1() = default;

void F1::composeParts() {
    QWidget* client = centralWidget();
    local_ = new LocalBrowser(c_.Frame1, dialogs_, this);
    remote_ = new RemoteView(client, c_.Frame2, session_, dialogs_, this);
    menuBar()->addMenu(remote_->Menufolder());
    upload_ = new UploadController(this, *local_, session_, dialogs_, [this] { EnumFiles(); }, this);
    connect(c_.CmdSubir, &QPushButton::clicked, upload_, &UploadController::CmdSubir_Click);
    // Owned by the window; it only reacts to the labels' and the picture's events.
    new MainWindowLinks(client, {c_.Label1[0], c_.Label1[1], c_.Label1[2], c_.Label1[3]}, c_.Image1, dialogs_, this);
}

void F1::placeCentred() {
    adjustSize();
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

void F1::keyPressEvent(QKeyEvent* event) {
    // Enter that no control used reaches the window and presses the default button, as in a
    // dialog. Arriving here rather than through a shortcut, it works whether or not a window
    // manager has made the window active.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        pressDefaultButton();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void F1::pressDefaultButton() {
    // A focused button takes Enter for itself; otherwise the connect button does, while enabled.
    if (auto* focused = qobject_cast<QAbstractButton*>(focusWidget()); focused && focused != c_.cmdconectar) {
        if (focused->isEnabled()) focused->click();
        return;
    }
    if (c_.cmdconectar->isEnabled()) c_.cmdconectar->click();
}

void F1::Form_Load() {
    if (loaded_) return;
    loaded_ = true;
    placeCentred();
    show();  // visible during the remaining steps

    if (auto port = numbertext::portFromSetting(
            store_.Leer(kApplication, kConfigurationSection, kPortKey, QStringLiteral("21"))))
        session_.Puerto = *port;

    // A stored folder that has gone leaves the folder list where it opened.
    local_->setFolder(store_.Leer(kApplication, kLastFolderSection, kPathKey, LocalBrowser::programFolder()));
    local_->setDriveFromFolder();

    launcher::CrearLinkOnFirstRun(store_, desktopFolder_, QCoreApplication::applicationFilePath());

    if (auto type = numbertext::transferTypeFromSetting(
            store_.Leer(kApplication, kConfSection, kTransferKey, QStringLiteral("2"))))
        session_.TipoTransferencia = *type;

    c_.lsthost->setEditText(QString());
    const QStringList hosts = hostslots::load(store_);
    for (const QString& h : hosts) {
        c_.lsthost->addItem(h);
        c_.lsthost->setEditText(h);
    }
    c_.lsthost->setFocus();
    if (!hosts.isEmpty()) {
        c_.lsthost->setCurrentIndex(0);
        c_.lsthost->setEditText(hosts.first());
        lsthost_Click(0);
    }
}

bool F1::operationInFlight() const { return session_.busy() || upload_->running(); }

void F1::whenIdle(Pending what) {
    if (what > pending_) pending_ = what;  // a close outranks a disconnect
    if (!upload_->running()) session_.giveUp();
    pendingTimer_.start();
}

void F1::closeEvent(QCloseEvent* event) {
    if (operationInFlight()) {
        // Handles in use by a running handler must outlive it: close once it has returned.
        if (upload_->running()) upload_->requestCancel();
        whenIdle(Pending::Close);
        event->ignore();
        return;
    }
    Form_QueryUnload();
    event->accept();
}

// On the way out: a settings file that cannot be written is logged by the store, and no window
// is left to tell it in.
void F1::saveState() { (void)store_.Guardar(kApplication, kLastFolderSection, kPathKey, local_->folder()); }

void F1::Form_QueryUnload() {
    saveState();
    session_.closeConnection();
    session_.closeSession();
    // The program ends with its main window, configuration window or not.
    if (fconf_) fconf_->close();
}

void F1::configuracion_Click() {
    if (!fconf_) fconf_ = std::make_unique<Fconf>(session_, store_, dialogs_);
    fconf_->open();
}

void F1::acerca_Click() {
    if (!acerca_) acerca_ = new FrmAcerca(dialogs_, this);
    acerca_->exec();
}

void F1::seguridad_Click() {
    if (!security_)
        security_ = new SecurityWindow(store_, dialogs_, ftp::TrustStore::defaultPath(), ftp::hostKeyStorePath(), this);
    const ftp::Connection* current = connected_ ? session_.hConexion.get() : nullptr;
    security_->open(current != nullptr, current ? current->tlsStatus() : std::nullopt,
                    current ? current->sshStatus() : std::nullopt);
}

void F1::EnumFiles() { remote_->EnumFiles(); }
