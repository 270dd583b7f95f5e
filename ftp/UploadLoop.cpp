#include "UploadLoop.h"

namespace ftp {

Error unreadableSource(const FileReader& source) { return Error{ErrorKind::LocalIO, source.problemText(), {}}; }

}  // namespace ftp
