#pragma once
// The import's small rules: column letters, which field takes which spreadsheet column, the start
// row, and how a number cell reads as text.

#include "customers/CustomerStore.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace vorlan::customers {

// "A" … "Z" (either case) give 1 … 26; anything else (empty, two letters, a digit, blanks) gives 0,
// which matches no column.
int columnNumber(const QString& letters);

using FieldColumns = std::array<int, kFieldCount>;

// The column number of each field from its letter box.
FieldColumns fieldColumns(const QStringList& letters);

// The letters of a column number as the spreadsheet shows them: 1 "A", 26 "Z", 27 "AA".
QString columnLetters(int column);

// For each field, the spreadsheet column it is read from in a row of usedColumns columns, or 0 when
// the field keeps its box: columns beyond the used ones are not read, and a column named by several
// fields goes to the lowest-numbered of them only.
FieldColumns columnsToRead(const FieldColumns& fields, int usedColumns);

// The start row box: a whole number from 1 on, blanks around it allowed; nothing otherwise.
std::optional<int> startRow(const QString& text);

// A number cell as text, in plain decimal digits and never with an exponent, so that a bank account
// or phone number stored as a number keeps every digit: whole values as their exact digits
// (6222499836243985, 100000000000000000000), fractions as the shortest digits that read back to the
// same double (0.1, 0.00000015).
QString numberText(double value);

} // namespace vorlan::customers
