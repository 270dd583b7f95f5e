#include "Report.h"

#include <iostream>

#include "Printable.h"

int fail(const std::string& command, const std::string& name, const ftp::Error& e) {
    std::string line = command + ": " + printableName(name) + ": ";
    if (e.reply.code != 0) {
        std::string text = e.reply.text;  // starts with the code; one line per reply line
        for (char& c : text)
            if (c == '\n' || c == '\r') c = ' ';
        line += text;
    } else {
        line += e.message;
    }
    std::cerr << line << "\n";
    return 1;
}

int failLocal(const std::string& command, const std::string& name, const std::string& why) {
    std::cerr << command << ": " << name << ": " << why << "\n";
    return 1;
}
