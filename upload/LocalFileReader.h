#pragma once
// Reads a local file for the upload: large reads underneath, small blocks handed out, so a
// file sent in 100-byte blocks costs one read call per 64 KiB (small enough that the data is
// still in the cache when the engine copies it). Closes the file when destroyed.

#include <QString>
#include <cstdint>
#include <vector>

class LocalFileReader {
public:
    static constexpr std::size_t kReadSize = 64 * 1024;
    static constexpr std::size_t kHeadroom = 128;  // room for the tail of the last read

    LocalFileReader() = default;
    ~LocalFileReader();
    LocalFileReader(const LocalFileReader&) = delete;
    LocalFileReader& operator=(const LocalFileReader&) = delete;

    // Opens path for reading and takes its length. False on failure, with errorText() set.
    bool open(const QString& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    std::uint64_t size() const { return size_; }

    // The next n bytes (n <= kReadSize), valid until the next call; nullptr when the file cannot
    // be read or ends early (it shrank since it was opened), with errorText() set.
    const char* next(std::size_t n) {
        if (end_ - begin_ < n && !fill(n)) return nullptr;
        const char* block = buffer_.data() + begin_;
        begin_ += n;
        return block;
    }

    // What went wrong, in the system's words, naming the file.
    const QString& errorText() const { return error_; }

private:
    bool fill(std::size_t n);
    void fail(int error);

    QString path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::vector<char> buffer_;
    std::size_t readAt_ = 0;
    std::size_t begin_ = 0, end_ = 0;
    QString error_;
};
