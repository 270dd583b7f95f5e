#pragma once
// Recognising the date columns of listings. Entries carry no dates, so these only answer "is
// this a date, and how many fields does it take": enough to find the size before it and the
// name after it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Text.h"

namespace ftp::listing {

// A month name or abbreviation in one of the languages servers are known to use, in UTF-8 or
// the legacy 8-bit encoding of that language, with or without a trailing dot or comma.
bool isMonthName(std::string_view s);
// "3月" / "3월" in UTF-8 or a legacy CJK encoding.
bool isCjkMonth(std::string_view s);
// "Jan" .. "Dec" as 1 .. 12, 0 for anything else.
int englishMonth(std::string_view s);
// Whether `day` exists in `month` (0: not known) of `year` (0: not known, so 29 February may).
bool isDayOfMonth(int day, int month, int year = 0);

bool isDay(std::string_view s);    // "7", "07", "26.", "8,", "29日"
bool isYear(std::string_view s);   // "2003", "2003年"
// "12:34", "12:34:56", "12:34:56.789" with hours 0-23, minutes and seconds 0-59.
bool isClock(std::string_view s);
// The same shape, values unchecked: what a time looks like, possible or not.
bool looksLikeClock(std::string_view s);
// Dates are checked as well as shaped: month 1-12 and a day that month has.
bool isIsoDate(std::string_view s);  // "2023-01-15"
bool isNumericDate(std::string_view s);  // "01-15-23", "15.01.2023", "2004/07/15"
bool isNamedDate(std::string_view s);    // "01-jun-99", "15-JAN-2023"

// Fields a date takes starting at field i, or 0. Strong dates name the month or have a full
// numeric shape; weak ones ("3 29 03:26", "09-26 2000", "2005 1 6") are only tried when no strong
// date is on the line, since numeric owners and sizes look alike.
std::size_t strongDateLength(const Fields& fs, std::size_t i);
std::size_t weakDateLength(const Fields& fs, std::size_t i);

// Seconds since 1970 as "2023-01-15 12:34" in UTC, the form MLSD times are shown in.
std::string utcMinute(std::uint64_t seconds);

}  // namespace ftp::listing
