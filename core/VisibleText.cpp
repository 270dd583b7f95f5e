#include "VisibleText.h"

#include <QStringDecoder>

namespace visibletext {

namespace {

constexpr char16_t kControlPictures = 0x2400;  // U+2400..241F picture C0 controls, U+2421 DEL
constexpr char16_t kReplacement = 0xFFFD;

// Line breaks and the marks, embeddings, overrides and isolates of the bidirectional algorithm:
// "rlo\u202Etxt.exe" would read as "rloexe.txt".
bool movesText(char16_t u) {
    return (u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029 || u == 0x200E || u == 0x200F ||
           (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069) || u == 0x061C;
}

QString withVisibleControls(QString text) {
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20) {
            c = QChar(char16_t(kControlPictures + u));
        } else if (u == 0x7F) {
            c = QChar(char16_t(0x2421));
        } else if (movesText(u)) {
            c = QChar(kReplacement);
        }
    }
    return text;
}

}  // namespace

QString decode(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (utf8.hasError()) text = QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    return withVisibleControls(std::move(text));
}

}  // namespace visibletext
