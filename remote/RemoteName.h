#pragma once
// Remote names are bytes. They are decoded only to be shown; what goes back to the server is
// the stored bytes, or the UTF-8 of what the user typed.

#include <QByteArray>
#include <QString>
#include <string>

namespace remote {

// UTF-8 when the bytes are valid UTF-8, Latin-1 otherwise, with controls shown as visible marks
// (visibletext::decode).
QString displayName(const std::string& bytes);
// A tooltip that shows `text` as it is, even when it looks like markup ("<b>x").
QString plainTip(const QString& text);
// What the user typed, as the bytes sent to the server.
std::string typedName(const QString& text);
// Removes leading and trailing space characters only (tabs and other blanks stay).
QString trimSpaces(const QString& text);

inline QByteArray toBytes(const std::string& s) { return QByteArray(s.data(), qsizetype(s.size())); }
inline std::string fromBytes(const QByteArray& b) { return std::string(b.constData(), std::size_t(b.size())); }

}  // namespace remote
