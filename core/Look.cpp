#include "Look.h"

#include <QFontDatabase>

namespace look {

namespace {
QString programFamily() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* name : {"Comic Sans MS", "Comic Neue"})
            if (installed.contains(QLatin1String(name), Qt::CaseInsensitive)) return QString::fromLatin1(name);
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}
}  // namespace

QFont programFont(double pointSize, bool bold) {
    QFont f(programFamily());
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

QFont namedFont(const QString& family, double pointSize, bool bold) {
    QFont f(QFontDatabase::families().contains(family, Qt::CaseInsensitive) ? family : programFamily());
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

}  // namespace look
