// Listings over SFTP: READDIR's names with their attributes, no text to parse.

#include <cstring>

#include <fnmatch.h>

#include "../FtpConnection.h"
#include "../RateGuard.h"
#include "../listing/Dates.h"
#include "SftpConnection.h"
#include "SftpErrors.h"

namespace ftp {

namespace {

// Longer than any name a file system allows; a longer one ends the listing as garbage.
constexpr std::size_t kNameBuffer = 8192;

// A name a caller may hand back as one segment of this folder. A hostile server could name an
// entry "../x" or "a/b"; CR, LF and NUL could not be sent back at all.
bool isUsableName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string("/\r\n\0", 4)) == std::string::npos;
}

bool hasType(const LIBSSH2_SFTP_ATTRIBUTES& a, unsigned long type) {
    return (a.flags & LIBSSH2_SFTP_ATTR_PERMISSIONS) && (a.permissions & LIBSSH2_SFTP_S_IFMT) == type;
}

Entry entryOf(std::string name, const LIBSSH2_SFTP_ATTRIBUTES& a) {
    Entry e;
    e.name = std::move(name);
    if (hasType(a, LIBSSH2_SFTP_S_IFDIR)) e.attributes = kDirectory;
    e.link = hasType(a, LIBSSH2_SFTP_S_IFLNK);
    if (a.flags & LIBSSH2_SFTP_ATTR_SIZE) e.size = a.filesize;
    if (a.flags & LIBSSH2_SFTP_ATTR_ACMODTIME) {
        e.date = listing::utcMinute(a.mtime);
        e.modifiedUtc = static_cast<std::int64_t>(a.mtime);
    }
    return e;
}

}  // namespace

Result<std::unique_ptr<Find>> SftpConnection::findFiles(const std::string& pattern) {
    if (!isSafeArgument(pattern)) return Error{ErrorKind::InvalidArgument, "list: pattern holds CR, LF or NUL", {}};
    if (Status s = usable(); s.failed()) return s.error();
    return run([&]() -> Result<std::unique_ptr<Find>> {
        std::size_t dropped = 0;
        auto entries = readFolder(pattern, dropped);
        if (entries.failed()) return entries.error();
        for (Entry& e : entries.value())
            if (e.link) resolveLink(e);
        if (broken_) return *broken_;
        return std::make_unique<Find>(std::move(entries).value(), dropped);
    });
}

Result<std::vector<Entry>> SftpConnection::readFolder(const std::string& pattern, std::size_t& dropped) {
    auto h = open(directory_, 0, 0, LIBSSH2_SFTP_OPENDIR, "list");
    if (h.failed()) return h.error();
    const bool everything = pattern.empty() || pattern == "*.*" || pattern == "*";
    const Limits& limits = ssh_->limits();
    RateGuard rate(limits.minimumRate);
    std::vector<Entry> entries;
    std::string name(kNameBuffer, '\0');
    std::string longEntry(kNameBuffer, '\0');
    std::size_t bytes = 0;
    std::optional<Error> error;
    for (;;) {
        LIBSSH2_SFTP_ATTRIBUTES a{};
        longEntry[0] = '\0';
        auto rc = ssh_->retry(
            [&] {
                return libssh2_sftp_readdir_ex(h.value(), name.data(), name.size(), longEntry.data(), longEntry.size(),
                                               &a);
            },
            ssh_->timeouts().reply, "list");
        if (rc.failed() || rc.value() < 0) {
            if (!rc.failed() && rc.value() == LIBSSH2_ERROR_BUFFER_TOO_SMALL)
                error = Error{ErrorKind::Protocol, "the listing holds a name longer than any file system allows", {}};
            else
                error = checked(rc, "list").error();
            break;
        }
        // 0 is the end, or an entry with an empty name: only that one comes with attributes.
        if (rc.value() == 0 && a.flags == 0 && longEntry[0] == '\0') break;
        const std::size_t length = std::size_t(rc.value());
        bytes += length + std::strlen(longEntry.c_str());
        if (bytes > limits.listingBytes) {
            error = Error{ErrorKind::Protocol,
                          "the listing is larger than " + std::to_string(limits.listingBytes / (1024 * 1024)) + " MiB",
                          {}};
            break;
        }
        if (!rate.add(length)) {
            error = Error{ErrorKind::TooSlow, "the listing came in " + rate.describe(), {}};
            break;
        }
        std::string n(name.data(), length);
        if (!isUsableName(n)) {
            dropped += n != "." && n != "..";
            continue;
        }
        if (!everything && fnmatch(pattern.c_str(), n.c_str(), FNM_PERIOD) != 0) continue;
        if (entries.size() >= limits.listingEntries) {
            error = Error{ErrorKind::Protocol,
                          "the listing has more than " + std::to_string(limits.listingEntries) + " entries",
                          {}};
            break;
        }
        entries.push_back(entryOf(std::move(n), a));
    }
    if (!broken_) {
        auto closed = ssh_->retry([&] { return libssh2_sftp_close_handle(h.value()); }, ssh_->timeouts().reply, "list");
        if (Status s = checked(closed, "list"); s.failed() && !error) error = s.error();
    }
    if (error) return *error;
    return entries;
}

// READDIR describes a link itself; what it leads to decides whether it is entered as a folder.
// A dangling link stays a file.
void SftpConnection::resolveLink(Entry& e) {
    if (broken_) return;
    const std::string p = path(e.name);
    std::string target(kNameBuffer, '\0');
    auto rc = ssh_->retry(
        [&] {
            return libssh2_sftp_symlink_ex(ssh_->sftp(), p.data(), unsigned(p.size()), target.data(),
                                           unsigned(target.size()), LIBSSH2_SFTP_READLINK);
        },
        ssh_->timeouts().reply, "list");
    if (checked(rc, "list").failed()) return;
    target.resize(std::size_t(rc.value()));
    e.linkTarget = std::move(target);
    auto a = stat(p, "list");
    if (a.failed()) return;
    if (hasType(a.value(), LIBSSH2_SFTP_S_IFDIR)) e.attributes = kDirectory;
    if (a.value().flags & LIBSSH2_SFTP_ATTR_SIZE) e.size = a.value().filesize;
}

}  // namespace ftp
