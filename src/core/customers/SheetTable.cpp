#include "customers/SheetTable.h"

namespace vorlan::customers {

void SheetTable::set(int row, int column, const QString& text) {
    if (text.isEmpty() || row < 1 || column < 1)
        return;
    if (rows.size() < size_t(row))
        rows.resize(size_t(row));
    std::vector<QString>& line = rows[size_t(row - 1)];
    if (line.size() < size_t(column))
        line.resize(size_t(column));
    line[size_t(column - 1)] = text;
    columns = std::max(columns, column);
}

QString SheetTable::cell(int row, int column) const {
    if (row < 1 || column < 1 || size_t(row) > rows.size())
        return QString();
    const std::vector<QString>& line = rows[size_t(row - 1)];
    return size_t(column) <= line.size() ? line[size_t(column - 1)] : QString();
}

int TableReader::usedRows() const {
    return firstRows_;
}

int TableReader::usedColumns() const {
    return firstColumns_;
}

QString TableReader::cellText(const QString& name, int row, int column) {
    return sheet(name).cell(row, column);
}

std::vector<CellRef> TableReader::unreadableCells(const QString& name) {
    return sheet(name).unreadable;
}

QStringList TableReader::sheetNames() const {
    QStringList names;
    for (const SheetTable& t : tables_)
        names << t.name;
    return names;
}

int TableReader::rowCount(const QString& name) {
    return sheet(name).rowCount();
}

int TableReader::columnCount(const QString& name) {
    return sheet(name).columns;
}

SheetTable& TableReader::sheet(const QString& name) {
    for (int i = 0; i < int(tables_.size()); ++i)
        if (tables_[size_t(i)].name.compare(name, Qt::CaseInsensitive) == 0)
            return loadedSheet(i);
    throw SpreadsheetError(SpreadsheetError::Kind::NoSuchSheet, QStringLiteral("工作表“%1”不存在").arg(name));
}

SheetTable& TableReader::loadedSheet(int index) {
    SheetTable& t = tables_[size_t(index)];
    if (!t.loaded) {
        load(index);
        t.loaded = true;
    }
    return t;
}

} // namespace vorlan::customers
