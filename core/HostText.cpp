#include "HostText.h"

#include "ftp/HostAddress.h"

namespace hosttext {

std::optional<Choice> choose(const QString& text, std::uint16_t configuredPort, QString& problem) {
    auto parsed = ftp::parseHostAddress(text.toStdString());
    if (parsed.failed()) {
        problem = QStringLiteral(
            "El Host no es válido. Escriba el servidor, por ejemplo servidor.com, "
            "servidor.com:2121 o sftp://servidor.com");
        return std::nullopt;
    }
    const ftp::HostAddress& a = parsed.value();
    if (!a.user.empty() || a.hasPassword) {
        problem = QStringLiteral(
            "Escriba el usuario en el campo Usuario y la contraseña en el campo Login, no en el Host.");
        return std::nullopt;
    }
    if (!a.path.empty()) {
        problem = QStringLiteral(
            "El Host no puede llevar una carpeta: escriba solo el servidor y, si hace falta, el puerto.");
        return std::nullopt;
    }
    Choice c{a.host, a.port, a.protocol, a.implicitTls};
    if (c.port == 0) {
        const bool configuredDefault = configuredPort == 0 || configuredPort == 21;
        c.port = !configuredDefault                  ? configuredPort
                 : a.protocol == ftp::Protocol::Sftp ? std::uint16_t(22)
                 : a.implicitTls                     ? std::uint16_t(990)
                                                     : configuredPort;
    }
    return c;
}

}  // namespace hosttext
