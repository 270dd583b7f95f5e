#include "LocalNames.h"

#include <QCollator>
#include <algorithm>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace localname {

namespace {
constexpr char16_t kEscape = 0xDC00;

// Length of the valid UTF-8 sequence at s[i], 0 when it is not one.
int validSequence(const unsigned char* s, int i, int n) {
    const unsigned char c = s[i];
    if (c < 0x80) return 1;
    int len = 0;
    unsigned min = 0;
    unsigned cp = 0;
    if (c >= 0xC2 && c <= 0xDF) len = 2, cp = c & 0x1F, min = 0x80;
    else if (c >= 0xE0 && c <= 0xEF) len = 3, cp = c & 0x0F, min = 0x800;
    else if (c >= 0xF0 && c <= 0xF4) len = 4, cp = c & 0x07, min = 0x10000;
    else return 0;
    if (i + len > n) return 0;
    for (int k = 1; k < len; ++k) {
        if ((s[i + k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

bool isEscape(QChar c) { return c.unicode() >= kEscape + 0x80 && c.unicode() <= kEscape + 0xFF; }

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

bool statOf(const QString& path, struct stat& st) { return ::stat(toBytes(path).constData(), &st) == 0; }
}  // namespace

QString fromBytes(const QByteArray& bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    const int n = int(bytes.size());
    QString out;
    out.reserve(n);
    int runStart = 0;
    for (int i = 0; i < n;) {
        const int len = validSequence(s, i, n);
        if (len > 0) {
            i += len;
            continue;
        }
        out += QString::fromUtf8(bytes.constData() + runStart, i - runStart);
        out += QChar(char16_t(kEscape + s[i]));
        runStart = ++i;
    }
    out += QString::fromUtf8(bytes.constData() + runStart, n - runStart);
    return out;
}

QByteArray toBytes(const QString& name) {
    QByteArray out;
    out.reserve(name.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!isEscape(name[i])) continue;
        out += QStringView(name).mid(runStart, i - runStart).toUtf8();
        out += char(name[i].unicode() - kEscape);
        runStart = i + 1;
    }
    out += QStringView(name).mid(runStart).toUtf8();
    return out;
}

QString shown(const QString& name) {
    QString out = name;
    for (QChar& c : out)
        if (isEscape(c)) c = QChar::ReplacementCharacter;
    return out;
}

QStringList entries(const QString& folder, Kind kind) {
    QStringList names;
    const QByteArray base = toBytes(folder);
    std::unique_ptr<DIR, DirCloser> dir(opendir(base.constData()));
    if (!dir) return names;
    const QByteArray prefix = base.endsWith('/') ? base : base + '/';
    while (const dirent* e = readdir(dir.get())) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..") continue;
        if (kind == Kind::Folders && name.startsWith('.')) continue;
        struct stat st {};
        if (::stat((prefix + name).constData(), &st) != 0) continue;  // a broken link
        if (kind == Kind::Folders ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) continue;
        names << fromBytes(name);
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        const int c = collator.compare(shown(a), shown(b));
        return c != 0 ? c < 0 : toBytes(a) < toBytes(b);
    });
    return names;
}

bool isFolder(const QString& path) {
    struct stat st {};
    return statOf(path, st) && S_ISDIR(st.st_mode);
}

bool isReadableFolder(const QString& path) {
    return isFolder(path) && ::access(toBytes(path).constData(), R_OK | X_OK) == 0;
}

std::optional<std::int64_t> fileSize(const QString& path) {
    struct stat st {};
    if (!statOf(path, st) || !S_ISREG(st.st_mode)) return std::nullopt;
    return std::int64_t(st.st_size);
}

}  // namespace localname
