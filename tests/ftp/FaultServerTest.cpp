// The engine against a scripted server: exact command transcripts, and the faults real servers
// will not produce on demand.

#include <chrono>
#include <functional>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "FaultFtpServer.h"

using namespace ftp;
using enginetest::upload;
using Fault = testsupport::FaultFtpServer;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kLogin = "#connect|USER demo|PASS demo|FEAT|OPTS UTF8 ON";

class FaultServer : public ::testing::Test {
protected:
    Result<std::unique_ptr<Connection>> open(const std::string& user = "demo", const std::string& password = "demo") {
        return Connection::open(session_, server_.host(), server_.port(), user, password);
    }
    std::unique_ptr<Connection> connect() {
        auto c = open();
        EXPECT_TRUE(c) << c.error().message;
        return c ? std::move(c).value() : nullptr;
    }
    // The transcript from the first command after the login.
    std::string afterLogin() const {
        std::string all = server_.joined();
        return all.size() > kLogin.size() ? all.substr(kLogin.size() + 1) : std::string();
    }

    Session session_ = enginetest::quickSession(1000);
    Fault server_;
};

TEST_F(FaultServer, TranscriptOfASession) {
    auto c = connect();
    ASSERT_TRUE(c);
    EXPECT_EQ(server_.joined(), kLogin);
    EXPECT_EQ(c->currentDirectory().value(), "/");
    ASSERT_TRUE(c->changeDirectory("a  b"));  // two blanks: part of the name
    ASSERT_TRUE(c->createDirectory("d"));
    ASSERT_TRUE(c->removeDirectory("d"));
    ASSERT_TRUE(c->deleteFile("f"));
    ASSERT_TRUE(c->rename("x y", "z"));
    ASSERT_TRUE(upload(*c, "one", "1"));
    ASSERT_TRUE(upload(*c, "two", "22"));
    ASSERT_TRUE(upload(*c, "three", "3", TransferType::Ascii));
    ASSERT_TRUE(upload(*c, "four", "", TransferType::Unknown));
    c.reset();
    EXPECT_EQ(afterLogin(),
              "PWD|CWD a  b|PWD|MKD d|RMD d|DELE f|RNFR x y|RNTO z|"
              "TYPE I|EPSV|STOR one|EPSV|STOR two|TYPE A|EPSV|STOR three|TYPE I|EPSV|STOR four|QUIT");
    EXPECT_EQ(server_.uploaded("two"), "22");
}

TEST_F(FaultServer, AsciiModeSendsLineEndsAsCrLf) {
    auto c = connect();
    ASSERT_TRUE(c);
    // The CR of a CRLF at the end of one 100-byte block, its LF at the start of the next.
    std::string text = "a\nb\r\n" + std::string(94, 'x') + "\r\nc\n\n";
    ASSERT_EQ(text[99], '\r');
    ASSERT_TRUE(upload(*c, "t.txt", text, TransferType::Ascii));
    EXPECT_EQ(server_.uploaded("t.txt"), "a\r\nb\r\n" + std::string(94, 'x') + "\r\nc\r\n\r\n");
    ASSERT_TRUE(upload(*c, "t.bin", text, TransferType::Binary));
    EXPECT_EQ(server_.uploaded("t.bin"), text);
}

struct GreetingCase {
    const char* name;
    std::string greeting;
    bool dribble;
    bool opens;
    Protocol protocol = Protocol::Auto;
};

class Greeting : public FaultServer, public ::testing::WithParamInterface<GreetingCase> {};

TEST_P(Greeting, IsReadBeforeAnythingIsSent) {
    server_.script().greeting = GetParam().greeting;
    server_.script().dribble = GetParam().dribble;
    SshOptions ssh;
    ssh.protocol = GetParam().protocol;
    auto c = Connection::open(session_, server_.host(), server_.port(), "demo", "demo", TlsOptions::off(), ssh);
    EXPECT_EQ(bool(c), GetParam().opens);
    if (GetParam().opens) {
        EXPECT_EQ(server_.joined(), kLogin);
        EXPECT_EQ(c.value()->currentDirectory().value(), "/");
    } else {
        EXPECT_EQ(server_.joined(), "#connect") << "nothing may be sent after a refusing greeting";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, Greeting,
    ::testing::Values(GreetingCase{"multiline", "220-Welcome\r\n220-  to the\r\n 220 server\r\n220 ready", false, true},
                      GreetingCase{"waitThenReady", "120 Ready in 1 minute\r\n220 ready", false, true},
                      GreetingCase{"byteByByte", "220-Welcome\r\n220 ready", true, true},
                      GreetingCase{"busy", "421 Too many users", false, false},
                      GreetingCase{"notFtp", "HTTP/1.1 400 Bad Request", false, false},
                      GreetingCase{"notSsh", "220 ready", false, false, Protocol::Sftp}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaultServer, SilentGreetingTimesOut) {
    server_.script().sendGreeting = false;
    auto start = Clock::now();
    auto c = open();
    ASSERT_FALSE(c);
    EXPECT_EQ(c.error().kind, ErrorKind::Timeout);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
}

TEST_F(FaultServer, LoginVariants) {
    server_.on("USER", {Fault::Action::Reply, "230 No password needed", 1});
    ASSERT_TRUE(open());
    EXPECT_EQ(server_.joined(), "#connect|USER demo|FEAT|OPTS UTF8 ON|QUIT");

    server_.on("PASS", {Fault::Action::Reply, "332 Need account", 1});
    auto c = open();
    ASSERT_FALSE(c);
    EXPECT_EQ(c.error().reply.code, 332);
    EXPECT_EQ(server_.transcript().back(), "PASS demo") << "no ACCT, nothing after the refusal";
}

TEST_F(FaultServer, ControlBytesInNamesAreRefusedBeforeAnythingIsSent) {
    for (std::string bad : {std::string("a\r\nDELE b"), std::string("a\nb"), std::string("a\0b", 3), std::string("a\rb")}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(open(bad, "demo").error().kind, ErrorKind::InvalidArgument);
        EXPECT_EQ(open("demo", bad).error().kind, ErrorKind::InvalidArgument);
    }
    EXPECT_EQ(server_.connections(), 0);

    auto c = connect();
    ASSERT_TRUE(c);
    const std::string before = server_.joined();
    for (std::string bad : {std::string("a\r\nDELE b"), std::string("a\nb"), std::string("a\0b", 3)}) {
        EXPECT_EQ(c->changeDirectory(bad).error().kind, ErrorKind::InvalidArgument);
        EXPECT_EQ(c->createDirectory(bad).error().kind, ErrorKind::InvalidArgument);
        EXPECT_EQ(c->removeDirectory(bad).error().kind, ErrorKind::InvalidArgument);
        EXPECT_EQ(c->deleteFile(bad).error().kind, ErrorKind::InvalidArgument);
        EXPECT_EQ(c->rename("ok", bad).error().kind, ErrorKind::InvalidArgument);
        EXPECT_EQ(c->rename(bad, "ok").error().kind, ErrorKind::InvalidArgument);
        EXPECT_EQ(c->openFileForWrite(bad, TransferType::Binary).error().kind, ErrorKind::InvalidArgument);
    }
    EXPECT_EQ(server_.joined(), before);
}

class PassiveFallback : public FaultServer, public ::testing::WithParamInterface<const char*> {};

TEST_P(PassiveFallback, IsRememberedAndTheAdvertisedAddressIgnored) {
    server_.on("EPSV", {Fault::Action::Reply, GetParam()});
    server_.script().pasvHost = "127.0.0.2";  // nothing listens there
    auto c = connect();
    ASSERT_TRUE(c);
    ASSERT_TRUE(upload(*c, "a", "first"));
    ASSERT_TRUE(upload(*c, "b", "second"));
    EXPECT_EQ(afterLogin(), "TYPE I|EPSV|PASV|STOR a|PASV|STOR b");
    EXPECT_EQ(server_.uploaded("b"), "second");
}

INSTANTIATE_TEST_SUITE_P(EpsvAnswers, PassiveFallback,
                         ::testing::Values("500 EPSV not understood", "229 Entering Extended Passive Mode (|||1|)"));

TEST_F(FaultServer, NoPassiveModeIsAClearFailure) {
    server_.on("EPSV", {Fault::Action::Reply, "502 No"});
    server_.on("PASV", {Fault::Action::Reply, "502 No"});
    auto c = connect();
    ASSERT_TRUE(c);
    auto f = c->openFileForWrite("x", TransferType::Binary);
    ASSERT_FALSE(f);
    EXPECT_EQ(f.error().kind, ErrorKind::Refused);
    EXPECT_EQ(f.error().reply.code, 502);
    EXPECT_EQ(afterLogin(), "TYPE I|EPSV|PASV");
}

TEST_F(FaultServer, FailuresAfterTheDataAreFailedUploads) {
    auto c = connect();
    ASSERT_TRUE(c);
    server_.script().storFinal = "552 Quota exceeded";
    Status s = upload(*c, "full", enginetest::pattern(250));
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().reply.code, 552);

    // The server cuts the data connection mid-file, then says why.
    server_.script().dropDataAfter = 1000;
    s = upload(*c, "cut", enginetest::pattern(5000000));
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().reply.code, 552) << s.error().message;
    EXPECT_EQ(c->currentDirectory().value(), "/") << "the connection stays usable";

    // The server goes away instead of confirming the file.
    server_.script().dropDataAfter = -1;
    server_.script().storFinal = "421 Service closing";
    s = upload(*c, "gone", "data");
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().kind, ErrorKind::Closed);
    EXPECT_EQ(c->currentDirectory().value(), "/");
    EXPECT_EQ(server_.connections(), 2);

    // Closing waits only briefly for a server that never answers QUIT.
    server_.on("QUIT", {Fault::Action::Silent, ""});
    auto start = Clock::now();
    c.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
}

TEST_F(FaultServer, ARefusalDuringTheTransferIsHeardAtOnce) {
    session_.setTimeouts({std::chrono::milliseconds(5000), std::chrono::milliseconds(5000), std::chrono::milliseconds(5000)});
    auto c = connect();
    ASSERT_TRUE(c);
    // The server stops reading and says why, keeping the data connection open.
    server_.script().stallDataAfter = 100000;
    server_.script().storFinal = "552 Quota exceeded";
    // Waiting for the stalled write to time out would give a timeout, not the server's reason.
    Status s = upload(*c, "big", enginetest::pattern(50000000));
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().reply.code, 552);

    // A listing the server abandons after its 150.
    server_.on("MLSD", {Fault::Action::Reply, "150 Here it comes\r\n425 Cannot open data connection", 1});
    auto list = c->findFiles();
    ASSERT_FALSE(list);
    EXPECT_EQ(list.error().reply.code, 425);
    EXPECT_EQ(c->currentDirectory().value(), "/");
}

TEST_F(FaultServer, RefusedStorLeavesTheConnectionUsable) {
    server_.on("STOR", {Fault::Action::Reply, "553 Not allowed", 1});
    auto c = connect();
    ASSERT_TRUE(c);
    auto f = c->openFileForWrite("x", TransferType::Binary);
    ASSERT_FALSE(f);
    EXPECT_EQ(f.error().reply.code, 553);
    EXPECT_TRUE(upload(*c, "y", "ok"));

    // Accepted, then the data connection fails on the server's side.
    server_.on("STOR", {Fault::Action::Reply, "150 Go ahead\r\n425 Cannot open data connection", 1});
    Status s = upload(*c, "z", "data");
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().reply.code, 425);
    EXPECT_TRUE(upload(*c, "w", "ok"));
}

TEST_F(FaultServer, SilenceTimesOutAndTheNextCommandLogsInAgain) {
    auto c = connect();
    ASSERT_TRUE(c);
    for (const char* verb : {"CWD", "STOR", "MLSD"}) {
        SCOPED_TRACE(verb);
        server_.on(verb, {Fault::Action::Silent, "", 1});
        auto start = Clock::now();
        Status s = std::string(verb) == "CWD" ? c->changeDirectory("x")
                   : std::string(verb) == "STOR" ? upload(*c, "x", "data")
                                                 : c->findFiles().status();
        ASSERT_FALSE(s);
        EXPECT_EQ(s.error().kind, ErrorKind::Timeout);
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));
        EXPECT_EQ(c->currentDirectory().value(), "/");
    }
    EXPECT_EQ(server_.connections(), 4);
}

TEST_F(FaultServer, LongLinesAndLongRepliesAreBounded) {
    auto c = connect();
    ASSERT_TRUE(c);
    const std::string deep = "/" + std::string(100 * 1024, 'd');
    server_.on("PWD", {Fault::Action::Reply, "257 \"" + deep + "\"", 1});
    EXPECT_TRUE(c->currentDirectory().value() == deep);

    std::string many = "250-Here is a lot\r\n";
    for (int i = 0; i < 5000; ++i) many += " 250 line " + std::to_string(i) + "\r\n";
    server_.on("DELE", {Fault::Action::Reply, many + "250 Done", 1});
    EXPECT_TRUE(c->deleteFile("f"));

    server_.on("RMD", {Fault::Action::Reply, std::string("250 gone\0 really", 17), 1});
    Status nul = c->removeDirectory("d");
    ASSERT_FALSE(nul);
    EXPECT_EQ(nul.error().kind, ErrorKind::Protocol) << "a NUL in a reply is malformed";

    server_.on("MKD", {Fault::Action::Reply, "257 " + std::string(10 * 1024 * 1024, 'x'), 1});
    Status s = c->createDirectory("huge");
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().kind, ErrorKind::Protocol);
    EXPECT_TRUE(c->currentDirectory().value() == deep) << "logged in again, back in the deep folder";
}

TEST_F(FaultServer, RepliesAreMatchedToTheirCommands) {
    auto c = connect();
    ASSERT_TRUE(c);
    // Inner lines that look like replies do not end a multi-line reply.
    server_.on("CWD", {Fault::Action::Reply, "250-Welcome\r\n257 \"/wrong\"\r\n250-x\r\n250 Done", 1});
    ASSERT_TRUE(c->changeDirectory("sub"));
    EXPECT_EQ(c->currentDirectory().value(), "/");
    // A late reply after a transfer is dropped, never taken as the next command's answer.
    server_.script().storFinal = "226 Done\r\n426 Late complaint";
    ASSERT_TRUE(upload(*c, "f", "x"));
    EXPECT_EQ(c->currentDirectory().value(), "/");
}

TEST_F(FaultServer, WholeSessionWithRepliesSplitByteByByte) {
    server_.script().dribble = true;
    server_.script().listing = "type=dir;size=0; a dir\r\ntype=file;size=12; a file\r\n";
    auto c = connect();
    ASSERT_TRUE(c);
    EXPECT_EQ(c->currentDirectory().value(), "/");
    auto list = c->findFiles();
    ASSERT_TRUE(list) << list.error().message;
    ASSERT_EQ(list.value()->entries().size(), 2u);
    EXPECT_TRUE(list.value()->entries()[0].isDirectory());
    EXPECT_EQ(list.value()->entries()[1].size, 12u);
    EXPECT_TRUE(upload(*c, "u", "data"));
}

TEST_F(FaultServer, ListingsWithoutMlsd) {
    server_.script().features = " UTF8";
    server_.script().coalesceTransferReplies = true;  // 150 and 226 before the data
    server_.script().listing =
        "drwxr-xr-x 2 u g 4096 Jan 01 2024 d\r\n-rw-r--r-- 1 u g 7 Jan 01 12:00 f g\r\n"
        "-rw-r--r-- 1 u g 1 Jan 01 12:00 a/b\r\nnot a listing line\r\n";
    auto c = connect();
    ASSERT_TRUE(c);
    auto list = c->findFiles("*.*");
    ASSERT_TRUE(list) << list.error().message;
    ASSERT_EQ(list.value()->entries().size(), 2u) << "a name that is not one path segment is dropped";
    EXPECT_EQ(list.value()->unreadableLines(), 1u);
    EXPECT_EQ(list.value()->entries()[1].name, "f g");
    EXPECT_EQ(c->currentDirectory().value(), "/");

    server_.on("LIST", {Fault::Action::Reply, "450 No files found", 1});
    auto empty = c->findFiles();
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty.value()->entries().empty());
    EXPECT_EQ(c->currentDirectory().value(), "/");
    EXPECT_EQ(afterLogin(), "EPSV|LIST|PWD|EPSV|LIST|PWD");
}

// What a failed call says: the step it was in, or the server's failure reply; never a
// positive reply that merely came last.
std::string outcome(const Status& s) {
    if (s) return "ok";
    const Reply& r = s.error().reply;
    return s.error().message + (r.code ? " [" + std::to_string(r.code) + "]" : std::string());
}

std::string listed(Connection& c) {
    auto f = c.findFiles();
    return f ? std::to_string(f.value()->entries().size()) + " entries" : outcome(f.status());
}

std::string lines(int n, const std::string& prefix) {
    std::string out;
    for (int i = 0; i < n; ++i) out += prefix + std::to_string(i) + "\r\n";
    return out;
}

struct HostileCase {
    const char* name;
    std::function<void(Fault&, Limits&)> setUp;
    std::function<std::string(Connection&)> call;
    std::string expected;
};

class Hostile : public FaultServer, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(Hostile, ServerIsBoundedAndTheCauseNamed) {
    Limits limits;
    limits.minimumRate = {256, std::chrono::milliseconds(500)};
    GetParam().setUp(server_, limits);
    session_.setLimits(limits);
    auto c = connect();
    ASSERT_TRUE(c);
    EXPECT_EQ(GetParam().call(*c), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Hostile,
    ::testing::Values(
        HostileCase{"listingWithout150", [](Fault& f, Limits&) {
                        f.script().listingWithout150 = true;
                        f.script().listing = lines(2, "type=file;size=1; f");
                    }, listed, "2 entries"},
        HostileCase{"listingThatDrips", [](Fault& f, Limits&) {
                        f.script().listing = "type=file;size=1; f\r\n";
                        f.script().dripMs = 50;
                        f.script().dripForever = true;
                    }, listed, "the listing came in under 256 bytes in 500 ms"},
        HostileCase{"slowListingThatLives", [](Fault& f, Limits&) {
                        f.script().listing = lines(40, "type=file;size=1; name_");
                        f.script().dripMs = 20;
                        f.script().dripBytes = 32;
                    }, listed, "40 entries"},
        HostileCase{"replyThatDrips", [](Fault& f, Limits&) {
                        f.script().dripMs = 50;
                        f.on("CWD", {Fault::Action::Drip, "250-still here"});
                    }, [](Connection& c) { return outcome(c.changeDirectory("x")); },
                    "the server's reply to CWD came in under 256 bytes in 500 ms"},
        HostileCase{"tooManyEntries", [](Fault& f, Limits& l) {
                        f.script().features = "";
                        f.script().listing = lines(101, "+\t");
                        l.listingEntries = 100;
                    }, listed, "the listing has more than 100 entries"},
        HostileCase{"listingNeverAnswers", [](Fault& f, Limits&) { f.on("MLSD", {Fault::Action::Silent, ""}); },
                    listed, "the listing did not answer within 1 s"},
        HostileCase{"closedAfter150", [](Fault& f, Limits&) {
                        f.on("MLSD", {Fault::Action::Hangup, "150 Here it comes"});
                    }, listed, "the server closed the connection during the listing"},
        HostileCase{"uploadNeverAnswers", [](Fault& f, Limits&) { f.on("STOR", {Fault::Action::Silent, ""}); },
                    [](Connection& c) { return outcome(upload(c, "x", "data")); },
                    "the upload of x did not answer within 1 s"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaultServer, IdleCloseLogsInAgainAndReturnsToTheDirectory) {
    auto c = connect();
    ASSERT_TRUE(c);
    ASSERT_TRUE(c->changeDirectory("/a"));
    // Closed while idle (end of stream before the next command).
    server_.on("PWD", {Fault::Action::HangupAfter, "", 1});
    ASSERT_TRUE(c->currentDirectory());
    ASSERT_TRUE(c->createDirectory("b"));
    // Answered with 421.
    server_.on("DELE", {Fault::Action::Hangup, "421 Idle timeout", 1});
    ASSERT_TRUE(c->deleteFile("f"));
    EXPECT_EQ(afterLogin(), "CWD /a|PWD|" + kLogin + "|CWD /a|MKD b|DELE f|" + kLogin + "|CWD /a|DELE f");

    // When the server keeps hanging up the command fails after one more try.
    server_.on("RMD", {Fault::Action::Hangup, "421 Go away"});
    Status s = c->removeDirectory("b");
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().kind, ErrorKind::Closed);
    EXPECT_EQ(server_.connections(), 4);

    // A new login the server refuses is what the caller hears, not the hang-up that called for it.
    c = connect();
    server_.on("MKD", {Fault::Action::Hangup, "421 Idle timeout", 1});
    server_.on("PASS", {Fault::Action::Reply, "530 Not now", 1});
    s = c->createDirectory("c");
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().reply.code, 530);
    EXPECT_NE(s.error().message.find("(421 Idle timeout) and logging in again failed"), std::string::npos)
        << s.error().message;
}

TEST_F(FaultServer, WaitHookRunsWhileWaitingAndCanCancel) {
    int calls = 0;
    session_.setWaitHook([&] { return ++calls < 20; });
    auto c = connect();
    ASSERT_TRUE(c);
    server_.on("CWD", {Fault::Action::Silent, "", 1});
    calls = 0;
    Status s = c->changeDirectory("x");
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().kind, ErrorKind::Cancelled);
    EXPECT_EQ(calls, 20);
}

TEST_F(FaultServer, AHookThatReentersTheConnectionIsTurnedAway) {
    // A click handled while we wait must not start a second command on the same connection.
    Connection* raw = nullptr;
    std::optional<ErrorKind> reentered;
    session_.setWaitHook([&] {
        if (raw && !reentered) reentered = raw->createDirectory("again").error().kind;
        return true;
    });
    auto c = connect();
    ASSERT_TRUE(c);
    raw = c.get();
    server_.on("PWD", {Fault::Action::Silent, "", 1});
    EXPECT_FALSE(c->currentDirectory());
    ASSERT_TRUE(reentered);
    EXPECT_EQ(*reentered, ErrorKind::InvalidArgument);
    EXPECT_EQ(server_.transcript().back(), "PWD");
}

TEST(FaultServerIpv6, ExtendedPassiveOnly) {
    Fault server(true);
    if (!server.listening()) GTEST_SKIP() << "no IPv6 loopback on this machine";
    Session session = enginetest::quickSession(1000);
    auto c = Connection::open(session, "::1", server.port(), "demo", "demo");
    ASSERT_TRUE(c) << c.error().message;
    ASSERT_TRUE(upload(*c.value(), "six", "v6"));
    EXPECT_EQ(server.uploaded("six"), "v6");
    server.on("EPSV", {Fault::Action::Reply, "500 No"});
    EXPECT_FALSE(upload(*c.value(), "seven", "v6")) << "PASV cannot reach an IPv6 peer";
    EXPECT_EQ(server.transcript().back(), "EPSV");
}

}  // namespace
