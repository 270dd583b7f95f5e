#include "Dates.h"

#include <array>
#include <ctime>
#include <string>

namespace ftp::listing {

bool isMonthWord(std::string_view lowered);  // Months.cpp

namespace {

using namespace std::string_view_literals;

// The CJK month, day and year marks in UTF-8, Shift_JIS, EUC-JP, GBK, Big5 and EUC-KR.
constexpr std::array kMonthMarks = {"\xe6\x9c\x88"sv, "\x8c\x8e"sv, "\xb7\xee"sv, "\xd4\xc2"sv,
                                    "\xa4\xeb"sv,     "\xec\x9b\x94"sv, "\xbf\xf9"sv};
constexpr std::array kDayMarks = {"\xe6\x97\xa5"sv, "\x93\xfa"sv, "\xc6\xfc"sv, "\xc8\xd5"sv,
                                  "\xa4\xe9"sv,     "\xec\x9d\xbc"sv, "\xc0\xcf"sv};
constexpr std::array kYearMarks = {"\xe5\xb9\xb4"sv, "\x94N"sv, "\xc7\xaf"sv, "\xc4\xea"sv,
                                   "\xa6~"sv,        "\xeb\x85\x84"sv, "\xb3\xe2"sv};

// Removes one trailing mark from the list; false when none is there.
template <std::size_t N>
bool stripMark(std::string_view& s, const std::array<std::string_view, N>& marks) {
    for (std::string_view m : marks) {
        if (s.size() > m.size() && s.substr(s.size() - m.size()) == m) {
            s.remove_suffix(m.size());
            return true;
        }
    }
    return false;
}

std::string_view stripPunctuation(std::string_view s) {
    while (!s.empty() && (s.back() == '.' || s.back() == ',')) {
        s.remove_suffix(1);
    }
    return s;
}

bool isDayValue(std::string_view s) { return parseSmall(s, 1, 31).has_value() && s.size() <= 2; }

int number(std::string_view digits) { return parseSmall(digits, 0, 9999).value_or(-1); }

// A calendar date that exists; a year of 0 is not known.
bool isRealDate(int year, int month, int day) { return month >= 1 && month <= 12 && isDayOfMonth(day, month, year); }

// Hours, minutes and seconds (-1 when not given) of "12:34", "12:34:56" or "12:34:56.789".
std::optional<std::array<int, 3>> clockParts(std::string_view s) {
    const std::size_t colon = s.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || !allDigits(s.substr(0, colon))) {
        return std::nullopt;
    }
    std::array<int, 3> parts = {number(s.substr(0, colon)), -1, -1};
    std::string_view rest = s.substr(colon + 1);
    if (rest.size() < 2 || !isDigit(rest[0]) || !isDigit(rest[1])) {
        return std::nullopt;
    }
    parts[1] = number(rest.substr(0, 2));
    rest.remove_prefix(2);
    if (rest.empty()) {
        return parts;
    }
    if (rest[0] != ':' || rest.size() < 3 || !isDigit(rest[1]) || !isDigit(rest[2])) {
        return std::nullopt;
    }
    parts[2] = number(rest.substr(1, 2));
    rest.remove_prefix(3);
    if (!rest.empty() && (rest[0] != '.' || !allDigits(rest.substr(1)))) {
        return std::nullopt;
    }
    return parts;
}

// "2023-01-15"-like: three numeric groups with one separator, the year four digits first or last.
bool splitNumericDate(std::string_view s, char separator, std::array<std::string_view, 3>& parts) {
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const std::size_t cut = s.find(separator);
        if ((cut == std::string_view::npos) != (k == 2)) {
            return false;  // exactly two separators
        }
        parts[k] = s.substr(0, cut);
        s = cut == std::string_view::npos ? std::string_view() : s.substr(cut + 1);
    }
    return allDigits(parts[0]) && allDigits(parts[1]) && allDigits(parts[2]);
}

}  // namespace

int englishMonth(std::string_view s) {
    static constexpr std::string_view kNames = "janfebmaraprmayjunjulaugsepoctnovdec";
    if (s.size() != 3) {
        return 0;
    }
    const char a = lower(s[0]), b = lower(s[1]), c = lower(s[2]);
    for (std::size_t i = 0; i < kNames.size(); i += 3) {
        if (kNames[i] == a && kNames[i + 1] == b && kNames[i + 2] == c) {
            return static_cast<int>(i / 3 + 1);
        }
    }
    return 0;
}

bool isDayOfMonth(int day, int month, int year) {
    static constexpr std::array<int, 13> kDays = {31, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 0 || month > 12 || day < 1 || day > kDays[static_cast<std::size_t>(month)]) {
        return false;
    }
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return !(month == 2 && day == 29 && year != 0 && !leap);
}

bool isMonthName(std::string_view s) {
    s = stripPunctuation(s);
    if (s.size() < 3 || s.size() > 24) {
        return false;
    }
    if (englishMonth(s) != 0) {
        return true;
    }
    std::string lowered(s);
    for (char& c : lowered) {
        if (isDigit(c)) {
            return false;
        }
        c = lower(c);
    }
    return isMonthWord(lowered);
}

bool isCjkMonth(std::string_view s) {
    return stripMark(s, kMonthMarks) && parseSmall(s, 1, 12).has_value() && s.size() <= 2;
}

namespace {

// The day of "7", "26.", "29日"; 0 when it is none.
int dayOf(std::string_view s) {
    if (!stripMark(s, kDayMarks)) {
        s = stripPunctuation(s);
    }
    return isDayValue(s) ? number(s) : 0;
}

// An English month must have the day; other languages' months are only known to be months.
bool monthHasDay(std::string_view month, std::string_view day) {
    const int m = englishMonth(stripPunctuation(month));
    return m == 0 || isDayOfMonth(dayOf(day), m);
}

// "Jan 15 12:34", "Jan 15 2023", "Oct 08, 2002 09:47", "3月 29日 2003": fields taken, or 0.
std::size_t monthFirstLength(const Fields& fs, std::size_t i) {
    const auto t = [&](std::size_t k) { return fs.at(i + k); };
    if (!(isMonthName(t(0)) || isCjkMonth(t(0))) || !isDay(t(1)) || !monthHasDay(t(0), t(1))) {
        return 0;
    }
    if (t(1).back() == ',' && isYear(t(2)) && isClock(t(3))) {
        return 4;
    }
    if (isClock(t(2))) {
        return t(2).size() > 5 && isYear(t(3)) ? 4 : 3;  // "Jan 15 12:34:56 2023", as BSD's ls -lT prints
    }
    return isYear(t(2)) ? 3 : 0;
}

}  // namespace

bool isDay(std::string_view s) { return dayOf(s) != 0; }

bool isYear(std::string_view s) {
    if (!stripMark(s, kYearMarks)) {
        s = stripPunctuation(s);
    }
    return s.size() == 4 && allDigits(s);
}

bool isClock(std::string_view s) {
    const auto parts = clockParts(s);
    return parts && (*parts)[0] <= 23 && (*parts)[1] <= 59 && (*parts)[2] <= 59;
}

bool looksLikeClock(std::string_view s) { return clockParts(s).has_value(); }

bool isIsoDate(std::string_view s) {
    return s.size() == 10 && allDigits(s.substr(0, 4)) && s[4] == '-' && allDigits(s.substr(5, 2)) && s[7] == '-' &&
           allDigits(s.substr(8, 2)) &&
           isRealDate(number(s.substr(0, 4)), number(s.substr(5, 2)), number(s.substr(8, 2)));
}

bool isNumericDate(std::string_view s) {
    for (char separator : {'-', '/', '.'}) {
        std::array<std::string_view, 3> p;
        if (s.find(separator) == std::string_view::npos || !splitNumericDate(s, separator, p)) {
            continue;
        }
        if (p[0].size() == 4 && p[1].size() <= 2 && p[2].size() <= 2) {
            return isRealDate(number(p[0]), number(p[1]), number(p[2]));
        }
        if (p[0].size() > 2 || p[1].size() > 2 || (p[2].size() != 2 && p[2].size() != 4)) {
            return false;
        }
        // Month first or day first: either order will do, as long as one gives a real date.
        const int year = p[2].size() == 4 ? number(p[2]) : 0;
        return isRealDate(year, number(p[0]), number(p[1])) || isRealDate(year, number(p[1]), number(p[0]));
    }
    return false;
}

bool isNamedDate(std::string_view s) {
    const std::size_t a = s.find('-');
    const std::size_t b = a == std::string_view::npos ? a : s.find('-', a + 1);
    if (b == std::string_view::npos) {
        return false;
    }
    const std::string_view year = s.substr(b + 1);
    const std::string_view month = s.substr(a + 1, b - a - 1);
    if (!isDayValue(s.substr(0, a)) || !isMonthName(month) || (year.size() != 2 && year.size() != 4) ||
        !allDigits(year)) {
        return false;
    }
    const int english = englishMonth(month);
    return english == 0 || isDayOfMonth(number(s.substr(0, a)), english, year.size() == 4 ? number(year) : 0);
}

std::size_t strongDateLength(const Fields& fs, std::size_t i) {
    const auto t = [&](std::size_t k) { return fs.at(i + k); };
    if (isMonthName(t(0)) || isCjkMonth(t(0))) {
        return monthFirstLength(fs, i);
    }
    if (isDay(t(0)) && (isMonthName(t(1)) || isCjkMonth(t(1))) && monthHasDay(t(1), t(0)) &&
        (isClock(t(2)) || isYear(t(2)))) {
        return 3;  // "26. Juli 2003", "15 Jan 12:34"
    }
    if (isYear(t(0)) && (isCjkMonth(t(1)) || isMonthName(t(1))) && isDay(t(2)) && monthHasDay(t(1), t(2))) {
        // A 4-digit size before "Jan 15 2023" reads the same way: the month-first date wins.
        if (allDigits(t(0)) && monthFirstLength(fs, i + 1) != 0) {
            return 0;
        }
        return isClock(t(3)) ? 4 : 3;  // "2003年 3月 29日", "2020 szept 9"
    }
    if (isIsoDate(t(0)) || isNumericDate(t(0)) || isNamedDate(t(0))) {
        if (!isClock(t(1))) {
            return 1;
        }
        return isIsoDate(t(0)) && t(1).size() > 5 && t(2).size() == 5 && (t(2)[0] == '+' || t(2)[0] == '-') &&
                       allDigits(t(2).substr(1))
                   ? 3
                   : 2;
    }
    return 0;
}

std::size_t weakDateLength(const Fields& fs, std::size_t i) {
    const auto t = [&](std::size_t k) { return fs.at(i + k); };
    const auto plausibleYear = [](std::string_view s) { return parseSmall(s, 1970, 2099).has_value(); };
    const auto monthDay = [](std::string_view m, std::string_view d) {
        return m.size() <= 2 && isDay(d) && isDayOfMonth(dayOf(d), parseSmall(m, 1, 12).value_or(-1));
    };
    if (monthDay(t(0), t(1)) && (isClock(t(2)) || plausibleYear(t(2)))) {
        return 3;  // "3 29 03:26"
    }
    const std::size_t dash = t(0).find('-');
    if (t(0).size() == 5 && dash == 2 && monthDay(t(0).substr(0, 2), t(0).substr(3)) &&
        (isClock(t(1)) || plausibleYear(t(1)))) {
        return 2;  // "09-26 2000"
    }
    if (plausibleYear(t(0)) && monthDay(t(1), t(2))) {
        return isClock(t(3)) ? 4 : 3;  // "2005 1 6"
    }
    return 0;
}

std::string utcMinute(std::uint64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    char text[32];
    if (seconds > 253402300799u || !gmtime_r(&t, &tm) || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &tm) == 0) {
        return {};  // past the year 9999: no date rather than a wrong one
    }
    return text;
}

}  // namespace ftp::listing
