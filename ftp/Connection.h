#pragma once
// One logged-in FTP control connection. Every operation blocks (calling the session's wait hook
// while it waits) and returns a Status/Result; nothing throws. Names are raw bytes, sent exactly
// as given; a name holding CR, LF or NUL is refused before anything is sent.

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Entry.h"
#include "Features.h"
#include "Result.h"
#include "Session.h"
#include "Ssh.h"
#include "Tls.h"

namespace ftp {

enum class TransferType : int { Unknown = 0, Ascii = 1, Binary = 2 };  // Unknown sends as binary

class Connection;

// A listing that has been read: entries in server order, "." and ".." already dropped.
class Find {
public:
    explicit Find(std::vector<Entry> entries, std::size_t unreadable = 0)
        : entries_(std::move(entries)), unreadable_(unreadable) {}
    // Next entry, or nullptr at the end.
    const Entry* next() { return pos_ < entries_.size() ? &entries_[pos_++] : nullptr; }
    const std::vector<Entry>& entries() const { return entries_; }
    // Listing lines that no known format could read (not shown; worth a log line).
    std::size_t unreadableLines() const { return unreadable_; }

private:
    std::vector<Entry> entries_;
    std::size_t unreadable_ = 0;
    std::size_t pos_ = 0;
};

// A remote file open for writing (STOR in progress). Writes are buffered and sent in large chunks.
// close() flushes, closes the data connection and reads the completion reply: a 4xx/5xx there is
// a failure. Destroying an unclosed file aborts the transfer and leaves the control connection
// usable (or cleanly closed).
class RemoteFile {
public:
    virtual ~RemoteFile() = default;
    // A write that fits the room the file keeps for small writes, with some to spare, is only
    // copied there: the window writes a file 100 bytes at a time, and a call per block would
    // cost more than the block. The write that fills the room (and any write while there is
    // none, even of 0 bytes) reaches the file itself.
    Status write(const void* data, std::size_t size) {
        if (size < room_) {
            std::memcpy(free_, data, size);
            free_ += size;
            room_ -= size;
            return Status::ok();
        }
        return writeOut(data, size);
    }
    virtual Status close() = 0;
    virtual std::uint64_t bytesWritten() const = 0;  // bytes accepted from the caller so far
    // Every byte went out and the data connection was ended in order: the server may hold the
    // whole file although close() failed (its confirmation never came).
    virtual bool endSent() const { return false; }

protected:
    // Every write that does not fit the room (all of them while there is none).
    virtual Status writeOut(const void* data, std::size_t size) = 0;

    // Where the next small write goes and how many bytes fit there; the file sets both.
    char* free_ = nullptr;
    std::size_t room_ = 0;
};

// A remote file open for reading (RETR in progress). read() returns 0 only once the whole file has
// arrived and the server's completion reply said so; a 4xx/5xx there is a failure. Destroying an
// unfinished reader aborts the transfer with a reset, as for RemoteFile.
class RemoteReader {
public:
    virtual ~RemoteReader() = default;
    virtual Result<std::size_t> read(void* data, std::size_t size) = 0;
    virtual std::uint64_t bytesRead() const = 0;  // bytes received from the server so far
};

class Connection {
public:
    // Connects and reads the greeting. An FTP server: logs in (USER/PASS; 332 ACCT is a
    // failure), sends FEAT (and OPTS UTF8 ON when offered); with TLS (see Tls.h): AUTH TLS
    // before USER, PBSZ 0 / PROT P after. An SSH server (see Ssh.h): checks its host key, logs in
    // and starts SFTP. port 0 means 21 (990 in implicit TLS mode, 22 for forced SFTP). host may
    // be a name or an IPv4/IPv6 literal.
    static Result<std::unique_ptr<Connection>> open(Session& session, const std::string& host,
                                                    std::uint16_t port, const std::string& user,
                                                    const std::string& password,
                                                    const TlsOptions& tls = TlsOptions::off(),
                                                    const SshOptions& ssh = {});
    virtual ~Connection() = default;  // sends QUIT (bounded wait) and closes

    virtual Result<std::string> currentDirectory() = 0;              // PWD, quoting undone
    virtual Status changeDirectory(const std::string& path) = 0;     // CWD
    virtual Status createDirectory(const std::string& name) = 0;     // MKD
    virtual Status removeDirectory(const std::string& name) = 0;     // RMD
    virtual Status deleteFile(const std::string& name) = 0;          // DELE
    virtual Status rename(const std::string& from, const std::string& to) = 0;  // RNFR/RNTO
    // Lists the current directory (MLSD when FEAT offers it, else LIST). The pattern "*.*"
    // means every entry. An empty folder answered with 450/550 is an empty listing.
    virtual Result<std::unique_ptr<Find>> findFiles(const std::string& pattern = "*.*") = 0;
    // TYPE A/I, then passive data connection and STOR. Only one file or find may be open at a
    // time on a connection; other operations fail with InvalidArgument while a file is open.
    virtual Result<std::unique_ptr<RemoteFile>> openFileForWrite(const std::string& name,
                                                                 TransferType type) = 0;
    // TYPE A/I, then passive data connection and RETR. ASCII turns CRLF into LF. The same rule of
    // one open file or find per connection holds.
    virtual Result<std::unique_ptr<RemoteReader>> openFileForRead(const std::string& name,
                                                                  TransferType type) = 0;
    // Continues `name` from byte `offset` (a resumed upload): REST offset + STOR when the server
    // offers REST STREAM, else APPE, which the caller must know starts at `offset`. Binary only.
    virtual Result<std::unique_ptr<RemoteFile>> openFileForWriteAt(const std::string& /*name*/,
                                                                   std::uint64_t /*offset*/) {
        return notOffered("resuming an upload");
    }

    // What the server's FEAT offered at the last login.
    virtual Features features() const { return {}; }
    // True when logged in as "anonymous" or "ftp": such folders often forbid renames.
    virtual bool anonymous() const { return false; }
    // SIZE in binary type: the file's length in bytes.
    virtual Result<std::uint64_t> size(const std::string& /*name*/) { return notOffered("SIZE"); }
    // MDTM: the file's modification time (UTC, to the second).
    virtual Result<std::chrono::sys_seconds> modificationTime(const std::string& /*name*/) {
        return notOffered("MDTM");
    }
    // MFMT when the server offers it; refused without sending anything otherwise.
    virtual Status setModificationTime(const std::string& /*name*/, std::chrono::sys_seconds /*utc*/) {
        return notOffered("MFMT");
    }
    // size(), then setModificationTime() whatever the size: asked together where the protocol
    // allows (FTP: one write, one wait), so only for a file that a wrong size discards anyway.
    struct SizeAndTime {
        Result<std::uint64_t> size;
        Status time;
    };
    virtual SizeAndTime sizeAndSetTime(const std::string& name, std::chrono::sys_seconds utc) {
        return {size(name), setModificationTime(name, utc)};
    }

    virtual const Reply& lastReply() const = 0;  // for diagnostics only
    // Protocol, cipher and certificate of an encrypted control connection; nullopt in clear.
    virtual std::optional<TlsStatus> tlsStatus() const { return std::nullopt; }
    // Protocol, ciphers and host key of an SFTP session; nullopt over FTP.
    virtual std::optional<SshStatus> sshStatus() const { return std::nullopt; }

protected:
    static Error notOffered(const std::string& what) {
        return Error{ErrorKind::Refused, what + " is not offered by this connection", {}};
    }
};

}  // namespace ftp
