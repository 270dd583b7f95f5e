#pragma once
// An in-memory FTP connection for cases a real server cannot produce (odd attribute values,
// refusals on demand). Paths are "/"-joined; every command is recorded.

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ftp/Connection.h"

class FakeConnection : public ftp::Connection {
public:
    std::map<std::string, std::vector<ftp::Entry>> dirs{{"/", {}}};
    std::string cwd = "/";
    std::vector<std::string> commands;
    std::set<std::string> refuse;  // commands ("DELE x", "CWD x", ...) answered with a failure
    bool failListing = false;
    bool hideNewFolders = false;  // a server whose listing does not show folders just made
    std::function<void()> whileListing;  // runs as the listing arrives, as user actions meanwhile would

    static ftp::Entry folder(std::string name) { return {std::move(name), ftp::kDirectory, 0}; }
    static ftp::Entry file(std::string name, std::uint64_t size, std::uint32_t attributes = ftp::kNormalFile) {
        return {std::move(name), attributes, size};
    }

    ftp::Result<std::string> currentDirectory() override {
        commands.push_back("PWD");
        return cwd;
    }
    ftp::Status changeDirectory(const std::string& path) override {
        if (!record("CWD " + path)) return refused();
        const std::string target = path.starts_with('/') ? path : join(path);
        if (!dirs.count(target)) return refused();
        cwd = target;
        return {};
    }
    ftp::Status createDirectory(const std::string& name) override {
        if (!record("MKD " + name) || dirs.count(join(name))) return refused();
        dirs[join(name)];
        if (!hideNewFolders) dirs[cwd].push_back(folder(name));
        return {};
    }
    ftp::Status removeDirectory(const std::string& name) override {
        if (!record("RMD " + name)) return refused();
        return erase(name, true) ? ftp::Status() : refused();
    }
    ftp::Status deleteFile(const std::string& name) override {
        if (!record("DELE " + name)) return refused();
        return erase(name, false) ? ftp::Status() : refused();
    }
    ftp::Status rename(const std::string& from, const std::string& to) override {
        if (!record("RNFR " + from + " RNTO " + to)) return refused();
        for (auto& e : dirs[cwd])
            if (e.name == from) {
                e.name = to;
                return {};
            }
        return refused();
    }
    ftp::Result<std::unique_ptr<ftp::Find>> findFiles(const std::string& pattern) override {
        commands.push_back("LIST " + pattern);
        if (failListing) return ftp::Error{ftp::ErrorKind::Closed, "closed", {}};
        if (whileListing) whileListing();
        return std::make_unique<ftp::Find>(dirs[cwd]);
    }
    ftp::Result<std::unique_ptr<ftp::RemoteFile>> openFileForWrite(const std::string&, ftp::TransferType) override {
        return ftp::Error{ftp::ErrorKind::InvalidArgument, "not here", {}};
    }
    ftp::Result<std::unique_ptr<ftp::RemoteReader>> openFileForRead(const std::string&, ftp::TransferType) override {
        return ftp::Error{ftp::ErrorKind::InvalidArgument, "no downloads here", {}};
    }
    const ftp::Reply& lastReply() const override { return reply_; }

private:
    bool record(const std::string& command) {
        commands.push_back(command);
        return !refuse.count(command);
    }
    static ftp::Status refused() { return ftp::Error{ftp::ErrorKind::Refused, "550", {550, "No."}}; }
    std::string join(const std::string& name) const { return (cwd == "/" ? "/" : cwd + "/") + name; }
    bool erase(const std::string& name, bool directory) {
        auto& list = dirs[cwd];
        for (auto it = list.begin(); it != list.end(); ++it)
            if (it->name == name && it->isDirectory() == directory) {
                list.erase(it);
                if (directory) dirs.erase(join(name));
                return true;
            }
        return false;
    }
    ftp::Reply reply_;
};
