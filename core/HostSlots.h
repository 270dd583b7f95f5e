#pragma once
// The ten remembered hosts with their user names, kept in the settings store under
// pelicano/lista/k and pelicano/usuario/k for k = 1..10 (SettingsNames.h).

#include <QString>
#include <QStringList>

class SettingsStore;

namespace hostslots {

inline constexpr int kSlots = 10;

// Slots 1, 2, ... up to the first empty one, in slot order.
QStringList load(const SettingsStore& store);

// After a successful connect: stops at a slot that already holds exactly this host (nothing is
// written, its user stays); otherwise writes host and user into the first empty slot; records
// nothing when all ten hold other hosts. Returns the slot written, or 0.
int record(SettingsStore& store, const QString& host, const QString& user);

// The stored user of the host at zero-based list position p (slot p + 1); empty when none.
QString userAt(const SettingsStore& store, int position);

}  // namespace hostslots
