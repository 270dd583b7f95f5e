#pragma once
// A logged-in connection that answers from memory, for cases a real server cannot stage.

#include "ftp/Connection.h"

class FakeConnection : public ftp::Connection {
public:
    explicit FakeConnection(bool* destroyed = nullptr) : destroyed_(destroyed) {}
    ~FakeConnection() override {
        if (destroyed_) *destroyed_ = true;
    }
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
    const ftp::Reply& lastReply() const override { return reply_; }

private:
    bool* destroyed_;
    ftp::Reply reply_;
};
