#include "CommandLine.h"

#include <cctype>
#include <charconv>
#include <map>

const char* const kUsage =
    "usage: pelicano-ftp [-P PORT] [-u USER] [--password-stdin] [--cd DIR] [-t ascii|binary] [-f]\n"
    "                    [--tls auto|require|off|implicit] [--trust SHA256:HEX|SHA256:BASE64]\n"
    "                    HOST[:PORT]|ftp://USER@HOST:PORT/PATH|ftps://...|sftp://... COMMAND [ARG...]\n"
    "       pelicano-ftp --help | --version\n"
    "  commands: pwd | ls [-l] | mkdir DIR | rmdir DIR | rm NAME... | mv OLD NEW\n"
    "            put [-c] [--in-place] FILE... (-c resumes a broken upload; --in-place writes\n"
    "            under the final name instead of a temporary one renamed when whole)\n"
    "            put -r DIR... | get REMOTE [LOCAL] (-f replaces an existing LOCAL)\n"
    "            sync [--dry-run] [--delete] [--exclude GLOB]... [--parallel N] [--size-only]\n"
    "                 LOCALDIR [REMOTEDIR]\n"
    "  --tls: auto (default) encrypts when the server offers it, require refuses to go on in clear,\n"
    "         off never encrypts, implicit speaks TLS from the first byte (port 990)\n"
    "  --trust: accept this one server certificate (SHA256: and hex) or SSH host key (SHA256: and\n"
    "           base64, as ssh-keygen -l prints it) for this run\n"
    "  a bare HOST speaks SFTP when the server greets in SSH, else FTP; sftp:// always SFTP (port 22),\n"
    "  ftps:// implicit TLS; over SFTP the agent and the keys in ~/.ssh are tried before a password\n"
    "  the password comes from --password-stdin (the first line of input), PELICANO_PASSWORD\n"
    "  or ~/.netrc; exit status 0 success, 1 server or transfer failure, 2 wrong usage,\n"
    "  3 connection or login failure, 4 certificate or host key not trusted,\n"
    "  130/143 ended by SIGINT/SIGTERM\n";

namespace {

// Minimum and maximum argument counts of each command (-1 = no maximum).
const std::map<std::string, std::pair<int, int>> kCommands = {
    {"pwd", {0, 0}}, {"ls", {0, 0}},   {"mkdir", {1, 1}}, {"rmdir", {1, 1}}, {"rm", {1, -1}},
    {"mv", {2, 2}},  {"put", {1, -1}}, {"get", {1, 2}},   {"sync", {1, 2}},
};

std::optional<std::uint16_t> parsePort(const std::string& text) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

// A host key's fingerprint as OpenSSH prints it: "SHA256:" and the 43 base64 characters of 32
// bytes. Padding copied along with it is dropped, so it compares with what the engine computes.
std::optional<std::string> hostKeyFingerprint(const std::string& text) {
    if (text.rfind("SHA256:", 0) != 0) return std::nullopt;
    std::string digits = text.substr(7);
    if (!digits.empty() && digits.back() == '=') digits.pop_back();
    if (digits.size() != 43) return std::nullopt;
    for (unsigned char c : digits)
        if (!std::isalnum(c) && c != '+' && c != '/') return std::nullopt;
    return "SHA256:" + digits;
}

// The switches of sync and put -r, wherever they stand among the arguments ("--" ends them).
// Plain put keeps every argument a name, as before.
bool takeTreeOptions(CommandLine& cl, std::string& error) {
    if (cl.command == "put") {
        if (cl.args.empty() || cl.args.front() != "-r") return true;
        cl.recursive = true;
        cl.args.erase(cl.args.begin());
    }
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < cl.args.size(); ++i) {
        const std::string& a = cl.args[i];
        if (a == "--") {
            rest.insert(rest.end(), cl.args.begin() + static_cast<long>(i) + 1, cl.args.end());
            break;
        }
        const bool isSync = cl.command == "sync";
        if ((a == "--dry-run" || a == "--delete" || a == "--size-only") && isSync) {
            (a == "--dry-run" ? cl.dryRun : a == "--delete" ? cl.deleteExtra : cl.sizeOnly) = true;
        } else if (a == "--exclude" || a == "--parallel") {
            if (i + 1 >= cl.args.size()) return error = a + " needs a value", false;
            const std::string& v = cl.args[++i];
            if (a == "--exclude") {
                if (v.empty()) return error = "an empty --exclude pattern matches nothing; give a glob", false;
                cl.excludes.push_back(v);
                continue;
            }
            auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), cl.parallel);
            if (ec != std::errc() || end != v.data() + v.size() || cl.parallel < 1 || cl.parallel > 8)
                return error = "--parallel takes 1 to 8 connections: " + v, false;
        } else if (a.size() > 1 && a[0] == '-') {
            return error = "unknown option for " + cl.command + ": " + a, false;
        } else {
            rest.push_back(a);
        }
    }
    cl.args = std::move(rest);
    return true;
}

}  // namespace

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& argv, std::string& error) {
    CommandLine cl;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        auto value = [&](const char* option) -> std::optional<std::string> {
            if (i + 1 >= argv.size()) {
                error = std::string(option) + " needs a value";
                return std::nullopt;
            }
            return argv[++i];
        };
        if (!positional.empty() && positional.size() >= 2) {
            positional.push_back(a);  // after the command, everything is an argument
        } else if (a == "-h" || a == "--help") {
            cl.help = true;
            return cl;
        } else if (a == "--version") {
            cl.version = true;
            return cl;
        } else if (a == "-P") {
            auto v = value("-P");
            if (!v) return std::nullopt;
            auto port = parsePort(*v);
            if (!port) {
                error = "bad port: " + *v;
                return std::nullopt;
            }
            cl.port = *port;
        } else if (a == "-u") {
            auto v = value("-u");
            if (!v) return std::nullopt;
            cl.user = *v;
        } else if (a == "-f") {
            cl.force = true;
        } else if (a == "--password-stdin") {
            cl.passwordFromStdin = true;
        } else if (a == "--cd") {
            auto v = value("--cd");
            if (!v) return std::nullopt;
            cl.directory = *v;
        } else if (a == "-t") {
            auto v = value("-t");
            if (!v) return std::nullopt;
            if (*v == "ascii") cl.type = ftp::TransferType::Ascii;
            else if (*v == "binary") cl.type = ftp::TransferType::Binary;
            else {
                error = "bad transfer type: " + *v;
                return std::nullopt;
            }
        } else if (a == "--tls") {
            auto v = value("--tls");
            if (!v) return std::nullopt;
            auto mode = ftp::parseTlsMode(*v);
            if (!mode) {
                error = "bad TLS mode: " + *v;
                return std::nullopt;
            }
            cl.tls = *mode;
        } else if (a == "--trust") {
            auto v = value("--trust");
            if (!v) return std::nullopt;
            if (auto key = hostKeyFingerprint(*v)) {
                cl.trustedHostKey = *key;
            } else if (auto fingerprint = ftp::parseFingerprint(*v)) {
                cl.trustedSha256 = *fingerprint;
            } else {
                error =
                    "bad fingerprint (a certificate's SHA256: and 64 hex digits, or a host key's SHA256: and "
                    "43 base64 characters as ssh-keygen -l prints it): " +
                    *v;
                return std::nullopt;
            }
        } else if (a.size() > 1 && a[0] == '-' && positional.size() < 2) {
            error = "unknown option: " + a;
            return std::nullopt;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() < 2) {
        error = "a host and a command are needed";
        return std::nullopt;
    }
    cl.host = positional[0];
    cl.command = positional[1];
    cl.args.assign(positional.begin() + 2, positional.end());
    // The switches the classic tools take after these commands.
    if (cl.command == "ls" && !cl.args.empty() && cl.args.front() == "-l") {
        cl.longListing = true;
        cl.args.erase(cl.args.begin());
    }
    if (cl.command == "get" && !cl.args.empty() && cl.args.front() == "-f") {
        cl.force = true;
        cl.args.erase(cl.args.begin());
    }
    while (cl.command == "put" && !cl.args.empty() && (cl.args.front() == "-c" || cl.args.front() == "--in-place")) {
        (cl.args.front() == "-c" ? cl.resume : cl.inPlace) = true;
        cl.args.erase(cl.args.begin());
    }
    if (cl.resume && cl.type == ftp::TransferType::Ascii) {
        error = "put -c resumes binary transfers only";  // line ends make ASCII offsets meaningless
        return std::nullopt;
    }
    if ((cl.command == "sync" || cl.command == "put") && !takeTreeOptions(cl, error)) return std::nullopt;
    auto it = kCommands.find(cl.command);
    if (it == kCommands.end()) {
        error = "unknown command: " + cl.command;
        return std::nullopt;
    }
    const int n = static_cast<int>(cl.args.size());
    if (n < it->second.first || (it->second.second >= 0 && n > it->second.second)) {
        error = "wrong number of arguments for " + cl.command;
        return std::nullopt;
    }
    return cl;
}
