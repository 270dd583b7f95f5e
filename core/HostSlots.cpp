#include "HostSlots.h"

#include "SettingsStore.h"

namespace hostslots {

namespace {
const QString kApp = QStringLiteral("PELICANO");
QString hostAt(const SettingsStore& store, int slot) {
    return store.Leer(kApp, QStringLiteral("lista"), QString::number(slot));
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
            store.Guardar(kApp, QStringLiteral("lista"), QString::number(k), host);
            store.Guardar(kApp, QStringLiteral("usuario"), QString::number(k), user);
            return k;
        }
    }
    return 0;
}

QString userAt(const SettingsStore& store, int position) {
    if (position < 0 || position >= kSlots) return QString();
    return store.Leer(kApp, QStringLiteral("usuario"), QString::number(position + 1));
}

}  // namespace hostslots
