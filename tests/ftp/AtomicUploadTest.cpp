// Uploads under a temporary name renamed when whole, and resumed ones: the exact commands for
// each server behaviour, and a connection cut in the middle of a file (scripted server).

#include <fcntl.h>
#include <sys/stat.h>

#include <functional>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "FaultFtpServer.h"
#include "FtpServerProcess.h"  // TempDir, writeFile
#include "ftp/AtomicUpload.h"

using namespace ftp;
using Fault = testsupport::FaultFtpServer;

namespace {

const std::string kLogin = "#connect|USER demo|PASS demo|FEAT|OPTS UTF8 ON";
constexpr std::time_t kModified = 1673786096;  // 2023-01-15 12:34:56 UTC

// A local file with a known time, opened for an upload.
struct LocalFile {
    LocalFile(const std::string& bytes) : bytes(bytes) {
        testsupport::writeFile(path, bytes);
        const timespec times[2] = {{kModified, 0}, {kModified, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        EXPECT_TRUE(reader.open(path));
    }
    std::string temporary() const { return AtomicUpload::temporaryName("f", reader.size(), reader.modified()); }
    testsupport::TempDir dir;
    std::string path = dir.file("f");
    std::string bytes;
    FileReader reader;
};

struct Sink : UploadSink {};

struct Row {
    const char* name;
    std::string features;
    std::function<void(Fault&, const LocalFile&)> stage;
    UploadOptions options;
    TransferType type;
    std::string transcript;  // after the login; {T} stands for the temporary name
    bool replaced;           // "f" holds the new bytes, else still "old"
    bool temporaryStays;
    bool replacedByDeleting;
};

class AtomicTranscript : public ::testing::TestWithParam<Row> {};

TEST_P(AtomicTranscript, CommandsAndWhatTheServerHolds) {
    const Row& row = GetParam();
    Fault server;
    server.script().features = " UTF8" + (row.features.empty() ? "" : "\r\n" + row.features);
    LocalFile local(std::string(3000, 'a') + std::string(3000, 'b'));
    const std::string t = local.temporary();
    server.store("f", "old");
    if (row.stage) row.stage(server, local);
    Session session = enginetest::quickSession(1000);
    auto c = Connection::open(session, server.host(), server.port(), "demo", "demo");
    ASSERT_TRUE(c) << c.error().message;

    Sink sink;
    const UploadOutcome o = AtomicUpload(*c.value(), local.reader, "f", row.type, row.options).run(sink);

    std::string want = row.transcript;
    const std::string aside = t.substr(0, t.size() - 5) + ".old";  // ".part" -> ".old"
    for (std::size_t at; (at = want.find("{T}")) != std::string::npos;) want.replace(at, 3, t);
    for (std::size_t at; (at = want.find("{O}")) != std::string::npos;) want.replace(at, 3, aside);
    const std::string all = server.joined();
    EXPECT_EQ(all.substr(std::min(all.size(), kLogin.size() + 1)), want);
    EXPECT_EQ(bool(o.status), row.replaced) << o.status.error().message;
    EXPECT_EQ(server.uploaded("f"), row.replaced ? local.bytes : "old");
    EXPECT_EQ(server.holds(t), row.temporaryStays);
    EXPECT_EQ(o.temporaryKept, row.temporaryStays);
    EXPECT_EQ(o.replacedByDeleting, row.replacedByDeleting);
}

UploadOptions resuming() { return {true, true, false}; }
constexpr TransferType kBin = TransferType::Binary;

// What a broken upload left: the first `n` bytes under the temporary name (one more than the
// file holds when `n` passes its end).
std::function<void(Fault&, const LocalFile&)> leftOver(std::size_t n) {
    return [n](Fault& f, const LocalFile& l) { f.store(l.temporary(), (l.bytes + "x").substr(0, n)); };
}

std::function<void(Fault&, const LocalFile&)> refusingRenameOntoAFile() {
    return [](Fault& f, const LocalFile&) { f.script().refuseRenameOntoFile = true; };
}

INSTANTIATE_TEST_SUITE_P(
    Servers, AtomicTranscript,
    ::testing::Values(
        Row{"plain", "", nullptr, {}, kBin, "TYPE I|EPSV|STOR {T}|RNFR {T}|RNTO f", true, false, false},
        // The time goes on before the rename; a server that refuses MFMT costs nothing else.
        Row{"sizeAndTime", " SIZE\r\n MFMT", nullptr, {}, kBin,
            "TYPE I|EPSV|STOR {T}|SIZE {T}|MFMT 20230115123456 {T}|RNFR {T}|RNTO f", true, false, false},
        Row{"asciiSkipsTheSizeCheck", " SIZE", nullptr, {}, TransferType::Ascii,
            "TYPE A|EPSV|STOR {T}|RNFR {T}|RNTO f", true, false, false},
        Row{"iisRefusesRenameOntoAFile", " SIZE", refusingRenameOntoAFile(), {}, kBin,
            "TYPE I|EPSV|STOR {T}|SIZE {T}|RNFR {T}|RNTO f|SIZE {T}|SIZE f|"
            "RNFR f|RNTO {O}|RNFR {T}|RNTO f|DELE {O}", true, false,
            true},
        Row{"resumeWithAppe", " SIZE", leftOver(2500), resuming(), kBin,
            "TYPE I|SIZE {T}|EPSV|APPE {T}|SIZE {T}|RNFR {T}|RNTO f", true, false, false},
        Row{"resumeWithRest", " SIZE\r\n REST STREAM", leftOver(2500), resuming(), kBin,
            "TYPE I|SIZE {T}|EPSV|REST 2500|STOR {T}|SIZE {T}|RNFR {T}|RNTO f", true, false, false},
        Row{"resumeAWholeTemporaryOnlyRenames", " SIZE", leftOver(6000), resuming(), kBin,
            "TYPE I|SIZE {T}|SIZE {T}|RNFR {T}|RNTO f", true, false, false},
        // Longer than the local file: another file, never "already complete".
        Row{"resumeOntoALongerFileStartsAgain", " SIZE", leftOver(6001), resuming(), kBin,
            "TYPE I|SIZE {T}|EPSV|STOR {T}|SIZE {T}|RNFR {T}|RNTO f", true, false, false},
        Row{"sizeMismatchFails", " SIZE\r\n MFMT",
            [](Fault& f, const LocalFile&) { f.on("SIZE", {Fault::Action::Reply, "213 10"}); }, {}, kBin,
            "TYPE I|EPSV|STOR {T}|SIZE {T}|MFMT 20230115123456 {T}|DELE {T}", false, false, false},
        // RNTO goes out with RNFR; its 503 is read, so the DELE gets its own answer.
        Row{"refusedRenameRemovesItsFile", " SIZE",
            [](Fault& f, const LocalFile&) {
                f.on("RNFR", {Fault::Action::Reply, "450 Busy"});
                f.on("RNTO", {Fault::Action::Reply, "503 Bad sequence of commands"});
            },
            {}, kBin, "TYPE I|EPSV|STOR {T}|SIZE {T}|RNFR {T}|RNTO f|DELE {T}", false, false, false},
        // A 550 to every rename is no IIS: moving the old file aside fails too, and it is kept.
        Row{"renamesForbiddenKeepTheOldFile", " SIZE",
            [](Fault& f, const LocalFile&) {
                f.on("RNFR", {Fault::Action::Reply, "550 Permission denied"});
                f.on("RNTO", {Fault::Action::Reply, "503 Bad sequence of commands"});
            },
            {}, kBin, "TYPE I|EPSV|STOR {T}|SIZE {T}|RNFR {T}|RNTO f|SIZE {T}|SIZE f|RNFR f|RNTO {O}|DELE {T}",
            false, false, false},
        Row{"refusedTransferRemovesItsFile", "", [](Fault& f, const LocalFile&) { f.script().storFinal = "552 Quota"; },
            {}, kBin, "TYPE I|EPSV|STOR {T}|DELE {T}", false, false, false},
        Row{"inPlace", " SIZE", nullptr, {false, false, false}, kBin, "TYPE I|EPSV|STOR f|SIZE f", true, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AtomicCut, ACutMidFileLeavesTheOldFileAndTheRestFollows) {
    Fault server;
    server.script().features = " UTF8\r\n SIZE";
    server.script().dropDataAfter = 300000;
    server.script().dropIsHangup = true;
    server.store("f", "old");
    LocalFile local(enginetest::pattern(1u << 20));
    const std::string t = local.temporary();
    Session session = enginetest::quickSession(2000);
    Sink sink;
    {
        auto c = Connection::open(session, server.host(), server.port(), "demo", "demo");
        ASSERT_TRUE(c) << c.error().message;
        const UploadOutcome o = AtomicUpload(*c.value(), local.reader, "f", kBin, {}).run(sink);
        ASSERT_FALSE(o.status);
        EXPECT_TRUE(o.temporaryKept);
    }
    EXPECT_EQ(server.uploaded("f"), "old");
    const std::string part = server.uploaded(t);
    ASSERT_GE(part.size(), 300000u);
    ASSERT_LT(part.size(), local.bytes.size());
    EXPECT_TRUE(part == local.bytes.substr(0, part.size()));

    server.script().dropDataAfter = -1;
    ASSERT_TRUE(local.reader.open(local.path));
    auto c = Connection::open(session, server.host(), server.port(), "demo", "demo");
    ASSERT_TRUE(c) << c.error().message;
    const UploadOutcome o = AtomicUpload(*c.value(), local.reader, "f", kBin, resuming()).run(sink);
    ASSERT_TRUE(o.status) << o.status.error().message;
    EXPECT_EQ(o.resumedFrom, part.size());
    EXPECT_TRUE(server.uploaded("f") == local.bytes);
    EXPECT_FALSE(server.holds(t));
}

}  // namespace
