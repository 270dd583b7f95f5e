#include "ServerSummary.h"

namespace remote {

QString serverSummary(std::int64_t count, std::int64_t totalBytes) {
    constexpr std::int64_t kKb = 1024;
    constexpr std::int64_t kMb = 1024 * 1024;
    QString value;
    if (totalBytes > kMb)
        value = QString::number(totalBytes / kMb) + QStringLiteral(" Mb)");
    else if (totalBytes > kKb)
        value = QString::number(totalBytes / kKb) + QStringLiteral(" kb)");
    else
        value = QString::number(totalBytes) + QStringLiteral(" bytes)");
    return QString::number(count) + QStringLiteral(" archivos(") + value;
}

}  // namespace remote
