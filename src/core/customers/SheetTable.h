#pragma once
// The cells of worksheets read whole into memory, and the reader over them: the .xlsx and .csv readers
// fill the tables, this answers the SpreadsheetReader questions the same way for both.

#include "customers/SpreadsheetReader.h"

#include <QStringList>

#include <vector>

namespace vorlan::customers {

struct SheetTable {
    QString name;
    std::vector<std::vector<QString>> rows; // rows[r - 1][c - 1]; rows may be shorter than columns
    int columns = 0;                        // the last column holding a value
    std::vector<CellRef> unreadable;        // formulas without a stored result, by row then column
    bool loaded = false;

    // Stores a cell's text; an empty text stores nothing (an empty cell is no used cell).
    void set(int row, int column, const QString& text);
    int rowCount() const { return int(rows.size()); }
    QString cell(int row, int column) const;
};

class TableReader : public SpreadsheetReader {
public:
    int usedRows() const override;
    int usedColumns() const override;
    QString cellText(const QString& sheet, int row, int column) override;
    std::vector<CellRef> unreadableCells(const QString& sheet) override;
    QStringList sheetNames() const override;
    int rowCount(const QString& sheet) override;
    int columnCount(const QString& sheet) override;

protected:
    // Reads the sheet's cells into tables_[index] (called once per sheet, when it is first asked for).
    // Throws SpreadsheetError(Read) when the sheet cannot be read.
    virtual void load(int index) = 0;
    // The sheet of that name (without regard to case), loaded; throws NoSuchSheet.
    SheetTable& sheet(const QString& name);
    SheetTable& loadedSheet(int index);

    std::vector<SheetTable> tables_;
    int firstRows_ = 0; // extent of the first sheet, taken when the file is opened
    int firstColumns_ = 0;
};

} // namespace vorlan::customers
