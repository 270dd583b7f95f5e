#pragma once
// The remote view connected to a real pyftpdlib server on loopback.

#include <filesystem>
#include <gtest/gtest.h>

#include "FtpServerProcess.h"
#include "RemoteViewHarness.h"

class RemoteServerTest : public ::testing::Test {
protected:
    explicit RemoteServerTest(testsupport::FtpServerOptions options = {})
        : srv(std::make_unique<testsupport::FtpServerProcess>(options)) {}

    std::unique_ptr<testsupport::FtpServerProcess> srv;
    RemoteViewHarness h;

    // Connects as the main window does and lists the login folder.
    void connect() {
        ASSERT_TRUE(srv->running());
        h.session.openSession();
        auto conn = ftp::Connection::open(*h.session.hSesion, "127.0.0.1", srv->port(), "demo", "demo");
        ASSERT_TRUE(conn) << conn.error().message;
        h.session.hConexion = std::move(conn.value());
        h.view->EnumFiles();
        h.view->connectedLook();
    }
    std::string disk(const std::string& relative) const { return srv->path(relative); }
    void mkdir(const std::string& relative) const { std::filesystem::create_directories(disk(relative)); }
    void file(const std::string& relative, std::size_t size = 1) const {
        testsupport::writeFile(disk(relative), std::string(size, 'x'));
    }
    bool onDisk(const std::string& relative) const { return testsupport::exists(disk(relative)); }
    int folderIndex(const QString& name) const { return int(h.folders().indexOf(name)); }
};
