#include "SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <fcntl.h>
#include <unistd.h>

#include "WriteTarget.h"

namespace {

// The file lists the user's hosts and user names: made readable by the user alone.
void createPrivateFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
}

}  // namespace

QString SettingsStore::defaultPath() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/pelicano/pelicano.ini");
}

SettingsStore::SettingsStore(const QString& filePath) : path_(filePath) {
    // Never opened when refused: reading a pipe or a device could block or never end.
    const auto target = writetarget::resolve(filePath);
    if (target.allowed()) settings_ = std::make_unique<QSettings>(target.path, QSettings::IniFormat);
    else refuse(target.refusal);
}

void SettingsStore::refuse(const QString& why) {
    if (refusal_.isEmpty()) qWarning("%s", qPrintable(QStringLiteral("Pelicano: ") + why));
    refusal_ = why;
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::keyPath(const QString& application, const QString& section, const QString& key) {
    // Lower-cased so that "Pelicano" and "PELICANO" name the same branch.
    return application.toLower() + QLatin1Char('/') + section.toLower() + QLatin1Char('/') + key.toLower();
}

QString SettingsStore::storedKey(const QString& application, const QString& section, const QString& key) const {
    const QString wanted = keyPath(application, section, key);
    if (settings_->contains(wanted)) return wanted;
    // A hand-edited file may spell a name in another case; we write lower case only.
    const QStringList all = settings_->allKeys();
    for (const QString& k : all)
        if (k.compare(wanted, Qt::CaseInsensitive) == 0) return k;
    return wanted;
}

QString SettingsStore::Leer(const QString& application, const QString& section, const QString& key,
                            const QString& defaultValue) const {
    if (!settings_) return defaultValue;
    // Pick up changes made by another instance or by hand since we last looked.
    settings_->sync();
    const QVariant v = settings_->value(storedKey(application, section, key));
    if (!v.isValid()) return defaultValue;
    // A hand-edited file may hold a list ("a, b"); read it back as the text it was.
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

bool SettingsStore::Guardar(const QString& application, const QString& section, const QString& key,
                            const QString& value) {
    const auto target = writetarget::resolve(path_);
    if (!settings_ || !target.allowed()) {
        refuse(target.allowed() ? refusal_ : target.refusal);
        return false;
    }
    if (!writetarget::makePrivateFolder(QFileInfo(target.path).absolutePath())) return false;
    createPrivateFile(target.path);
    settings_->sync();  // merge what is on disk first, so no other value is lost
    // One spelling per name: a hand-edited one in another case gives way to ours.
    const QString ours = keyPath(application, section, key);
    for (QString other = storedKey(application, section, key); other != ours;
         other = storedKey(application, section, key))
        settings_->remove(other);
    settings_->setValue(ours, value);
    settings_->sync();
    // FormatError only says the file read before was garbage; the write itself went through.
    if (settings_->status() != QSettings::AccessError) return true;
    qWarning("pelicano: the settings file %s could not be written", qPrintable(path_));
    return false;
}
