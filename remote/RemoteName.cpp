#include "RemoteName.h"

#include <QTextDocument>

#include "core/VisibleText.h"

namespace remote {

QString displayName(const std::string& bytes) { return visibletext::decode(bytes); }

QString plainTip(const QString& text) {
    // Tooltips guess the format; text that could pass for markup is handed over as escaped HTML.
    if (!Qt::mightBeRichText(text)) return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

std::string typedName(const QString& text) { return fromBytes(text.toUtf8()); }

QString trimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' ')) ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' ')) --end;
    return text.mid(begin, end - begin);
}

}  // namespace remote
