#include "Look.h"

#include <QFontDatabase>

namespace look {

namespace {
bool installed(const QString& family) { return QFontDatabase::families().contains(family, Qt::CaseInsensitive); }

QString programFamily() {
    static const QString family = [] {
        for (const char* name : {"Comic Sans MS", "Comic Neue"})
            if (installed(QLatin1String(name))) return QString::fromLatin1(name);
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

// The closest free family Debian ships for each face the windows name, where the face itself
// is missing (scripts/install-deps.sh installs them).
struct Substitute {
    const char* face;
    const char* family;
    QFont::Weight weight;
};
// Liberation Sans keeps the widths the windows' boxes were drawn for ("Conectar al puerto:" fits
// its label, where the wider DejaVu Sans is cut).
constexpr Substitute kSubstitutes[] = {
    {"Tahoma", "Liberation Sans", QFont::Normal},         // a plain sans
    {"MS Sans Serif", "Liberation Sans", QFont::Normal},  // a plain sans
    {"Arial Black", "Roboto", QFont::Black},              // a heavy sans
};
}  // namespace

QFont programFont(double pointSize, bool bold) {
    QFont f(programFamily());
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

QFont namedFont(const QString& family, double pointSize, bool bold) {
    QFont f(programFamily());
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    if (installed(family)) {
        f.setFamily(family);
        return f;
    }
    for (const Substitute& s : kSubstitutes) {
        if (family.compare(QLatin1String(s.face), Qt::CaseInsensitive) != 0) continue;
        if (!installed(QLatin1String(s.family))) break;
        f.setFamily(QLatin1String(s.family));
        // A face that is heavy by design stays heavy, bold or not.
        if (s.weight > f.weight()) f.setWeight(s.weight);
        break;
    }
    return f;
}

}  // namespace look
