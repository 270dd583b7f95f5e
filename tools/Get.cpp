#include "Get.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Printable.h"
#include "Report.h"
#include "Signals.h"

namespace {

constexpr std::size_t kChunk = 256 * 1024;

// The temporary file beside the real one: removed unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& final) {
        const auto slash = final.find_last_of('/');
        const std::string dir = slash == std::string::npos ? "" : final.substr(0, slash + 1);
        const std::string base = slash == std::string::npos ? final : final.substr(slash + 1);
        path_ = dir + "." + base + ".part-XXXXXX";
        fd_ = ::mkstemp(path_.data());
        if (fd_ < 0) return;
        // mkstemp makes it private; the finished file gets the usual mode.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!kept_) ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    bool ok() const { return fd_ >= 0; }
    bool write(const char* data, std::size_t size) {
        while (size > 0) {
            const long n = ::write(fd_, data, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }
    // Closes and renames into place; without `replace` an existing file is left alone.
    bool keepAs(const std::string& final, bool replace) {
        if (::fsync(fd_) != 0 || ::close(fd_) != 0) return fd_ = -1, false;
        fd_ = -1;
        const int flags = replace ? 0 : RENAME_NOREPLACE;
        kept_ = ::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, final.c_str(), static_cast<unsigned>(flags)) == 0;
        return kept_;
    }

private:
    std::string path_;
    int fd_ = -1;
    bool kept_ = false;
};

std::string baseName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int get(ftp::Connection& c, const std::string& remote, std::string local, ftp::TransferType type, bool force) {
    if (local.empty()) local = baseName(remote);
    struct stat st {};
    if (::stat(local.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) local += "/" + baseName(remote);
    if (!force && ::lstat(local.c_str(), &st) == 0) return failLocal("get", local, "exists; -f replaces it");
    TemporaryFile out(local);
    if (!out.ok()) return failLocal("get", local, std::strerror(errno));
    auto file = c.openFileForRead(remote, type);
    if (file.failed()) return fail("get", remote, file.error());
    std::unique_ptr<char[]> buffer(new char[kChunk]);
    for (;;) {
        auto n = file.value()->read(buffer.get(), kChunk);
        if (interruption()) {
            file.value().reset();  // a reset, so the server stops sending
            std::cerr << "get: " << printableName(remote) << ": interrupted; nothing was written to "
                      << printableName(local) << "\n";
            return interruptedStatus(interruption());
        }
        if (n.failed()) return fail("get", remote, n.error());
        if (n.value() == 0) break;
        if (!out.write(buffer.get(), n.value())) {
            const std::string why = std::strerror(errno);
            file.value().reset();
            return failLocal("get", local, why);
        }
    }
    if (!out.keepAs(local, force)) return failLocal("get", local, errno == EEXIST ? "exists; -f replaces it" : std::strerror(errno));
    return 0;
}
