#include "FaultFtpServer.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

namespace {

constexpr int kPollMs = 20;
constexpr int kDataAcceptMs = 3000;

// Waits for `fd` to be readable while watching the stop flag; false on stop or timeout.
bool waitReadable(int fd, const std::atomic<bool>& stop, int timeoutMs) {
    for (int waited = 0; !stop && (timeoutMs < 0 || waited < timeoutMs); waited += kPollMs) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kPollMs) > 0) return true;
    }
    return false;
}

int listenOn(bool ipv6, unsigned short* port) {
    int fd = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_storage ss{};
    socklen_t len;
    if (ipv6) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&ss);
        a->sin6_family = AF_INET6;
        a->sin6_addr = in6addr_loopback;
        a->sin6_port = htons(*port);
        len = sizeof *a;
    } else {
        auto* a = reinterpret_cast<sockaddr_in*>(&ss);
        a->sin_family = AF_INET;
        a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a->sin_port = htons(*port);
        len = sizeof *a;
    }
    if (bind(fd, reinterpret_cast<sockaddr*>(&ss), len) != 0 || listen(fd, 8) != 0) {
        close(fd);
        return -1;
    }
    getsockname(fd, reinterpret_cast<sockaddr*>(&ss), &len);
    *port = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port : reinterpret_cast<sockaddr_in*>(&ss)->sin_port);
    return fd;
}

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

std::string quotePath(const std::string& path) {
    std::string out = "\"";
    for (char c : path) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

FaultFtpServer::FaultFtpServer(bool ipv6, unsigned short port) : ipv6_(ipv6), port_(port) {
    listenFd_ = listenOn(ipv6_, &port_);
    if (listenFd_ >= 0) thread_ = std::thread([this] { run(); });
}

FaultFtpServer::~FaultFtpServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (dataListenFd_ >= 0) close(dataListenFd_);
    if (listenFd_ >= 0) close(listenFd_);
}

void FaultFtpServer::on(const std::string& verb, Rule rule) {
    std::lock_guard lock(mutex_);
    rules_[upper(verb)].push_back(std::move(rule));
}

std::vector<std::string> FaultFtpServer::transcript() const {
    std::lock_guard lock(mutex_);
    return transcript_;
}

std::string FaultFtpServer::joined() const {
    std::string out;
    for (const auto& line : transcript()) out += (out.empty() ? "" : "|") + line;
    return out;
}

std::string FaultFtpServer::uploaded(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto it = uploads_.find(name);
    return it == uploads_.end() ? std::string() : it->second;
}

bool FaultFtpServer::holds(const std::string& name) const {
    std::lock_guard lock(mutex_);
    return uploads_.count(name) > 0;
}

void FaultFtpServer::store(const std::string& name, const std::string& bytes) {
    std::lock_guard lock(mutex_);
    uploads_[name] = bytes;
}

std::string FaultFtpServer::uploadEnding(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto it = endings_.find(name);
    return it == endings_.end() ? std::string() : it->second;
}

int FaultFtpServer::connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

void FaultFtpServer::run() {
    while (!stop_) {
        if (!waitReadable(listenFd_, stop_, -1)) break;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        {
            std::lock_guard lock(mutex_);
            ++connections_;
            transcript_.push_back("#connect");
            cwd_ = "/";
        }
        serve(fd);
        close(fd);
    }
}

bool FaultFtpServer::sendText(int fd, const std::string& text) {
    std::string bytes = text + "\r\n";
    if (!script_.dribble) return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    for (char c : bytes) {
        if (send(fd, &c, 1, MSG_NOSIGNAL) != 1) return false;
        usleep(200);
    }
    return true;
}

void FaultFtpServer::serve(int fd) {
    if (script_.sendGreeting && !sendText(fd, script_.greeting)) return;
    if (script_.greeting.rfind("421", 0) == 0) return;
    std::string buffer;
    char chunk[4096];
    while (!stop_) {
        std::size_t eol;
        while ((eol = buffer.find('\n')) != std::string::npos) {
            std::string line = buffer.substr(0, eol);
            buffer.erase(0, eol + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!handle(fd, line)) return;
        }
        if (!waitReadable(fd, stop_, -1)) return;
        ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) return;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

bool FaultFtpServer::handle(int fd, const std::string& line) {
    auto space = line.find(' ');
    std::string verb = upper(line.substr(0, space));
    std::string arg = space == std::string::npos ? std::string() : line.substr(space + 1);
    Rule rule;
    bool ruled = false;
    {
        std::lock_guard lock(mutex_);
        transcript_.push_back(line);
        auto it = rules_.find(verb);
        if (it != rules_.end()) {
            for (auto& r : it->second) {
                if (r.times == 0) continue;
                if (r.times > 0) --r.times;
                rule = r;
                ruled = true;
                break;
            }
        }
    }
    if (ruled && rule.action == Action::Silent) return true;
    if (ruled && rule.action == Action::Hangup) {
        if (!rule.text.empty()) sendText(fd, rule.text);
        return false;
    }
    if (ruled && rule.action == Action::Reply) return sendText(fd, rule.text);
    if (ruled && rule.action == Action::Drip) return drip(fd, rule.text);
    bool close = false;
    std::string reply = defaultReply(verb, arg, fd, close);
    if (!reply.empty() && !sendText(fd, reply)) return false;
    if (ruled && rule.action == Action::HangupAfter) return false;
    return !close;
}

std::string FaultFtpServer::defaultReply(const std::string& verb, const std::string& arg, int fd, bool& close) {
    if (verb == "USER") return "331 Password please";
    if (verb == "PASS") return arg == "demo" ? "230 Logged in" : "530 Login incorrect";
    if (verb == "FEAT") return script_.features.empty() ? "211 No features" : "211-Features:\r\n" + script_.features + "\r\n211 End";
    if (verb == "OPTS" || verb == "TYPE") return "200 OK";
    if (verb == "PWD") return "257 " + quotePath(cwd_) + " is the current directory";
    if (verb == "CWD") {
        std::lock_guard lock(mutex_);
        if (!arg.empty() && arg[0] == '/') cwd_ = arg;
        else cwd_ = (cwd_ == "/" ? "/" : cwd_ + "/") + arg;
        return "250 OK";
    }
    if (verb == "MKD") return "257 " + quotePath(arg) + " created";
    if (verb == "RMD") return "250 OK";
    if (verb == "REST") {
        restartAt_ = std::strtoul(arg.c_str(), nullptr, 10);
        return "350 Restarting at " + arg;
    }
    if (verb == "SIZE" || verb == "DELE" || verb == "RNFR" || verb == "RNTO") return fileReply(verb, arg);
    if (verb == "EPSV") return openPassive(true);
    if (verb == "PASV") return openPassive(false);
    if (verb == "STOR" || verb == "APPE" || verb == "LIST" || verb == "MLSD" || verb == "RETR")
        return transfer(fd, verb, arg);
    if (verb == "QUIT") {
        close = true;
        return "221 Bye";
    }
    return "502 Not implemented";
}

// Names the server does not hold are still deleted and renamed without complaint (transcripts
// of other tests rely on it); a stored file moves with its name.
std::string FaultFtpServer::fileReply(const std::string& verb, const std::string& arg) {
    std::lock_guard lock(mutex_);
    auto it = uploads_.find(verb == "RNTO" ? renameFrom_ : arg);
    if (verb == "SIZE") return it == uploads_.end() ? "550 No such file" : "213 " + std::to_string(it->second.size());
    if (verb == "RNFR") {
        renameFrom_ = arg;
        return "350 Ready for RNTO";
    }
    if (verb == "RNTO" && it != uploads_.end()) {
        if (script_.refuseRenameOntoFile && uploads_.count(arg))
            return "550 Cannot create a file when that file already exists.";
        std::string bytes = std::move(it->second);
        uploads_.erase(it);
        uploads_[arg] = std::move(bytes);
    }
    if (verb == "DELE" && it != uploads_.end()) uploads_.erase(it);
    return "250 OK";
}

std::string FaultFtpServer::openPassive(bool extended) {
    if (dataListenFd_ >= 0) ::close(dataListenFd_);
    unsigned short port = 0;
    dataListenFd_ = listenOn(ipv6_, &port);
    if (dataListenFd_ < 0) return "425 Cannot open data port";
    if (extended) return "229 Entering Extended Passive Mode (|||" + std::to_string(port) + "|)";
    std::string host = script_.pasvHost.empty() ? "127.0.0.1" : script_.pasvHost;
    std::replace(host.begin(), host.end(), '.', ',');
    return "227 Entering Passive Mode (" + host + "," + std::to_string(port / 256) + "," + std::to_string(port % 256) + ")";
}

int FaultFtpServer::acceptData() {
    if (dataListenFd_ < 0) return -1;
    int fd = -1;
    if (waitReadable(dataListenFd_, stop_, kDataAcceptMs)) fd = accept4(dataListenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    ::close(dataListenFd_);
    dataListenFd_ = -1;
    return fd;
}

void FaultFtpServer::sendListing(int data) {
    const std::string& all = script_.listing;
    if (script_.dripMs <= 0 || all.empty()) {
        send(data, all.data(), all.size(), MSG_NOSIGNAL);
        return;
    }
    std::size_t at = 0;
    for (int waited = 0; !stop_ && waited < kDripLimitMs; waited += script_.dripMs) {
        if (at >= all.size()) {
            if (!script_.dripForever) return;
            at = 0;
        }
        const std::size_t n = std::min(script_.dripBytes, all.size() - at);
        if (send(data, all.data() + at, n, MSG_NOSIGNAL) != static_cast<ssize_t>(n)) return;
        at += n;
        usleep(script_.dripMs * 1000);
    }
}

bool FaultFtpServer::drip(int fd, const std::string& text) {
    for (int waited = 0; !stop_ && waited < kDripLimitMs; waited += script_.dripMs) {
        if (!sendText(fd, text)) return false;
        usleep(script_.dripMs * 1000);
    }
    return false;
}

std::string FaultFtpServer::transfer(int fd, const std::string& verb, const std::string& arg) {
    int data = acceptData();
    if (data < 0) return "425 No data connection";
    if (verb != "STOR" && verb != "APPE") {
        if (script_.listingWithout150) {
            sendListing(data);
            ::close(data);
            return "226 Done";
        }
        if (script_.coalesceTransferReplies) {
            sendText(fd, "150 Here it comes\r\n226 Done");
        } else {
            sendText(fd, "150 Here it comes");
        }
        sendListing(data);
        ::close(data);
        return script_.coalesceTransferReplies ? std::string() : script_.sendFinal;
    }
    if (!script_.withhold150) sendText(fd, "150 Send it");
    std::string received;
    char chunk[65536];
    std::string ending = "end";
    bool cut = false;
    while (waitReadable(data, stop_, 10000)) {
        if (script_.pauseDataAfter >= 0 && static_cast<long>(received.size()) >= script_.pauseDataAfter) {
            paused_ = true;
            pollfd p{data, POLLRDHUP, 0};  // the client's end, a FIN or a reset, without reading on
            while (!stop_ && poll(&p, 1, 50) == 0) {}
            int error = 0;
            socklen_t len = sizeof error;
            getsockopt(data, SOL_SOCKET, SO_ERROR, &error, &len);
            ending = (p.revents & POLLERR) || error == ECONNRESET ? "reset" : "end";
            break;
        }
        ssize_t n = recv(data, chunk, sizeof chunk, 0);
        if (n < 0 && errno == ECONNRESET) ending = "reset";
        if (n <= 0) break;
        received.append(chunk, static_cast<std::size_t>(n));
        if (script_.stallDataAfter >= 0 && static_cast<long>(received.size()) >= script_.stallDataAfter) {
            sendText(fd, script_.storFinal);
            // Read no more; wait for the client to give up on the data connection.
            for (int i = 0; i < 100 && !stop_; ++i) {
                pollfd p{data, POLLRDHUP, 0};
                if (poll(&p, 1, 50) > 0) break;
            }
            ::close(data);
            return std::string();
        }
        if (script_.dropDataAfter >= 0 && script_.dropDataTimes != 0 &&
            static_cast<long>(received.size()) >= script_.dropDataAfter) {
            if (script_.dropDataTimes > 0) --script_.dropDataTimes;
            cut = true;
            linger l{1, 0};
            setsockopt(data, SOL_SOCKET, SO_LINGER, &l, sizeof l);
            break;
        }
    }
    ::close(data);
    {
        std::lock_guard lock(mutex_);
        if (verb == "APPE")
            uploads_[arg] += received;
        else
            uploads_[arg] = uploads_[arg].substr(0, restartAt_) + received;
        restartAt_ = 0;
        endings_[arg] = ending;
    }
    // Only now, so a client that sees the hang-up finds the part stored.
    if (script_.dropIsHangup && cut) ::shutdown(fd, SHUT_RDWR);
    return script_.storFinal;
}

}  // namespace testsupport
