#include "StoreFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SaveTarget.h"

namespace ftp::storefile {

namespace {

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

Status makeFolders(const std::string& path) {
    for (auto slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        std::string dir = path.substr(0, slash);
        if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return ioError("cannot create", dir);
    }
    return Status::ok();
}

}  // namespace

Result<std::string> read(const std::string& path, mode_t refusedModes) {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) return errno == ENOENT ? Result<std::string>(std::string()) : ioError("cannot read", path);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return ioError("cannot read", path);
    if (!S_ISREG(st.st_mode)) return storeError(path + " is not a regular file");
    if (st.st_mode & refusedModes)
        return storeError(path + " can be changed by others; make it private with chmod 600");
    const std::string tooLarge = path + " is larger than " + std::to_string(kMaxBytes >> 20) + " MiB";
    if (std::uint64_t(st.st_size) > kMaxBytes) return storeError(tooLarge);
    std::string text(std::size_t(st.st_size) + 1, '\0');
    std::size_t got = 0;
    for (;;) {  // a file that grows while we read stops at the cap too
        if (got == text.size()) text.resize(std::min(text.size() * 2, kMaxBytes + 1));
        const ssize_t n = ::read(fd.get(), text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ioError("cannot read", path);
        if (n == 0) break;
        got += std::size_t(n);
        if (got > kMaxBytes) return storeError(tooLarge);
    }
    text.resize(got);
    return text;
}

Status write(const std::string& path, const std::string& text) {
    if (Status s = makeFolders(path); s.failed()) return s;
    const SaveTarget target = saveTarget(path);
    if (!target.allowed()) return storeError(target.refusal);
    const std::string& file = target.path;
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

}  // namespace ftp::storefile
