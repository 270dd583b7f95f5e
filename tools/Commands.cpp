#include "Commands.h"

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <string>

#include "Get.h"
#include "Printable.h"
#include "Put.h"
#include "Report.h"
#include "Signals.h"

namespace {

// Plain: tab-separated for scripts. Long: aligned columns for people.
int list(ftp::Connection& c, bool longListing) {
    auto find = c.findFiles("*.*");
    if (find.failed()) return fail("ls", ".", find.error());
    const auto& entries = find.value()->entries();
    std::size_t width = 1, dateWidth = 0;
    for (const auto& e : entries) {
        width = std::max(width, std::to_string(e.size).size());
        dateWidth = std::max(dateWidth, printableName(e.date).size());
    }
    for (const auto& e : entries) {
        const char kind = e.isDirectory() ? 'd' : '-';
        if (longListing) {
            std::cout << kind << ' ' << std::setw(static_cast<int>(width)) << e.size << ' ';
            if (dateWidth > 0) std::cout << std::left << std::setw(static_cast<int>(dateWidth)) << printableName(e.date) << std::right << ' ';
            std::cout << printableName(e.name) << '\n';
        } else
            std::cout << kind << '\t' << e.size << '\t' << printableName(e.name) << '\n';
    }
    // Lines in a format we do not know are not shown; say so rather than hide them silently.
    if (const std::size_t n = find.value()->unreadableLines(); n > 0)
        std::cerr << "ls: " << n << " listing line(s) could not be read\n";
    return 0;
}

}  // namespace

int runCommand(ftp::Connection& c, const CommandLine& cl) {
    const auto& a = cl.args;
    if (cl.command == "pwd") {
        auto dir = c.currentDirectory();
        if (dir.failed()) return fail("pwd", ".", dir.error());
        std::cout << printableName(dir.value()) << '\n';
        return 0;
    }
    if (cl.command == "ls") return list(c, cl.longListing);
    if (cl.command == "get") return get(c, a[0], a.size() > 1 ? a[1] : std::string(), cl.type, cl.force);
    if (cl.command == "mkdir") {
        ftp::Status s = c.createDirectory(a[0]);
        return s ? 0 : fail("mkdir", a[0], s.error());
    }
    if (cl.command == "rmdir") {
        ftp::Status s = c.removeDirectory(a[0]);
        return s ? 0 : fail("rmdir", a[0], s.error());
    }
    if (cl.command == "mv") {
        ftp::Status s = c.rename(a[0], a[1]);
        return s ? 0 : fail("mv", a[0], s.error());
    }
    if (cl.command == "rm") {
        for (const auto& name : a)
            if (ftp::Status s = c.deleteFile(name); s.failed()) return fail("rm", name, s.error());
        return 0;
    }
    const PutOptions options{cl.type, cl.resume, cl.inPlace};
    for (const auto& path : a)  // put
        if (int rc = put(c, path, options); rc != 0 || interruption()) return rc;
    return 0;
}
