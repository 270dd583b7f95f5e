#pragma once
// The upload loop every caller uses: a local file goes to an open remote file in blocks (the
// window's 100 bytes by default), the remainder last, with the percentage and a chance to yield
// between blocks.

#include <algorithm>
#include <cstdint>

#include "Connection.h"
#include "FileReader.h"
#include "UploadMath.h"

namespace ftp {

// What the caller hears while the blocks go out. The defaults do nothing.
class UploadSink {
public:
    // After the first block, then every kYieldBytes or so: the window lets its event loop run
    // here, pelicano-ftp shows its progress.
    virtual void yield() {}
    // After each block: true stops the upload.
    virtual bool cancelled() { return false; }
    // The percentage of the file sent changed (0 to 100).
    virtual void percent(int /*value*/) {}

protected:
    ~UploadSink() = default;
};

// A pass of the caller's event loop per 100-byte block would cost more than the block; the
// yield itself is time-sliced, so reading its clock every 12.8 KB is enough (a hundredth of a
// millisecond at memory speed; on a slower network the wait for room to send yields on its
// own). Larger blocks yield after each one.
inline constexpr std::uint64_t kYieldBytes = 12800;

Error unreadableSource(const FileReader& source);

// Sends `source` (open; its size taken at open, from its offset on) to `file`, closes the source, then closes `file`,
// whose completion reply decides. Failures: LocalIO when the source cannot be read (see
// source.problem()), Cancelled when the sink asked to stop, the file's own error otherwise. On
// failure `file` stays open: destroying it aborts the transfer.
// A template so that a final sink's calls, made after every 100-byte block, inline.
// `block` is at most FileReader::kReadSize.
template <class Sink>
[[nodiscard]] Status sendFile(RemoteFile& file, FileReader& source, Sink& sink, std::size_t block = uploadmath::kBlock) {
    const std::uint64_t size = source.size() - source.offset();
    const uploadmath::Plan plan = uploadmath::plan(size, block);
    std::uint64_t sent = 0;
    std::uint64_t nextChange = 0;  // the first block always reports its percentage
    const std::uint64_t stride = std::max<std::uint64_t>(1, kYieldBytes / block);
    std::uint64_t untilYield = 1;  // a countdown: no division per block
    for (std::uint64_t j = 0; j < plan.fullBlocks; ++j) {
        const char* data = source.next(block);
        if (!data) return unreadableSource(source);
        if (Status s = file.write(data, block); s.failed()) return s;
        if (--untilYield == 0) {
            untilYield = stride;
            sink.yield();
        }
        if (sink.cancelled()) return Error{ErrorKind::Cancelled, "upload cancelled", {}};
        sent += block;
        if (sent >= nextChange) {
            const int percent = uploadmath::percentage(sent, size);
            nextChange = uploadmath::sentReaching(percent + 1, size);
            sink.percent(percent);
        }
    }
    const char* rest = source.next(std::size_t(plan.remainder));
    if (!rest) return unreadableSource(source);
    if (Status s = file.write(rest, std::size_t(plan.remainder)); s.failed()) return s;
    source.close();
    return file.close();
}

}  // namespace ftp
