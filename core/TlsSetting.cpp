#include "TlsSetting.h"

#include "SettingsStore.h"

namespace tlssetting {
namespace {
const QString kApp = QStringLiteral("Pelicano");
const QString kSection = QStringLiteral("Seguridad");
const QString kKey = QStringLiteral("cifrado");
}  // namespace

ftp::TlsMode load(const SettingsStore& store) {
    const QString text = store.Leer(kApp, kSection, kKey).trimmed().toLower();
    return ftp::parseTlsMode(text.toStdString()).value_or(ftp::TlsMode::Auto);
}

void save(SettingsStore& store, ftp::TlsMode mode) {
    store.Guardar(kApp, kSection, kKey, QString::fromLatin1(ftp::tlsModeName(mode)));
}

}  // namespace tlssetting
