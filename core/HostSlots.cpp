#include "HostSlots.h"

#include "SettingsNames.h"
#include "SettingsStore.h"

namespace hostslots {

namespace {
using namespace settingsnames;
QString hostAt(const SettingsStore& store, int slot) {
    return store.Leer(kApplication, kHostsSection, QString::number(slot));
}
}  // namespace

QStringList load(const SettingsStore& store) {
    QStringList hosts;
    for (int k = 1; k <= kSlots; ++k) {
        const QString h = hostAt(store, k);
        if (h.isEmpty()) break;
        hosts << h;
    }
    return hosts;
}

int record(SettingsStore& store, const QString& host, const QString& user) {
    for (int k = 1; k <= kSlots; ++k) {
        const QString v = hostAt(store, k);
        if (v == host) return 0;  // already known; its user name stays as stored
        if (v.isEmpty()) {
            const bool saved = store.Guardar(kApplication, kHostsSection, QString::number(k), host) &&
                               store.Guardar(kApplication, kUsersSection, QString::number(k), user);
            return saved ? k : 0;
        }
    }
    return 0;
}

QString userAt(const SettingsStore& store, int position) {
    if (position < 0 || position >= kSlots) return QString();
    return store.Leer(kApplication, kUsersSection, QString::number(position + 1));
}

}  // namespace hostslots
