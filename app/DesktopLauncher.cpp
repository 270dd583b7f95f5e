#include "DesktopLauncher.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "core/SettingsNames.h"
#include "core/SettingsStore.h"
#include "core/WriteTarget.h"

namespace launcher {

namespace {

// Characters that force an argument of Exec into double quotes.
bool needsQuotes(const QString& arg) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    for (QChar c : arg)
        if (reserved.contains(c)) return true;
    return arg.isEmpty();
}

// Inside double quotes, ", `, $ and \ take a backslash. Then the general string escapes apply
// on top, which double every backslash again; "%" is written "%%" so it is not a field code.
QString quoteArgument(const QString& arg) {
    QString out;
    const bool quoted = needsQuotes(arg);
    if (quoted) out += QLatin1Char('"');
    for (QChar c : arg) {
        if (quoted && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                       c == QLatin1Char('\\')))
            out += QLatin1Char('\\');
        if (c == QLatin1Char('%')) out += QLatin1Char('%');
        out += c;
    }
    if (quoted) out += QLatin1Char('"');
    return out;
}

QString escapeString(const QString& value) {
    QString out;
    for (QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace

QString fileName() { return QStringLiteral("Pelicano 2.0.desktop"); }

QString execValue(const QString& executable) { return escapeString(quoteArgument(executable)); }

QString iconValue(const QString& executable) {
    const QString id = QStringLiteral(PELICANO_APP_ID);
    const QString installed = QFileInfo(executable).absolutePath() +
                              QStringLiteral("/../share/icons/hicolor/scalable/apps/%1.svg").arg(id);
    if (QFileInfo::exists(QDir::cleanPath(installed))) return id;
    return QStringLiteral(PELICANO_BUILD_ICON);
}

QByteArray entryText(const QString& executable) {
    const QString text = QStringLiteral(
                             "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Version=1.0\n"
                             "Name=Pelicano 2.0\n"
                             "Comment=Sube archivos a un servidor FTP\n"
                             "Exec=%1\n"
                             "Icon=%2\n"
                             "Terminal=false\n"
                             "Categories=Network;FileTransfer;\n")
                             .arg(execValue(executable), escapeString(iconValue(executable)));
    return text.toUtf8();
}

bool CrearLink(const QString& desktopFolder, const QString& executable) {
    if (desktopFolder.isEmpty() || executable.isEmpty() || !QFileInfo(desktopFolder).isDir()) return false;
    const auto target = writetarget::resolve(QDir(desktopFolder).filePath(fileName()));
    if (!target.allowed()) {
        qWarning("%s", qPrintable(QStringLiteral("Pelicano: ") + target.refusal));
        return false;
    }
    QSaveFile file(target.path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray text = entryText(executable);
    if (file.write(text) != text.size() || !file.commit()) return false;
    // Desktops only start launchers that are marked executable.
    return QFile::setPermissions(file.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                      QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                      QFileDevice::ExeOther);
}

bool CrearLinkOnFirstRun(SettingsStore& store, const QString& desktopFolder, const QString& executable) {
    using namespace settingsnames;
    if (store.Leer(kApplication, kLinkSection, kFirstRunKey, QStringLiteral("0")) != QStringLiteral("0")) return false;
    const bool made = CrearLink(desktopFolder, executable);
    // A marker that cannot be written (logged by the store) only means the launcher is made again.
    (void)store.Guardar(kApplication, kLinkSection, kFirstRunKey, QStringLiteral("1"));
    return made;
}

QString defaultDesktopFolder() { return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation); }

}  // namespace launcher
