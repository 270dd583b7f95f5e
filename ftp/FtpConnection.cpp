#include "FtpConnection.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>

#include "BusyFlag.h"
#include "ListingCollector.h"
#include "RateGuard.h"
#include "ReplyParsers.h"
#include "Download.h"
#include "Upload.h"
#include "Wipe.h"

namespace ftp {

namespace {

constexpr std::chrono::milliseconds kQuitWait{1000};

Error invalid(const std::string& message) { return Error{ErrorKind::InvalidArgument, message, {}}; }

Error refused(const std::string& what, const Reply& r) {
    return Error{ErrorKind::Refused, what + ": " + r.text, r};  // the text starts with the code
}

bool isCode(const Reply& r, int hundreds) { return r.code / 100 == hundreds; }

std::pair<Result<Reply>, Result<Reply>> twice(const Error& e) { return {e, e}; }

// Names the step a wait or a hang-up interrupted, rather than the last reply seen.
Error during(Error e, const std::string& step, std::chrono::milliseconds wait) {
    if (e.kind == ErrorKind::Timeout) e.message = step + " did not answer within " + durationText(wait);
    if (e.kind == ErrorKind::Closed && e.reply.code == 0) e.message = "the server closed the connection during " + step;
    return e;
}

// The hang-up only made us log in again; why that failed is what the caller must hear.
Error afterHangUp(const Error& hangUp, Error e) {
    const std::string why = hangUp.reply.code ? " (" + hangUp.reply.text + ")" : "";
    e.message = "the server closed the connection" + why + " and logging in again failed: " + e.message;
    return e;
}

}  // namespace

bool isSafeArgument(const std::string& arg) {
    return arg.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

FtpConnection::FtpConnection(const Session& session, Credentials credentials, TlsOptions tls)
    : timeouts_(session.timeouts()),
      limits_(session.limits()),
      hook_(session.waitHook()),
      waiter_(hook_),
      credentials_(std::move(credentials)),
      control_(waiter_, timeouts_),
      tls_(std::move(tls)) {
    control_.setMinimumRate(limits_.minimumRate);
}

FtpConnection::~FtpConnection() {
    if (upload_) upload_->detach();
    if (download_) download_->detach();
    upload_ = nullptr;
    download_ = nullptr;
    if (control_.isOpen() && control_.send("QUIT")) (void)control_.finalReply(std::min(kQuitWait, timeouts_.reply));
    control_.close();
    wipe(credentials_.password);  // kept until now only for a fresh login after an idle close
}

void FtpConnection::uploadFinished(Upload* upload) {
    if (upload_ == upload) upload_ = nullptr;
}

void FtpConnection::downloadFinished(Download* download) {
    if (download_ == download) download_ = nullptr;
}

Status FtpConnection::login(Socket connected) {
    if (connected.isOpen()) {
        control_.adopt(std::move(connected));
    } else {
        auto addresses = resolve(credentials_.host, credentials_.port, waiter_, timeouts_.connect);
        if (addresses.failed()) return addresses.error();
        if (Status s = control_.connect(addresses.value()); s.failed()) return s;
    }
    type_ = 0;
    if (Status s = secureFromStart(); s.failed()) return s;
    if (Status s = readGreeting(); s.failed()) return s;
    const bool preAuthenticated = control_.lastReply().code == 230;
    if (Status s = secureBeforeLogin(); s.failed()) return s;
    if (!preAuthenticated || control_.socket().tls()) {  // a pre-authenticated greeting needs no USER
        if (Status s = logIn(); s.failed()) return s;
    }
    if (Status s = protectData(); s.failed()) return s;
    readFeatures();
    if (!control_.isOpen()) return Error{ErrorKind::Closed, "the server closed the connection after the login", {}};
    return Status::ok();
}

Status FtpConnection::readGreeting() {
    for (;;) {
        // "120 ready in n minutes" is only a promise; the real greeting follows.
        auto r = control_.reply(timeouts_.connect);
        if (r.failed()) return r.error();
        if (isCode(r.value(), 1)) continue;
        if (isCode(r.value(), 2)) return Status::ok();
        control_.close();
        return refused("server refused the connection", r.value());
    }
}

Status FtpConnection::logIn() {
    auto r = control_.command("USER " + credentials_.user);
    if (r.failed()) return r.error();
    if (isCode(r.value(), 2)) return Status::ok();  // no password needed
    if (r.value().code != 331) {
        control_.close();
        return refused("login refused", r.value());
    }
    std::string pass = "PASS " + credentials_.password;
    r = control_.command(pass);
    wipe(pass);
    if (r.failed()) return r.error();
    if (isCode(r.value(), 2)) return Status::ok();
    // 332 asks for an account, which we never have; anything else is a refusal.
    control_.close();
    return refused(r.value().code == 332 ? "login needs an account" : "login refused", r.value());
}

void FtpConnection::readFeatures() {
    features_ = {};
    auto r = control_.command("FEAT");
    if (r.failed() || r.value().code != 211) return;  // no FEAT: plain LIST and no UTF8
    features_ = parseFeatures(r.value().text);
    // Names stay bytes either way; the answer (200, 202 or an error) changes nothing for us.
    if (features_.utf8) (void)control_.command("OPTS UTF8 ON");
}

Status FtpConnection::relogin() {
    control_.close();
    if (Status s = login(); s.failed()) return s;
    if (directory_) {
        auto r = control_.command("CWD " + *directory_);
        if (r.failed()) return r.error();
        if (!isCode(r.value(), 2)) return refused("cannot return to " + *directory_, r.value());
    }
    return Status::ok();
}

Status FtpConnection::ensureLoggedIn() { return control_.isOpen() ? Status::ok() : relogin(); }

Status FtpConnection::checkUsable() {
    if (busy_) return invalid("another operation is in progress on this connection");
    if (upload_ || download_) return invalid("a file is open on this connection");
    return Status::ok();
}

template <class F>
auto FtpConnection::withRelogin(F&& fn) -> decltype(fn()) {
    if (Status s = ensureLoggedIn(); s.failed()) return s.error();
    auto r = fn();
    // The server hung up on an idle connection: log in again and repeat the command once.
    if (r.failed() && control_.serverHungUp() && r.error().kind != ErrorKind::Cancelled) {
        const Error first = r.error();
        if (Status s = relogin(); s.failed()) return afterHangUp(first, s.error());
        r = fn();
    }
    return r;
}

Result<std::string> FtpConnection::pwd() {
    auto r = control_.command("PWD");
    if (r.failed()) return r.error();
    if (r.value().code != 257) return refused("PWD", r.value());
    auto path = parsePwdReply(r.value().text);
    if (!path) return Error{ErrorKind::Protocol, "unreadable PWD reply", r.value()};
    directory_ = *path;
    return *path;
}

Result<std::string> FtpConnection::currentDirectory() {
    if (Status s = checkUsable(); s.failed()) return s.error();
    BusyFlag busy(busy_);
    return withRelogin([&] { return pwd(); });
}

Status FtpConnection::simple(const std::string& verb, const std::string& arg, const char* what) {
    if (!isSafeArgument(arg)) return invalid(std::string(what) + ": name holds CR, LF or NUL");
    if (arg.empty()) return invalid(std::string(what) + ": empty name");
    if (Status s = checkUsable(); s.failed()) return s;
    BusyFlag busy(busy_);
    return withRelogin([&]() -> Status {
        auto r = control_.command(verb + " " + arg);
        if (r.failed()) return r.error();
        if (!isCode(r.value(), 2)) return refused(what, r.value());
        return Status::ok();
    });
}

Result<Reply> FtpConnection::fileQuery(const std::string& command, const std::string& name, const char* what) {
    if (!isSafeArgument(name)) return invalid(std::string(what) + ": name holds CR, LF or NUL");
    if (name.empty()) return invalid(std::string(what) + ": empty name");
    if (Status s = checkUsable(); s.failed()) return s.error();
    BusyFlag busy(busy_);
    return withRelogin([&]() -> Result<Reply> {
        // Sizes are counted in binary type; in ASCII a server may refuse or count line ends anew.
        if (Status s = setType('I'); s.failed()) return s.error();
        auto r = control_.command(command + " " + name);
        if (r.failed()) return r.error();
        if (!isCode(r.value(), 2)) return refused(what, r.value());
        return r.value();
    });
}

std::pair<Result<Reply>, Result<Reply>> FtpConnection::fileQueries(const std::string& first, const std::string& second,
                                                                   const std::string& name, const char* firstWhat,
                                                                   const char* secondWhat) {
    if (!isSafeArgument(name)) return twice(invalid(std::string(firstWhat) + ": name holds CR, LF or NUL"));
    if (name.empty()) return twice(invalid(std::string(firstWhat) + ": empty name"));
    if (Status s = checkUsable(); s.failed()) return twice(s.error());
    BusyFlag busy(busy_);
    // Both replies, whatever they say; an error only when the connection failed. Queries are
    // safe to repeat after a new login.
    auto replies = withRelogin([&]() -> Result<std::pair<Reply, Reply>> {
        if (Status s = setType('I'); s.failed()) return s.error();
        if (Status s = control_.sendPair(first + " " + name, second + " " + name); s.failed()) return s.error();
        auto a = control_.finalReply();
        if (a.failed()) return a.error();
        auto b = control_.finalReply();
        if (b.failed()) return b.error();
        return std::pair{a.value(), b.value()};
    });
    if (replies.failed()) return twice(replies.error());
    auto answer = [](const Reply& r, const char* what) -> Result<Reply> {
        if (!isCode(r, 2)) return refused(what, r);
        return r;
    };
    return {answer(replies.value().first, firstWhat), answer(replies.value().second, secondWhat)};
}

Status FtpConnection::changeDirectory(const std::string& path) {
    Status s = simple("CWD", path, "change directory");
    if (s.failed()) return s;
    // Remember where we are, so a fresh login after an idle timeout can come back here. An
    // absolute path says so itself; a relative one needs the server's word (PWD).
    if (path.front() == '/') {
        directory_ = path;
        return s;
    }
    BusyFlag busy(busy_);
    if (pwd().failed()) directory_ = std::nullopt;
    return s;
}

Status FtpConnection::createDirectory(const std::string& name) { return simple("MKD", name, "create directory"); }
Status FtpConnection::removeDirectory(const std::string& name) { return simple("RMD", name, "remove directory"); }
Status FtpConnection::deleteFile(const std::string& name) { return simple("DELE", name, "delete"); }

Status FtpConnection::rename(const std::string& from, const std::string& to) {
    if (!isSafeArgument(from) || !isSafeArgument(to)) return invalid("rename: name holds CR, LF or NUL");
    if (from.empty() || to.empty()) return invalid("rename: empty name");
    if (Status s = checkUsable(); s.failed()) return s;
    BusyFlag busy(busy_);
    bool mayBeDone = false;  // RNTO was taken (after a 350) when the server hung up: unknown outcome
    return withRelogin([&]() -> Status {
        if (mayBeDone) return renameAfterCut(from, to);
        // Both in one write: one round trip. A server that refuses RNFR answers RNTO with a 503.
        if (Status s = control_.sendPair("RNFR " + from, "RNTO " + to); s.failed()) return s;
        auto r = control_.finalReply();
        if (r.failed()) return r.error();
        if (r.value().code != 350) {
            const Reply refusal = r.value();
            // Read RNTO's answer too, so the next command gets its own. Should that fail, the
            // channel is closed already and the next command logs in again.
            (void)control_.finalReply();
            return refused("rename", refusal);
        }
        mayBeDone = true;
        r = control_.finalReply();
        if (r.failed()) return r.error();
        mayBeDone = false;
        if (!isCode(r.value(), 2)) return refused("rename", r.value());
        return Status::ok();
    });
}

// After a hang-up that may have come after the rename: one step at a time, and an old name
// that is gone means the first try most likely did it. That is not a refusal (a caller would
// delete the new name to make room), only an outcome the connection could not confirm.
Status FtpConnection::renameAfterCut(const std::string& from, const std::string& to) {
    auto r = control_.command("RNFR " + from);
    if (r.failed()) return r.error();
    if (r.value().code != 350)
        return Error{ErrorKind::Closed,
                     "the connection was lost before the server confirmed the rename, and " + from +
                         " is gone since: the rename was probably done",
                     r.value()};
    r = control_.command("RNTO " + to);
    if (r.failed()) return r.error();
    if (!isCode(r.value(), 2)) return refused("rename", r.value());
    return Status::ok();
}

Result<Socket> FtpConnection::connectData(std::uint16_t port) {
    // Always the control connection's peer: an advertised address could aim us at a third host.
    SocketAddress a = control_.peer();
    a.setPort(port);
    return Socket::connect({a}, waiter_, timeouts_.connect);
}

Result<Socket> FtpConnection::openPassive() {
    if (!pasvOnly_) {
        auto r = control_.command("EPSV");
        if (r.failed()) return r.error();
        if (r.value().code == 229) {
            auto port = parseEpsvReply(r.value().text);
            if (!port) return Error{ErrorKind::Protocol, "unreadable EPSV reply", r.value()};
            auto s = connectData(*port);
            if (s || s.error().kind == ErrorKind::Cancelled) return s;
        }
        pasvOnly_ = true;  // refused or unreachable: PASV for the rest of this connection
    }
    if (control_.peer().family() != AF_INET)
        return Error{ErrorKind::Refused, "server refuses extended passive mode on IPv6", control_.lastReply()};
    auto r = control_.command("PASV");
    if (r.failed()) return r.error();
    if (r.value().code != 227) return refused("server refuses passive mode", r.value());
    auto address = parsePasvReply(r.value().text);
    if (!address) return Error{ErrorKind::Protocol, "unreadable PASV reply", r.value()};
    return connectData(address->port);
}

Status FtpConnection::setType(char type) {
    if (type_ == type) return Status::ok();
    auto r = control_.command(std::string("TYPE ") + type);
    if (r.failed()) return r.error();
    if (!isCode(r.value(), 2)) return refused("TYPE", r.value());
    type_ = type;
    return Status::ok();
}

Result<std::vector<Entry>> FtpConnection::readListing(const std::string& command, const std::string& pattern) {
    auto data = openPassive();
    if (data.failed()) return data.error();
    if (Status s = control_.send(command); s.failed()) return s.error();
    bool answered = false;  // the final reply came first: the data connection alone is left
    if (Status s = beginDataTls(data.value()); s.failed()) return s.error();
    for (;;) {
        auto r = control_.reply();
        if (r.failed()) return during(r.error(), "the listing", timeouts_.reply);
        if (isCode(r.value(), 1)) break;
        // Some servers skip the 150 for a short listing and answer 226 at once.
        if (isCode(r.value(), 2)) {
            answered = true;
            break;
        }
        if (r.value().code == 450 || r.value().code == 550) return std::vector<Entry>();  // empty folder
        return refused(command, r.value());
    }
    if (Status s = finishDataTls(data.value()); s.failed()) return s.error();
    ListingCollector collector(features_.mlsd, pattern, limits_);
    RateGuard rate(limits_.minimumRate);
    auto abandon = [&](Error e) {
        data.value().abortiveClose();
        control_.close();  // the transfer's replies are still due: the stream is out of step
        return e;
    };
    char buf[65536];
    Socket& d = data.value();
    for (;;) {
        long n = d.receiveNow(buf, sizeof buf);
        if (n > 0) {
            if (!collector.feed(std::string_view(buf, static_cast<std::size_t>(n))))
                return abandon(Error{ErrorKind::Protocol, "the listing " + collector.error(), {}});
            if (!rate.add(static_cast<std::size_t>(n)))
                return abandon(Error{ErrorKind::TooSlow, "the listing came in " + rate.describe(), {}});
            continue;
        }
        if (n == 0) break;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            d.abortiveClose();
            return Error{ErrorKind::Connect, "listing connection lost: " + d.failureText(errno), {}};
        }
        // Wait for data, but hear the server out if it gives up on the transfer meanwhile.
        Status w = control_.awaitData(d, POLLIN, timeouts_.data, "the listing", !answered);
        if (w.failed()) {
            const Error& e = w.error();
            // A hang-up or garbage on the control channel has closed it already.
            if (e.kind == ErrorKind::Closed || e.kind == ErrorKind::Protocol)
                return during(e, "the listing", timeouts_.data);
            d.abortiveClose();
            if (e.kind == ErrorKind::Refused) return refused(command, e.reply);
            if (e.kind == ErrorKind::Cancelled) control_.close();  // its replies are still due
            return e;
        }
    }
    d.close();
    if (!collector.finish()) return Error{ErrorKind::Protocol, "the listing " + collector.error(), {}};
    if (!answered) {
        auto r = control_.finalReply();
        if (r.failed()) return during(r.error(), "the listing", timeouts_.reply);
        if (!isCode(r.value(), 2)) return refused(command, r.value());
    }
    unreadable_ = collector.unreadableLines();
    return collector.take();
}

// A listing does not say whether a link leads to a folder; entering it does. CWD into the link,
// then back by absolute path (".." from inside a link is the target's parent on many servers).
// Costs one round trip per link to a file or a broken link, two per link to a folder.
void FtpConnection::resolveLinks(std::vector<Entry>& entries) {
    if (std::none_of(entries.begin(), entries.end(), [](const Entry& e) { return e.link; })) return;
    auto here = pwd();
    if (here.failed()) return;  // nowhere known to come back to: links stay files
    for (Entry& e : entries) {
        if (!e.link) continue;
        auto r = control_.command("CWD " + e.name);
        if (r.failed()) return;
        if (!isCode(r.value(), 2)) continue;  // a file, or a link to nothing
        e.attributes = kDirectory;
        auto back = control_.command("CWD " + here.value());
        if (back.failed() || !isCode(back.value(), 2)) {
            // Lost our place: a fresh login returns to the directory we were in.
            control_.close();
            return;
        }
    }
}

Result<std::unique_ptr<Find>> FtpConnection::findFiles(const std::string& pattern) {
    if (!isSafeArgument(pattern)) return invalid("list: pattern holds CR, LF or NUL");
    if (Status s = checkUsable(); s.failed()) return s.error();
    BusyFlag busy(busy_);
    auto entries = withRelogin([&] { return readListing(features_.mlsd ? "MLSD" : "LIST", pattern); });
    if (entries.failed()) return entries.error();
    resolveLinks(entries.value());
    return std::make_unique<Find>(std::move(entries).value(), unreadable_);
}

// TYPE, a passive data connection and the transfer command, up to its 1xx.
Result<Socket> FtpConnection::startTransfer(const std::string& verb, const std::string& name, bool ascii,
                                            std::uint64_t restart) {
    if (Status s = setType(ascii ? 'A' : 'I'); s.failed()) return s.error();
    auto d = openPassive();
    if (d.failed()) return d;
    if (restart > 0) {  // the last command before the transfer's, as REST requires
        auto r = control_.command("REST " + std::to_string(restart));
        if (r.failed()) return r.error();
        if (r.value().code != 350) return refused("restart at " + std::to_string(restart), r.value());
    }
    // Once the command is out the server may have begun the file: whatever ends it now is a
    // reset, so an empty or cut file never passes for one sent whole.
    auto broken = [&d](Error e) {
        d.value().abortiveClose();
        return e;
    };
    if (Status s = control_.send(verb + " " + name); s.failed()) return broken(s.error());
    if (Status s = beginDataTls(d.value()); s.failed()) return broken(s.error());
    for (;;) {
        auto r = control_.reply();
        if (r.failed())
            return broken(
                during(r.error(), (verb != "RETR" ? "the upload of " : "the download of ") + name, timeouts_.reply));
        if (isCode(r.value(), 1)) {
            if (Status s = finishDataTls(d.value()); s.failed()) return broken(s.error());
            return d;
        }
        if (isCode(r.value(), 2)) continue;  // a stray early reply: still wait for the 1xx
        return broken(refused((verb != "RETR" ? "upload " : "download ") + name, r.value()));
    }
}

Result<Socket> FtpConnection::startFileTransfer(const char* what, const char* verb, const std::string& name, bool ascii,
                                                std::uint64_t restart) {
    if (!isSafeArgument(name)) return invalid(std::string(what) + ": name holds CR, LF or NUL");
    if (name.empty()) return invalid(std::string(what) + ": empty name");
    if (Status s = checkUsable(); s.failed()) return s.error();
    BusyFlag busy(busy_);
    return withRelogin([&] { return startTransfer(verb, name, ascii, restart); });
}

Result<std::unique_ptr<RemoteFile>> FtpConnection::openFileForWrite(const std::string& name, TransferType type) {
    const bool ascii = type == TransferType::Ascii;
    return beginUpload(startFileTransfer("upload", "STOR", name, ascii), ascii);
}

Result<std::unique_ptr<RemoteFile>> FtpConnection::beginUpload(Result<Socket> data, bool ascii) {
    if (data.failed()) return data.error();
    auto upload = std::make_unique<Upload>(static_cast<UploadOwner&>(*this), std::move(data).value(), ascii);
    upload_ = upload.get();
    return std::unique_ptr<RemoteFile>(std::move(upload));
}

Result<std::unique_ptr<RemoteReader>> FtpConnection::openFileForRead(const std::string& name, TransferType type) {
    const bool ascii = type == TransferType::Ascii;
    auto data = startFileTransfer("download", "RETR", name, ascii);
    if (data.failed()) return data.error();
    auto download = std::make_unique<Download>(static_cast<DownloadOwner&>(*this), std::move(data).value(), ascii);
    download_ = download.get();
    return std::unique_ptr<RemoteReader>(std::move(download));
}

}  // namespace ftp
