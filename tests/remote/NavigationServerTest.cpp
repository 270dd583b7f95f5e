// Listing and navigation against a real server.

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QElapsedTimer>
#include <QTimer>

#include "FaultFtpServer.h"
#include "ServerFixture.h"
#include "remote/FolderColumn.h"

namespace {

using Navigation = RemoteServerTest;

TEST_F(Navigation, SummaryBoundariesAsTheServerReportsSizes) {
    struct Row {
        std::vector<std::size_t> sizes;
        const char* summary;
    };
    const Row rows[] = {{{1000, 24}, "2 archivos(1024 bytes)"},
                        {{1000, 25}, "2 archivos(1 kb)"},
                        {{1048576}, "1 archivos(1024 kb)"},
                        {{1048576, 1}, "2 archivos(1 Mb)"}};
    mkdir("carpeta");
    connect();
    for (const Row& row : rows) {
        for (const auto& entry : std::filesystem::directory_iterator(srv->root()))
            if (entry.is_regular_file()) std::filesystem::remove(entry.path());
        for (std::size_t i = 0; i < row.sizes.size(); ++i) file("f" + std::to_string(i), row.sizes[i]);
        h.view->EnumFiles();
        EXPECT_EQ(h.view->Lblserv()->text().toStdString(), row.summary);
        EXPECT_EQ(h.folders(), QStringList{QStringLiteral("carpeta")});  // folders count for nothing
    }
}

TEST_F(Navigation, EnterWithTheMouseAndGoBackUp) {
    mkdir("uno/dos");
    file("uno/dentro.txt", 10);
    connect();
    h.window.show();
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/"));
    EXPECT_EQ(h.view->PilaDirs(0), "/");

    QTest::mouseDClick(h.column(), Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/uno"));
    EXPECT_EQ(h.files(), QStringList{QStringLiteral("dentro.txt")});
    EXPECT_EQ(h.folders(), QStringList{QStringLiteral("dos")});
    EXPECT_EQ(h.view->PilaDirs(1), "/uno");
    EXPECT_TRUE(h.view->Cmdup()->isEnabled());

    QTest::mouseClick(h.view->Cmdup(), Qt::LeftButton);
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/"));
    EXPECT_FALSE(h.view->Cmdup()->isEnabled());
    EXPECT_TRUE(h.dialogs.shown().isEmpty());
    h.window.close();
}

TEST_F(Navigation, RefusedFolderAndParentRemovedShowTheirBoxes) {
    mkdir("a/b");
    mkdir("borrada");
    connect();
    std::filesystem::remove(disk("borrada"));
    h.view->PicFolder_DblClick(folderIndex(QStringLiteral("borrada")));
    ASSERT_EQ(h.dialogs.boxes().size(), 1);
    EXPECT_EQ(h.dialogs.boxes()[0].text, QStringLiteral("Error al cambiar directorio"));
    EXPECT_EQ(h.view->NivelDir(), 0);
    EXPECT_FALSE(h.view->Cmdup()->isEnabled());
    EXPECT_EQ(h.folders().size(), 2);  // the old listing stays

    h.view->PicFolder_DblClick(folderIndex(QStringLiteral("a")));
    h.view->PicFolder_DblClick(0);
    ASSERT_EQ(h.view->Lbdir()->text(), QStringLiteral("/a/b"));
    std::filesystem::remove_all(disk("a"));
    h.view->Cmdup_Click();
    ASSERT_EQ(h.dialogs.boxes().size(), 2);
    EXPECT_EQ(h.dialogs.boxes()[1].text, QStringLiteral("No se puede cambiar de directorio"));
    EXPECT_EQ(h.dialogs.boxes()[1].title, QStringLiteral("Error"));
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/a/b"));
    EXPECT_EQ(h.view->NivelDir(), 1);
    // The level is already lower: the next click goes to the login folder.
    h.view->Cmdup_Click();
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/"));
    EXPECT_FALSE(h.view->Cmdup()->isEnabled());
}

TEST_F(Navigation, ListingAgainWithFewerFoldersDropsTheSurplus) {
    for (int i = 0; i < 6; ++i) mkdir("d" + std::to_string(i));
    connect();
    EXPECT_EQ(h.view->CantCarpetas(), 6);
    EXPECT_EQ(h.view->VScroll1()->maximum(), 47 * 6 - 191);
    for (int i = 2; i < 6; ++i) std::filesystem::remove(disk("d" + std::to_string(i)));
    h.view->EnumFiles();
    EXPECT_EQ(h.view->CantCarpetas(), 2);
    EXPECT_EQ(h.column()->model().visibleRange().second, 2);
}

TEST_F(Navigation, NoUserActionRunsInsideAListingAndTheWindowKeepsRunning) {
    for (int i = 0; i < 3000; ++i) file("f" + std::to_string(i));
    mkdir("sub");
    connect();
    int ticks = 0;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
        ++ticks;
        // A second action arriving mid-listing is refused, not run half-way.
        h.view->PicFolder_DblClick(0);
        h.view->EnumFiles();
    });
    timer.start();
    h.view->EnumFiles();
    timer.stop();
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/"));
    EXPECT_EQ(h.view->NivelDir(), 0);
    EXPECT_EQ(h.view->List1()->count(), 3000);
    EXPECT_FALSE(h.session.busy());
}

TEST_F(Navigation, AServerThatDiesLeavesAnEmptyViewAndBoxesNotACrash) {
    mkdir("uno");
    file("a.txt");
    connect();
    srv.reset();
    h.view->EnumFiles();
    EXPECT_TRUE(h.view->Lbdir()->text().isEmpty());
    EXPECT_EQ(h.view->List1()->count(), 0);
    EXPECT_TRUE(h.dialogs.shown().isEmpty());
    h.view->Picfondo_MouseUp(Qt::RightButton, {});  // still "connected": the menu opens
    EXPECT_EQ(h.popups.size(), 1u);
    h.dialogs.answerInputs({QStringLiteral("nueva")});
    h.view->Crearcarpeta_Click();
    ASSERT_EQ(h.dialogs.boxes().size(), 1);
    EXPECT_EQ(h.dialogs.boxes()[0].text, QStringLiteral("No se pudo crear la carpeta \"nueva\""));
}

TEST(SilentServer, AListingThatGetsNoAnswerEndsAtTheTimeoutWithTheWindowLive) {
    testsupport::FaultFtpServer fault;
    fault.on("MLSD", {testsupport::FaultFtpServer::Action::Silent, "", -1});
    fault.on("CWD", {testsupport::FaultFtpServer::Action::Hangup, "421 Bye", -1});
    RemoteViewHarness h;
    h.session.openSession();
    h.session.hSesion->setTimeouts({std::chrono::milliseconds(2000), std::chrono::milliseconds(700),
                                    std::chrono::milliseconds(700)});
    auto conn = ftp::Connection::open(*h.session.hSesion, fault.host(), fault.port(), "demo", "demo");
    ASSERT_TRUE(conn) << conn.error().message;
    h.session.hConexion = std::move(conn.value());

    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] { ++ticks; });
    timer.start();
    QElapsedTimer clock;
    clock.start();
    h.view->EnumFiles();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_GE(ticks, 10);  // the event loop ran all along the wait
    EXPECT_EQ(h.view->List1()->count(), 0);
    EXPECT_TRUE(h.view->Lblserv()->text().isEmpty());
    EXPECT_TRUE(h.dialogs.shown().isEmpty());

    // A folder refused by a server that hangs up: the box, no crash, and the view still usable.
    h.column()->model().add("x", QStringLiteral("x"));
    h.view->PicFolder_DblClick(0);
    ASSERT_EQ(h.dialogs.boxes().size(), 1);
    EXPECT_EQ(h.dialogs.boxes()[0].text, QStringLiteral("Error al cambiar directorio"));
    h.view->EnumFiles();
    EXPECT_TRUE(h.view->Lbdir()->text().isEmpty());
    EXPECT_FALSE(h.session.busy());
}

}  // namespace
