#include "UploadLoop.h"

#include "UploadMath.h"

namespace ftp {

namespace {
Error unreadable(const FileReader& source) { return Error{ErrorKind::LocalIO, source.problemText(), {}}; }
}  // namespace

Status sendFile(RemoteFile& file, FileReader& source, UploadSink& sink) {
    const std::uint64_t size = source.size();
    const uploadmath::Plan plan = uploadmath::plan(size);
    std::uint64_t sent = 0;
    std::uint64_t nextChange = 0;  // the first block always reports its percentage
    for (std::uint64_t j = 0; j < plan.fullBlocks; ++j) {
        const char* block = source.next(uploadmath::kBlock);
        if (!block) return unreadable(source);
        if (Status s = file.write(block, uploadmath::kBlock); s.failed()) return s;
        if (j % kYieldStride == 0) sink.yield();
        if (sink.cancelled()) return Error{ErrorKind::Cancelled, "upload cancelled", {}};
        sent += uploadmath::kBlock;
        if (sent >= nextChange) {
            const int percent = uploadmath::percentage(sent, size);
            nextChange = uploadmath::sentReaching(percent + 1, size);
            sink.percent(percent);
        }
    }
    const char* rest = source.next(std::size_t(plan.remainder));
    if (!rest) return unreadable(source);
    if (Status s = file.write(rest, std::size_t(plan.remainder)); s.failed()) return s;
    source.close();
    return file.close();
}

}  // namespace ftp
