#include "SelectionSummary.h"

#include "LocalNames.h"
#include "LocalPaths.h"

SelectionTotals summarizeSelection(const QString& folder, const QStringList& names) {
    SelectionTotals t;
    for (const QString& name : names) {
        const auto size = localname::fileSize(localpath::join(folder, name));
        if (!size) continue;
        ++t.count;
        t.bytes += *size;
    }
    return t;
}

QString summaryCaption(const SelectionTotals& totals) {
    const QString head = QStringLiteral("Seleccionados : (") + QString::number(totals.count) + QStringLiteral(") ");
    if (totals.bytes > 1024) return head + QString::number(totals.bytes / 1024) + QStringLiteral(" kb");
    return head + QString::number(totals.bytes) + QStringLiteral(" bytes");
}
