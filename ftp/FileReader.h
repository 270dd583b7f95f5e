#pragma once
// Reads a local file for an upload: large reads underneath, small blocks handed out, so a file
// sent in 100-byte blocks costs one read call per 64 KiB (small enough that the data is still in
// the cache when the connection copies it). Only regular files open, and opening never blocks (a
// FIFO in a file's place). Closes the file when destroyed.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ftp {

class FileReader {
public:
    static constexpr std::size_t kReadSize = 64 * 1024;
    static constexpr std::size_t kHeadroom = 128;  // room for the tail of the last read

    enum class Problem { None, System, NotRegularFile, EndedEarly };

    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Opens path (bytes, as the system takes them) and takes its length. False on failure, with
    // problem() set.
    [[nodiscard]] bool open(const std::string& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    std::uint64_t size() const { return size_; }
    std::chrono::sys_time<std::chrono::nanoseconds> modified() const { return modified_; }  // taken at open
    // Reads from `offset` on instead of the start (a resumed upload); before the first next().
    // False past the end.
    [[nodiscard]] bool startAt(std::uint64_t offset);
    std::uint64_t offset() const { return offset_; }

    // The next n bytes (n <= kReadSize), valid until the next call; nullptr when the file cannot
    // be read or ends early (it shrank since it was opened), with problem() set.
    const char* next(std::size_t n) {
        if (end_ - begin_ < n && !fill(n)) return nullptr;
        const char* block = buffer_.data() + begin_;
        begin_ += n;
        return block;
    }

    Problem problem() const { return problem_; }
    int systemError() const { return errno_; }  // for Problem::System
    // The problem in short English words, for logs and the command-line tool.
    std::string problemText() const;

private:
    bool fill(std::size_t n);
    void fail(Problem problem, int error = 0);

    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::uint64_t offset_ = 0;
    std::chrono::sys_time<std::chrono::nanoseconds> modified_{};
    std::vector<char> buffer_;
    std::size_t readAt_ = 0;
    std::size_t begin_ = 0, end_ = 0;
    Problem problem_ = Problem::None;
    int errno_ = 0;
};

}  // namespace ftp
