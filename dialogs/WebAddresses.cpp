#include "WebAddresses.h"

namespace web {

QString displayText(const QString& address) {
    QString text = address.trimmed();
    for (const auto scheme : {QLatin1String("https://"), QLatin1String("http://")}) {
        if (text.startsWith(scheme, Qt::CaseInsensitive)) {
            text.remove(0, scheme.size());
            break;
        }
    }
    while (text.endsWith(QLatin1Char('/'))) text.chop(1);
    return text.isEmpty() ? address : text;
}

}  // namespace web
