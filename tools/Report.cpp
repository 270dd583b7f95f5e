#include "Report.h"

#include <iostream>

#include "Printable.h"

int fail(const std::string& command, const std::string& name, const ftp::Error& e, const std::string& note) {
    std::string cause;
    // Only a failure reply is the cause; otherwise (and when refusing TLS was the fault) the
    // engine says what happened.
    if (e.reply.code >= 400 && e.kind != ftp::ErrorKind::Tls && e.kind != ftp::ErrorKind::Downgrade) {
        cause = e.reply.text;  // starts with the code; one line per reply line
        for (char& c : cause)
            if (c == '\n' || c == '\r') c = ' ';
    } else {
        cause = e.message;
    }
    std::cerr << command << ": " << printableName(name) << ": " << printableName(cause) << (note.empty() ? "" : "; ")
              << note << "\n";
    return 1;
}

int failLocal(const std::string& command, const std::string& name, const std::string& why) {
    std::cerr << command << ": " << printableName(name) << ": " << why << "\n";
    return 1;
}
