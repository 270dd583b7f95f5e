#pragma once
// The per-user settings store: application -> section -> key -> string. Names are written lower
// case and read without regard to case, so a hand-edited name in another case is found. One INI
// file; every save is written to disk at once. The names themselves are in SettingsNames.h.

#include <QString>
#include <memory>

class QSettings;

class SettingsStore {
public:
    // The file under the user's configuration folder ($XDG_CONFIG_HOME/pelicano/pelicano.ini).
    static QString defaultPath();

    explicit SettingsStore(const QString& filePath = defaultPath());
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The stored value, or defaultValue when none is stored or the file cannot be read.
    QString Leer(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue = QString()) const;
    // Stores the value, replacing any previous one, and writes the file at once.
    // False, with a warning on standard error naming the file, when it could not be written.
    [[nodiscard]] bool Guardar(const QString& application, const QString& section, const QString& key,
                               const QString& value);

    const QString& filePath() const { return path_; }
    // What a window tells the user when a save it was asked for fails.
    QString unsavedText() const { return QStringLiteral("No se ha podido guardar la configuración en ") + path_; }
    // Why the file is neither read nor written (a link to something that is not a regular
    // file); empty when it is usable.
    const QString& refusal() const { return refusal_; }

private:
    static QString keyPath(const QString& application, const QString& section, const QString& key);
    // The key as the file spells it (lower case, or another case written by hand).
    QString storedKey(const QString& application, const QString& section, const QString& key) const;
    void refuse(const QString& why);

    QString path_;
    QString refusal_;
    std::unique_ptr<QSettings> settings_;
};
