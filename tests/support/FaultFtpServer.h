#pragma once
// A small scriptable FTP server on loopback, for what real servers will not do on demand:
// odd greetings, refused or misleading passive replies, dropped connections, silence, replies
// dribbled byte by byte, failures after an upload. It serves one control connection at a
// time on its own thread and records every command line it receives.

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class FaultFtpServer {
public:
    enum class Action {
        Reply,        // answer with `text` instead of the normal reply
        Silent,       // never answer
        Hangup,       // send `text` (if any), then close the control connection
        HangupAfter,  // answer normally, then close (an idle timeout right after this command)
        Drip,         // send `text` again every dripMs, a reply that never ends (for kDripLimitMs)
    };
    struct Rule {
        Action action = Action::Reply;
        std::string text;  // lines separated by "\r\n"; a final CRLF is added
        int times = -1;    // how many commands it applies to, -1 = all
    };
    struct Script {
        std::string greeting = "220 Fault server ready";
        std::string features = " UTF8\r\n MLST type*;size*;";  // FEAT body lines
        bool dribble = false;               // every control byte in its own write
        std::string pasvHost;               // address advertised in 227; empty = the real one
        std::string listing;                // payload of LIST, MLSD and RETR
        std::string sendFinal = "226 Done";  // reply after LIST, MLSD and RETR's data
        bool coalesceTransferReplies = false;  // 150 and 226 in one write, before the data
        std::string storFinal = "226 Transfer complete";
        long dropDataAfter = -1;            // close STOR's data connection after this many bytes
        bool dropIsHangup = false;          // and the control connection with it (the network went away)
        bool refuseRenameOntoFile = false;  // RNTO onto a stored file is 550, as IIS answers
        int dropDataTimes = -1;             // in this many uploads (-1: every one)
        long stallDataAfter = -1;           // stop reading STOR's data after this many bytes and
                                            // send storFinal while the connection stays open
        long pauseDataAfter = -1;           // stop reading STOR's data after this many bytes until
                                            // the client ends the data connection
        bool withhold150 = false;           // STOR's data connection is taken, its 150 never sent
        bool sendGreeting = true;
        bool listingWithout150 = false;     // the listing's data, then 226, and no 150 before
        int dripMs = 0;                     // listings go out dripBytes at a time, one piece per dripMs
        std::size_t dripBytes = 4;
        bool dripForever = false;           // the dripped listing starts over at its end
    };
    static constexpr int kDripLimitMs = 10000;  // a drip that "never ends" ends here, so a test cannot hang

    // port 0: any free one; another takes the place of a server that was just there.
    explicit FaultFtpServer(bool ipv6 = false, unsigned short port = 0);
    ~FaultFtpServer();
    FaultFtpServer(const FaultFtpServer&) = delete;
    FaultFtpServer& operator=(const FaultFtpServer&) = delete;

    bool listening() const { return listenFd_ >= 0; }
    unsigned short port() const { return port_; }
    std::string host() const { return ipv6_ ? "::1" : "127.0.0.1"; }

    // Set up before the client connects.
    Script& script() { return script_; }
    void on(const std::string& verb, Rule rule);

    // Every command line received ("#connect" marks each new control connection).
    std::vector<std::string> transcript() const;
    // The commands of the transcript, joined with '|', without the markers dropped: handy in
    // assertions on exact sequences.
    std::string joined() const;
    // Files are kept in memory: STOR and APPE write them, SIZE, RNFR/RNTO and DELE see them.
    std::string uploaded(const std::string& name) const;
    bool holds(const std::string& name) const;
    void store(const std::string& name, const std::string& bytes);
    int connections() const;
    bool paused() const { return paused_; }  // pauseDataAfter reached
    // How the client ended an upload's data connection: "end" (orderly) or "reset".
    std::string uploadEnding(const std::string& name) const;

private:
    void run();
    void serve(int fd);
    bool handle(int fd, const std::string& line);
    bool sendText(int fd, const std::string& text);
    std::string defaultReply(const std::string& verb, const std::string& arg, int fd, bool& close);
    std::string fileReply(const std::string& verb, const std::string& arg);
    std::string openPassive(bool extended);
    std::string transfer(int fd, const std::string& verb, const std::string& arg);
    int acceptData();
    void sendListing(int data);
    bool drip(int fd, const std::string& text);

    bool ipv6_;
    int listenFd_ = -1;
    int dataListenFd_ = -1;
    unsigned short port_ = 0;
    Script script_;
    std::map<std::string, std::vector<Rule>> rules_;
    std::string cwd_ = "/";
    mutable std::mutex mutex_;
    std::vector<std::string> transcript_;
    std::map<std::string, std::string> uploads_;
    std::string renameFrom_;
    std::size_t restartAt_ = 0;  // REST's offset for the next STOR
    std::map<std::string, std::string> endings_;
    std::atomic<bool> paused_{false};
    int connections_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace testsupport
