#pragma once
// What each fuzz target does with one input. Shared by the libFuzzer programs and by the
// corpus replay test, so a saved crasher is re-checked in every ordinary build.
// Besides surviving the input, each entry checks the promises the parsers make and aborts
// when one is broken, so the fuzzer reports wrong results as well as crashes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/ListingParser.h"
#include "ftp/ReplyAssembler.h"
#include "ftp/ReplyParsers.h"

namespace fuzzentry {

inline void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

inline std::vector<ftp::Reply> drain(ftp::ReplyAssembler& a) {
    std::vector<ftp::Reply> out;
    while (auto r = a.take()) {
        out.push_back(std::move(*r));
    }
    return out;
}

// The first byte picks the chunk size; the rest is fed whole and in chunks, with small caps so
// the limits are reached. Both ways must agree unless the stream failed.
inline void reply(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    const std::size_t chunk = data[0] % 17 + 1;
    const std::string_view wire = asText(data + 1, size - 1);
    constexpr std::size_t kLine = 64;
    constexpr std::size_t kLines = 8;

    ftp::ReplyAssembler whole(kLine, kLines);
    whole.feed(wire);
    ftp::ReplyAssembler pieces(kLine, kLines);
    for (std::size_t pos = 0; pos < wire.size(); pos += chunk) {
        pieces.feed(wire.substr(pos, chunk));
    }
    check(whole.failed() == pieces.failed(), "chunking changed whether the stream failed");
    check(!whole.failed() || !whole.error().empty(), "failure without a reason");
    const auto a = drain(whole);
    const auto b = drain(pieces);
    for (const auto& r : a) {
        check(r.code >= 100 && r.code <= 999, "reply code out of range");
        check(r.text.find('\0') == std::string::npos, "NUL in reply text");
        check(r.text.compare(0, 3, std::to_string(r.code)) == 0, "text does not start with the code");
        std::size_t lines = 1;
        for (char c : r.text) {
            lines += c == '\n';
        }
        check(lines <= kLines, "reply longer than the line cap");
    }
    if (!whole.failed()) {
        check(a.size() == b.size(), "chunking changed the number of replies");
        for (std::size_t i = 0; i < a.size(); ++i) {
            check(a[i].code == b[i].code && a[i].text == b[i].text, "chunking changed a reply");
        }
        check(whole.midReply() == pieces.midReply(), "chunking changed the pending state");
    }
}

inline void pwd(const std::uint8_t* data, std::size_t size) {
    const auto path = ftp::parsePwdReply(asText(data, size));
    if (!path) {
        return;
    }
    check(!path->empty(), "empty path");
    std::string quoted = "257 \"";
    for (char c : *path) {
        const auto u = static_cast<unsigned char>(c);
        check(u >= 0x20 && u != 0x7f, "control character in path");
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    quoted += "\" is the current directory";
    check(ftp::parsePwdReply(quoted) == path, "quoting the path again does not give it back");
}

inline void passive(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = asText(data, size);
    if (const auto pasv = ftp::parsePasvReply(text)) {
        check(pasv->port != 0, "PASV port 0");
        int dots = 0;
        for (char c : pasv->host) {
            check((c >= '0' && c <= '9') || c == '.', "PASV host is not dotted decimal");
            dots += c == '.';
        }
        check(dots == 3 && pasv->host.size() <= 15, "PASV host is not four numbers");
    }
    if (const auto port = ftp::parseEpsvReply(text)) {
        check(*port != 0, "EPSV port 0");
        check(text.find(std::to_string(*port)) != std::string_view::npos, "EPSV port not in the text");
    }
}

// SIZE, MDTM and FEAT replies: a size or a time they give must read the same when written again.
inline void facts(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = asText(data, size);
    if (const auto bytes = ftp::parseSizeReply(text)) {
        check(ftp::parseSizeReply("213 " + std::to_string(*bytes)) == bytes, "SIZE does not read back");
    }
    if (const auto time = ftp::parseMdtmReply(text)) {
        const auto again = ftp::formatTimeVal(*time);
        check(again && ftp::parseTimeVal(*again) == time, "MDTM time does not read back");
    }
    (void)ftp::parseFeatures(text);  // no promise beyond surviving any text
}

inline void checkEntry(const ftp::Entry& e, std::string_view input) {
    check(!e.name.empty() && e.name != "." && e.name != "..", "empty, . or .. returned");
    check(e.name.find_first_of(std::string_view("\r\n\0/", 4)) == std::string::npos,
          "name is not a single path segment");
    check(e.attributes == ftp::kDirectory || e.attributes == ftp::kNormalFile, "odd attributes");
    check(input.find(e.name) != std::string_view::npos, "name not taken from the input");
    // A date is printed on one line after the size: it may hold no line break or NUL.
    check(e.date.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos, "date spans lines");
}

// The reader fed line by line (line ends left on) must agree with the whole-payload parse, and
// no line may give more than the reader's promise of two entries.
inline void listing(std::string_view data, ftp::ListingReader::Format format) {
    std::size_t unreadable = 0;
    const auto all = format == ftp::ListingReader::Format::Mlsd ? ftp::parseMlsdListing(data, &unreadable)
                                                                 : ftp::parseListing(data, &unreadable);
    ftp::ListingReader reader(format);
    std::vector<ftp::Entry> fed;
    std::size_t lines = 0;
    std::string_view rest = data;
    while (!rest.empty()) {
        const std::size_t lf = rest.find('\n');
        const std::size_t before = fed.size();
        reader.add(rest.substr(0, lf == std::string_view::npos ? lf : lf + 1), fed);
        check(fed.size() - before <= 2, "one line gave more than two entries");
        ++lines;
        rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
    }
    reader.finish(fed);
    check(fed.size() == all.size() && reader.unreadableLines() == unreadable, "listing and lines disagree");
    check(all.size() + unreadable <= lines + 1, "more entries and unreadable lines than lines");
    for (std::size_t i = 0; i < all.size(); ++i) {
        check(fed[i].name == all[i].name && fed[i].size == all[i].size && fed[i].date == all[i].date,
              "listing and lines disagree");
        check(!all[i].link || !all[i].isDirectory(), "the parser decided a link's kind");
        checkEntry(all[i], data);
    }
}

// Takes the input's bytes one at a time, then zeros once they run out.
struct ByteSource {
    const std::uint8_t* data;
    std::size_t size;
    std::uint8_t next() {
        if (size == 0) {
            return 0;
        }
        --size;
        return *data++;
    }
    std::string_view rest() const { return {reinterpret_cast<const char*>(data), size}; }
};

// A field of 1 to 8 printable bytes, none a blank: an owner or a group, maybe a number or a month.
inline std::string token(ByteSource& in) {
    std::string out(in.next() % 8 + 1, 'x');
    for (char& c : out) {
        c = static_cast<char>('!' + in.next() % 94);
    }
    return out;
}

inline std::string padding(ByteSource& in) { return std::string(in.next() % 3 + 1, ' '); }

// "Jan  5 12:34", "Feb 29  2024" or "2023-01-15 12:34": a date that exists.
inline std::string standardDate(ByteSource& in) {
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int form = in.next() % 3;
    const int month = in.next() % 12;
    const int year = 1970 + in.next() % 130;
    int day = in.next() % kDays[month] + 1;
    if (form != 0 && month == 1 && day == 29 && year % 4 != 0) {
        day = 28;  // 29 February only in a leap year, when the year is shown
    }
    char clock[8];
    std::snprintf(clock, sizeof clock, "%02d:%02d", in.next() % 24, in.next() % 60);
    char text[32];
    switch (form) {
    case 0: std::snprintf(text, sizeof text, "%s %2d %s", kMonths[month], day, clock); break;
    case 1: std::snprintf(text, sizeof text, "%s %2d  %d", kMonths[month], day, year); break;
    default: std::snprintf(text, sizeof text, "%d-%02d-%02d %s", year, month + 1, day, clock); break;
    }
    return text;
}

// A line of the shape nearly every server prints, its fields taken from the input and its name
// from what is left of it: the parser must give back exactly that name, kind and size.
inline void standardLine(const std::uint8_t* data, std::size_t size) {
    ByteSource in{data, size};
    static constexpr std::string_view kTypes = "-dlpsbcD";
    static constexpr std::string_view kMarks[3] = {"r-", "w-", "xsS-"};
    const char type = kTypes[in.next() % kTypes.size()];
    std::string line(1, type);
    for (int i = 0; i < 9; ++i) {
        const std::string_view allowed = i == 8 ? std::string_view("xtT-") : kMarks[i % 3];
        line += allowed[in.next() % allowed.size()];
    }
    static constexpr char kAfterMode[] = {0, '+', '@', '.'};  // none, ACL, extended attributes, SELinux
    if (const char mark = kAfterMode[in.next() % 4]) {
        line += mark;
    }
    // One field at a time: the order in which the input's bytes are taken must not depend on the compiler.
    const auto field = [&](const std::string& text) {
        line += padding(in);
        line += text;
    };
    field(std::to_string(in.next() % 100 + 1));
    field(token(in));
    if (in.next() % 2 == 0) {
        field(token(in));  // the group, which ls -o leaves out
    }
    std::uint64_t bytes = 0;
    for (int i = 0; i < 8; ++i) {
        bytes = bytes << 8 | in.next();
    }
    bytes >>= in.next() % 64;
    const bool device = type == 'b' || type == 'c';
    if (device) {
        const std::string major = std::to_string(in.next());
        field(major + ", " + std::to_string(in.next()));
    } else {
        field(std::to_string(bytes));
    }
    field(standardDate(in));
    line += ' ';
    std::string name;
    for (char c : in.rest()) {
        if (c != '\r' && c != '\n' && c != '\0' && c != '/') {
            name += c;
        }
    }
    // A name of blanks alone reads as a line cut after its date, and is refused.
    if (name.find_first_not_of(" \t") == std::string::npos || name == "." || name == ".." ||
        (type == 'l' && name.find(" -> ") != std::string::npos)) {
        return;
    }
    const auto got = ftp::parseListLine(line + name + "\r\n");
    check(got.has_value(), "a standard line gave no entry");
    check(got->name == name, "a standard line gave another name");
    check(got->isDirectory() == (type == 'd') && got->link == (type == 'l'), "a standard line gave another kind");
    check(got->size == (device ? 0 : bytes), "a standard line gave another size");
}

inline void list(const std::uint8_t* data, std::size_t size) {
    listing(asText(data, size), ftp::ListingReader::Format::List);
    standardLine(data, size);
}

inline void mlsd(const std::uint8_t* data, std::size_t size) {
    listing(asText(data, size), ftp::ListingReader::Format::Mlsd);
}

}  // namespace fuzzentry
