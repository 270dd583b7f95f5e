#include "SyncWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/Artwork.h"
#include "core/Dialogs.h"
#include "core/Look.h"
#include "core/SyncTexts.h"
#include "core/VisibleText.h"

namespace {

enum Choice { New, Changed, OnlyOnServer, Same, Notices };

QString shown(const std::string& path) { return visibletext::decode(path); }

QStringList paths(const std::vector<treesync::LocalFile>& files) {
    QStringList out;
    for (const auto& f : files) out << shown(f.path);
    return out;
}

QStringList paths(const std::vector<std::string>& list, const QString& suffix = {}) {
    QStringList out;
    for (const auto& p : list) out << shown(p) + suffix;
    return out;
}

// What the walks found that the plan leaves alone, said in the list's last entry.
QStringList notices(const treesync::Scan& s) {
    QStringList out;
    for (const auto& l : s.local.linkedFolders) out << shown(l) + QStringLiteral(": enlace a una carpeta; no se sigue");
    for (const auto& c : s.plan.conflicts)
        out << shown(c) + QStringLiteral(": un archivo de un lado y una carpeta del otro; no se toca");
    for (const auto& p : s.local.problems) out << shown(p);
    for (const auto& p : s.remote.problems) out << QStringLiteral("En el servidor: ") + shown(p);
    if (s.plan.comparedBySize > 0)
        out << QStringLiteral("%1 archivos comparados solo por su tamaño: el servidor no da su fecha")
                   .arg(s.plan.comparedBySize);
    return out;
}

}  // namespace

SyncWindow::SyncWindow(SyncJob::Connect login, const QString& localFolder, const std::string& remoteFolder,
                       ftp::TransferType type, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), job_(std::move(login)), remoteTop_(remoteFolder), type_(type), dialogs_(dialogs) {
    setObjectName(QStringLiteral("SyncWindow"));
    setWindowTitle(QStringLiteral("Sincronizar carpeta"));
    setWindowIcon(artwork::programIcon());
    setFont(look::programFont(9));
    setModal(true);
    build(remoteFolder);
    local_->setText(localFolder);
    poll_.setInterval(100);
    connect(&poll_, &QTimer::timeout, this, &SyncWindow::poll);
    compare();
}

SyncWindow::~SyncWindow() = default;

void SyncWindow::build(const std::string& remoteFolder) {
    auto* all = new QVBoxLayout(this);
    all->addLayout(buildFolders(remoteFolder));
    all->addWidget(buildPlan());
    all->addLayout(buildOptions());
    buildProgress(all);
    all->addLayout(buildButtons());
    setMinimumWidth(560);
    connect(choice_, &QComboBox::currentIndexChanged, this, &SyncWindow::showList);
    connect(delete_, &QCheckBox::toggled, this, [this] { setStage(stage_); });
}

QGridLayout* SyncWindow::buildFolders(const std::string& remoteFolder) {
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Carpeta local:"), this), 0, 0);
    local_ = new QLineEdit(this);
    local_->setReadOnly(true);
    grid->addWidget(local_, 0, 1);
    change_ = new QPushButton(QStringLiteral("Cambiar..."), this);
    grid->addWidget(change_, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Carpeta del servidor:"), this), 1, 0);
    auto* remote = new QLabel(shown(remoteFolder), this);
    remote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(remote, 1, 1, 1, 2);
    connect(change_, &QPushButton::clicked, this, &SyncWindow::Cambiar_Click);
    return grid;
}

QGroupBox* SyncWindow::buildPlan() {
    auto* plan = new QGroupBox(QStringLiteral("Plan"), this);
    auto* planBox = new QVBoxLayout(plan);
    counts_ = new QLabel(plan);
    counts_->setWordWrap(true);
    choice_ = new QComboBox(plan);
    files_ = new QListWidget(plan);
    files_->setMinimumHeight(140);
    planBox->addWidget(counts_);
    planBox->addWidget(choice_);
    planBox->addWidget(files_);
    return plan;
}

QHBoxLayout* SyncWindow::buildOptions() {
    auto* options = new QHBoxLayout;
    delete_ = new QCheckBox(QStringLiteral("Borrar en el servidor lo que no está aquí"), this);
    connections_ = new QSpinBox(this);
    connections_->setRange(1, treesync::kMaxConnections);
    connections_->setValue(2);
    auto* connectionsLabel = new QLabel(QStringLiteral("Conexiones:"), this);
    connectionsLabel->setBuddy(connections_);
    options->addWidget(delete_);
    options->addStretch();
    options->addWidget(connectionsLabel);
    options->addWidget(connections_);
    return options;
}

void SyncWindow::buildProgress(QVBoxLayout* column) {
    progress_ = new QLabel(this);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 1000);
    bar_->setTextVisible(false);
    speed_ = new QLabel(this);
    inFlight_ = new QLabel(this);
    inFlight_->setWordWrap(true);
    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    failures_ = new QListWidget(this);
    failures_->setAccessibleName(QStringLiteral("Archivos con errores"));
    failures_->hide();
    for (QWidget* w : std::initializer_list<QWidget*>{progress_, bar_, speed_, inFlight_, summary_, failures_})
        column->addWidget(w);
}

QHBoxLayout* SyncWindow::buildButtons() {
    auto* buttons = new QHBoxLayout;
    sync_ = new QPushButton(QStringLiteral("Sincronizar"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancelar"), this);
    close_ = new QPushButton(QStringLiteral("Cerrar"), this);
    buttons->addStretch();
    for (auto* b : {sync_, cancel_, close_}) buttons->addWidget(b);
    connect(sync_, &QPushButton::clicked, this, &SyncWindow::Sincronizar_Click);
    connect(cancel_, &QPushButton::clicked, this, &SyncWindow::Cancelar_Click);
    connect(close_, &QPushButton::clicked, this, &SyncWindow::reject);
    return buttons;
}

void SyncWindow::setStage(Stage stage) {
    stage_ = stage;
    const bool planned = stage == Stage::Planned && job_.scan() && !job_.scan()->failed();
    bool anything = false;
    if (planned) {
        const treesync::Plan& p = job_.scan()->value().plan;
        anything = p.toSend() > 0 || !p.createFolders.empty() ||
                   (delete_->isChecked() && !(p.onlyOnServer.empty() && p.foldersOnlyOnServer.empty()));
    }
    sync_->setEnabled(planned && anything);
    sync_->setDefault(planned && anything);
    cancel_->setEnabled(stage == Stage::Comparing || stage == Stage::Running);
    close_->setEnabled(stage == Stage::Planned || stage == Stage::Ended);
    change_->setEnabled(stage == Stage::Planned || stage == Stage::Ended);
    delete_->setEnabled(stage == Stage::Planned);
    connections_->setEnabled(stage == Stage::Planned);
    // The figures from the run on; the speed and the files in flight only while it goes.
    const bool ran = stage == Stage::Running || stage == Stage::Ended;
    for (QWidget* w : std::initializer_list<QWidget*>{progress_, bar_, summary_}) w->setVisible(ran);
    for (QWidget* w : std::initializer_list<QWidget*>{speed_, inFlight_}) w->setVisible(stage == Stage::Running);
    if (stage == Stage::Comparing || stage == Stage::Running) poll_.start();
}

void SyncWindow::compare() {
    counts_->setText(QStringLiteral("Comparando las carpetas..."));
    choice_->clear();
    files_->clear();
    failures_->clear();
    failures_->hide();
    for (QLabel* l : {progress_, speed_, inFlight_, summary_}) l->clear();
    bar_->setValue(0);
    job_.startScan(QFile::encodeName(local_->text()).toStdString(), remoteTop_);
    setStage(Stage::Comparing);
}

void SyncWindow::Cambiar_Click() {
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Elegir la carpeta local"),
                                                             local_->text());
    if (folder.isEmpty()) return;
    local_->setText(folder);
    compare();
}

void SyncWindow::Cancelar_Click() {
    job_.cancel();
    cancel_->setEnabled(false);
    if (stage_ == Stage::Running) inFlight_->setText(QStringLiteral("Cancelando..."));
}

void SyncWindow::reject() {
    if (!job_.busy()) {
        QDialog::reject();
        return;
    }
    // The threads use this window's job: it closes once they have stopped.
    Cancelar_Click();
    closeWhenIdle_ = true;
}

void SyncWindow::poll() {
    if (job_.busy()) {
        if (stage_ == Stage::Running) showProgress();
        return;
    }
    poll_.stop();
    if (stage_ == Stage::Comparing) planReady();
    if (stage_ == Stage::Running) runEnded();
    if (closeWhenIdle_) QDialog::reject();
}

void SyncWindow::planReady() {
    const auto& scan = *job_.scan();
    if (scan.failed()) {
        counts_->setText(job_.cancelled() ? QStringLiteral("Comparación cancelada.")
                                          : QStringLiteral("No se pudieron comparar las carpetas: ") +
                                                synctexts::reason(scan.error()) + QLatin1Char('.'));
        setStage(Stage::Planned);
        return;
    }
    const treesync::Plan& p = scan.value().plan;
    counts_->setText(synctexts::counts(
        {p.createFolders.size(), p.newFiles.size(), p.changedFiles.size(), p.onlyOnServer.size(), p.same.size()}));
    const QSignalBlocker quiet(choice_);
    choice_->clear();
    choice_->addItem(QStringLiteral("Nuevos (%1)").arg(p.newFiles.size()));
    choice_->addItem(QStringLiteral("Modificados (%1)").arg(p.changedFiles.size()));
    choice_->addItem(QStringLiteral("Solo en el servidor (%1)").arg(p.onlyOnServer.size()));
    choice_->addItem(QStringLiteral("Iguales (%1)").arg(p.same.size()));
    const qsizetype noticeCount = notices(scan.value()).size();
    if (noticeCount > 0) choice_->addItem(QStringLiteral("Avisos (%1)").arg(noticeCount));
    choice_->setCurrentIndex(0);
    showList();
    setStage(Stage::Planned);
}

void SyncWindow::showList() {
    files_->clear();
    if (!job_.scan() || job_.scan()->failed()) return;
    const treesync::Scan& s = job_.scan()->value();
    switch (choice_->currentIndex()) {
    case New: files_->addItems(paths(s.plan.newFiles)); break;
    case Changed: files_->addItems(paths(s.plan.changedFiles)); break;
    case OnlyOnServer: files_->addItems(paths(s.plan.onlyOnServer)); break;
    case Same: files_->addItems(paths(s.plan.same)); break;
    case Notices: files_->addItems(notices(s)); break;
    default: break;
    }
}

bool SyncWindow::confirmDeletions() {
    const treesync::Plan& p = job_.scan()->value().plan;
    const QStringList gone = paths(p.onlyOnServer) + paths(p.foldersOnlyOnServer, QStringLiteral("/"));
    if (gone.isEmpty()) return true;
    constexpr qsizetype kShown = 30;  // a box taller than the screen would hide its buttons
    QString text = QStringLiteral("Se borrarán en el servidor %1 elementos que no están en la carpeta local:\n\n")
                       .arg(gone.size()) +
                   gone.mid(0, kShown).join(QLatin1Char('\n'));
    if (gone.size() > kShown) text += QStringLiteral("\n... y %1 más").arg(gone.size() - kShown);
    text += QStringLiteral("\n\n¿Desea borrarlos?");
    return dialogs_.MsgBox(text, Dialogs::Question, windowTitle()) == Dialogs::Yes;
}

void SyncWindow::Sincronizar_Click() {
    if (stage_ != Stage::Planned || !sync_->isEnabled()) return;
    if (delete_->isChecked() && !confirmDeletions()) return;
    treesync::CarryOptions options;
    options.type = type_;
    options.connections = connections_->value();
    options.deleteExtra = delete_->isChecked();
    awake_.emplace(QStringLiteral("Sincronizando una carpeta con el servidor"));
    ran_ = true;
    job_.startRun(options);
    setStage(Stage::Running);
    showProgress();
}

void SyncWindow::showProgress() {
    const treesync::RunFigures f = job_.meter()->figures();
    progress_->setText(synctexts::progress(f.filesDone, f.files, f.bytesDone, f.bytes));
    bar_->setValue(f.bytes == 0 ? (f.files == 0 ? 0 : int(1000 * f.filesDone / f.files))
                                : int(1000.0 * double(std::min(f.bytesDone, f.bytes)) / double(f.bytes)));
    speed_->setText(synctexts::speedAndTimeLeft(f.estimate.rate, f.estimate.secondsLeft));
    if (job_.cancelled()) return;  // "Cancelando..." stays
    QStringList names;
    for (const auto& label : f.inFlight) names << shown(label);
    inFlight_->setText(names.isEmpty() ? QString() : QStringLiteral("Enviando: ") + names.join(QStringLiteral(", ")));
}

void SyncWindow::runEnded() {
    awake_.reset();
    showProgress();
    inFlight_->clear();
    for (const auto& n : job_.meter()->notes()) qInfo("pelicano: sync: %s", qUtf8Printable(shown(n)));
    const auto failed = job_.meter()->failures();
    for (const auto& f : failed)  // "." is the server's folder itself (it could not be reached)
        failures_->addItem((f.path == "." ? shown(remoteTop_) : shown(f.path)) + QStringLiteral(": ") +
                           synctexts::reason(f.error));
    failures_->setVisible(!failed.empty());
    // The failures counted are those listed: a cancelled file is none.
    const treesync::Tally& t = job_.tally();
    summary_->setText(synctexts::summary(
        {t.sent, t.deleted, job_.scan()->value().plan.same.size(), failed.size(), job_.cancelled()}));
    setStage(Stage::Ended);
    close_->setDefault(true);
}
