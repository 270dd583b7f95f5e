#include "LocalFileReader.h"

#include <cerrno>

#include "local/LocalNames.h"

namespace {
// The system's own words are English (or the locale's); every text of the window is Spanish.
QString spanishReason(int error) {
    switch (error) {
    case ENOENT: return QStringLiteral("el archivo no existe");
    case EACCES:
    case EPERM: return QStringLiteral("no tiene permiso para leer el archivo");
    case EISDIR: return QStringLiteral("es una carpeta, no un archivo");
    case ENOTDIR: return QStringLiteral("una parte de la ruta no es una carpeta");
    case ENAMETOOLONG: return QStringLiteral("el nombre es demasiado largo");
    case ELOOP: return QStringLiteral("la ruta tiene demasiados enlaces simbólicos");
    case EIO: return QStringLiteral("error de lectura en el disco");
    case EMFILE:
    case ENFILE: return QStringLiteral("hay demasiados archivos abiertos");
    case ENOMEM: return QStringLiteral("no hay memoria suficiente");
    case ENXIO:
    case ENODEV: return QStringLiteral("el dispositivo no está disponible");
    case ESTALE: return QStringLiteral("el archivo ya no está disponible en la unidad de red");
    case EAGAIN: return QStringLiteral("el archivo está bloqueado por otro programa");
    default: return QStringLiteral("no se puede leer el archivo (error del sistema %1)").arg(error);
    }
}
}  // namespace

bool LocalFileReader::open(const QString& path) {
    path_ = localname::shown(path);
    return ftp::FileReader::open(localname::toBytes(path).toStdString());
}

QString LocalFileReader::errorText() const {
    switch (problem()) {
    case Problem::None: return QString();
    case Problem::System: return path_ + QStringLiteral(": ") + spanishReason(systemError());
    case Problem::NotRegularFile: return path_ + QStringLiteral(": no es un archivo normal");
    case Problem::EndedEarly: return path_ + QStringLiteral(": el archivo terminó antes de lo esperado");
    }
    return QString();
}
