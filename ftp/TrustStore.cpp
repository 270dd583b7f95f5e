#include "TrustStore.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

Error ioError(const std::string& what, const std::string& path) {
    return Error{ErrorKind::LocalIO, what + " " + path + ": " + std::strerror(errno), {}};
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
    std::ifstream in(path_);
    if (!in) return errno == ENOENT ? Status::ok() : Status(ioError("cannot read", path_));
    std::string line;
    while (std::getline(in, line)) {
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
    std::string text = "# Pelicano: trusted server certificates (SHA-256) and hosts that used TLS\n";
    for (const auto& c : list()) text += "certificate " + keyOf(c.host, c.port) + " " + c.sha256 + "\n";
    for (const auto& key : tlsHosts_) text += "tls " + key + "\n";
    const std::string temp = path_ + ".tmp" + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return ioError("cannot write", temp);
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), path_.c_str()) != 0) {
        Error e = ioError("cannot write", path_);
        ::unlink(temp.c_str());
        return e;
    }
    return Status::ok();
}

std::optional<std::string> TrustStore::lookup(const std::string& host, std::uint16_t port) const {
    const std::string h = normalHost(host);
    for (const auto& c : certificates_)
        if (c.host == h && c.port == port) return c.sha256;
    return std::nullopt;
}

void TrustStore::remember(const std::string& host, std::uint16_t port, const std::string& sha256) {
    forget(host, port);
    certificates_.push_back({normalHost(host), port, sha256});
}

bool TrustStore::forget(const std::string& host, std::uint16_t port) {
    const std::string h = normalHost(host);
    auto n = std::erase_if(certificates_, [&](const auto& c) { return c.host == h && c.port == port; });
    return n > 0;
}

std::vector<RememberedCertificate> TrustStore::list() const {
    auto out = certificates_;
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
        return a.host != b.host ? a.host < b.host : a.port < b.port;
    });
    return out;
}

bool TrustStore::usedTls(const std::string& host, std::uint16_t port) const {
    return tlsHosts_.count(keyOf(host, port)) > 0;
}

void TrustStore::markUsedTls(const std::string& host, std::uint16_t port) { tlsHosts_.insert(keyOf(host, port)); }

}  // namespace ftp
