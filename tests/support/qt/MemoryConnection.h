#pragma once
// A logged-in connection that answers from memory: every command succeeds, the folder is "/"
// and empty, and no file can be written. Tests derive from it to stage what a real server can't.

#include <memory>
#include <string>
#include <vector>

#include "ftp/Connection.h"

class MemoryConnection : public ftp::Connection {
public:
    ftp::Result<std::string> currentDirectory() override { return std::string("/"); }
    ftp::Status changeDirectory(const std::string&) override { return {}; }
    ftp::Status createDirectory(const std::string&) override { return {}; }
    ftp::Status removeDirectory(const std::string&) override { return {}; }
    ftp::Status deleteFile(const std::string&) override { return {}; }
    ftp::Status rename(const std::string&, const std::string&) override { return {}; }
    ftp::Result<std::unique_ptr<ftp::Find>> findFiles(const std::string&) override {
        return std::make_unique<ftp::Find>(std::vector<ftp::Entry>{});
    }
    ftp::Result<std::unique_ptr<ftp::RemoteFile>> openFileForWrite(const std::string&, ftp::TransferType) override {
        return ftp::Error{ftp::ErrorKind::Refused, "read-only fake", {}};
    }
    ftp::Result<std::unique_ptr<ftp::RemoteReader>> openFileForRead(const std::string&, ftp::TransferType) override {
        return ftp::Error{ftp::ErrorKind::InvalidArgument, "no downloads here", {}};
    }
    const ftp::Reply& lastReply() const override { return reply_; }

private:
    ftp::Reply reply_;
};
