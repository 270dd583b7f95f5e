#include "FileReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ftp {

FileReader::~FileReader() { close(); }

bool FileReader::open(const std::string& path) {
    close();
    problem_ = Problem::None;
    errno_ = 0;
    // Non-blocking only for the open itself: a FIFO put in the file's place must not hang us.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        fail(Problem::System, errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        fail(Problem::System, errno);
        close();
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) {
            fail(Problem::System, EISDIR);
        } else {
            fail(Problem::NotRegularFile);
        }
        close();
        return false;
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    size_ = std::uint64_t(st.st_size);
    offset_ = 0;
    modified_ = std::chrono::sys_time<std::chrono::nanoseconds>(std::chrono::seconds(st.st_mtim.tv_sec) +
                                                                std::chrono::nanoseconds(st.st_mtim.tv_nsec));
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    buffer_.resize(kHeadroom + 64 + kReadSize * 2);
    // Reads land on a cache-line boundary; the unread tail is moved just in front of it.
    const auto misalign = reinterpret_cast<std::uintptr_t>(buffer_.data() + kHeadroom) % 64;
    readAt_ = kHeadroom + (misalign ? 64 - misalign : 0);
    begin_ = end_ = readAt_;
    return true;
}

bool FileReader::startAt(std::uint64_t offset) {
    if (fd_ < 0 || offset > size_) return false;
    if (::lseek(fd_, off_t(offset), SEEK_SET) < 0) {
        fail(Problem::System, errno);
        return false;
    }
    offset_ = offset;
    begin_ = end_ = readAt_;
    return true;
}

void FileReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool FileReader::fill(std::size_t n) {
    if (fd_ < 0) {
        fail(Problem::System, EBADF);
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
            fail(Problem::System, errno);
            return false;
        }
        if (got == 0) {
            fail(Problem::EndedEarly);
            return false;
        }
        end_ += std::size_t(got);
    }
    return true;
}

void FileReader::fail(Problem problem, int error) {
    problem_ = problem;
    errno_ = error;
}

std::string FileReader::problemText() const {
    switch (problem_) {
    case Problem::None: return {};
    case Problem::System: return errno_ == EISDIR ? "is a folder, not a file" : std::strerror(errno_);
    case Problem::NotRegularFile: return "not a regular file (a pipe, a device or a socket)";
    case Problem::EndedEarly: return "the file shrank while it was sent";
    }
    return {};
}

}  // namespace ftp
