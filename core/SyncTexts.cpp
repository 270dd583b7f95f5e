#include "SyncTexts.h"

#include "VisibleText.h"

namespace synctexts {

namespace {

QString number(std::size_t n) { return QString::number(static_cast<qulonglong>(n)); }

}  // namespace

QString amount(std::uint64_t bytes) {
    if (bytes < 1024) return QString::number(static_cast<qulonglong>(bytes)) + QStringLiteral(" bytes");
    static const char* const units[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024;
    int u = 0;
    // Rounded to one decimal first, so 1023.96 KB reads "1,0 MB" and not "1024,0 KB".
    while (u < 3 && value >= 1024 - 0.05) {
        value /= 1024;
        ++u;
    }
    return QString::number(value, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(',')) + QLatin1Char(' ') +
           QLatin1String(units[u]);
}

QString timeLeft(std::optional<std::int64_t> seconds) {
    if (!seconds || *seconds < 0) return QStringLiteral("calculando...");
    const std::int64_t s = *seconds;
    const auto two = [](std::int64_t v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    if (s >= 3600)
        return QString::number(s / 3600) + QLatin1Char(':') + two(s / 60 % 60) + QLatin1Char(':') + two(s % 60);
    return QString::number(s / 60) + QLatin1Char(':') + two(s % 60);
}

QString progress(std::size_t filesDone, std::size_t files, std::uint64_t bytesDone, std::uint64_t bytes) {
    return QStringLiteral("Archivos: %1 de %2  —  %3 de %4")
        .arg(number(filesDone), number(files), amount(bytesDone), amount(bytes));
}

QString speedAndTimeLeft(double bytesPerSecond, std::optional<std::int64_t> secondsLeft) {
    const QString speed = bytesPerSecond > 0 ? amount(static_cast<std::uint64_t>(bytesPerSecond)) + QStringLiteral("/s")
                                             : QStringLiteral("-");
    return QStringLiteral("Velocidad: %1  —  Tiempo restante: %2").arg(speed, timeLeft(secondsLeft));
}

QString counts(const Counts& c) {
    QString text = QStringLiteral("Nuevos: %1  ·  Modificados: %2  ·  Solo en el servidor: %3  ·  Iguales: %4")
                       .arg(number(c.fresh), number(c.changed), number(c.onlyOnServer), number(c.same));
    if (c.created > 0) text += QStringLiteral("  ·  Carpetas por crear: %1").arg(number(c.created));
    return text;
}

QString reason(const ftp::Error& e) {
    using K = ftp::ErrorKind;
    QString text;
    switch (e.kind) {
    case K::LocalIO: text = QStringLiteral("no se puede leer el archivo local"); break;
    case K::Cancelled: text = QStringLiteral("cancelado"); break;
    case K::Timeout:
    case K::TooSlow: text = QStringLiteral("el servidor dejó de responder"); break;
    case K::Closed:
    case K::Connect:
    case K::Resolve: text = QStringLiteral("se perdió la conexión con el servidor"); break;
    case K::Tls:
    case K::Certificate:
    case K::Downgrade:
    case K::TrustStore:
    case K::HostKey: text = QStringLiteral("falló la conexión cifrada"); break;
    case K::Refused: text = QStringLiteral("el servidor lo rechazó"); break;
    default: text = QStringLiteral("error de comunicación con el servidor"); break;
    }
    // The reply's text starts with its code.
    if (e.reply.code != 0) text += QStringLiteral(" (%1)").arg(visibletext::decode(e.reply.text).simplified());
    return text;
}

QString summary(const Outcome& o) {
    const QString head = o.cancelled ? QStringLiteral("Sincronización cancelada")
                                     : QStringLiteral("Sincronización terminada");
    const QString errors = o.failed == 0 ? QStringLiteral("ningún error")
                                         : QStringLiteral("con errores: %1").arg(number(o.failed));
    return QStringLiteral("%1. Enviados: %2, borrados: %3, iguales: %4; %5.")
        .arg(head, number(o.sent), number(o.deleted), number(o.same), errors);
}

}  // namespace synctexts
