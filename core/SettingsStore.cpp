#include "SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

QString SettingsStore::defaultPath() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/pelicano/pelicano.ini");
}

SettingsStore::SettingsStore(const QString& filePath)
    : path_(filePath), settings_(std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::keyPath(const QString& application, const QString& section, const QString& key) {
    // Lower-cased so that "Pelicano" and "PELICANO" name the same branch.
    return application.toLower() + QLatin1Char('/') + section.toLower() + QLatin1Char('/') + key.toLower();
}

QString SettingsStore::Leer(const QString& application, const QString& section, const QString& key,
                            const QString& defaultValue) const {
    // Pick up changes made by another instance or by hand since we last looked.
    settings_->sync();
    const QVariant v = settings_->value(keyPath(application, section, key));
    if (!v.isValid()) return defaultValue;
    // A hand-edited file may hold a list ("a, b"); read it back as the text it was.
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

bool SettingsStore::Guardar(const QString& application, const QString& section, const QString& key,
                            const QString& value) {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    settings_->sync();  // merge what is on disk first, so no other value is lost
    settings_->setValue(keyPath(application, section, key), value);
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}
