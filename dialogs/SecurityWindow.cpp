#include "SecurityWindow.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "core/Artwork.h"
#include "CertificateText.h"
#include "CertificateView.h"
#include "core/Dialogs.h"
#include "core/Look.h"
#include "core/SettingsStore.h"
#include "core/TlsSetting.h"
#include "core/VisibleText.h"
#include "ftp/TrustStore.h"
#include "ftp/sftp/HostKeys.h"

namespace {
constexpr int kHostRole = Qt::UserRole;
constexpr int kPortRole = Qt::UserRole + 1;
constexpr int kTypeRole = Qt::UserRole + 2;
constexpr int kListHeight = 76;  // four rows: both lists fit a small screen with the rest

QGroupBox* group(const QString& title, const char* name, QWidget* parent) {
    auto* g = new QGroupBox(title, parent);
    g->setObjectName(QLatin1String(name));
    g->setFont(look::programFont(9.75));
    return g;
}

// "host:port", an IPv6 address in brackets, as the user would type it.
QString where(const std::string& host, std::uint16_t port) {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? QStringLiteral("[%1]:%2") : QStringLiteral("%1:%2")).arg(visibletext::decode(host)).arg(port);
}
}  // namespace

SecurityWindow::SecurityWindow(SettingsStore& store, Dialogs& dialogs, std::string trustStorePath,
                               std::string hostKeyStorePath, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      store_(store),
      dialogs_(dialogs),
      trustStorePath_(std::move(trustStorePath)),
      hostKeyStorePath_(std::move(hostKeyStorePath)) {
    setObjectName(QStringLiteral("SecurityWindow"));
    setWindowTitle(QStringLiteral("Seguridad de la conexión"));
    setWindowIcon(artwork::programIcon());
    setModal(true);
    build();
}

void SecurityWindow::build() {
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);

    QGroupBox* modeBox = group(QStringLiteral("Cifrado"), "modes", this);
    auto* modeColumn = new QVBoxLayout(modeBox);
    modes_ = new QButtonGroup(this);
    const struct {
        ftp::TlsMode mode;
        const char* name;
        const char* text;
    } choices[] = {
        {ftp::TlsMode::Auto, "auto", "Usar cifrado si el servidor lo ofrece"},
        {ftp::TlsMode::Require, "require", "Exigir cifrado"},
        {ftp::TlsMode::Off, "off", "Sin cifrado"},
    };
    for (const auto& c : choices) {
        auto* option = new QRadioButton(QString::fromUtf8(c.text), modeBox);
        option->setObjectName(QLatin1String(c.name));
        option->setFont(look::namedFont(QStringLiteral("MS Sans Serif"), 9.75));
        modes_->addButton(option, int(c.mode));
        modeColumn->addWidget(option);
    }
    auto* note = new QLabel(
        QStringLiteral("Se aplica a partir de la próxima conexión por FTP. SFTP siempre va cifrado."), modeBox);
    note->setFont(look::programFont(8.25));
    modeColumn->addWidget(note);
    connect(modes_, &QButtonGroup::idClicked, this, [this](int id) {
        if (!tlssetting::save(store_, ftp::TlsMode(id)))
            dialogs_.showError(store_.unsavedText(), QStringLiteral("Error"));
    });
    column->addWidget(modeBox);

    connection_ = group(QStringLiteral("Conexión actual"), "connection", this);
    new QGridLayout(connection_);
    column->addWidget(connection_);

    remembered_ = addRemembered(QStringLiteral("Certificados recordados"), "certificates",
                                QStringLiteral("Olvidar certificado"), forget_, &SecurityWindow::forgetCertificate);
    hostKeys_ = addRemembered(QStringLiteral("Claves de servidor recordadas"), "hostKeys",
                              QStringLiteral("Olvidar clave"), forgetKey_, &SecurityWindow::forgetHostKey);

    close_ = new QPushButton(QStringLiteral("Cerrar"), this);
    close_->setObjectName(QStringLiteral("close"));
    close_->setFont(look::programFont(9.75));
    close_->setDefault(true);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    column->addWidget(close_, 0, Qt::AlignRight);
}

// A group with a list of what is remembered and the button that forgets the selected row.
QListWidget* SecurityWindow::addRemembered(const QString& title, const char* name, const QString& forget,
                                           QPushButton*& button, void (SecurityWindow::*onForget)()) {
    QGroupBox* box = group(title, name, this);
    auto* boxColumn = new QVBoxLayout(box);
    auto* list = new QListWidget(box);
    list->setObjectName(QLatin1String(name) + QStringLiteral("List"));
    list->setAccessibleName(title);
    list->setFont(look::programFont(9.75));
    list->setFixedHeight(kListHeight);
    boxColumn->addWidget(list);
    button = new QPushButton(forget, box);
    button->setObjectName(QLatin1String(name) + QStringLiteral("Forget"));
    button->setFont(look::programFont(9.75));
    button->setAutoDefault(false);
    boxColumn->addWidget(button, 0, Qt::AlignRight);
    QPushButton* b = button;
    connect(list, &QListWidget::currentRowChanged, b, [b](int row) { b->setEnabled(row >= 0); });
    connect(button, &QPushButton::clicked, this, onForget);
    static_cast<QVBoxLayout*>(layout())->addWidget(box);
    return list;
}

void SecurityWindow::open(bool connected, const std::optional<ftp::TlsStatus>& status,
                          const std::optional<ftp::SshStatus>& ssh) {
    load(connected, status, ssh);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    close_->setFocus();
    exec();
}

void SecurityWindow::load(bool connected, const std::optional<ftp::TlsStatus>& status,
                          const std::optional<ftp::SshStatus>& ssh) {
    // A mode the window does not offer (implicit, set by hand) leaves every option clear.
    modes_->setExclusive(false);
    for (QAbstractButton* b : modes_->buttons()) b->setChecked(false);
    modes_->setExclusive(true);
    if (QAbstractButton* chosen = modes_->button(int(tlssetting::load(store_)))) chosen->setChecked(true);
    showConnection(connected, status, ssh);
    listCertificates();
    listHostKeys();
}

void SecurityWindow::showConnection(bool connected, const std::optional<ftp::TlsStatus>& status,
                                    const std::optional<ftp::SshStatus>& ssh) {
    auto* grid = static_cast<QGridLayout*>(connection_->layout());
    while (QLayoutItem* item = grid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (connected && ssh) {
        // The server announces itself as "SSH-2.0-software comments": the protocol, then the rest.
        const std::string& greeting = ssh->protocol;
        const std::size_t dash = greeting.rfind("SSH-", 0) == 0 ? greeting.find('-', 4) : std::string::npos;
        certview::addRow(grid, QStringLiteral("Protocolo:"), visibletext::decode(greeting.substr(0, dash)));
        if (dash != std::string::npos)
            certview::addRow(grid, QStringLiteral("Servidor:"), visibletext::decode(greeting.substr(dash + 1)));
        certview::addRow(grid, QStringLiteral("Cifrado:"), visibletext::decode(ssh->cipher));
        certview::addRow(grid, QStringLiteral("Tipo de clave:"), visibletext::decode(ssh->key.type));
        certview::addDigestRow(grid, QStringLiteral("Huella SHA-256:"), visibletext::decode(ssh->key.fingerprint));
        return;
    }
    if (!connected || !status) {
        auto* text = new QLabel(connected ? QStringLiteral("La conexión actual no está cifrada: el usuario, la "
                                                           "contraseña y los archivos viajan sin proteger.")
                                          : QStringLiteral("No hay ninguna conexión abierta."));
        text->setObjectName(QStringLiteral("state"));
        text->setWordWrap(true);
        text->setFont(look::programFont(9.75));
        grid->addWidget(text, 0, 0, 1, 2);
        return;
    }
    certview::addRow(grid, QStringLiteral("Protocolo:"), visibletext::decode(status->protocol));
    certview::addRow(grid, QStringLiteral("Cifrado:"), visibletext::decode(status->cipher));
    certview::addCertificateRows(grid, status->certificate);
}

void SecurityWindow::listCertificates() {
    remembered_->clear();
    ftp::TrustStore trust(trustStorePath_);
    (void)trust.load();  // an unreadable file lists nothing
    for (const ftp::RememberedCertificate& c : trust.list()) {
        const QString digits = QString::fromStdString(c.sha256).toUpper();
        auto* item = new QListWidgetItem(QStringLiteral("%1   SHA-256 %2…").arg(where(c.host, c.port), digits.left(16)),
                                         remembered_);
        item->setToolTip(certtext::fingerprint(c.sha256));
        item->setData(kHostRole, QString::fromStdString(c.host));  // the key "Olvidar" hands back
        item->setData(kPortRole, c.port);
    }
    forget_->setEnabled(false);
}

void SecurityWindow::listHostKeys() {
    hostKeys_->clear();
    const auto keys = ftp::rememberedHostKeys(hostKeyStorePath_);
    for (const ftp::RememberedHostKey& k : keys ? keys.value() : std::vector<ftp::RememberedHostKey>{}) {
        const QString fingerprint = QString::fromStdString(k.fingerprint);
        auto* item = new QListWidgetItem(
            QStringLiteral("%1   %2   %3…")
                .arg(where(k.host, k.port), visibletext::decode(k.type), fingerprint.left(23)),
            hostKeys_);
        item->setToolTip(fingerprint);
        item->setData(kHostRole, QString::fromStdString(k.host));
        item->setData(kPortRole, k.port);
        item->setData(kTypeRole, QString::fromStdString(k.type));
    }
    forgetKey_->setEnabled(false);
}

void SecurityWindow::forgetCertificate() {
    const QListWidgetItem* item = remembered_->currentItem();
    if (!item) return;
    ftp::TrustStore trust(trustStorePath_);
    // Read again: the command-line tool may have added to the file since the window opened. A
    // file that cannot be read is not written over with what is left.
    const bool loaded = !trust.load().failed();
    if (loaded)
        trust.forget(item->data(kHostRole).toString().toStdString(), std::uint16_t(item->data(kPortRole).toUInt()));
    if (!loaded || !trust.save())
        dialogs_.showError(QStringLiteral("No se ha podido guardar la lista de certificados recordados."),
                           QStringLiteral("Error"));
    listCertificates();
}

void SecurityWindow::forgetHostKey() {
    const QListWidgetItem* item = hostKeys_->currentItem();
    if (!item) return;
    // The store is read again and rewritten without that line: what the tool added stays.
    if (!ftp::forgetHostKey(hostKeyStorePath_, item->data(kHostRole).toString().toStdString(),
                            std::uint16_t(item->data(kPortRole).toUInt()),
                            item->data(kTypeRole).toString().toStdString()))
        dialogs_.showError(QStringLiteral("No se ha podido guardar la lista de claves de servidor recordadas."),
                           QStringLiteral("Error"));
    listHostKeys();
}
