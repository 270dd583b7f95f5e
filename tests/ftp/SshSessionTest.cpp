// Starting SSH sessions: the host key question before any login, the ways of logging in, the
// protocol choice, a server that never speaks. Against sshd and the paramiko fault server.

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "SftpFaultServer.h"
#include "SshdProcess.h"
#include "ftp/sftp/SshSession.h"

using namespace ftp;
using testsupport::readFile;
using testsupport::writeFile;
using Clock = std::chrono::steady_clock;

namespace {

// The user's own keys and agent must never take part: HOME is a fresh folder, no agent.
class NoUserKeys : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"HOME", "SSH_AUTH_SOCK"}) {
            const char* v = std::getenv(name);
            saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
        ::setenv("HOME", home_.path().c_str(), 1);
        ::unsetenv("SSH_AUTH_SOCK");
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_)
            value ? (void)::setenv(name.c_str(), value->c_str(), 1) : (void)::unsetenv(name.c_str());
    }
    Result<std::unique_ptr<Connection>> open(std::uint16_t port, const std::string& user, const std::string& password,
                                             const SshOptions& ssh) {
        return Connection::open(session_, "127.0.0.1", port, user, password, TlsOptions::off(), ssh);
    }
    SshOptions asking(std::vector<HostKeyQuestion>& asked, TrustAnswer answer) const {
        SshOptions o;
        o.knownHostsPath = home_.file("known_hosts");
        o.keyStorePath = home_.file("store/host-keys");
        o.useAgent = false;
        o.prompt = [&asked, answer](const HostKeyQuestion& q) {
            asked.push_back(q);
            return answer;
        };
        return o;
    }

    testsupport::TempDir home_;
    Session session_ = enginetest::quickSession();
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class SshdKeys : public NoUserKeys {
protected:
    void SetUp() override {
        NoUserKeys::SetUp();
        if (!sshd_.running()) FAIL() << "sshd unavailable: " << sshd_.whyNot();
    }
    Result<std::unique_ptr<Connection>> open(const SshOptions& ssh) {
        return NoUserKeys::open(sshd_.port(), sshd_.user(), "", ssh);
    }
    SshOptions asking(std::vector<HostKeyQuestion>& asked, TrustAnswer answer) const {
        SshOptions o = NoUserKeys::asking(asked, answer);
        o.keyFolder = sshd_.keyFolder();
        return o;
    }
    testsupport::SshdProcess sshd_;
};

struct AnswerCase {
    const char* name;
    TrustAnswer answer;
    bool opens;
    bool remembered;
    bool storeBroken = false;  // the store cannot be written: "Always" must fail, not pass
};

class HostKeyAnswer : public SshdKeys, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(HostKeyAnswer, IsAskedBeforeAnyLoginAndKeptOnlyWhenAlways) {
    std::vector<HostKeyQuestion> asked;
    SshOptions ssh = asking(asked, GetParam().answer);
    if (GetParam().storeBroken) ssh.keyStorePath = "/proc/pelicano/host-keys";  // reads as empty, never written
    auto c = open(ssh);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].key.type, sshd_.hostKey().type);
    EXPECT_EQ(asked[0].key.fingerprint, sshd_.hostKey().fingerprint);
    EXPECT_EQ(asked[0].port, sshd_.port());
    EXPECT_EQ(asked[0].rememberedFingerprint, "");
    ASSERT_EQ(bool(c), GetParam().opens) << (c ? "" : c.error().message);
    if (c) {
        ASSERT_TRUE(c.value()->sshStatus());
        EXPECT_EQ(c.value()->sshStatus()->key.fingerprint, sshd_.hostKey().fingerprint);
    } else {
        EXPECT_EQ(c.error().kind, GetParam().storeBroken ? ErrorKind::TrustStore : ErrorKind::HostKey);
        ASSERT_TRUE(c.error().hostKey);  // a store error too: it must be told as the host keys'
        EXPECT_EQ(c.error().hostKey->key.fingerprint, sshd_.hostKey().fingerprint);
        EXPECT_EQ(sshd_.log().find("for " + sshd_.user()), std::string::npos) << "a login began: " << sshd_.log();
    }
    EXPECT_EQ(std::filesystem::exists(home_.file("store/host-keys")), GetParam().remembered);

    // Remembered: the next connection asks nothing.
    asked.clear();
    EXPECT_EQ(bool(open(asking(asked, TrustAnswer::Cancel))), GetParam().remembered);
    EXPECT_EQ(asked.empty(), GetParam().remembered);
}

INSTANTIATE_TEST_SUITE_P(Answers, HostKeyAnswer,
                         ::testing::Values(AnswerCase{"cancel", TrustAnswer::Cancel, false, false},
                                           AnswerCase{"thisTime", TrustAnswer::ThisTime, true, false},
                                           AnswerCase{"always", TrustAnswer::Always, true, true},
                                           AnswerCase{"alwaysWithoutStore", TrustAnswer::Always, false, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SshdKeys, KnownHostsAreTrustedAndAChangedKeyShowsBothFingerprints) {
    writeFile(home_.file("known_hosts"), sshd_.knownHostsLine() + "\n");
    std::vector<HostKeyQuestion> asked;
    auto first = open(asking(asked, TrustAnswer::Cancel));
    ASSERT_TRUE(first) << first.error().message;
    EXPECT_TRUE(asked.empty());
    first.value().reset();

    const std::string old = sshd_.hostKey().fingerprint;
    ASSERT_TRUE(sshd_.restartWithNewHostKey()) << sshd_.whyNot();
    auto c = open(asking(asked, TrustAnswer::Cancel));
    ASSERT_FALSE(c);
    EXPECT_EQ(c.error().kind, ErrorKind::HostKey);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].rememberedFingerprint, old);
    EXPECT_EQ(asked[0].key.fingerprint, sshd_.hostKey().fingerprint);
    EXPECT_EQ(readFile(home_.file("known_hosts")).find(sshd_.hostKey().base64), std::string::npos)
        << "the user's known_hosts is never written";
}

TEST_F(SshdKeys, AutoFindsSshByItsGreeting) {
    std::vector<HostKeyQuestion> asked;
    SshOptions ssh = asking(asked, TrustAnswer::Cancel);
    ssh.trustedFingerprint = sshd_.hostKey().fingerprint;
    ASSERT_EQ(ssh.protocol, Protocol::Auto);
    auto c = open(ssh);
    ASSERT_TRUE(c) << c.error().message;
    EXPECT_TRUE(asked.empty());
    auto status = c.value()->sshStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->protocol.rfind("SSH-2.0-OpenSSH", 0), 0u) << status->protocol;
    EXPECT_FALSE(status->cipher.empty());
    EXPECT_EQ(status->key.type, sshd_.hostKey().type);
}

TEST_F(SshdKeys, TheAgentsKeysLogInWhenAllowed) {
    // An agent of the test's own, holding the only key the server takes.
    const std::string socket = home_.file("agent.sock");
    const std::string started = home_.file("agent.out");
    ASSERT_EQ(std::system(("ssh-agent -a " + socket + " > " + started).c_str()), 0);
    const std::string out = readFile(started);
    const auto at = out.find("SSH_AGENT_PID=");
    ASSERT_NE(at, std::string::npos) << out;
    const pid_t agent = std::atoi(out.c_str() + at + 14);
    ::setenv("SSH_AUTH_SOCK", socket.c_str(), 1);
    const bool added = std::system(("ssh-add -q " + sshd_.clientKey() + " 2>/dev/null").c_str()) == 0;

    std::vector<HostKeyQuestion> asked;
    SshOptions ssh = NoUserKeys::asking(asked, TrustAnswer::Cancel);
    ssh.trustedFingerprint = sshd_.hostKey().fingerprint;
    auto refused = open(ssh);
    ssh.useAgent = true;
    auto c = open(ssh);
    ::kill(agent, SIGTERM);
    ASSERT_TRUE(added);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, ErrorKind::Refused) << refused.error().message;
    EXPECT_TRUE(c) << c.error().message;
}

struct LoginCase {
    const char* name;
    std::string offered;
    std::string password;
    bool opens;
    ErrorKind failure = ErrorKind::Refused;
    std::string ciphers = {}, macs = {};  // the server's only ones; empty: its usual list
    int replyDelayMs = 0;
    MinimumRate rate = {};
};

class FaultLogin : public NoUserKeys, public ::testing::WithParamInterface<LoginCase> {};

TEST_P(FaultLogin, PasswordWaysAndRefusal) {
    testsupport::SftpFaultOptions options;
    options.auth = GetParam().offered;
    options.ciphers = GetParam().ciphers;
    options.macs = GetParam().macs;
    options.replyDelayMs = GetParam().replyDelayMs;
    session_.setLimits({.minimumRate = GetParam().rate});
    testsupport::SftpFaultServer server(options);
    if (!server.running()) FAIL() << "fault server unavailable: " << server.whyNot();
    std::vector<HostKeyQuestion> asked;
    SshOptions ssh = asking(asked, TrustAnswer::Cancel);
    ssh.protocol = Protocol::Sftp;
    ssh.trustedFingerprint = server.hostKey().fingerprint;
    auto c = open(server.port(), "demo", GetParam().password, ssh);
    ASSERT_EQ(bool(c), GetParam().opens) << (c ? "" : c.error().message);
    if (c) {
        EXPECT_TRUE(c.value()->sshStatus());
    } else {
        EXPECT_EQ(c.error().kind, GetParam().failure) << c.error().message;
        EXPECT_EQ(c.error().message.find(GetParam().password), std::string::npos);
    }
}

// Half a second of waiting may carry no less than 1 MiB: far more than a login moves.
const MinimumRate kHeavyRate{1u << 20, std::chrono::milliseconds(500)};

INSTANTIATE_TEST_SUITE_P(Ways, FaultLogin,
                         ::testing::Values(LoginCase{"password", "password", "demo", true},
                                           LoginCase{"keyboardInteractive", "keyboard-interactive", "demo", true},
                                           LoginCase{"wrongPassword", "password,keyboard-interactive", "wrong", false},
                                           // A server offering only weak methods is not spoken to.
                                           LoginCase{"weakCipher", "password", "demo", false, ErrorKind::Protocol, "3des-cbc"},
                                           LoginCase{"weakMac", "password", "demo", false, ErrorKind::Protocol, "", "hmac-md5"},
                                           // Each wait ends well within its timeout, yet too little moves.
                                           LoginCase{"tooSlow", "password", "demo", false, ErrorKind::TooSlow, "", "", 700, kHeavyRate}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SshSession, AServerThatNeverSpeaksTimesOut) {
    // The kernel completes the connection from the backlog; nobody ever accepts it.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length), 0);
    const std::uint16_t port = ntohs(a.sin_port);

    Session session = enginetest::quickSession(500);
    Waiter waiter(session.waitHook());
    auto socket = Socket::connect(resolve("127.0.0.1", port, waiter, std::chrono::seconds(1)).value(), waiter,
                                  std::chrono::seconds(1));
    ASSERT_TRUE(socket);
    const auto start = Clock::now();
    auto s = SshSession::start(session, std::move(socket).value(), "127.0.0.1", port, "u", "p", SshOptions{});
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().kind, ErrorKind::Timeout) << s.error().message;
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    ::close(listener);
}

}  // namespace
