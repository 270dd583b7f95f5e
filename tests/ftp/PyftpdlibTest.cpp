// The engine against a real server (pyftpdlib) on loopback: every operation, with MLSD and LIST.

#include <algorithm>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "FtpServerProcess.h"

using namespace ftp;
using enginetest::upload;

namespace {

class Pyftpdlib : public ::testing::TestWithParam<bool> {
protected:
    Pyftpdlib() : server_(testsupport::FtpServerOptions{.mlsd = GetParam()}) {}
    std::unique_ptr<Connection> connect() {
        auto c = Connection::open(session_, "127.0.0.1", server_.port(), "demo", "demo");
        EXPECT_TRUE(c) << c.error().message;
        return c ? std::move(c).value() : nullptr;
    }
    const Entry* find(Find& f, const std::string& name) {
        auto it = std::find_if(f.entries().begin(), f.entries().end(), [&](const Entry& e) { return e.name == name; });
        return it == f.entries().end() ? nullptr : &*it;
    }

    Session session_ = enginetest::quickSession();
    testsupport::FtpServerProcess server_;
};

TEST_P(Pyftpdlib, DirectoryOperationsAndListing) {
    ASSERT_TRUE(server_.running());
    auto c = connect();
    ASSERT_TRUE(c);
    EXPECT_EQ(c->currentDirectory().value(), "/");

    ASSERT_TRUE(c->createDirectory("sub dir ñ"));
    EXPECT_FALSE(c->createDirectory("sub dir ñ")) << "MKD of an existing folder must fail";
    testsupport::writeFile(server_.path("a file.txt"), std::string(1234, 'x'));
    testsupport::writeFile(server_.path("old"), "o");

    auto list = c->findFiles("*.*");
    ASSERT_TRUE(list) << list.error().message;
    ASSERT_EQ(list.value()->entries().size(), 3u);
    const Entry* dir = find(*list.value(), "sub dir ñ");
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->attributes, kDirectory);
    const Entry* file = find(*list.value(), "a file.txt");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size, 1234u);
    EXPECT_NE(file->attributes, kDirectory);

    ASSERT_TRUE(c->changeDirectory("sub dir ñ"));
    EXPECT_EQ(c->currentDirectory().value(), "/sub dir ñ");
    auto empty = c->findFiles();
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty.value()->entries().empty());
    EXPECT_FALSE(c->changeDirectory("missing"));
    EXPECT_EQ(c->currentDirectory().value(), "/sub dir ñ");
    ASSERT_TRUE(c->changeDirectory("/"));

    ASSERT_TRUE(c->rename("old", "new"));
    EXPECT_TRUE(testsupport::exists(server_.path("new")));
    EXPECT_FALSE(c->rename("missing", "x"));
    ASSERT_TRUE(c->deleteFile("new"));
    EXPECT_FALSE(testsupport::exists(server_.path("new")));
    EXPECT_FALSE(c->deleteFile("new"));
    ASSERT_TRUE(c->removeDirectory("sub dir ñ"));
    EXPECT_FALSE(testsupport::exists(server_.path("sub dir ñ")));
}

TEST_P(Pyftpdlib, UploadsArriveByteForByte) {
    auto c = connect();
    ASSERT_TRUE(c);
    for (std::size_t size : {0u, 99u, 100u, 250u, 5000000u}) {
        SCOPED_TRACE(size);
        std::string bytes = enginetest::pattern(size);
        std::string name = "up " + std::to_string(size) + ".bin";
        ASSERT_TRUE(upload(*c, name, bytes));
        ASSERT_TRUE(testsupport::exists(server_.path(name)));
        EXPECT_TRUE(testsupport::readFile(server_.path(name)) == bytes);
    }
}

TEST_P(Pyftpdlib, OpenFileBlocksOtherOperationsAndAbandoningItKeepsTheConnection) {
    auto c = connect();
    ASSERT_TRUE(c);
    {
        auto f = c->openFileForWrite("partial", TransferType::Binary);
        ASSERT_TRUE(f);
        ASSERT_TRUE(f.value()->write("abc", 3));
        EXPECT_EQ(c->currentDirectory().error().kind, ErrorKind::InvalidArgument);
        EXPECT_EQ(c->findFiles().error().kind, ErrorKind::InvalidArgument);
        EXPECT_EQ(c->openFileForWrite("other", TransferType::Binary).error().kind, ErrorKind::InvalidArgument);
    }  // dropped without close()
    EXPECT_EQ(c->currentDirectory().value(), "/");
    EXPECT_TRUE(upload(*c, "after", "fine"));
    EXPECT_EQ(testsupport::readFile(server_.path("after")), "fine");
}

TEST_P(Pyftpdlib, HostNamesAndDefaultPort) {
    // "localhost" may resolve to ::1 first, where nothing listens: the next address is tried.
    auto c = Connection::open(session_, "localhost", server_.port(), "demo", "demo");
    ASSERT_TRUE(c) << c.error().message;
    EXPECT_EQ(c.value()->currentDirectory().value(), "/");
    auto bad = Connection::open(session_, "no-such-host.invalid", server_.port(), "demo", "demo");
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().kind, ErrorKind::Resolve);
}

TEST_P(Pyftpdlib, WrongPasswordIsRefused) {
    auto c = Connection::open(session_, "127.0.0.1", server_.port(), "demo", "wrong");
    ASSERT_FALSE(c);
    EXPECT_EQ(c.error().kind, ErrorKind::Refused);
    EXPECT_EQ(c.error().reply.code, 530);
}

INSTANTIATE_TEST_SUITE_P(ListingCommand, Pyftpdlib, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Mlsd" : "List"; });

TEST(PyftpdlibLatin1, ListedNamesThatAreNotUtf8CanBeSentBack) {
    // This server maps such names onto its disk its own way; what matters is that the bytes a
    // listing gives us name the same file when we send them back.
    testsupport::FtpServerProcess server(testsupport::FtpServerOptions{.encoding = "latin1"});
    Session session = enginetest::quickSession();
    auto c = Connection::open(session, "127.0.0.1", server.port(), "demo", "demo");
    ASSERT_TRUE(c);
    ASSERT_TRUE(upload(*c.value(), "caf\xe9 \xff.txt", "bytes"));
    auto list = c.value()->findFiles();
    ASSERT_TRUE(list);
    ASSERT_EQ(list.value()->entries().size(), 1u);
    EXPECT_EQ(list.value()->entries()[0].size, 5u);
    EXPECT_TRUE(c.value()->deleteFile(list.value()->entries()[0].name));
    EXPECT_TRUE(c.value()->findFiles().value()->entries().empty());
}

}  // namespace
