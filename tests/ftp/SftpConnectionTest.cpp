// The engine over SFTP against OpenSSH's sshd and sftp-server, unpacked and run unprivileged.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "SftpFaultServer.h"
#include "SshdProcess.h"
#include "ftp/AtomicUpload.h"

using namespace ftp;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

constexpr std::time_t kModified = 1673786096;  // 2023-01-15 12:34:56 UTC

SshOptions trusting(const std::string& fingerprint, const std::string& keyFolder = {}) {
    SshOptions o;
    o.protocol = Protocol::Sftp;
    o.trustedFingerprint = fingerprint;
    o.keyFolder = keyFolder;
    o.useAgent = false;
    return o;
}

Result<std::unique_ptr<Connection>> openSftpTo(Session& session, std::uint16_t port, const std::string& user,
                                               const std::string& password, const SshOptions& options) {
    return Connection::open(session, "127.0.0.1", port, user, password, TlsOptions::off(), options);
}
struct Sink : UploadSink {};

void setTime(const std::string& path) {
    const timespec times[2] = {{kModified, 0}, {kModified, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

class Sshd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!sshd_.running()) FAIL() << "sshd unavailable: " << sshd_.whyNot();
        auto c = openSftpTo(session_, sshd_.port(), sshd_.user(), "",
                            trusting(sshd_.hostKey().fingerprint, sshd_.keyFolder()));
        ASSERT_TRUE(c) << c.error().message;
        c_ = std::move(c).value();
    }
    // A file the test puts straight into the server's folder.
    void put(const std::string& name, const std::string& bytes) {
        writeFile(sshd_.path(name), bytes);
        sshd_.giveToServer(sshd_.path(name));
    }
    std::map<std::string, Entry> listing() {
        std::map<std::string, Entry> byName;
        auto find = c_->findFiles("*.*");
        EXPECT_TRUE(find) << find.error().message;
        if (find)
            for (const Entry& e : find.value()->entries()) byName[e.name] = e;
        return byName;
    }
    testsupport::SshdProcess sshd_;
    Session session_ = enginetest::quickSession();
    std::unique_ptr<Connection> c_;
};

TEST_F(Sshd, ListsKindsSizesTimesAndLinks) {
    ASSERT_EQ(::mkdir(sshd_.path("sub").c_str(), 0755), 0);
    put("a.txt", "hello");
    setTime(sshd_.path("a.txt"));
    ASSERT_EQ(::symlink("sub", sshd_.path("to-sub").c_str()), 0);
    ASSERT_EQ(::symlink("a.txt", sshd_.path("to-a").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", sshd_.path("dead").c_str()), 0);

    auto all = listing();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_TRUE(all["sub"].isDirectory());
    EXPECT_FALSE(all["sub"].link);
    const Entry& a = all["a.txt"];
    EXPECT_FALSE(a.isDirectory());
    EXPECT_EQ(a.size, 5u);
    EXPECT_EQ(a.modifiedUtc, kModified);
    EXPECT_EQ(a.date, "2023-01-15 12:34");
    EXPECT_TRUE(all["to-sub"].link && all["to-sub"].isDirectory());
    EXPECT_EQ(all["to-sub"].linkTarget, "sub");
    EXPECT_TRUE(all["to-a"].link && !all["to-a"].isDirectory());
    EXPECT_EQ(all["to-a"].size, 5u);  // the target's, not the link's
    EXPECT_TRUE(all["dead"].link && !all["dead"].isDirectory());
    EXPECT_EQ(all["dead"].linkTarget, "nowhere");

    auto txt = c_->findFiles("*.txt");
    ASSERT_TRUE(txt);
    ASSERT_EQ(txt.value()->entries().size(), 1u);
    EXPECT_EQ(txt.value()->entries()[0].name, "a.txt");
}

TEST_F(Sshd, FoldersFilesAndRefusals) {
    put("file", "x");
    ASSERT_TRUE(c_->createDirectory("d"));
    EXPECT_EQ(c_->createDirectory("d").error().kind, ErrorKind::Refused);
    ASSERT_TRUE(c_->changeDirectory("d"));
    EXPECT_EQ(c_->currentDirectory().value(), sshd_.root() + "/d");
    ASSERT_TRUE(c_->changeDirectory(".."));
    EXPECT_EQ(c_->currentDirectory().value(), sshd_.root());
    ASSERT_TRUE(c_->changeDirectory(sshd_.root() + "/d"));
    ASSERT_TRUE(c_->changeDirectory(".."));
    for (const char* where : {"missing", "file"}) {
        Status s = c_->changeDirectory(where);
        EXPECT_EQ(s.error().kind, ErrorKind::Refused) << where;
        EXPECT_EQ(c_->currentDirectory().value(), sshd_.root()) << where;
    }
    ASSERT_TRUE(c_->removeDirectory("d"));
    EXPECT_FALSE(std::filesystem::exists(sshd_.path("d")));

    ASSERT_TRUE(c_->rename("file", "moved"));
    EXPECT_EQ(readFile(sshd_.path("moved")), "x");
    ASSERT_TRUE(c_->deleteFile("moved"));
    Status again = c_->deleteFile("moved");
    EXPECT_EQ(again.error().kind, ErrorKind::Refused);
    EXPECT_EQ(again.error().reply.code, 550);
    EXPECT_NE(c_->lastReply().text.find("SFTP status 2"), std::string::npos) << c_->lastReply().text;
    EXPECT_EQ(c_->deleteFile("a\r\nb").error().kind, ErrorKind::InvalidArgument);
    EXPECT_TRUE(c_->findFiles("*.*"));  // refusals leave the session usable
}

TEST_F(Sshd, DownloadsAndAbandonedFiles) {
    const std::string bytes = enginetest::pattern(2500000);
    put("big", bytes);
    auto reader = c_->openFileForRead("big", TransferType::Binary);
    ASSERT_TRUE(reader) << reader.error().message;
    EXPECT_EQ(c_->findFiles("*.*").error().kind, ErrorKind::InvalidArgument);  // one open file at a time
    std::string got;
    char buffer[70000];
    for (;;) {
        auto n = reader.value()->read(buffer, sizeof buffer);
        ASSERT_TRUE(n) << n.error().message;
        if (n.value() == 0) break;
        got.append(buffer, n.value());
    }
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(reader.value()->read(buffer, sizeof buffer).value(), 0u);
    reader.value().reset();

    // Given up half way, with writes still in flight: the handle closes and the session goes on.
    auto file = c_->openFileForWrite("half", TransferType::Binary);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file.value()->write(bytes.data(), 1500000));
    file.value().reset();
    auto again = c_->openFileForRead("half", TransferType::Binary);
    ASSERT_TRUE(again) << again.error().message;
    again.value().reset();
    EXPECT_EQ(listing().count("half"), 1u);
}

struct UploadRow {
    const char* name;
    std::size_t size;
    std::size_t block;
    TransferType type;
    bool existing;          // the final name already holds another file
    std::uint64_t partial;  // bytes a broken upload left in the temporary file
};

class SshdUpload : public Sshd, public ::testing::WithParamInterface<UploadRow> {};

TEST_P(SshdUpload, ArrivesWholeWithItsTime) {
    const UploadRow& row = GetParam();
    testsupport::TempDir local;
    const std::string bytes = enginetest::pattern(row.size);
    writeFile(local.file("f"), bytes);
    setTime(local.file("f"));
    FileReader reader;
    ASSERT_TRUE(reader.open(local.file("f")));
    const std::string name = row.name;
    const std::string temporary = AtomicUpload::temporaryName(name, reader.size(), reader.modified());
    if (row.existing) put(name, "old");
    if (row.partial) put(temporary, bytes.substr(0, row.partial));

    Sink sink;
    UploadOptions options = uploadOptionsFor(*c_, false, row.partial > 0);
    const UploadOutcome o = AtomicUpload(*c_, reader, name, row.type, options).run(sink, row.block);

    ASSERT_TRUE(o.status) << o.status.error().message;
    EXPECT_EQ(readFile(sshd_.path(name)), bytes);
    EXPECT_FALSE(std::filesystem::exists(sshd_.path(temporary)));
    EXPECT_EQ(o.replacedByDeleting, row.existing);  // SFTP version 3 renames onto nothing
    EXPECT_EQ(o.resumedFrom, row.partial);
    EXPECT_TRUE(o.timeSet);
    EXPECT_EQ(listing()[name].modifiedUtc, kModified);
}

INSTANTIATE_TEST_SUITE_P(Rows, SshdUpload,
                         ::testing::Values(UploadRow{"small-blocks", 2300000, 100, TransferType::Binary, false, 0},
                                           UploadRow{"large-blocks", 5u * 1024 * 1024 + 3, FileReader::kReadSize,
                                                     TransferType::Binary, false, 0},
                                           UploadRow{"ascii-unchanged", 70000, 100, TransferType::Ascii, false, 0},
                                           UploadRow{"empty", 0, 100, TransferType::Binary, false, 0},
                                           UploadRow{"onto-existing", 5000, 100, TransferType::Binary, true, 0},
                                           UploadRow{"resumed", 1500000, 100, TransferType::Binary, false, 1234567}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             std::replace(n.begin(), n.end(), '-', '_');
                             return n;
                         });

// The fault server: what sshd will not do on demand.
class SftpFaults : public ::testing::Test {
protected:
    std::unique_ptr<Connection> open(testsupport::SftpFaultServer& server, Session& session) {
        if (!server.running()) return nullptr;
        auto c = openSftpTo(session, server.port(), "demo", "demo", trusting(server.hostKey().fingerprint));
        EXPECT_TRUE(c) << c.error().message;
        return c ? std::move(c).value() : nullptr;
    }
};

TEST_F(SftpFaults, DropMidFileFailsLeavesTheNameAloneAndTheNextStartsAfresh) {
    testsupport::SftpFaultServer server({.hostKey = {}, .dropAfter = 300000, .dropTimes = 1});
    if (!server.running()) FAIL() << server.whyNot();
    writeFile(server.path("f"), "old");
    Session session = enginetest::quickSession(3000);
    auto c = open(server, session);
    ASSERT_TRUE(c);
    testsupport::TempDir local;
    const std::string bytes = enginetest::pattern(2000000);
    writeFile(local.file("f"), bytes);
    auto send = [&] {
        FileReader reader;
        EXPECT_TRUE(reader.open(local.file("f")));
        Sink sink;
        return AtomicUpload(*c, reader, "f", TransferType::Binary, uploadOptionsFor(*c)).run(sink, 100);
    };
    const UploadOutcome o = send();
    ASSERT_TRUE(o.status.failed());
    EXPECT_TRUE(o.status.error().kind == ErrorKind::Closed || o.status.error().kind == ErrorKind::Timeout)
        << o.status.error().message;
    EXPECT_NE(o.step, UploadStep::Done);
    EXPECT_EQ(readFile(server.path("f")), "old");

    // The lost session is not used again: the next upload runs on a fresh one, from the same folder.
    const UploadOutcome again = send();
    ASSERT_TRUE(again.status) << again.status.error().message;
    EXPECT_EQ(readFile(server.path("f")), bytes);
}

TEST_F(SftpFaults, HostileNamesNeverReachCallersAsPaths) {
    testsupport::SftpFaultServer server({.hostKey = {}, .hostileNames = true});
    if (!server.running()) FAIL() << server.whyNot();
    Session session = enginetest::quickSession(3000);
    auto c = open(server, session);
    ASSERT_TRUE(c);
    auto find = c->findFiles("*.*");
    ASSERT_TRUE(find) << find.error().message;
    EXPECT_GT(find.value()->unreadableLines(), 0u);
    EXPECT_FALSE(find.value()->entries().empty());
    for (const Entry& e : find.value()->entries()) {
        EXPECT_TRUE(!e.name.empty() && e.name != "." && e.name != "..") << e.name;
        EXPECT_EQ(e.name.find_first_of(std::string("/\r\n\0", 4)), std::string::npos) << e.name;
    }
}

TEST_F(SftpFaults, SlowRepliesTimeOut) {
    testsupport::SftpFaultServer server({.hostKey = {}, .replyDelayMs = 3000});
    if (!server.running()) FAIL() << server.whyNot();
    Session session = enginetest::quickSession(800);
    const auto start = std::chrono::steady_clock::now();
    auto c = openSftpTo(session, server.port(), "demo", "demo", trusting(server.hostKey().fingerprint));
    ASSERT_TRUE(c.failed());
    EXPECT_EQ(c.error().kind, ErrorKind::Timeout) << c.error().message;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2900));
}

}  // namespace
