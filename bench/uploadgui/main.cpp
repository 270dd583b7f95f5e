// Uploads one file through the program's main window, offscreen: F1 connected with its own
// button, the file selected in the local file list, the upload button pressed, the percentage
// and bar updated as in the program. Prints wall and CPU time (connect, upload, refresh,
// disconnect: what curl does too), peak memory and the longest gap between two passes of the
// event loop during the upload.
//
//   bench_uploadgui HOST PORT USER PASSWORD FILE [TLS-MODE [SHA256]]
// With a TLS mode ("off", "require", ...) the window connects in that mode, as chosen in its
// security window, and accepts exactly the certificate with that fingerprint when asked.

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>

#include "app/F1.h"
#include "core/Dialogs.h"
#include "core/EventYield.h"
#include "core/SessionState.h"
#include "core/SettingsStore.h"
#include "core/TlsSetting.h"
#include "local/LocalBrowser.h"
#include "upload/UploadController.h"

namespace {
double seconds(timeval t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

double userSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return seconds(ru.ru_utime);
}

double cpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return seconds(ru.ru_utime) + seconds(ru.ru_stime);
}

long peakKiB() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

// A box would wait for a click nobody gives: print it and go on.
class PrintedDialogs : public Dialogs {
public:
    int MsgBox(const QString& text, int, const QString&) override {
        std::fprintf(stderr, "box: %s\n", text.toUtf8().constData());
        failed = true;
        return Ok;
    }
    QString InputBox(const QString&, const QString&, const QString&) override { return {}; }
    void openUrl(QWidget*, const QString&) override {}
    ftp::TrustAnswer AskTrust(const ftp::TrustQuestion& q) override {
        if (!trusted.empty() && q.certificate.sha256 == trusted) return ftp::TrustAnswer::ThisTime;
        std::fprintf(stderr, "certificate not trusted: %s\n", q.certificate.reason.c_str());
        failed = true;
        return ftp::TrustAnswer::Cancel;
    }
    bool failed = false;
    std::string trusted;
};
}  // namespace

int main(int argc, char** argv) {
    const auto mode = argc >= 7 ? ftp::parseTlsMode(argv[6]) : std::optional(ftp::TlsMode::Auto);
    const auto trusted = argc == 8 ? ftp::parseFingerprint(argv[7]) : std::optional(std::string());
    if (argc < 6 || argc > 8 || !mode || !trusted) {
        std::fprintf(stderr, "usage: bench_uploadgui HOST PORT USER PASSWORD FILE [TLS-MODE [SHA256]]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;  // the bench's settings never touch the user's own
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    PrintedDialogs dialogs;
    dialogs.trusted = *trusted;
    const QFileInfo file(QString::fromLocal8Bit(argv[5]));

    SettingsStore store(home.filePath(QStringLiteral("pelicano.ini")));
    if (argc >= 7 && !tlssetting::save(store, *mode)) {
        std::fprintf(stderr, "cannot write the settings in %s\n", qPrintable(store.filePath()));
        return 1;
    }
    SessionState session;
    session.Puerto = std::uint16_t(std::atoi(argv[2]));
    session.TipoTransferencia = 2;
    F1 w(store, session, dialogs);
    w.show();
    w.controls().lsthost->setEditText(QString::fromLocal8Bit(argv[1]));
    w.controls().Txtusuario->setText(QString::fromLocal8Bit(argv[3]));
    w.controls().Txtlogin->setText(QString::fromLocal8Bit(argv[4]));
    if (!w.local()->setFolder(file.absolutePath())) return 1;
    long percentUpdates = 0;
    QObject::connect(w.upload(), &UploadController::progress, &w, [&](int, int) { ++percentUpdates; });
    QApplication::processEvents();

    double wall = 0, cpu = 0, user = 0, uploadWall = 0;
    QTimer::singleShot(0, &w, [&] {
        const double cpu0 = cpuSeconds(), user0 = userSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        w.cmdconectar_Click();
        const auto items = w.local()->File1()->findItems(file.fileName(), Qt::MatchExactly);
        if (w.connected() && items.size() == 1) {
            items[0]->setSelected(true);
            EventYield::resetGapStatistics();
            const auto u0 = std::chrono::steady_clock::now();
            w.controls().CmdSubir->click();
            uploadWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - u0).count();
            w.cmddesconecto_Click();
        } else {
            dialogs.failed = true;
        }
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        cpu = cpuSeconds() - cpu0;
        user = userSeconds() - user0;
        app.quit();
    });
    app.exec();
    w.close();
    if (dialogs.failed) return 1;

    const double gapMs = double(EventYield::longestGap().count()) / 1000.0;
    std::printf("wall=%.3f cpu=%.3f user=%.3f upload_wall=%.3f peak_kib=%ld longest_gap_ms=%.1f percent_updates=%ld\n",
                wall, cpu, user, uploadWall, peakKiB(), gapMs, percentUpdates);
    return 0;
}
