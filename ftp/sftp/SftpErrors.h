#pragma once
// How an SFTP failure reaches callers that were written for FTP's replies.

#include <string>

#include "SshSession.h"

namespace ftp {

// libssh2's last error as an Error. A status the server answered (no such file, permission
// denied, failure) is a refusal with a permanent (5xx) code, as FTP's refusals are, so callers
// that weigh a refusal by its class (the rename that falls back to delete first) treat both alike.
inline Error sftpFailure(const SshSession& ssh, const char* what) {
    Error e = ssh.error(what);
    if (e.kind == ErrorKind::Refused)
        e.reply = Reply{550, e.message + " (SFTP status " + std::to_string(ssh.sftpStatus()) + ")"};
    return e;
}

}  // namespace ftp
