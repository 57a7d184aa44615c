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

// For each field, the spreadsheet column it is read from in a row of usedColumns columns, or 0 when
// the field keeps its box: columns beyond the used ones are not read, and a column named by several
// fields goes to the lowest-numbered of them only.
FieldColumns columnsToRead(const FieldColumns& fields, int usedColumns);

// The start row box: a whole number from 1 on, blanks around it allowed; nothing otherwise.
std::optional<int> startRow(const QString& text);

// A number cell as text: whole numbers below 1e15 without decimals (13800138000, 100000), others
// with up to 15 significant digits and no trailing zeros.
QString numberText(double value);

} // namespace vorlan::customers
