#include "RemoteTime.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace treesync {

namespace {

constexpr std::int64_t kMinute = 60;
constexpr std::int64_t kDay = 86400;

std::int64_t utc(int year, int month, int day, int hour = 0, int minute = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return static_cast<std::int64_t>(timegm(&t));
}

bool plausible(int month, int day, int hour = 0, int minute = 0) {
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour >= 0 && hour < 24 && minute >= 0 && minute < 60;
}

int monthNumber(const char* name) {
    static constexpr std::array<const char*, 12> kMonths{"jan", "feb", "mar", "apr", "may", "jun",
                                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (strncasecmp(name, kMonths[i], 3) == 0 && std::strlen(name) == 3) return static_cast<int>(i) + 1;
    return 0;
}

// The forms the listing parsers leave in Entry::date; others (localised months) give nothing.
std::optional<RemoteTime> fromListing(const std::string& date, std::int64_t now) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    char name[8] = {}, half[3] = {};
    int used = 0;
    const char* s = date.c_str();
    auto whole = [&] { return used == static_cast<int>(date.size()); };
    if (std::sscanf(s, "%4d-%2d-%2d %2d:%2d%n", &y, &mo, &d, &h, &mi, &used) == 5 && whole() && plausible(mo, d, h, mi))
        return RemoteTime{utc(y, mo, d, h, mi), kMinute};
    if (std::sscanf(s, "%3s %2d %2d:%2d%n", name, &d, &h, &mi, &used) == 4 && whole() && (mo = monthNumber(name)) &&
        plausible(mo, d, h, mi)) {
        std::tm today{};
        const std::time_t t = static_cast<std::time_t>(now);
        gmtime_r(&t, &today);
        y = today.tm_year + 1900;
        if (utc(y, mo, d, h, mi) > now + kDay) --y;
        return RemoteTime{utc(y, mo, d, h, mi), kMinute};
    }
    if (std::sscanf(s, "%3s %2d %4d%n", name, &d, &y, &used) == 3 && whole() && (mo = monthNumber(name)) &&
        plausible(mo, d))
        return RemoteTime{utc(y, mo, d), kDay};
    // DOS / IIS: "01-15-23 12:34PM"
    if (std::sscanf(s, "%2d-%2d-%2d %2d:%2d%1[AP]M%n", &mo, &d, &y, &h, &mi, half, &used) == 6 && whole() && h >= 1 &&
        h <= 12 && plausible(mo, d, h, mi)) {
        h = h % 12 + (half[0] == 'P' ? 12 : 0);
        y += y < 70 ? 2000 : 1900;
        return RemoteTime{utc(y, mo, d, h, mi), kMinute};
    }
    return std::nullopt;
}

}  // namespace

std::optional<RemoteTime> remoteTime(const ftp::Entry& entry, std::int64_t now) {
    if (entry.modifiedUtc) return RemoteTime{*entry.modifiedUtc, 1};
    return fromListing(entry.date, now);
}

}  // namespace treesync
