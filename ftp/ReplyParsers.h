#pragma once
// Pure parsers for the payload of single replies.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Features.h"

namespace ftp {

// 257 reply text -> path. Takes the first quoted string, undoing doubled quotes
// ("/""hello""" -> /"hello"). Text before the opening quote is ignored. nullopt when there is
// no quoted string, it is unterminated, or the path holds a control character (< 0x20, 0x7f).
std::optional<std::string> parsePwdReply(std::string_view replyText);

struct PassiveAddress {
    std::string host;      // dotted IPv4 as advertised (used for diagnostics only)
    std::uint16_t port = 0;
};

// 227 reply text -> the first run of six comma-separated numbers h1,h2,h3,h4,p1,p2 (with or
// without parentheses). nullopt when absent or when any number is above 255, or the port is 0.
std::optional<PassiveAddress> parsePasvReply(std::string_view replyText);

// 229 reply text "(<d><d><d>port<d>)" with any delimiter 33..126 -> port. nullopt when the
// form is wrong or the port is 0 or above 65535.
std::optional<std::uint16_t> parseEpsvReply(std::string_view replyText);

// 211 FEAT reply text: one feature a line after the first, each line led by a space, names in
// any case, unknown ones skipped.
Features parseFeatures(std::string_view replyText);

// 213 SIZE reply text -> bytes. Only "213 <digits>" (blanks after allowed): anything else is
// unknown rather than a guess.
std::optional<std::uint64_t> parseSizeReply(std::string_view replyText);

// "YYYYMMDDHHMMSS[.fff]" (UTC, as MDTM, MFMT and MLSD's modify fact give it) -> the second,
// fraction dropped. nullopt for any other shape or a date that does not exist.
std::optional<std::chrono::sys_seconds> parseTimeVal(std::string_view text);
// 213 MDTM reply text -> its time-val.
std::optional<std::chrono::sys_seconds> parseMdtmReply(std::string_view replyText);
// The time-val MFMT takes; nullopt for years outside 0 to 9999.
std::optional<std::string> formatTimeVal(std::chrono::sys_seconds time);

}  // namespace ftp
