#include "ListingCollector.h"

#include <fnmatch.h>

#include "ListingParser.h"

namespace ftp {

namespace {

// A listed name we could never act on safely: not a single path segment, or holding controls.
bool isUsableName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string("/\r\n\0", 4)) == std::string::npos;
}

}  // namespace

ListingCollector::ListingCollector(bool mlsd, std::string pattern, const Limits& limits)
    : mlsd_(mlsd), pattern_(std::move(pattern)), limits_(limits),
      reader_(mlsd ? ListingReader::Format::Mlsd : ListingReader::Format::List) {
    everything_ = pattern_.empty() || pattern_ == "*.*" || pattern_ == "*";
}

bool ListingCollector::feed(std::string_view bytes) {
    if (!error_.empty()) return false;
    received_ += bytes.size();
    if (received_ > limits_.listingBytes) {
        error_ = "is larger than " + std::to_string(limits_.listingBytes / (1024 * 1024)) + " MiB";
        return false;
    }
    while (!bytes.empty()) {
        const auto eol = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, eol);
        if (!skipping_) {
            if (partial_.size() + piece.size() > kMaxLineBytes) {
                partial_.clear();
                partial_.shrink_to_fit();
                skipping_ = true;
            } else if (eol != std::string_view::npos && partial_.empty()) {
                if (!line(piece)) return false;  // the usual case: a whole line, no copy
            } else {
                partial_.append(piece);
                if (eol != std::string_view::npos) {
                    const bool ok = line(partial_);
                    partial_.clear();
                    if (!ok) return false;
                }
            }
        }
        if (eol == std::string_view::npos) break;
        skipping_ = false;
        bytes.remove_prefix(eol + 1);
    }
    return true;
}

bool ListingCollector::finish() {
    if (!error_.empty()) return false;
    if (!skipping_ && !partial_.empty()) {
        const bool ok = line(partial_);
        partial_.clear();
        if (!ok) return false;
    }
    reader_.finish(completed_);
    return keep();
}

bool ListingCollector::line(std::string_view text) {
    reader_.add(text, completed_);
    return keep();
}

bool ListingCollector::keep() {
    for (Entry& entry : completed_) {
        if (!isUsableName(entry.name)) continue;
        if (!everything_ && fnmatch(pattern_.c_str(), entry.name.c_str(), FNM_PERIOD) != 0) continue;
        if (entries_.size() >= limits_.listingEntries) {
            error_ = "has more than " + std::to_string(limits_.listingEntries) + " entries";
            completed_.clear();
            return false;
        }
        entries_.push_back(std::move(entry));
    }
    completed_.clear();
    return true;
}

// No shrink_to_fit: a copy would double the peak, and capacity never touched costs no memory.
std::vector<Entry> ListingCollector::take() { return std::move(entries_); }

}  // namespace ftp
