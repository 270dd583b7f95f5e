#include "RemoteName.h"

#include <QStringDecoder>
#include <QTextDocument>

namespace remote {

namespace {

constexpr char16_t kControlPictures = 0x2400;  // U+2400..241F picture C0 controls, U+2421 DEL
constexpr char16_t kReplacement = 0xFFFD;

// C0, DEL, C1 and the line and paragraph separators as marks that take no part in layout.
QString withVisibleControls(QString text) {
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20) c = QChar(char16_t(kControlPictures + u));
        else if (u == 0x7F) c = QChar(char16_t(0x2421));
        else if ((u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029) c = QChar(kReplacement);
    }
    return text;
}

}  // namespace

QString displayName(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (utf8.hasError()) text = QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    return withVisibleControls(std::move(text));
}

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
