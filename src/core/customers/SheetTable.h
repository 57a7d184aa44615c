#pragma once
// The cells of worksheets read into memory, and the reader over them: the .xlsx reader fills the tables,
// this answers the SpreadsheetReader questions. Storage follows the cells that hold a value, not their
// row and column numbers: each cell is one small entry, its text in one pool per sheet (a shared string
// is kept once, in the workbook's pool).

#include "customers/SpreadsheetReader.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace vorlan::customers {

// Texts kept end to end in one string, each by its place and length.
class TextPool {
public:
    int add(QStringView text); // the index of the text
    QString at(int index) const;
    int size() const { return int(spans_.size()); }

private:
    QString chars_;
    std::vector<std::pair<qsizetype, int>> spans_;
};

struct SheetTable {
    QString name;
    int columns = 0;                 // the last column holding a value
    int rows = 0;                    // the last row holding a value
    std::vector<CellRef> unreadable; // cells whose value cannot be read, by row then column
    std::vector<CellRef> imprecise;  // numbers beyond 2^53 held only as binary values
    bool loaded = false;
    std::shared_ptr<const TextPool> shared; // the workbook's shared strings

    // Stores a cell's text; an empty text stores nothing (an empty cell is no used cell). Cells come
    // in order of row, then column; one out of order is put in its place.
    void set(int row, int column, QStringView text);
    // Stores a cell holding the shared string of that index (which must be in the pool).
    void setShared(int row, int column, int index);
    int rowCount() const { return rows; }
    QString cell(int row, int column) const;

private:
    struct Entry {
        int row;
        int column;
        int index; // into own_, or into shared when isShared
        bool isShared;
    };
    void put(const Entry& e);
    std::vector<Entry> cells_;
    TextPool own_;
};

class TableReader : public SpreadsheetReader {
public:
    int usedRows() const override;
    int usedColumns() const override;
    QString cellText(const QString& sheet, int row, int column) override;
    std::vector<CellRef> unreadableCells(const QString& sheet) override;
    std::vector<CellRef> impreciseCells(const QString& sheet) override;
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
