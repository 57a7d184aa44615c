#pragma once
// Reading cells of a spreadsheet file: a classic .xls workbook, an .xlsx workbook or a .csv text. Rows
// and columns are numbered from 1, like the row and column letters the user types; the reader is open
// for as long as the object lives. Every cell reads as text: numbers in plain decimal digits
// (numberText), dates as "yyyy-mm-dd".

#include <QString>

#include <memory>
#include <stdexcept>
#include <vector>

namespace vorlan::customers {

class SpreadsheetError : public std::runtime_error {
public:
    enum class Kind { CannotOpen, NoSuchSheet, Read };
    SpreadsheetError(Kind kind, const QString& description)
        : std::runtime_error(description.toStdString()), kind_(kind), description_(description) {}
    Kind kind() const { return kind_; }
    const QString& description() const { return description_; }

private:
    Kind kind_;
    QString description_;
};

// The grid of a worksheet and what one cell may hold, as spreadsheet programs bound them; a file
// beyond them is refused rather than read into unbounded memory.
inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384; // XFD
inline constexpr int kMaxCellText = 32767;

// A cell by row and column, both from 1.
struct CellRef {
    int row = 0;
    int column = 0;
    friend bool operator==(const CellRef&, const CellRef&) = default;
};

class SpreadsheetReader {
public:
    virtual ~SpreadsheetReader() = default;

    // Extent of the first worksheet: its last used row and column (0 for an empty sheet).
    virtual int usedRows() const = 0;
    virtual int usedColumns() const = 0;
    // The text of a cell of the named worksheet (names compared without regard to case); an empty
    // cell, or one outside the sheet, reads as the empty text. Throws NoSuchSheet for an unknown name.
    virtual QString cellText(const QString& sheet, int row, int column) = 0;
    // The cells of the named worksheet whose value cannot be read (formulas without a stored result),
    // by row, then column. They read as empty; the import tells the user about them before saving.
    // Throws NoSuchSheet for an unknown name.
    virtual std::vector<CellRef> unreadableCells(const QString& sheet) = 0;
    // The number cells of the named worksheet whose file holds only a binary value too large to keep
    // every digit (beyond 2^53, e.g. an 18-digit account number in an .xls file), by row, then column.
    // They read as that value's digits; the import and the batch ask before using them.
    virtual std::vector<CellRef> impreciseCells(const QString&) { return {}; }

    // The worksheets in the order of the workbook (a .csv file has one, named like the file).
    virtual QStringList sheetNames() const = 0;
    // Extent of the named worksheet: its last used row and column. Throws NoSuchSheet.
    virtual int rowCount(const QString& sheet) = 0;
    virtual int columnCount(const QString& sheet) = 0;
};

enum class SpreadsheetFormat { Xls, Xlsx, Csv };

// "第3行B列" (with the sheet when given): how the messages name a cell.
QString cellName(int row, int column, const QString& sheet = QString());
// The refusal of a cell holding more than kMaxCellText characters.
SpreadsheetError cellTooLong(const QString& fileName, const QString& sheet, int row, int column);

// Which reader a file needs: by its first bytes (an OLE compound file is .xls, a zip archive .xlsx),
// else by its extension, else it is taken as text (.csv).
SpreadsheetFormat spreadsheetFormat(const QString& path);

// Opens a .xls, .xlsx or .csv file. Throws SpreadsheetError(CannotOpen) with a message for the user.
std::unique_ptr<SpreadsheetReader> openSpreadsheet(const QString& path);

// The readers behind openSpreadsheet, each for its own format.
std::unique_ptr<SpreadsheetReader> openXls(const QString& path);
std::unique_ptr<SpreadsheetReader> openXlsx(const QString& path);
std::unique_ptr<SpreadsheetReader> openCsv(const QString& path);

// The name filter of the open dialogs for the three formats.
QString spreadsheetFilter();

} // namespace vorlan::customers
