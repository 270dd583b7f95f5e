// Times the remote listing in an offscreen main window, and the re-stacking of its folder column.
// usage: bench_listing HOST PORT USER PASSWORD [FOLDER]
// Prints "connect_ms", "enumfiles_ms", the entries found, the longest gap between two event-loop
// passes during the listing, and the median time of one scroll re-stack with its repaint.

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/Dialogs.h"
#include "core/EventYield.h"
#include "core/Look.h"
#include "core/SessionState.h"
#include "remote/FolderColumn.h"
#include "remote/RemoteView.h"

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: %s HOST PORT USER PASSWORD [FOLDER]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QWidget window;
    window.setFixedSize(look::px(8820), look::px(7155));
    auto* frame = new QGroupBox(QStringLiteral("Servidor"), &window);
    frame->setGeometry(look::twipsRect(4440, 2280, 4215, 4215));
    SessionState session;
    QtDialogs dialogs;
    RemoteView view(&window, frame, session, dialogs);
    window.show();
    QApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    session.openSession();
    auto conn = ftp::Connection::open(*session.hSesion, argv[1], std::uint16_t(std::atoi(argv[2])), argv[3], argv[4]);
    if (!conn) {
        std::fprintf(stderr, "connect failed: %s\n", conn.error().message.c_str());
        return 1;
    }
    session.hConexion = std::move(conn.value());
    if (argc == 6 && !session.hConexion->changeDirectory(argv[5])) {
        std::fprintf(stderr, "cannot enter %s\n", argv[5]);
        return 1;
    }
    const double connectMs = double(clock.nsecsElapsed()) / 1e6;

    // The engine alone, for comparison: the same listing without any window work.
    clock.restart();
    auto bare = session.hConexion->findFiles("*.*");
    const double engineMs = double(clock.nsecsElapsed()) / 1e6;
    bare = ftp::Error{};

    EventYield::resetGapStatistics();
    clock.restart();
    view.EnumFiles();
    const double enumMs = double(clock.nsecsElapsed()) / 1e6;
    const auto gap = EventYield::longestGap();
    view.connectedLook();
    QApplication::processEvents();

    std::printf("connect_ms %.2f\n", connectMs);
    std::printf("enumfiles_ms %.2f\n", enumMs);
    std::printf("engine_listing_ms %.2f\n", engineMs);
    std::printf("files %d folders %d summary \"%s\"\n", view.List1()->count(), view.CantCarpetas(),
                view.Lblserv()->text().toUtf8().constData());
    std::printf("longest_yield_gap_ms %.2f\n", double(gap.count()) / 1e3);

    // One re-stack: the bar moves, the column re-stacks and repaints at once.
    QScrollBar* bar = view.VScroll1();
    std::vector<double> us;
    for (int i = 0; i < 400; ++i) {
        const int value = int((std::int64_t(i) * 7919) % (std::int64_t(bar->maximum()) + 1));
        QElapsedTimer t;
        t.start();
        bar->setValue(value);
        view.Picfondo()->repaint();
        us.push_back(double(t.nsecsElapsed()) / 1e3);
    }
    std::sort(us.begin(), us.end());
    std::printf("restack_us_median %.1f max %.1f (scroll maximum %d)\n", us[us.size() / 2], us.back(), bar->maximum());
    return 0;
}
