#include "TrustStore.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SaveTarget.h"
#include "Tls.h"

namespace ftp {

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string normalHost(const std::string& host) {
    std::string h = host;
    if (h.size() > 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
    return lower(h);
}

std::string keyOf(const std::string& host, std::uint16_t port) {
    std::string h = normalHost(host);
    if (h.find(':') != std::string::npos) h = "[" + h + "]";
    return h + ":" + std::to_string(port);
}

// "host:port" or "[v6]:port" back into its parts.
bool splitKey(const std::string& key, std::string& host, std::uint16_t& port) {
    auto colon = key.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == key.size()) return false;
    char* end = nullptr;
    long p = std::strtol(key.c_str() + colon + 1, &end, 10);
    if (*end != '\0' || p <= 0 || p > 65535) return false;
    host = normalHost(key.substr(0, colon));
    port = static_cast<std::uint16_t>(p);
    return !host.empty();
}

Error storeError(const std::string& message) { return Error{ErrorKind::TrustStore, message, {}}; }

Error ioError(const std::string& what, const std::string& path) {
    return storeError(what + " " + path + ": " + std::strerror(errno));
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Checked before a byte is read: a pipe or a device in the file's place must neither hang us nor
// fill memory, and a file others can change may hold certificates they chose.
Result<std::string> readPrivateFile(const std::string& path) {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) return errno == ENOENT ? Result<std::string>(std::string()) : ioError("cannot read", path);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return ioError("cannot read", path);
    if (!S_ISREG(st.st_mode)) return storeError(path + " is not a regular file");
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return storeError(path + " can be changed by others; make it private with chmod 600");
    const std::string tooLarge = path + " is larger than " + std::to_string(TrustStore::kMaxBytes >> 20) + " MiB";
    if (std::uint64_t(st.st_size) > TrustStore::kMaxBytes) return storeError(tooLarge);
    std::string text(std::size_t(st.st_size) + 1, '\0');
    std::size_t got = 0;
    for (;;) {  // a file that grows while we read stops at the cap too
        if (got == text.size()) text.resize(std::min(text.size() * 2, TrustStore::kMaxBytes + 1));
        const ssize_t n = ::read(fd.get(), text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ioError("cannot read", path);
        if (n == 0) break;
        got += std::size_t(n);
        if (got > TrustStore::kMaxBytes) return storeError(tooLarge);
    }
    text.resize(got);
    return text;
}

Status makeFolders(const std::string& path) {
    for (auto slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        std::string dir = path.substr(0, slash);
        if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return ioError("cannot create", dir);
    }
    return Status::ok();
}

}  // namespace

std::string TrustStore::defaultPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return base + "/pelicano/known-certificates";
}

Status TrustStore::load() {
    certificates_.clear();
    tlsHosts_.clear();
    auto text = readPrivateFile(path_);
    if (text.failed()) return text.error();
    std::istringstream lines(std::move(text).value());
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string kind, key, value, extra;
        words >> kind >> key >> value >> extra;
        std::string host;
        std::uint16_t port = 0;
        if (!extra.empty() || !splitKey(key, host, port)) continue;
        if (kind == "tls" && value.empty()) tlsHosts_.insert(keyOf(host, port));
        if (kind == "certificate")
            if (auto fp = parseFingerprint(value)) remember(host, port, *fp);
    }
    return Status::ok();
}

Status TrustStore::save() const {
    if (Status s = makeFolders(path_); s.failed()) return s;
    const SaveTarget target = saveTarget(path_);
    if (!target.allowed()) return storeError(target.refusal);
    const std::string& file = target.path;
    std::string text = "# Pelicano: trusted server certificates (SHA-256) and hosts that used TLS\n";
    for (const auto& c : list()) text += "certificate " + keyOf(c.host, c.port) + " " + c.sha256 + "\n";
    for (const auto& key : tlsHosts_) text += "tls " + key + "\n";
    // Connections of one process may save at once (a sync logs several in): a name each.
    static std::atomic<unsigned> serial{0};
    const std::string temp = file + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(serial++);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return ioError("cannot write", temp);
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), file.c_str()) != 0) {
        Error e = ioError("cannot write", file);
        ::unlink(temp.c_str());
        return e;
    }
    return Status::ok();
}

std::optional<std::string> TrustStore::lookup(const std::string& host, std::uint16_t port) const {
    auto it = certificates_.find({normalHost(host), port});
    if (it == certificates_.end()) return std::nullopt;
    return it->second;
}

void TrustStore::remember(const std::string& host, std::uint16_t port, const std::string& sha256) {
    certificates_[{normalHost(host), port}] = sha256;
}

bool TrustStore::forget(const std::string& host, std::uint16_t port) {
    return certificates_.erase({normalHost(host), port}) > 0;
}

std::vector<RememberedCertificate> TrustStore::list() const {
    std::vector<RememberedCertificate> out;
    out.reserve(certificates_.size());
    for (const auto& [key, sha256] : certificates_) out.push_back({key.first, key.second, sha256});
    return out;
}

bool TrustStore::usedTls(const std::string& host, std::uint16_t port) const {
    return tlsHosts_.count(keyOf(host, port)) > 0;
}

void TrustStore::markUsedTls(const std::string& host, std::uint16_t port) { tlsHosts_.insert(keyOf(host, port)); }

}  // namespace ftp
