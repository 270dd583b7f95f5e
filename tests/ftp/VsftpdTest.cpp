// The engine against vsftpd (LIST only, anonymous uploads), started from our own configuration.

#include <algorithm>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "VsftpdProcess.h"

using namespace ftp;
using enginetest::upload;

namespace {

class Vsftpd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server_.running()) FAIL() << "vsftpd unavailable: " << server_.whyNot();
        auto c = Connection::open(session_, "127.0.0.1", server_.port(), "anonymous", "");
        ASSERT_TRUE(c) << c.error().message;
        c_ = std::move(c).value();
    }
    testsupport::VsftpdProcess server_;
    Session session_ = enginetest::quickSession();
    std::unique_ptr<Connection> c_;
};

TEST_F(Vsftpd, DirectoryOperationsWithList) {
    auto home = c_->currentDirectory();
    ASSERT_TRUE(home);
    EXPECT_EQ(home.value(), server_.root());
    ASSERT_TRUE(c_->createDirectory("carpeta ñandú"));
    EXPECT_FALSE(c_->createDirectory("carpeta ñandú"));
    EXPECT_FALSE(c_->changeDirectory("no such folder"));
    ASSERT_TRUE(upload(*c_, "two  blanks.txt", "abc"));

    auto list = c_->findFiles("*.*");
    ASSERT_TRUE(list) << list.error().message;
    auto entries = list.value()->entries();
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "carpeta ñandú");
    EXPECT_EQ(entries[0].attributes, kDirectory);
    EXPECT_EQ(entries[1].name, "two  blanks.txt");
    EXPECT_EQ(entries[1].size, 3u);

    ASSERT_TRUE(c_->changeDirectory("carpeta ñandú"));
    auto empty = c_->findFiles();
    ASSERT_TRUE(empty) << empty.error().message;
    EXPECT_TRUE(empty.value()->entries().empty());
    ASSERT_TRUE(c_->changeDirectory(home.value()));

    ASSERT_TRUE(c_->rename("two  blanks.txt", "renamed é.txt"));
    EXPECT_EQ(testsupport::readFile(server_.path("renamed é.txt")), "abc");
    ASSERT_TRUE(c_->deleteFile("renamed é.txt"));
    ASSERT_TRUE(c_->removeDirectory("carpeta ñandú"));
    EXPECT_FALSE(c_->removeDirectory("carpeta ñandú"));
}

// A link to a folder can be entered; a link to a file and a broken link are files. Finding out
// leaves the connection where it was.
TEST_F(Vsftpd, LinksShowTheirTargetsKind) {
    ASSERT_TRUE(c_->createDirectory("sub"));
    ASSERT_TRUE(upload(*c_, "a.txt", "abc"));
    std::filesystem::create_directory_symlink("sub", server_.path("to-folder"));
    std::filesystem::create_symlink("a.txt", server_.path("to-file"));
    std::filesystem::create_symlink("nowhere", server_.path("broken"));
    auto list = c_->findFiles("*.*");
    ASSERT_TRUE(list) << list.error().message;
    std::map<std::string, std::uint32_t> kinds;
    for (const Entry& e : list.value()->entries()) kinds[e.name] = e.attributes;
    EXPECT_EQ(kinds, (std::map<std::string, std::uint32_t>{
                         {"a.txt", kNormalFile}, {"broken", kNormalFile}, {"sub", kDirectory},
                         {"to-file", kNormalFile}, {"to-folder", kDirectory}}));
    EXPECT_EQ(c_->currentDirectory().value(), server_.root());
    ASSERT_TRUE(c_->changeDirectory("to-folder"));
}

TEST_F(Vsftpd, UploadsArriveByteForByte) {
    for (std::size_t size : {0u, 99u, 100u, 250u, 5000000u}) {
        SCOPED_TRACE(size);
        const std::string bytes = enginetest::pattern(size);
        const std::string name = "file " + std::to_string(size);
        ASSERT_TRUE(upload(*c_, name, bytes));
        ASSERT_TRUE(testsupport::exists(server_.path(name)));
        EXPECT_TRUE(testsupport::readFile(server_.path(name)) == bytes);
    }
}

TEST_F(Vsftpd, AsciiUploadCarriesCrLf) {
    // This configuration stores ASCII uploads as received, so the disk shows what we sent.
    ASSERT_TRUE(upload(*c_, "text.txt", "one\ntwo\r\nthree\n", TransferType::Ascii));
    EXPECT_EQ(testsupport::readFile(server_.path("text.txt")), "one\r\ntwo\r\nthree\r\n");
    ASSERT_TRUE(upload(*c_, "same.bin", "one\ntwo\n", TransferType::Unknown));
    EXPECT_EQ(testsupport::readFile(server_.path("same.bin")), "one\ntwo\n");
}

}  // namespace
