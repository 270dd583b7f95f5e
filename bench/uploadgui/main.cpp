// Uploads one file through the window parts, offscreen: connected through the engine, the file
// selected in the local file list, the upload button pressed, the percentage and bar updated
// as in the program. Prints wall and CPU time, peak memory and the longest gap between two
// passes of the event loop during the upload.
//
//   bench_uploadgui HOST PORT USER PASSWORD FILE

#include <QApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>

#include "core/EventYield.h"
#include "core/SessionState.h"
#include "local/LocalBrowser.h"
#include "upload/UploadController.h"

namespace {
double cpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    const auto s = [](timeval t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return s(ru.ru_utime) + s(ru.ru_stime);
}
long peakKiB() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 6) {
        std::fprintf(stderr, "usage: bench_uploadgui HOST PORT USER PASSWORD FILE\n");
        return 2;
    }
    const QFileInfo file(QString::fromLocal8Bit(argv[5]));

    QWidget F1;
    F1.resize(588, 477);
    auto* Frame1 = new QGroupBox(QStringLiteral("Mi Pc"), &F1);
    Frame1->setGeometry(16, 152, 273, 281);
    auto* CmdSubir = new QPushButton(&F1);
    CmdSubir->setObjectName(QStringLiteral("CmdSubir"));
    CmdSubir->setGeometry(216, 112, 153, 41);
    LocalBrowser local(Frame1);
    SessionState session;
    session.TipoTransferencia = 2;
    int listings = 0;
    UploadController upload(&F1, local, session, [&] { ++listings; });
    QObject::connect(CmdSubir, &QPushButton::clicked, &upload, [&] { upload.CmdSubir_Click(); });
    long percentUpdates = 0;
    QObject::connect(&upload, &UploadController::progress, &upload, [&](int, int) { ++percentUpdates; });

    F1.show();
    if (!local.setFolder(file.absolutePath())) return 1;
    const auto items = local.File1()->findItems(file.fileName(), Qt::MatchExactly);
    if (items.size() != 1) {
        std::fprintf(stderr, "%s is not listed\n", argv[5]);
        return 1;
    }
    items[0]->setSelected(true);
    QApplication::processEvents();

    // Timed from the connection on, as curl's run is: connect, log in, upload, list.
    double wall = 0, cpu = 0;
    bool connected = false;
    QTimer::singleShot(0, &F1, [&] {
        const double cpu0 = cpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        session.openSession();
        auto connection = ftp::Connection::open(*session.hSesion, argv[1], std::uint16_t(std::atoi(argv[2])),
                                                argv[3], argv[4]);
        if (connection) {
            connected = true;
            session.hConexion = std::move(connection).value();
            EventYield::resetGapStatistics();
            CmdSubir->click();
        } else {
            std::fprintf(stderr, "connect: %s\n", connection.error().message.c_str());
        }
        session.closeConnection();
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        cpu = cpuSeconds() - cpu0;
        app.quit();
    });
    app.exec();
    if (!connected) return 1;

    const double gapMs = double(EventYield::longestGap().count()) / 1000.0;
    std::printf("wall=%.3f cpu=%.3f peak_kib=%ld longest_gap_ms=%.1f percent_updates=%ld listings=%d\n", wall, cpu,
                peakKiB(), gapMs, percentUpdates, listings);
    return listings == 1 ? 0 : 1;
}
