#pragma once
// A connection that records what the upload sends, for cases a real server cannot stage (the
// exact sequence of writes, a 5 GiB file, a failed completion reply).

#include <memory>
#include <string>
#include <vector>

#include "MemoryConnection.h"

struct RemoteLog {
    struct File {
        std::string name;
        ftp::TransferType type;
        std::vector<std::size_t> writes;  // only kept while keepWrites is set
        std::uint64_t bytes = 0;
        bool closed = false;
    };
    std::vector<File> files;
    bool keepWrites = true;
    std::string refuseOpen;   // openFileForWrite of this name fails
    std::string refuseClose;  // close() of this name reports a failed completion reply
};

// The name a temporary ".NAME.TAG.part" stands for; other names stand for themselves.
inline std::string finalName(const std::string& name) {
    const std::size_t tail = std::string(".01234567.part").size();
    if (name.size() > tail + 1 && name.front() == '.' && name.ends_with(".part"))
        return name.substr(1, name.size() - tail - 1);
    return name;
}

class FakeRemoteFile : public ftp::RemoteFile {
public:
    FakeRemoteFile(RemoteLog& log, std::size_t index) : log_(log), index_(index) {}
    ftp::Status close() override {
        RemoteLog::File& f = log_.files[index_];
        f.closed = true;
        if (finalName(f.name) == log_.refuseClose)
            return ftp::Error{ftp::ErrorKind::Refused, "552", {552, "Disco lleno"}};
        return {};
    }
    std::uint64_t bytesWritten() const override { return log_.files[index_].bytes; }

protected:
    // No room for small writes: every write is recorded.
    ftp::Status writeOut(const void*, std::size_t size) override {
        RemoteLog::File& f = log_.files[index_];
        if (log_.keepWrites) f.writes.push_back(size);
        f.bytes += size;
        return {};
    }

private:
    RemoteLog& log_;
    std::size_t index_;
};

class FakeConnection : public MemoryConnection {
public:
    explicit FakeConnection(RemoteLog& log) : log_(log) {}
    ftp::Result<std::unique_ptr<ftp::RemoteFile>> openFileForWrite(const std::string& name,
                                                                   ftp::TransferType type) override {
        if (finalName(name) == log_.refuseOpen) return ftp::Error{ftp::ErrorKind::Refused, "550", {550, "No"}};
        log_.files.push_back({name, type, {}, 0, false});
        return std::unique_ptr<ftp::RemoteFile>(std::make_unique<FakeRemoteFile>(log_, log_.files.size() - 1));
    }
    // A file written under a temporary name is listed under the name it was renamed to.
    ftp::Status rename(const std::string& from, const std::string& to) override {
        for (auto& f : log_.files)
            if (f.name == from) f.name = to;
        return {};
    }

private:
    RemoteLog& log_;
};
