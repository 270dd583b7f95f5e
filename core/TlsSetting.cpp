#include "TlsSetting.h"

#include "SettingsNames.h"
#include "SettingsStore.h"

namespace tlssetting {
using namespace settingsnames;

ftp::TlsMode load(const SettingsStore& store) {
    const QString text = store.Leer(kApplication, kSecuritySection, kEncryptionKey).trimmed().toLower();
    return ftp::parseTlsMode(text.toStdString()).value_or(ftp::TlsMode::Auto);
}

bool save(SettingsStore& store, ftp::TlsMode mode) {
    return store.Guardar(kApplication, kSecuritySection, kEncryptionKey, QString::fromLatin1(ftp::tlsModeName(mode)));
}

}  // namespace tlssetting
