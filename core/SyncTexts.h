#pragma once
// The texts of the sync window that carry figures: amounts, speeds, time left, the plan's counts,
// a failure's reason and the closing summary. Pure functions, no widgets.

#include <QString>
#include <cstdint>
#include <optional>

#include "ftp/Result.h"

namespace synctexts {

// "512 bytes", "1,5 KB", "20,0 MB", "1,2 GB": one decimal with a comma, units of 1024.
QString amount(std::uint64_t bytes);
// "1:05", "12:00", "1:02:03"; "calculando..." while there is no estimate yet.
QString timeLeft(std::optional<std::int64_t> seconds);
// "Archivos: 3 de 10  —  1,5 MB de 20,0 MB"
QString progress(std::size_t filesDone, std::size_t files, std::uint64_t bytesDone, std::uint64_t bytes);
// "Velocidad: 1,5 MB/s  —  Tiempo restante: 0:12"; the speed is "-" until there is one.
QString speedAndTimeLeft(double bytesPerSecond, std::optional<std::int64_t> secondsLeft);

struct Counts {
    std::size_t created = 0, fresh = 0, changed = 0, onlyOnServer = 0, same = 0;
};
// "Nuevos: 3  ·  Modificados: 1  ·  Solo en el servidor: 2  ·  Iguales: 40  ·  Carpetas por crear: 2"
QString counts(const Counts& c);

// Why a step failed, in Spanish, with the server's own words when it answered.
QString reason(const ftp::Error& e);

struct Outcome {
    std::size_t sent = 0, deleted = 0, same = 0, failed = 0;
    bool cancelled = false;
};
// "Sincronización terminada. Enviados: 3, borrados: 0, iguales: 40; ningún error."
QString summary(const Outcome& o);

}  // namespace synctexts
