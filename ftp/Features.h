#pragma once
// What a server's FEAT reply offers (RFC 2389, RFC 3659). A server that does not answer FEAT
// offers nothing here, which does not prove it lacks the commands.

namespace ftp {

struct Features {
    bool mlsd = false;  // MLST / MLSD
    bool utf8 = false;
    bool restStream = false;  // REST n is a byte offset for the next STOR
    bool size = false;
    bool mdtm = false;
    bool mfmt = false;
};

}  // namespace ftp
