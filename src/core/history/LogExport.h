#pragma once
// Writing a table of texts (a header and rows) for other programs: RFC 4180 CSV in UTF-8, or an .xlsx
// workbook in which every value is a text (a number the user typed is data: "00123" and an 18-digit
// account number keep every character). Rows are written as they come, so a large result is never
// copied whole; a file takes the name the user gave only once it is complete.

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>

class QIODevice;

namespace vorlan::history {

enum class ExportFormat { Csv, Xlsx };

// The byte order mark that tells spreadsheet programs a .csv file is UTF-8.
inline constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// The format a file name asks for by its extension, letter case aside: .csv or .xlsx; nullopt otherwise.
std::optional<ExportFormat> exportFormatFor(const QString& path);

// One field: in double quotes, inner quotes doubled, when it holds a comma, a quote, CR or LF.
QString csvField(const QString& text);
// One record: the fields joined by commas, ended by CRLF.
QString csvRecord(const QStringList& fields);

// The position of the first character XML 1.0 cannot hold (control characters other than tab, LF and CR,
// a lone surrogate, U+FFFE and U+FFFF); -1 when every character can be held.
qsizetype firstNonXmlCharacter(QStringView text);
// A text as the character data of an element of a workbook part: markup characters escaped, CR as a
// character reference (a parser turns a bare one into LF), and an underscore that would start an escape
// of the form _xHHHH_ escaped itself, so spreadsheet programs show the text as it is. The text must hold
// only characters XML can hold.
QString xmlText(QStringView text);
// A worksheet name from any text: no []:*?/\ or control characters, no apostrophe at either end, at most
// 31 characters; the fallback when nothing is left.
QString worksheetName(const QString& wanted, const QString& fallback);

// The rows, one at a time: fills row and returns true, or returns false after the last one.
using RowSource = std::function<bool(QStringList& row)>;

struct ExportResult {
    qint64 rows = 0; // the rows written, the header not counted
    QString problem; // empty when everything was written; else what went wrong, for the user
    bool ok() const { return problem.isEmpty(); }
};

// Streams header and rows as CSV to an open device: a byte order mark first when bom is set, CRLF
// after every record. A device that refuses the bytes is a problem, named with deviceName.
ExportResult writeCsv(QIODevice& out, const QStringList& header, const RowSource& next, bool bom,
                      const QString& deviceName);

// Writes the table to the file at path (CSV with the byte order mark, or a workbook of one sheet named
// sheetName). It is written under a hidden name of its own in the target's folder and renamed into place
// only when complete: on any failure nothing is left under path, and an earlier file of that name stays
// as it was. The problem names the file and, for a value a workbook cannot hold, its row and column.
ExportResult exportTable(const QString& path, ExportFormat format, const QStringList& header,
                         const RowSource& next, const QString& sheetName = QString());

} // namespace vorlan::history
