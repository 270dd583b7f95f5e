#pragma once
// The encryption mode chosen in the security window, kept in the settings with the spelling the
// command-line tool uses ("auto", "require", "off", "implicit").

#include "ftp/Tls.h"

class SettingsStore;

namespace tlssetting {

// Auto when nothing usable is stored.
ftp::TlsMode load(const SettingsStore& store);
// False when the settings file could not be written.
[[nodiscard]] bool save(SettingsStore& store, ftp::TlsMode mode);

}  // namespace tlssetting
