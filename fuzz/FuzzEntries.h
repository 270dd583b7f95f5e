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

inline void list(const std::uint8_t* data, std::size_t size) {
    listing(asText(data, size), ftp::ListingReader::Format::List);
}

inline void mlsd(const std::uint8_t* data, std::size_t size) {
    listing(asText(data, size), ftp::ListingReader::Format::Mlsd);
}

}  // namespace fuzzentry
