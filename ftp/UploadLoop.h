#pragma once
// The upload loop every caller uses: a local file goes to an open remote file in 100-byte blocks,
// the remainder last, with the percentage and a chance to yield between blocks.

#include <cstdint>

#include "Connection.h"
#include "FileReader.h"

namespace ftp {

// What the caller hears while the blocks go out. The defaults do nothing.
class UploadSink {
public:
    // Every kYieldStride blocks: the window lets its event loop run here.
    virtual void yield() {}
    // After each block: true stops the upload.
    virtual bool cancelled() { return false; }
    // The percentage of the file sent changed (0 to 100).
    virtual void percent(int /*value*/) {}

protected:
    ~UploadSink() = default;
};

// A pass of the caller's event loop per block would cost more than the block; the yield itself
// is time-sliced, so reading its clock every few blocks is enough.
inline constexpr std::uint64_t kYieldStride = 16;

// Sends `source` (open; its size taken at open) to `file`, closes the source, then closes `file`,
// whose completion reply decides. Failures: LocalIO when the source cannot be read (see
// source.problem()), Cancelled when the sink asked to stop, the file's own error otherwise. On
// failure `file` stays open: destroying it aborts the transfer.
[[nodiscard]] Status sendFile(RemoteFile& file, FileReader& source, UploadSink& sink);

}  // namespace ftp
