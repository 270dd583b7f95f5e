// z/OS (MVS) datasets and partitioned-dataset members:
//   Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname
//   PUB003 3390   2021/06/15  1   15  FB      80 27920  PO  TEST.SRC
//   Migrated                                                 OLD.DATA
//    Name     VV.MM   Created       Changed      Size  Init   Mod   Id
//   MEMBER1   01.03 2002/09/12 2002/09/12 10:12    22    22     0 USERID
//    Name      Size     TTR   Alias-of AC --------- Attributes --------- Amode Rmode
//   LOADMOD   000A48   00000F          00    FO             RN RU      31    ANY
#include "Dates.h"
#include "Families.h"

namespace ftp::listing {

namespace {

bool isNational(char c) { return c == '#' || c == '@' || c == '$'; }

bool isUpperAlnum(char c) { return (c >= 'A' && c <= 'Z') || isDigit(c) || isNational(c); }

// Upper-case letters, digits and national characters, one to maxLength of them.
bool isUpperWord(std::string_view s, std::size_t maxLength) {
    if (s.empty() || s.size() > maxLength) {
        return false;
    }
    for (char c : s) {
        if (!isUpperAlnum(c)) {
            return false;
        }
    }
    return true;
}

bool isMemberName(std::string_view s) { return isUpperWord(s, 8) && !isDigit(s[0]); }
bool isVolser(std::string_view s) { return isUpperWord(s, 6); }

// "TEST.SRC", "'ABC.DEF'": qualifiers of up to eight characters, 44 in all.
bool isDatasetName(std::string_view s) {
    if (s.size() > 2 && s.front() == '\'' && s.back() == '\'') {
        s = s.substr(1, s.size() - 2);
    }
    if (s.empty() || s.size() > 44) {
        return false;
    }
    std::size_t run = 0;
    for (char c : s) {
        if (c == '.') {
            if (run == 0) {
                return false;
            }
            run = 0;
        } else if (isUpperAlnum(c) || c == '-' || c == '{' || c == '}') {
            if (++run > 8) {
                return false;
            }
        } else {
            return false;
        }
    }
    return run > 0;
}

bool isMvsDate(std::string_view s) {
    return s == "**NONE**" || (s.size() == 10 && allDigits(s.substr(0, 4)) && s[4] == '/' &&
                               allDigits(s.substr(5, 2)) && s[7] == '/' && allDigits(s.substr(8, 2)));
}

bool isHex(std::string_view s, std::size_t length) {
    if (s.size() != length) {
        return false;
    }
    for (char c : s) {
        if (!isDigit(c) && !(c >= 'A' && c <= 'F')) {
            return false;
        }
    }
    return true;
}

std::uint64_t hexValue(std::string_view s) {
    std::uint64_t v = 0;
    for (char c : s) {
        v = v * 16 + static_cast<std::uint64_t>(isDigit(c) ? c - '0' : c - 'A' + 10);
    }
    return v;
}

bool isDatasetOrganisation(std::string_view s) {
    static constexpr std::string_view kKnown[] = {"PS", "PO", "PO-E", "DA", "IS", "VS", "VSAM", "?"};
    for (std::string_view k : kKnown) {
        if (s == k) {
            return true;
        }
    }
    return false;
}

Outcome parseDataset(const Fields& fs, Entry& out) {
    const std::string_view last = fs.f[fs.count - 1];
    if (!isDatasetName(last)) {
        return Outcome::NotMine;
    }
    if (fs.count == 2 && fs.f[0] == "Migrated") {
        return makeEntry(last, false, 0, out);
    }
    if (fs.count == 3 && fs.f[0] == "Pseudo" && fs.f[1] == "Directory") {
        return makeEntry(last, true, 0, out);  // a qualifier level with datasets below it
    }
    if (fs.count >= 6 && fs.f[1] == "Not" && fs.f[2] == "Direct" && fs.f[3] == "Access") {
        return makeEntry(last, false, 0, out);  // on tape
    }
    if (fs.count < 5 || !isVolser(fs.f[0]) || !isMvsDate(fs.f[2]) || !isDatasetOrganisation(fs.f[fs.count - 2])) {
        return Outcome::NotMine;
    }
    const std::string_view dsorg = fs.f[fs.count - 2];
    return makeEntry(last, dsorg == "PO" || dsorg == "PO-E", 0, out);
}

Outcome parseMember(const Fields& fs, const ReaderState& state, Entry& out) {
    if (!isMemberName(fs.f[0])) {
        return Outcome::NotMine;
    }
    if (fs.count == 1) {
        // A bare name is only a member when the server is known to be z/OS.
        return state.mvsHint || state.mvsMembers ? makeEntry(fs.f[0], false, 0, out) : Outcome::NotMine;
    }
    const std::string_view v = fs.f[1];
    const bool version = v.size() == 5 && isDigit(v[0]) && isDigit(v[1]) && v[2] == '.' && isDigit(v[3]) && isDigit(v[4]);
    if (version && fs.count >= 3 && isMvsDate(fs.f[2])) {
        // The size column counts records, not bytes. The second date is the last change.
        const std::string changed = isMvsDate(fs.at(3)) ? fs.joined(3, isClock(fs.at(4)) ? 2 : 1) : std::string();
        return withDate(makeEntry(fs.f[0], false, 0, out), changed, out);
    }
    if (isHex(v, 6) && isHex(fs.at(2), 6)) {
        return makeEntry(fs.f[0], false, hexValue(v), out);  // load module: size and TTR in hex
    }
    return Outcome::NotMine;
}

}  // namespace

Outcome parseMvs(std::string_view line, ReaderState& state, Entry& out) {
    const Fields fs = splitFields(line);
    if (fs.count == 0) {
        return Outcome::NotMine;
    }
    if (fs.f[0] == "Volume" && fs.at(1) == "Unit") {
        return Outcome::Noise;
    }
    if (fs.f[0] == "Name" && (fs.at(1) == "VV.MM" || fs.at(1) == "Size")) {
        state.mvsMembers = true;
        return Outcome::Noise;
    }
    const Outcome dataset = parseDataset(fs, out);
    return dataset != Outcome::NotMine ? dataset : parseMember(fs, state, out);
}

}  // namespace ftp::listing
