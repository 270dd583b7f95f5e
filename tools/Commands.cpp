#include "Commands.h"

#include <iostream>

#include "Printable.h"
#include "Put.h"
#include "Report.h"

namespace {

int list(ftp::Connection& c) {
    auto find = c.findFiles("*.*");
    if (find.failed()) return fail("ls", ".", find.error());
    while (const ftp::Entry* e = find.value()->next())
        std::cout << (e->isDirectory() ? 'd' : '-') << '\t' << e->size << '\t' << printableName(e->name) << '\n';
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
    if (cl.command == "ls") return list(c);
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
    for (const auto& path : a)  // put
        if (int rc = put(c, path, cl.type); rc != 0) return rc;
    return 0;
}
