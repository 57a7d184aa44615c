#include "customers/SheetTable.h"

#include "customers/ImportRules.h"

#include <algorithm>

namespace vorlan::customers {

int TextPool::add(QStringView text) {
    spans_.emplace_back(chars_.size(), int(text.size()));
    chars_ += text;
    return int(spans_.size()) - 1;
}

QString TextPool::at(int index) const {
    if (index < 0 || size_t(index) >= spans_.size())
        return QString();
    const auto& [start, length] = spans_[size_t(index)];
    return chars_.mid(start, length);
}

void SheetTable::put(const Entry& e) {
    auto before = [](const Entry& a, const Entry& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    };
    if (cells_.empty() || before(cells_.back(), e)) {
        cells_.push_back(e);
    } else {
        auto it = std::lower_bound(cells_.begin(), cells_.end(), e, before);
        if (it != cells_.end() && it->row == e.row && it->column == e.column)
            *it = e;
        else
            cells_.insert(it, e);
    }
    columns = std::max(columns, e.column);
    rows = std::max(rows, e.row);
}

void SheetTable::set(int row, int column, QStringView text) {
    if (text.isEmpty() || row < 1 || column < 1)
        return;
    put({row, column, own_.add(text), false});
}

void SheetTable::setShared(int row, int column, int index) {
    if (row < 1 || column < 1 || !shared || shared->at(index).isEmpty())
        return;
    put({row, column, index, true});
}

QString SheetTable::cell(int row, int column) const {
    const auto it = std::lower_bound(cells_.begin(), cells_.end(), std::pair{row, column},
                                     [](const Entry& a, const std::pair<int, int>& b) {
                                         return a.row != b.first ? a.row < b.first : a.column < b.second;
                                     });
    if (it == cells_.end() || it->row != row || it->column != column)
        return QString();
    return it->isShared ? shared->at(it->index) : own_.at(it->index);
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

std::vector<CellRef> TableReader::impreciseCells(const QString& name) {
    return sheet(name).imprecise;
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

QString cellName(int row, int column, const QString& sheet) {
    const QString cell = QStringLiteral("第%1行%2列").arg(row).arg(columnLetters(column));
    return sheet.isEmpty() ? cell : QStringLiteral("工作表“%1”%2").arg(sheet, cell);
}

SpreadsheetError cellTooLong(const QString& fileName, const QString& sheet, int row, int column) {
    return SpreadsheetError(SpreadsheetError::Kind::CannotOpen,
                            QStringLiteral("文件“%1”%2的内容超过%3个字符，电子表格的单元格不能这么长，"
                                           "文件可能已经损坏，请检查！")
                                .arg(fileName, cellName(row, column, sheet))
                                .arg(kMaxCellText));
}

} // namespace vorlan::customers
