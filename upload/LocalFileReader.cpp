#include "LocalFileReader.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "local/LocalNames.h"

LocalFileReader::~LocalFileReader() { close(); }

bool LocalFileReader::open(const QString& path) {
    close();
    path_ = localname::shown(path);  // for messages
    error_.clear();
    // Non-blocking only for the open itself: a FIFO put in the file's place must not hang us.
    fd_ = ::open(localname::toBytes(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        fail(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        fail(errno);
        close();
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) {
            fail(EISDIR);
        } else {
            error_ = path_ + QStringLiteral(": no es un archivo normal");
        }
        close();
        return false;
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    size_ = std::uint64_t(st.st_size);
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    buffer_.resize(kHeadroom + 64 + kReadSize * 2);
    // Reads land on a cache-line boundary; the unread tail is moved just in front of it.
    const auto misalign = reinterpret_cast<std::uintptr_t>(buffer_.data() + kHeadroom) % 64;
    readAt_ = kHeadroom + (misalign ? 64 - misalign : 0);
    begin_ = end_ = readAt_;
    return true;
}

void LocalFileReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool LocalFileReader::fill(std::size_t n) {
    if (fd_ < 0) {
        fail(EBADF);
        return false;
    }
    // Keep the unread tail, then read until at least n bytes wait.
    const std::size_t left = end_ - begin_;
    const std::size_t at = left <= readAt_ ? readAt_ - left : 0;
    std::memmove(buffer_.data() + at, buffer_.data() + begin_, left);
    begin_ = at;
    end_ = at + left;
    while (end_ - begin_ < n) {
        const ssize_t got = ::read(fd_, buffer_.data() + end_, kReadSize);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            fail(errno);
            return false;
        }
        if (got == 0) {
            error_ = path_ + QStringLiteral(": el archivo terminó antes de lo esperado");
            return false;
        }
        end_ += std::size_t(got);
    }
    return true;
}

void LocalFileReader::fail(int error) {
    error_ = path_ + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
}
