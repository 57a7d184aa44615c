#pragma once
// The formula cells of a classic .xls workbook. The cell reader leaves them out altogether, so they
// would read as empty cells; this scan finds them and the result the writing program stored with each
// (Excel and LibreOffice store it, simple file writers store none).

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace vorlan::customers {

struct XlsSheetFormulas {
    QString name;
    bool worksheet = true; // not a chart or macro sheet
    // Row and column from 1. The stored result as text, or nothing when no usable result is stored
    // (none at all, an error value, or the empty text that writers put in place of a result).
    QHash<quint64, std::optional<QString>> cells;

    static quint64 key(int row, int column) { return (quint64(quint32(row)) << 32) | quint32(column); }
    const std::optional<QString>* find(int row, int column) const {
        auto it = cells.constFind(key(row, column));
        return it == cells.constEnd() ? nullptr : &*it;
    }
};

// The sheets of the file in their order in the workbook, each with its formula cells; nothing when
// the file's structure cannot be followed.
std::optional<std::vector<XlsSheetFormulas>> scanXlsFormulas(const QByteArray& file);

} // namespace vorlan::customers
