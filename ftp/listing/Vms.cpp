// OpenVMS DIRECTORY output:
//   Directory DISK$USER:[SMITH]
//   LOGIN.COM;5            5/6     14-FEB-2022 09:10:11.22  [GROUP,SMITH]  (RWED,RWED,RE,)
//   A_VERY_LONG_NAME_THAT_WRAPS.TXT;1
//                         12/14    15-JAN-2023 12:34:56  [SMITH]  (RWED,RWED,RE,)
//   Total of 2 files, 17/20 blocks.
#include "Dates.h"
#include "Families.h"

namespace ftp::listing {

namespace {

constexpr std::uint64_t kBlockBytes = 512;

bool isVmsNameChar(char c) {
    static constexpr std::string_view kOther = "$_-.~^";
    return isAsciiLetter(c) || isDigit(c) || kOther.find(c) != std::string_view::npos;
}

// "NAME.EXT;12": the name without its version, and whether it is a folder ("NAME.DIR").
bool readVmsName(std::string_view field, std::string_view& name, bool& directory) {
    const std::size_t bracket = field.rfind(']');  // a full "DISK:[DIR]NAME.EXT;1"
    if (bracket != std::string_view::npos) {
        field.remove_prefix(bracket + 1);
    }
    const std::size_t semicolon = field.rfind(';');
    if (semicolon == std::string_view::npos || semicolon == 0 ||
        !parseSmall(field.substr(semicolon + 1), 0, 32767)) {
        return false;
    }
    name = field.substr(0, semicolon);
    if (name.find('.') == std::string_view::npos) {
        return false;
    }
    for (char c : name) {
        if (!isVmsNameChar(c)) {
            return false;
        }
    }
    directory = name.size() > 4 && equalsNoCase(name.substr(name.size() - 4), ".DIR");
    if (directory) {
        name.remove_suffix(4);
    }
    return true;
}

// "12", "12/14" (used / allocated blocks).
std::optional<std::uint64_t> readBlocks(std::string_view s) {
    const std::size_t slash = s.find('/');
    if (slash != std::string_view::npos && !allDigits(s.substr(slash + 1))) {
        return std::nullopt;
    }
    const auto used = parseNumber(s.substr(0, slash));
    if (!used || *used > UINT64_MAX / kBlockBytes) {
        return std::nullopt;
    }
    return *used * kBlockBytes;
}

bool isVmsMessage(std::string_view s) { return s.size() > 2 && s[0] == '%' && isAsciiLetter(s[1]); }

bool isFrameLine(const Fields& fs) {
    return (fs.f[0] == "Directory" && fs.count == 2) || (fs.f[0] == "Total" && fs.at(1) == "of") ||
           (fs.f[0] == "Grand" && fs.at(1) == "total") || isVmsMessage(fs.f[0]);
}

// "15-JAN-2023 12:34:56.78" at field i; the time is left out when absent.
std::string vmsDate(const Fields& fs, std::size_t i) {
    if (i >= fs.count || !isNamedDate(fs.f[i])) {
        return {};
    }
    return fs.joined(i, i + 1 < fs.count && isClock(fs.f[i + 1]) ? 2 : 1);
}

}  // namespace

Outcome parseVms(std::string_view line, ReaderState& state, Entry& out) {
    const Fields fs = splitFields(line);
    if (fs.count == 0) {
        return Outcome::NotMine;
    }
    if (isFrameLine(fs)) {
        return Outcome::Noise;
    }
    std::string_view name;
    bool directory = false;
    if (!readVmsName(fs.f[0], name, directory)) {
        return Outcome::NotMine;
    }
    if (fs.count == 1) {
        // The details may follow on the next line; the reader decides when it sees that line.
        state.vmsPending.assign(name);
        state.vmsPendingDir = directory;
        return Outcome::Noise;
    }
    if (isVmsMessage(fs.f[1])) {
        return makeEntry(name, directory, 0, out);  // "%RMS-E-PRV": listed but unreadable
    }
    const auto size = readBlocks(fs.f[1]);
    if (!size || (fs.count > 2 && !isNamedDate(fs.f[2]))) {
        return Outcome::NotMine;
    }
    return withDate(makeEntry(name, directory, *size, out), vmsDate(fs, 2), out);
}

Outcome continueVms(std::string_view line, ReaderState& state, Entry& out) {
    const Fields fs = splitFields(line);
    if (line.empty() || !isBlank(line[0]) || fs.count == 0) {
        return Outcome::NotMine;
    }
    const auto size = isVmsMessage(fs.f[0]) ? std::optional<std::uint64_t>(0) : readBlocks(fs.f[0]);
    if (!size || (fs.count > 1 && !isVmsMessage(fs.f[0]) && !isNamedDate(fs.f[1]))) {
        return Outcome::NotMine;
    }
    const Outcome made = withDate(makeEntry(state.vmsPending, state.vmsPendingDir, *size, out), vmsDate(fs, 1), out);
    state.vmsPending.clear();
    return made;
}

bool takeVmsPending(ReaderState& state, Entry& out) {
    if (state.vmsPending.empty()) {
        return false;
    }
    const Outcome made = makeEntry(state.vmsPending, state.vmsPendingDir, 0, out);
    state.vmsPending.clear();
    return made == Outcome::Entry;
}

}  // namespace ftp::listing
