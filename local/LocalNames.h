#pragma once
// Local file names are bytes. A name that is not valid UTF-8 (old archives, other systems) is
// still listed and still opened: each byte of an invalid sequence is kept in the QString as a
// lone surrogate U+DC80..U+DCFF, which maps back to the same byte, and shown as U+FFFD.
// Qt's own directory reading skips such names, so the lists read folders here.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace localname {

QString fromBytes(const QByteArray& bytes);
QByteArray toBytes(const QString& name);
// For display: every kept invalid byte becomes the replacement character.
QString shown(const QString& name);

enum class Kind { Files, Folders };
// The entries of folder of one kind, sorted by name without regard to case. Files include
// hidden ones; folders leave out hidden ones, "." and "..". Links count as what they point to.
QStringList entries(const QString& folder, Kind kind);

bool isFolder(const QString& path);
bool isReadableFolder(const QString& path);
// The size of a regular file (links followed); none when it is missing or not a file.
std::optional<std::int64_t> fileSize(const QString& path);

}  // namespace localname
