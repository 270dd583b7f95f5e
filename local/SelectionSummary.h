#pragma once
// The one-line summary of the files selected in the local file list: how many and how big.
// Totals are 64-bit, so selections beyond 2 GiB read right.

#include <QString>
#include <QStringList>
#include <cstdint>

struct SelectionTotals {
    std::int64_t count = 0;
    std::int64_t bytes = 0;
};

// Sizes of folder/name for each name. A file that has gone since the list was filled is
// skipped: it is neither counted nor sized.
SelectionTotals summarizeSelection(const QString& folder, const QStringList& names);

// "Seleccionados : (n) x bytes" up to 1024 bytes, "Seleccionados : (n) k kb" above.
QString summaryCaption(const SelectionTotals& totals);
