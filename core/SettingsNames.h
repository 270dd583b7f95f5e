#pragma once
// Every name the program keeps a setting under: application, section and key. They are written
// in lower case and read without regard to case (SettingsStore), so a hand-edited "Puerto" is
// found; keep new names lower case.

#include <QString>

namespace settingsnames {

inline const QString kApplication = QStringLiteral("pelicano");

inline const QString kConfigurationSection = QStringLiteral("configuracion");
inline const QString kPortKey = QStringLiteral("puerto");  // the port for the next connection

inline const QString kConfSection = QStringLiteral("conf");
inline const QString kTransferKey = QStringLiteral("transferencia");  // 1 ASCII, 2 binary

inline const QString kLastFolderSection = QStringLiteral("ultdir");
inline const QString kPathKey = QStringLiteral("path");  // the last local folder

inline const QString kLinkSection = QStringLiteral("link");
inline const QString kFirstRunKey = QStringLiteral("pvez");  // "1" once the launcher was made

inline const QString kSecuritySection = QStringLiteral("seguridad");
inline const QString kEncryptionKey = QStringLiteral("cifrado");  // auto, require, off or implicit

// The remembered hosts and their user names, keys "1" to "10".
inline const QString kHostsSection = QStringLiteral("lista");
inline const QString kUsersSection = QStringLiteral("usuario");

}  // namespace settingsnames
