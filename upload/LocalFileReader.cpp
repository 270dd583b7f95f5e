#include "LocalFileReader.h"

#include <cstring>

#include "local/LocalNames.h"

bool LocalFileReader::open(const QString& path) {
    path_ = localname::shown(path);
    return ftp::FileReader::open(localname::toBytes(path).toStdString());
}

QString LocalFileReader::errorText() const {
    switch (problem()) {
    case Problem::None: return QString();
    case Problem::System: return path_ + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(systemError()));
    case Problem::NotRegularFile: return path_ + QStringLiteral(": no es un archivo normal");
    case Problem::EndedEarly: return path_ + QStringLiteral(": el archivo terminó antes de lo esperado");
    }
    return QString();
}
