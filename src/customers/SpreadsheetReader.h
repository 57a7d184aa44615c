#pragma once
// Reading cells of a classic .xls workbook. Rows and columns are numbered from 1, like the row and
// column letters the user types; the reader is open for as long as the object lives.

#include <QString>

#include <memory>
#include <stdexcept>

namespace vorlan::customers {

class SpreadsheetError : public std::runtime_error {
public:
    enum class Kind { CannotOpen, NoSuchSheet, Read };
    SpreadsheetError(Kind kind, const QString& description)
        : std::runtime_error(description.toStdString()), kind_(kind), description_(description)
    {
    }
    Kind kind() const { return kind_; }
    const QString& description() const { return description_; }

private:
    Kind kind_;
    QString description_;
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
};

// Opens a .xls file. Throws SpreadsheetError(CannotOpen) with a message for the user.
std::unique_ptr<SpreadsheetReader> openSpreadsheet(const QString& path);

} // namespace vorlan::customers
